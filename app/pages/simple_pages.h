#pragma once
// The simple settings pages: one record each, read from the board's status block and written
// with one configuration write (record_pages.h holds their logic), plus restart, factory
// reset and the blank start page.

#include <array>
#include <vector>

#include "pages/record_pages.h"
#include "pages/settings_page.h"

class QButtonGroup;
class QCheckBox;
class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace tav {

// A page over one record: fields bound to edits and check boxes, refresh from the status
// block, apply by the record's configuration write.
class RecordPageView : public SettingsPage {
  Q_OBJECT
 public:
  RecordPageView(RecordPage page, PageHost& host, QWidget* parent);

  void refresh();
  void apply();

 protected:
  void onInitialUpdate() override { refresh(); }

  void bindEdit(std::size_t field, QLineEdit* edit);
  void bindCheck(std::size_t field, QCheckBox* check);
  // Controls a device type the page does not serve disables ("应用" is one already).
  void addTypeControl(QWidget* control) { typeControls_.push_back(control); }
  // A control that only shows the board's value (sent back as read).
  void keepDisabled(QWidget* control);

  // Controls to values in binding order, and the plan of the apply; false at the first number
  // field that does not parse or a changed value out of range (message shown).
  virtual bool takeValues();
  virtual void showValues();
  virtual void setTypeEnabled(bool on);
  // Puts the form, then the buttons, into the page; call at the end of a page's constructor.
  void finishLayout();

  FieldValues values_;
  QVBoxLayout* column_;
  QFormLayout* form_;
  QHBoxLayout* buttons_;
  QPushButton* refreshButton_;
  QPushButton* applyButton_;

 private:
  struct Binding {
    std::size_t field;
    QLineEdit* edit;
    QCheckBox* check;
  };
  RecordPage page_;
  RecordPlan plan_;  // what the apply sends, from the last takeValues()
  std::vector<Binding> bindings_;
  std::vector<QWidget*> typeControls_;
  std::vector<QWidget*> readOnly_;
};

}  // namespace tav

// CRightView3: video encoding page ("视频编码").
class CRightView3 : public tav::RecordPageView {
  Q_OBJECT
 public:
  CRightView3(tav::PageHost& host, QWidget* parent = nullptr);

 protected:
  void setTypeEnabled(bool on) override;

 private:
  void unlockSize();
  QLineEdit* width_;
  QLineEdit* height_;
  QPushButton* unlock_;
  bool sizeUnlocked_ = false;
};

// CRightView4: audio encoding page ("音频编码").
class CRightView4 : public tav::RecordPageView {
  Q_OBJECT
 public:
  CRightView4(tav::PageHost& host, QWidget* parent = nullptr);

 protected:
  bool takeValues() override;
  void showValues() override;
  void setTypeEnabled(bool on) override;

 private:
  void sampleRateChosen();
  QButtonGroup* sampleRates_;
  QButtonGroup* bitRates_;
  QCheckBox* stereo_;
};

// CRightView5: volume page ("音量调节").
class CRightView5 : public tav::RecordPageView {
  Q_OBJECT
 public:
  CRightView5(tav::PageHost& host, QWidget* parent = nullptr);
};

// CRightView8: video quality page ("视频质量").
class CRightView8 : public tav::RecordPageView {
  Q_OBJECT
 public:
  CRightView8(tav::PageHost& host, QWidget* parent = nullptr);
};

// CRightView7: restart page ("重启设备").
class CRightView7 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView7(tav::PageHost& host, QWidget* parent = nullptr);
  void restart();

 protected:
  void onInitialUpdate() override {}
};

// CRightView9: factory reset page ("恢复出厂值").
class CRightView9 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView9(tav::PageHost& host, QWidget* parent = nullptr);
  void factoryReset();

 protected:
  void onInitialUpdate() override;

 private:
  QLineEdit* user_;
  QLineEdit* password_;
};

// CRightView12: the blank start page of the single-board window.
class CRightView12 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView12(tav::PageHost& host, QWidget* parent = nullptr);

 protected:
  void onInitialUpdate() override {}
};

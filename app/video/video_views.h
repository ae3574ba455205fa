#pragma once
// The video pages as widgets over video_pages.h: peripheral configuration (CRightView2), the
// capture parameters (customerSetting) and the two video position pages (CRightView6,
// CRightView16). Every exchange runs on the page's worker through the host's link.

#include "pages/settings_page.h"
#include "video/video_pages.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// CRightView2: peripheral configuration ("外设配置").
class CRightView2 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView2(tav::PageHost& host, QWidget* parent = nullptr);

  void refresh();
  void apply();
  void detect();
  const tav::LoadedCustomerTable& customers() const { return customers_; }

 protected:
  void onInitialUpdate() override;

 private:
  void typePicked(int index);
  void resolutionPicked(int index);
  void showForm();

  tav::PeripheralForm form_;
  tav::LoadedCustomerTable customers_;
  QComboBox* type_;
  QComboBox* resolution_;
  QComboBox* frequency_;
  QComboBox* modeName_;
  QLineEdit* width_;
  QLineEdit* height_;
  QComboBox* audio_;
  QLineEdit* sampling_;
  QPushButton* refresh_;
  QPushButton* apply_;
  QPushButton* detect_;
  QLabel* detectTitle_;
  QLabel* detectText_;
  QLabel* customerNote_;
};

// customerSetting: capture parameters of an encoder's front end ("自定义").
class customerSetting : public tav::SettingsPage {
  Q_OBJECT
 public:
  customerSetting(tav::PageHost& host, QWidget* parent = nullptr);

  // Runs one action of tav::CapturePage on the worker; the fields follow its result.
  void run(bool (tav::CapturePage::*action)(), bool positionFields);

 protected:
  void onInitialUpdate() override {}  // no first refresh

 private:
  bool takePosition();
  bool takeCapture();
  void showFields();
  QLineEdit* edit(const char* name, const QString& accessible);

  tav::CaptureFields fields_;
  QLineEdit *left_, *up_, *positionWidth_, *positionHeight_;
  QLineEdit *blockLength_, *lines_, *vsyncWidth_, *fieldLength_, *type_;
  QLineEdit *width_, *height_, *rate_, *clock_, *maxWidth_, *maxHeight_;
  QLineEdit *offsetHori_, *offsetVert_;
  QLabel* info_;
};

// CRightView6: video position ("视频位置"), mainly for decoders.
class CRightView6 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView6(tav::PageHost& host, QWidget* parent = nullptr);

  void refresh();
  void apply();
  void readRegister();
  void writeRegister();

 protected:
  void onInitialUpdate() override { refresh(); }

 private:
  bool takeFields();
  void showFields();
  // Runs one action of tav::PositionPage on the worker.
  template <class Action>
  void run(Action action);

  tav::PositionFields fields_;
  QLineEdit *width_, *length_, *x_, *y_, *horizontal_, *vertical_, *hSpacing_, *vSpacing_;
  QLineEdit *address_, *value_;
  QPushButton *refresh_, *apply_, *read_, *write_;
};

// CRightView16: advanced video position, the capture front end's picture position record.
class CRightView16 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView16(tav::PageHost& host, QWidget* parent = nullptr);

  void read();
  void write();
  void clear();

 protected:
  void onInitialUpdate() override { read(); }

 private:
  bool takeFields(tav::PicturePosition& p);
  void showFields();
  void run(bool (tav::AdvancedPositionPage::*action)(), tav::PicturePosition fields,
           bool showResult);

  tav::PicturePosition fields_;
  QLineEdit *left_, *up_, *width_, *height_;
  QPushButton* set_;
};

#pragma once
// The single-board window's detection pages: one encoder's stream statistics (CRightView13) and
// the encoders feeding a decoder (CRightView14). Thin widgets over detection_views.h.
//
// The statistics poll never blocks the window: a tick only reads the counters the library's
// receiver thread keeps, and the one slow call, stopping a handle (up to 200 ms while the
// receiver waits on a silent board), runs on a worker. Every call on a detection handle made
// from these pages is serialized by one lock; a tick that finds it taken skips its turn.

#include <memory>

#include "pages/settings_page.h"

class QPushButton;
class QTableWidget;
class QTimer;

namespace tav {
class OneEncoderView;
class DecoderSourcesView;
}  // namespace tav

// CRightView13: the stream statistics of the current board when it is an encoder ("开始",
// "停止", one row of address and rates refreshed every 200 ms).
class CRightView13 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView13(tav::PageHost& host, QWidget* parent = nullptr);
  ~CRightView13() override;

  void start();  // "开始"
  void stop();   // "停止"
  void tick();   // the 200 ms poll
  bool polling() const;

 protected:
  void onInitialUpdate() override {}

 private:
  CBoard* encoder();
  void showRows();

  bool closing_ = false;
  std::unique_ptr<tav::OneEncoderView> view_;
  QTableWidget* list_;
  QTimer* timer_;
  QPushButton* startButton_;
  QPushButton* stopButton_;
};

// CRightView14: the encoders whose sending matches the current decoder's reception; "检测编码板"
// (or a double click) opens a single-board window on the chosen encoder's statistics page.
class CRightView14 : public tav::SettingsPage {
  Q_OBJECT
 public:
  CRightView14(tav::PageHost& host, QWidget* parent = nullptr);
  ~CRightView14() override;

  void choose();  // "检测编码板" or a double click on a row

 protected:
  void onInitialUpdate() override;

 private:
  std::unique_ptr<tav::DecoderSourcesView> view_;
  QTableWidget* list_;
  QPushButton* detectButton_;
};

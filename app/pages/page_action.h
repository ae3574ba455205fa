#pragma once
// Runs a page's exchange with a board on a worker thread so the window keeps repainting while
// a board is slow or silent. While it runs, the page's action buttons are disabled, the page
// shows a busy cursor and "正在与设备通信…". The work gets a Notifier whose messages, questions
// and log lines reach the window's notifier on the window's thread, in order (a message or
// question waits for the user as before). When the work is done, `done` runs on the window's
// thread with its result, unless the page has gone: closing the page never waits for the
// board, the worker's late result is dropped, and a pending question is answered No.
//
// The work must not touch widgets, the page or the board list: it works on its own copies
// (SettingsPage::runOnBoard hands it a copy of the current board and writes it back after).

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "device/notifier.h"

class QLabel;
class QWidget;

namespace tav {

namespace detail {
struct ActionState;
// Runs `task` on the shared worker pool.
void StartWorker(std::function<void()> task);
// Runs `task` on the window's thread unless the action's owner has gone.
void PostToWindow(const std::shared_ptr<ActionState>& state, std::function<void()> task);
// The notifier the work reports through.
std::unique_ptr<Notifier> MakeRelayNotifier(const std::shared_ptr<ActionState>& state);
}  // namespace detail

inline constexpr const char* kBusyText = "正在与设备通信…";

class PageAction : public QObject {
  Q_OBJECT
 public:
  // `page`: where the busy state shows; `target`: the window's notifier.
  PageAction(QWidget* page, Notifier& target);
  ~PageAction() override;

  // Buttons that start exchanges: disabled while one runs, then as they were.
  void addButton(QWidget* button);
  bool busy() const { return busy_; }
  // Actions running in the program (tests wait for none).
  static int Running();

  // work(Notifier&) -> R runs on a worker; done(R) then runs on the window's thread.
  template <class Work, class Done>
  void run(Work work, Done done) {
    using R = std::invoke_result_t<Work&, Notifier&>;
    if (busy_) return;  // one exchange at a time per page
    begin();
    auto state = state_;
    detail::StartWorker([state, work = std::move(work), done = std::move(done)]() mutable {
      auto notifier = detail::MakeRelayNotifier(state);
      auto result = std::make_shared<R>(work(*notifier));
      detail::PostToWindow(state, [state, result, done]() mutable {
        finish(state);
        done(std::move(*result));
      });
    });
  }

 signals:
  void finished();

 private:
  void begin();
  void end();
  static void finish(const std::shared_ptr<detail::ActionState>& state);

  QPointer<QWidget> page_;
  std::shared_ptr<detail::ActionState> state_;
  std::vector<QPointer<QWidget>> buttons_;
  std::vector<bool> wasEnabled_;
  QLabel* busyLabel_ = nullptr;
  bool busy_ = false;
};

}  // namespace tav

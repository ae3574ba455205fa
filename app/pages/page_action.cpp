#include "pages/page_action.h"

#include <QCoreApplication>
#include <QLabel>
#include <QThreadPool>
#include <QWidget>
#include <condition_variable>
#include <mutex>
#include <string>

namespace tav {
namespace detail {

struct ActionState {
  std::mutex mutex;
  std::condition_variable changed;
  bool closed = false;          // the owner has gone; read and written under mutex
  Notifier* target = nullptr;   // used on the window's thread only, while not closed
  PageAction* owner = nullptr;  // likewise
};

void StartWorker(std::function<void()> task) {
  QThreadPool* pool = QThreadPool::globalInstance();
  // Silent boards hold a worker for their whole time-out; a few may wait at once.
  if (pool->maxThreadCount() < 8) pool->setMaxThreadCount(8);
  pool->start(std::move(task));
}

void PostToWindow(const std::shared_ptr<ActionState>& state, std::function<void()> task) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app,
      [state, task = std::move(task)] {
        {
          std::lock_guard lock(state->mutex);
          if (state->closed) return;
        }
        task();
      },
      Qt::QueuedConnection);
}

namespace {

// Forwards to the window's notifier on the window's thread. A message or question waits for
// the user (or for the page to go), as the same call on the window's thread would.
class RelayNotifier final : public Notifier {
 public:
  explicit RelayNotifier(std::shared_ptr<ActionState> state) : state_(std::move(state)) {}

  void message(std::string_view text, NoticeIcon icon) override {
    waitFor([text = std::string(text), icon](Notifier& n) {
      n.message(text, icon);
      return true;
    });
  }
  bool ask(std::string_view text) override {
    return waitFor([text = std::string(text)](Notifier& n) { return n.ask(text); });
  }
  bool question(const Question& q) override {
    return waitFor([text = std::string(q.text), caption = std::string(q.caption),
                    buttons = q.buttons](Notifier& n) {
      return n.question({text, caption, buttons});
    });
  }
  void log(std::string_view text) override {
    PostToWindow(state_, [state = state_, text = std::string(text)] { state->target->log(text); });
  }

 private:
  bool waitFor(std::function<bool(Notifier&)> call) {
    struct Reply {
      bool done = false;
      bool value = false;
    };
    auto reply = std::make_shared<Reply>();
    PostToWindow(state_, [state = state_, reply, call = std::move(call)] {
      bool value = call(*state->target);
      std::lock_guard lock(state->mutex);
      reply->value = value;
      reply->done = true;
      state->changed.notify_all();
    });
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return reply->done || state_->closed; });
    return reply->done && reply->value;
  }

  std::shared_ptr<ActionState> state_;
};

}  // namespace

std::unique_ptr<Notifier> MakeRelayNotifier(const std::shared_ptr<ActionState>& state) {
  return std::make_unique<RelayNotifier>(state);
}

}  // namespace detail

PageAction::PageAction(QWidget* page, Notifier& target)
    : QObject(page), page_(page), state_(std::make_shared<detail::ActionState>()) {
  state_->target = &target;
  state_->owner = this;
}

namespace {
int running = 0;  // touched on the window's thread only
}  // namespace

int PageAction::Running() {
  return running;
}

PageAction::~PageAction() {
  if (busy_) --running;
  std::lock_guard lock(state_->mutex);
  state_->closed = true;
  state_->changed.notify_all();
}

void PageAction::addButton(QWidget* button) {
  buttons_.emplace_back(button);
}

void PageAction::begin() {
  busy_ = true;
  ++running;
  wasEnabled_.clear();
  for (const auto& b : buttons_) {
    wasEnabled_.push_back(b && b->isEnabled());
    if (b) b->setEnabled(false);
  }
  if (!page_) return;
  page_->setCursor(Qt::WaitCursor);
  if (!busyLabel_) {
    busyLabel_ = new QLabel(QString::fromUtf8(kBusyText), page_);
    busyLabel_->setObjectName(QStringLiteral("busyState"));
  }
  busyLabel_->adjustSize();
  busyLabel_->move(8, std::max(0, page_->height() - busyLabel_->height() - 8));
  busyLabel_->raise();
  busyLabel_->show();
}

void PageAction::end() {
  busy_ = false;
  --running;
  for (std::size_t i = 0; i < buttons_.size() && i < wasEnabled_.size(); ++i)
    if (buttons_[i]) buttons_[i]->setEnabled(wasEnabled_[i]);
  if (page_) page_->unsetCursor();
  if (busyLabel_) busyLabel_->hide();
}

void PageAction::finish(const std::shared_ptr<detail::ActionState>& state) {
  PageAction* owner = state->owner;
  owner->end();
  emit owner->finished();
}

}  // namespace tav

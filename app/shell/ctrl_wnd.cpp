#include "shell/ctrl_wnd.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>

#include "device/board.h"
#include "pages/page_factory.h"
#include "pages/page_host.h"
#include "resources/string_table.h"
#include "shell/device_tree.h"

namespace {

// A divider that takes no mouse input: presses, moves and double-clicks do nothing.
class FixedHandle : public QSplitterHandle {
 public:
  using QSplitterHandle::QSplitterHandle;

 protected:
  void mousePressEvent(QMouseEvent*) override {}
  void mouseMoveEvent(QMouseEvent*) override {}
  void mouseReleaseEvent(QMouseEvent*) override {}
  void mouseDoubleClickEvent(QMouseEvent*) override {}
};

}  // namespace

CMySplitterWnd::CMySplitterWnd(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
  setChildrenCollapsible(false);
}

void CMySplitterWnd::showRightPane(QWidget* current, QWidget* page) {
  if (current) {
    replaceWidget(1, page);
    delete current;
  } else {
    addWidget(page);
  }
  page->show();
}

void CMySplitterWnd::splitAtQuarter() {
  const int w = width();
  setSizes({w / 4, w - w / 4});
}

QSplitterHandle* CMySplitterWnd::createHandle() {
  auto* handle = new FixedHandle(orientation(), this);
  handle->setCursor(Qt::ArrowCursor);
  return handle;
}

void SetUpFunctionTree(QTreeWidget* tree, const QString& objectName,
                       const QString& accessibleName) {
  tree->setObjectName(objectName);
  tree->setAccessibleName(accessibleName);
  tree->setHeaderHidden(true);
  tree->setRootIsDecorated(true);
  tree->setColumnCount(1);
  // White as the boards' tool shows it; the text is set too, so a dark theme stays readable.
  QPalette white = tree->palette();
  white.setColor(QPalette::Base, Qt::white);
  white.setColor(QPalette::Text, Qt::black);
  tree->setPalette(white);
}

CLeftView::CLeftView(int deviceType, QWidget* parent) : QTreeWidget(parent) {
  SetUpFunctionTree(this, QStringLiteral("CLeftView"), tr("功能列表"));
  for (const tav::TreeNode& group : tav::BuildDeviceTree(deviceType)) {
    auto* g = new QTreeWidgetItem(this, {QString::fromUtf8(tav::str(group.stringId))});
    g->setData(0, Qt::UserRole, group.code);
    for (const tav::TreeNode& page : group.children) {
      auto* item = new QTreeWidgetItem(g, {QString::fromUtf8(tav::str(page.stringId))});
      item->setData(0, Qt::UserRole, page.code);
    }
  }
  expandAll();
  // No current item yet, and none chosen on focus: the first page appears on the user's click.
  setCurrentIndex(QModelIndex());
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    if (current) emit pageChosen(current->data(0, Qt::UserRole).toInt());
  });
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { emit pageChosen(item->data(0, Qt::UserRole).toInt()); });
}

QTreeWidgetItem* CLeftView::ItemForCode(int code) const {
  for (QTreeWidgetItemIterator it(const_cast<CLeftView*>(this)); *it; ++it)
    if ((*it)->data(0, Qt::UserRole).toInt() == code) return *it;
  return nullptr;
}

CCtrlWnd::CCtrlWnd(tav::PageHost& host, bool openStatistics)
    : QWidget(nullptr, Qt::Window), host_(host) {
  setObjectName(QStringLiteral("CCtrlWnd"));
  setAttribute(Qt::WA_DeleteOnClose);
  const CBoard* board = host_.CurrentBoard();
  const int type = board ? board->deviceType() : 0;

  splitter_ = new CMySplitterWnd(this);
  tree_ = new CLeftView(type, splitter_);
  splitter_->addWidget(tree_);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);
  connect(tree_, &CLeftView::pageChosen, this, &CCtrlWnd::ShowPage);

  // The detection page asks for the statistics page; otherwise the window opens blank.
  ShowView(openStatistics ? 13 : tav::kViewBlank);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 3);
}

void CCtrlWnd::ShowPage(int code) {
  const CBoard* board = host_.CurrentBoard();
  ShowView(tav::PageViewForCode(code, board ? board->deviceType() : 0));
}

void CCtrlWnd::ShowView(int view) {
  // The factory gives the blank page CRightView12 for a view without a page of its own. The
  // page is born outside the splitter, which takes it in below.
  QWidget* page = tav::CreateRightView(view, host_, this);
  splitter_->showRightPane(page_, page);
  page_ = page;
  view_ = view;
}

void CCtrlWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  splitter_->splitAtQuarter();
}

void CCtrlWnd::closeEvent(QCloseEvent* event) {
  emit closed();
  QWidget::closeEvent(event);
}

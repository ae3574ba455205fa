#pragma once
// The single-board settings window: the function tree on the left, one page at a time on the
// right.

#include <QSplitter>
#include <QTreeWidget>
#include <QWidget>

namespace tav {
class PageHost;
}

// CMySplitterWnd: a splitter whose divider cannot be moved.
class CMySplitterWnd : public QSplitter {
  Q_OBJECT
 public:
  explicit CMySplitterWnd(QWidget* parent);
  // Puts `page` in the right pane and shows it; the page it replaces (if any) is deleted.
  void showRightPane(QWidget* current, QWidget* page);
  // The left pane a quarter of the width, the right pane the rest.
  void splitAtQuarter();

 protected:
  QSplitterHandle* createHandle() override;
};

// The look both function trees share: no header, one column, black on white in any theme.
void SetUpFunctionTree(QTreeWidget* tree, const QString& objectName, const QString& accessibleName);

// CLeftView: the function tree of the current board; each item carries its page code.
class CLeftView : public QTreeWidget {
  Q_OBJECT
 public:
  CLeftView(int deviceType, QWidget* parent);
  // The item with the code; null when the board's tree has none.
  QTreeWidgetItem* ItemForCode(int code) const;

 signals:
  void pageChosen(int code);
};

// CCtrlWnd: the single-board window over the main window's current board.
class CCtrlWnd : public QWidget {
  Q_OBJECT
 public:
  // openStatistics: start on the encoded-stream statistics page instead of the blank page.
  CCtrlWnd(tav::PageHost& host, bool openStatistics);

  // Replaces the right page with the page of a tree code; the old page is destroyed.
  void ShowPage(int code);
  int CurrentView() const { return view_; }
  QWidget* CurrentPage() const { return page_; }
  CLeftView* Tree() const { return tree_; }

 signals:
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowView(int view);

  tav::PageHost& host_;
  CMySplitterWnd* splitter_ = nullptr;
  CLeftView* tree_ = nullptr;
  QWidget* page_ = nullptr;
  int view_ = -1;
};

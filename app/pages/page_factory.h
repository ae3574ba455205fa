#pragma once
// Creates the right-hand page of the single-board window for a page number (the N of
// CRightViewN). Returns nullptr for a page that does not exist yet; the window then shows the
// blank page.

class QWidget;

namespace tav {

class PageHost;

QWidget* CreateRightView(int view, PageHost& host, QWidget* parent);

}  // namespace tav

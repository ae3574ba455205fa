#pragma once
// Creates the right-hand page of the single-board window for a page number (the N of
// CRightViewN). A number without a page of its own gives the blank page CRightView12; never
// null.

class QWidget;

namespace tav {

class PageHost;

QWidget* CreateRightView(int view, PageHost& host, QWidget* parent);

}  // namespace tav

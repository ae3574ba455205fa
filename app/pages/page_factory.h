#pragma once
// Creates the right-hand page of the single-board window for a view number (the N of
// CRightViewN). A view of the page table whose page is not built yet gives the page that says
// so; any other number without a page gives the blank page CRightView12. Never null.

#include <span>

class QWidget;

namespace tav {

class PageHost;

using PageCreator = QWidget* (*)(PageHost& host, QWidget* parent);

struct PageCreatorRow {
  int view;
  PageCreator create;  // null: not built yet
};

// One entry per view of the page table (shell/page_table.h), in its order.
std::span<const PageCreatorRow> PageCreators();

QWidget* CreateRightView(int view, PageHost& host, QWidget* parent);

}  // namespace tav

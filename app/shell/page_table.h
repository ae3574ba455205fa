#pragma once
// The one table of the single-board window's pages. Each row says which tree code opens the
// page, which view number it is (the N of CRightViewN, or a number of its own), its tree label,
// its group, which device types get a tree item for it, and which device types its controls
// serve. BuildDeviceTree, PageViewForCode, PageApplies and the page factory all read it; adding
// a page means filling in its row here and its creator in pages/page_factory.cpp. No Qt.

#include <span>

#include "shell/device_tree.h"

namespace tav {

using TypeRule = bool (*)(int deviceType);

struct PageRow {
  int code;               // tree code (item data)
  int encoderView;        // view for an encoder-kind board
  int decoderView;        // view for a decoder-kind board (most pages: the same)
  int labelId;            // tree label in the string table
  int group;              // group code (kCodeParameters, kCodeAdvanced, ...)
  TypeRule inTree;        // device types that get a tree item; null: never in the tree
  TypeRule serves;        // device types the page's controls serve (others: controls disabled)
  const char* className;  // the page's class (for readers, logs and the not-built page)
  // A second label for some device types ("SPI调试" in place of "i2c调试").
  int altLabelId = 0;
  TypeRule altLabelFor = nullptr;
};

struct GroupRow {
  int code;
  int labelId;
};

// Rows in tree order: a group's items appear in the order of their rows.
std::span<const PageRow> PageTable();
std::span<const GroupRow> PageGroups();

// The row of a tree code; null for groups and unknown codes.
const PageRow* FindPageRow(int code);
// The row a view number belongs to; null for the blank page and unknown views.
const PageRow* FindPageRowByView(int view);
// The label a board of `deviceType` shows for the row.
int PageLabel(const PageRow& row, int deviceType);
// True when the row's page serves a board of `deviceType` (its controls are enabled).
bool PageServes(int code, int deviceType);

}  // namespace tav

#pragma once
// Sorting and filtering the device list's rows: pure functions over the boards and the row
// texts, so the window (whatever widget shows the rows) only applies the result.

#include <string>
#include <string_view>
#include <vector>

class CBoardCtrl;

namespace tav {

// Text order with digit runs compared as numbers ("编码2" before "编码10", "K3.9" before
// "K3.12"); otherwise byte order of the UTF-8 text, ASCII letters without case.
bool NaturalLess(std::string_view a, std::string_view b);

// The board indices of `rows` ordered by a column of the list: column 0 by the contact
// address as a number (first octet first), column 2 by the MAC's bytes, the others by their
// text in natural order. Equal keys keep their order in `rows`; `descending` reverses the
// order of the keys only.
std::vector<int> SortedRows(const CBoardCtrl& boards, std::vector<int> rows, int column,
                            bool descending);

// True when any of the row's five texts holds `filter` (ASCII letters without case; blanks
// around the filter ignored). An empty filter matches every row.
bool RowMatches(const CBoardCtrl& boards, int boardIndex, std::string_view filter);

}  // namespace tav

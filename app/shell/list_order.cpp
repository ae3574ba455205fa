#include "shell/list_order.h"

#include <algorithm>
#include <array>

#include "device/board_list.h"
#include "shell/device_row.h"

namespace tav {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Fold(char c) {
  return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Fold(c);
  return out;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The address as a number whose order is the dotted order (first octet most significant).
std::uint32_t AddressKey(std::uint32_t wire) {
  return (wire & 0xff) << 24 | (wire >> 8 & 0xff) << 16 | (wire >> 16 & 0xff) << 8 | wire >> 24;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && IsDigit(a[ei])) ++ei;
      while (ej < b.size() && IsDigit(b[ej])) ++ej;
      std::string_view na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
      while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
      while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ei;
      j = ej;
      continue;
    }
    const auto ca = static_cast<unsigned char>(Fold(a[i]));
    const auto cb = static_cast<unsigned char>(Fold(b[j]));
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

std::vector<int> SortedRows(const CBoardCtrl& boards, std::vector<int> rows, int column,
                            bool descending) {
  auto less = [&](int x, int y) {
    const CBoard& a = boards.At(x);
    const CBoard& b = boards.At(y);
    if (column == 0) return AddressKey(a.ContactAddress()) < AddressKey(b.ContactAddress());
    if (column == 2) return a.mac() < b.mac();
    const std::size_t c = std::size_t(std::clamp(column, 0, 4));
    return NaturalLess(DeviceRowTexts(a)[c], DeviceRowTexts(b)[c]);
  };
  if (descending)
    std::stable_sort(rows.begin(), rows.end(), [&](int x, int y) { return less(y, x); });
  else
    std::stable_sort(rows.begin(), rows.end(), less);
  return rows;
}

bool RowMatches(const CBoardCtrl& boards, int boardIndex, std::string_view filter) {
  filter = Trimmed(filter);
  if (filter.empty()) return true;
  const std::string wanted = Folded(filter);
  for (const std::string& text : DeviceRowTexts(boards.At(boardIndex)))
    if (Folded(text).find(wanted) != std::string::npos) return true;
  return false;
}

}  // namespace tav

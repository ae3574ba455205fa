// What tavctl takes from its user and prints of a board: a record as hex text, a board address
// argument, the JSON and the terminal columns of a status block whatever its bytes.
//
// Input: [mode] then the bytes. Mode % 4: 0 hex record text, 1 board address, 2 status block
// (JSON of the board), 3 column cells separated by '\n' (rows) and '\t' (cells).

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ctl_support.h"
#include "device/board.h"
#include "fuzz_check.h"
#include "shell/device_row.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void FuzzHex(std::string_view text) {
  auto bytes = tav::ctl::ParseHex(text);
  if (!bytes) return;
  auto digits = std::count_if(text.begin(), text.end(), [](char c) { return !IsBlank(c); });
  FUZZ_CHECK(std::size_t(digits) == 2 * bytes->size());
  std::string hex = tav::ctl::HexText(*bytes);
  FUZZ_CHECK(tav::ctl::ParseHex(hex) == bytes);
}

void FuzzAddress(std::string_view text) {
  std::ostringstream err;
  auto address = tav::ctl::BoardAddress(text, err);
  FUZZ_CHECK(address.has_value() == err.str().empty());
  if (address) FUZZ_CHECK(*address != 0 && *address != 0xffffffffu);
}

void FuzzBoardJson(std::string_view bytes) {
  CBoard board(qor::Bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  std::string text = tav::ctl::JsonText(tav::ctl::BoardJson(board));
  FUZZ_CHECK(fuzz::IsValidUtf8(text));
  FUZZ_CHECK(nlohmann::json::accept(text));
  auto row = tav::DeviceRowTexts(board);
  std::ostringstream out;
  tav::ctl::PrintColumns(out, {{row.begin(), row.end()}});
  FUZZ_CHECK(fuzz::IsValidUtf8(out.str()));
}

void FuzzColumns(std::string_view text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string cell;
  for (char c : text) {
    if (c == '\t' || c == '\n') {
      rows.back().push_back(cell);
      cell.clear();
      if (c == '\n') rows.emplace_back();
    } else {
      cell += c;
    }
  }
  rows.back().push_back(cell);
  std::ostringstream out;
  tav::ctl::PrintColumns(out, rows);
  // One line per row, and no control byte of a cell reaches the terminal.
  std::string printed = out.str();
  FUZZ_CHECK(std::size_t(std::count(printed.begin(), printed.end(), '\n')) == rows.size());
  FUZZ_CHECK(std::none_of(printed.begin(), printed.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return (b < 0x20 && c != '\n') || b == 0x7f;
  }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0:
      FuzzHex(rest);
      break;
    case 1:
      FuzzAddress(rest);
      break;
    case 2:
      FuzzBoardJson(rest);
      break;
    case 3:
      FuzzColumns(rest);
      break;
  }
  return 0;
}

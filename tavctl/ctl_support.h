#pragma once
// Pieces every tavctl command shares: board addresses from the command line, result codes as
// exit statuses and words, hex records, terminal columns and the JSON of a board.

#include <cstdint>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/board.h"
#include "le_bytes.h"
#include "shell/list_export.h"

class CBoard;

namespace tav::ctl {

using Json = tav::ListJson;

// A board's address as given on the command line; complains on err and gives nothing unless it
// is a dotted quad other than 0.0.0.0 and 255.255.255.255.
std::optional<std::uint32_t> BoardAddress(std::string_view text, std::ostream& err);

// Reads the board's status block (type 256): 0, or the exit status once the failure is
// reported on err.
int RefreshStatusOrReport(CBoard& board, std::ostream& err);

// The exit status for a result of DEVICE_GetConfig / DEVICE_SetConfig.
int ExitForConfigResult(int result);
// "tavctl: 10.77.0.20: <what> failed: result 15 (send or receive failed or timed out)".
void ReportConfigFailure(std::ostream& err, std::string_view address, std::string_view what,
                         int result);

std::string HexText(qor::Bytes bytes);
// Hex digits, blanks between them ignored; nothing for an odd count or any other character.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

// Terminal columns a UTF-8 text takes: East Asian wide characters take two.
std::size_t DisplayWidth(std::string_view utf8);
// Rows of cells, each column padded to its widest cell, two blanks between columns; the last
// column is not padded.
void PrintColumns(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

// A board's text made safe for a terminal: C0 and C1 control characters and DEL become '?'
// (line feeds stay when keepLineFeeds), so no escape sequence of the board's reaches the
// terminal. Input and output UTF-8.
std::string PrintableText(std::string_view utf8, bool keepLineFeeds);

// Every raw field of a board's status block, and JSON text that stays valid UTF-8: the same
// as Tavmon's list export.
using tav::BoardJson;
using tav::JsonText;

}  // namespace tav::ctl

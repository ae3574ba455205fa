#pragma once
// The device list as a file: CSV for spreadsheets and the JSON document of `tavctl search
// --json`. Both hold the five texts of the list and the raw fields behind them.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

class CBoard;
class CBoardCtrl;

namespace tav {

using ListJson = nlohmann::ordered_json;

enum class ListFormat { Csv, Json };

// Every raw field of a board's status block and the texts the list shows for them.
ListJson BoardJson(const CBoard& board);
// {"count", "conflicts", "conflictList", "links", "boards": [BoardJson...]} over the boards at
// `rows`, in that order; the conflicts are those of the whole list.
// [{"kind", "shared", "boards": [{"address", "name"}...], "line"}...]: the list's conflicts.
ListJson ConflictsJson(const CBoardCtrl& boards);
ListJson DeviceListJson(const CBoardCtrl& boards, const std::vector<int>& rows);
// JSON text that is valid UTF-8 whatever a board sent.
std::string JsonText(const ListJson& json);

// Names of the raw-field columns that follow the list's five columns in the CSV.
const std::vector<std::string_view>& CsvRawFieldNames();
// One CSV cell: quoted when it holds a comma, quote, line break or edge blank. A cell that a
// spreadsheet would run as a formula (leading = + - @ tab or CR) gets a leading apostrophe.
std::string CsvCell(std::string_view text);
// UTF-8 with a byte-order mark, CRLF lines: the list's headers and raw-field names, then one
// line per board at `rows`.
std::string DeviceListCsv(const CBoardCtrl& boards, const std::vector<int>& rows);

// JSON for a path ending in ".json" (any case), CSV otherwise.
ListFormat ListFormatForPath(std::string_view path);
// The whole file: CSV, or the JSON text with a final line feed.
std::string DeviceListFile(const CBoardCtrl& boards, const std::vector<int>& rows,
                           ListFormat format);
// Writes `bytes` to `path` (replacing it); false with a reason in `error` when that fails.
bool WriteListFile(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace tav

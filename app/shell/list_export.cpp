#include "shell/list_export.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "device/board.h"
#include "detect/detection.h"
#include "device/board_list.h"
#include "resources/string_table.h"
#include "shell/device_row.h"
#include "wire.h"

namespace tav {
namespace {

ListJson AddressPortMode(std::uint32_t address, unsigned port, int mode) {
  return ListJson{{"address", qor::ipText(address)}, {"port", port}, {"mode", mode}};
}

std::string Pair(int major, int minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

ListJson BoardJson(const CBoard& board) {
  ListJson j;
  j["address"] = board.AddressText();
  j["sourceAddress"] = qor::ipText(board.sourceAddress());
  j["ip"] = qor::ipText(board.ip());
  j["mask"] = qor::ipText(board.mask());
  j["gateway"] = qor::ipText(board.gateway());
  j["mac"] = board.MacText();
  j["name"] = board.Name();
  j["type"] = board.deviceType();
  j["typeName"] = board.TypeName();
  j["encoder"] = board.IsEncoder();
  j["versions"] = ListJson{{"k", {board.versionKMajor(), board.versionKMinor()}},
                           {"a", {board.versionAMajor(), board.versionAMinor()}},
                           {"baseband", {int(board.basebandMajor()), int(board.basebandMinor())}}};
  j["versionText"] = board.VersionText();
  j["basebandText"] = board.BasebandText();
  j["send"] = AddressPortMode(board.sendAddress(), board.sendPort(), board.sendMode());
  j["receive"] = AddressPortMode(board.receiveAddress(), board.receivePort(), board.receiveMode());
  j["transportName"] = board.TransportName();
  j["streamAddress"] = board.StreamAddressText();
  j["video"] = ListJson{{"mode", board.videoMode()},
                        {"width", board.videoWidth()},
                        {"height", board.videoHeight()},
                        {"name", board.VideoModeName()}};
  return j;
}

ListJson ConflictsJson(const CBoardCtrl& boards) {
  ListJson list = ListJson::array();
  for (const BoardConflict& c : boards.Conflicts()) {
    ListJson members = ListJson::array();
    for (int i : c.boards)
      members.push_back({{"address", boards.At(i).AddressText()}, {"name", boards.At(i).Name()}});
    list.push_back({{"kind", ConflictKey(c.kind)},
                    {"shared", c.shared},
                    {"boards", std::move(members)},
                    {"line", ConflictLine(boards, c)}});
  }
  return list;
}

ListJson DeviceListJson(const CBoardCtrl& boards, const std::vector<int>& rows) {
  ListJson list = ListJson::array();
  for (int index : rows) list.push_back(BoardJson(boards.At(index)));
  return ListJson{{"count", rows.size()},
                  {"conflicts", boards.HasConflicts()},
                  {"conflictList", ConflictsJson(boards)},
                  {"links", LinkFindings(boards)},
                  {"boards", std::move(list)}};
}

std::string JsonText(const ListJson& json) {
  return json.dump(2, ' ', false, ListJson::error_handler_t::replace);
}

const std::vector<std::string_view>& CsvRawFieldNames() {
  static const std::vector<std::string_view> names{
      "type",     "versionK", "versionA",       "baseband",    "sendAddress",
      "sendPort", "sendMode", "receiveAddress", "receivePort", "receiveMode",
      "ip",       "mask",     "gateway"};
  return names;
}

std::string CsvCell(std::string_view text) {
  std::string cell(text);
  if (!cell.empty() && std::strchr("=+-@\t\r", cell.front())) cell.insert(0, 1, '\'');
  const bool quote = cell.find_first_of(",\"\r\n") != std::string::npos ||
                     (!cell.empty() && (cell.front() == ' ' || cell.back() == ' '));
  if (!quote) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string DeviceListCsv(const CBoardCtrl& boards, const std::vector<int>& rows) {
  std::string csv = "\xEF\xBB\xBF";
  auto addLine = [&csv](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i) csv += ',';
      csv += CsvCell(cells[i]);
    }
    csv += "\r\n";
  };
  std::vector<std::string> header;
  for (int id : kDeviceListHeaders) header.emplace_back(str(id));
  for (auto name : CsvRawFieldNames()) header.emplace_back(name);
  addLine(header);
  for (int index : rows) {
    const CBoard& b = boards.At(index);
    const auto texts = DeviceRowTexts(b);
    std::vector<std::string> cells(texts.begin(), texts.end());
    cells.push_back(std::to_string(b.deviceType()));
    cells.push_back(Pair(b.versionKMajor(), b.versionKMinor()));
    cells.push_back(Pair(b.versionAMajor(), b.versionAMinor()));
    cells.push_back(Pair(b.basebandMajor(), b.basebandMinor()));
    cells.push_back(qor::ipText(b.sendAddress()));
    cells.push_back(std::to_string(b.sendPort()));
    cells.push_back(std::to_string(b.sendMode()));
    cells.push_back(qor::ipText(b.receiveAddress()));
    cells.push_back(std::to_string(b.receivePort()));
    cells.push_back(std::to_string(b.receiveMode()));
    cells.push_back(qor::ipText(b.ip()));
    cells.push_back(qor::ipText(b.mask()));
    cells.push_back(qor::ipText(b.gateway()));
    addLine(cells);
  }
  return csv;
}

ListFormat ListFormatForPath(std::string_view path) {
  if (path.size() < 5) return ListFormat::Csv;
  std::string end(path.substr(path.size() - 5));
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return end == ".json" ? ListFormat::Json : ListFormat::Csv;
}

std::string DeviceListFile(const CBoardCtrl& boards, const std::vector<int>& rows,
                           ListFormat format) {
  if (format == ListFormat::Json) return JsonText(DeviceListJson(boards, rows)) + "\n";
  return DeviceListCsv(boards, rows);
}

bool WriteListFile(const std::string& path, std::string_view bytes, std::string& error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(bytes.data(), std::streamsize(bytes.size()));
  if (file) file.close();
  if (!file) {
    error = std::strerror(errno ? errno : EIO);
    return false;
  }
  return true;
}

}  // namespace tav

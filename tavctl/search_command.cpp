// search: Tavmon's device search, printed as its device list (or as JSON).

#include <algorithm>
#include <ostream>

#include "capture_notifier.h"
#include "commands.h"
#include "ctl_support.h"
#include "detect/detection.h"
#include "device/board_list.h"
#include "platform/adapters.h"
#include "resources/string_table.h"
#include "shell/device_row.h"
#include "shell/device_search.h"
#include "shell/list_export.h"
#include "shell/shell_info.h"
#include "wire.h"

namespace tav::ctl {

int Search(const SearchOptions& options, std::ostream& out, std::ostream& err) {
  constexpr int kLongestWaitMs = 600000;
  if (options.waitMs < 0 || options.waitMs > kLongestWaitMs) {
    err << "tavctl: --wait takes 0 to " << kLongestWaitMs << " ms\n";
    return kExitBadArguments;
  }
  const auto adapters = platform::listAdapters();
  if (!options.adapter.empty()) {
    std::uint32_t chosen = 0;
    if (!qor::parseIp(options.adapter, chosen) || !platform::adapterWithAddress(adapters, chosen)) {
      err << "tavctl: no adapter of this PC holds the address '" << options.adapter
          << "'; adapters:\n";
      for (const auto& a : platform::boardAdapters(adapters)) err << "  " << a.description << "\n";
      return kExitBadArguments;
    }
  } else if (int n = CountSearchAdapters(adapters); n > 1) {
    err << "tavctl: this PC has " << n
        << " adapters; choose the one the boards are on with --adapter\n";
  }

  CBoardCtrl boards;
  CaptureNotifier notes;
  DeviceSearch search(boards, notes);
  search.linkDiagnosis = RunLinkDiagnosis;
  search.RunBlocking(ChooseListenTarget(adapters, options.adapter),
                     std::chrono::milliseconds(options.waitMs));

  // The list prints itself; "发起设备搜索。" only tells a log reader when the list was asked for.
  // Warnings about the search itself (port 5007 taken, the question not sent, the adapter, the
  // row cap, a small receive buffer) are diagnostics: stderr, so stdout stays the list.
  std::vector<std::string> after;
  for (const auto& line : notes.lines) {
    if (line.text == str(kStrSearchStarted)) continue;
    const bool diagnostic = std::ranges::find(search.Diagnostics(), line.text) !=
                            search.Diagnostics().end();
    if (diagnostic)
      err << "tavctl: " << PrintableText(TerminalLine(line.text), true) << "\n";
    else
      after.push_back(TerminalLine(line.text));
  }

  if (options.json || options.csv) {
    const auto format = options.json ? ListFormat::Json : ListFormat::Csv;
    out << DeviceListFile(boards, search.Rows(), format);
    for (const auto& text : after) err << text << "\n";
  } else {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (int id : kDeviceListHeaders) header.emplace_back(str(id));
    rows.push_back(std::move(header));
    for (int index : search.Rows()) {
      auto texts = DeviceRowTexts(boards.At(index));
      rows.emplace_back(texts.begin(), texts.end());
    }
    PrintColumns(out, rows);
    for (const auto& text : after) out << text << "\n";
  }
  return boards.Count() > 0 ? kExitOk : kExitNoAnswer;
}

}  // namespace tav::ctl

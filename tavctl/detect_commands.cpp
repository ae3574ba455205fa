// Data detection from a terminal: the link diagnosis after a search, stream counters of
// encoders (one by one or every eligible encoder as lines), and a decoder's detectable encoders.

#include <chrono>
#include <ostream>
#include <thread>

#include "capture_notifier.h"
#include "commands.h"
#include "ctl_support.h"
#include "detect/detection.h"
#include "detect/detection_views.h"
#include "device/board_list.h"
#include "platform/adapters.h"
#include "resources/string_table.h"
#include "shell/device_search.h"
#include "wire.h"

namespace tav::ctl {

namespace {

// Board text for a terminal: control characters shown as '?'.
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

// A quiet search into `boards`; false (with the complaint on err) for bad options.
bool QuietSearch(const std::string& adapter, int waitMs, CBoardCtrl& boards, std::ostream& err) {
  constexpr int kLongestWaitMs = 600000;
  if (waitMs < 0 || waitMs > kLongestWaitMs) {
    err << "tavctl: --wait takes 0 to " << kLongestWaitMs << " ms\n";
    return false;
  }
  const auto adapters = platform::listAdapters();
  if (!adapter.empty()) {
    std::uint32_t chosen = 0;
    if (!qor::parseIp(adapter, chosen) || !platform::adapterWithAddress(adapters, chosen)) {
      err << "tavctl: no adapter of this PC holds the address '" << adapter << "'\n";
      return false;
    }
  }
  SilentNotifier quiet;
  DeviceSearch search(boards, quiet);
  search.RunBlocking(ChooseListenTarget(adapters, adapter), std::chrono::milliseconds(waitMs));
  return true;
}

struct Sample {
  int line;  // 1-based
  std::string address;
  StreamRates rates;
};

void PrintSamples(std::ostream& out, int second, const std::vector<Sample>& samples, bool json) {
  if (json) {
    Json lines = Json::array();
    for (const auto& s : samples)
      lines.push_back({{"line", s.line},
                       {"address", s.address},
                       {"total", s.rates.total},
                       {"video", s.rates.video},
                       {"audio", s.rates.audio}});
    // One line per second (JSON Lines).
    out << Json{{"second", second}, {"unit", "kbit/s"}, {"lines", std::move(lines)}}.dump(
               -1, ' ', false, Json::error_handler_t::replace)
        << std::endl;
    return;
  }
  std::vector<std::vector<std::string>> rows;
  rows.push_back({std::to_string(second) + "s", str(kStrColumnLine), str(kStrIpAddress),
                  str(kStrTotalBitRate), str(kStrVideoBitRate), str(kStrAudioBitRate)});
  for (const auto& s : samples)
    rows.push_back({"", "#" + std::to_string(s.line), s.address, std::to_string(s.rates.total),
                    std::to_string(s.rates.video), std::to_string(s.rates.audio)});
  PrintColumns(out, rows);
  out.flush();
}

}  // namespace

int Diagnose(const DiagnoseOptions& options, std::ostream& out, std::ostream& err) {
  CBoardCtrl boards;
  if (!QuietSearch(options.adapter, options.waitMs, boards, err)) return kExitBadArguments;
  const auto findings = LinkFindings(boards);
  if (options.json) {
    out << JsonText(Json{{"count", boards.Count()}, {"links", findings}}) << "\n";
  } else {
    for (const auto& line : findings) out << line << "\n";
    out << "搜索到" << boards.Count() << "个设备。\n";
  }
  return boards.Count() > 0 ? kExitOk : kExitNoAnswer;
}

int Detect(const DetectOptions& options, std::ostream& out, std::ostream& err) {
  if (options.seconds < 1 || options.seconds > 86400) {
    err << "tavctl: --seconds takes 1 to 86400\n";
    return kExitBadArguments;
  }
  if (options.all == !options.addresses.empty()) {
    err << "tavctl: give the encoders' addresses or --all\n";
    return kExitBadArguments;
  }
  const auto pause = [] { std::this_thread::sleep_for(std::chrono::seconds(1)); };

  if (options.all) {
    CBoardCtrl boards;
    if (!QuietSearch(options.adapter, options.waitMs, boards, err)) return kExitBadArguments;
    if (boards.Count() == 0) {
      err << "tavctl: no board answered the search\n";
      return kExitNoAnswer;
    }
    const int lines = boards.StartAllDetection();
    if (lines < 0) {
      err << "tavctl: " << TerminalLine(AllLinesStartMessage(lines)) << "\n";
      return lines == kLinesNoEncoder ? kExitNoAnswer : kExitExchangeFailed;
    }
    for (int second = 1; second <= options.seconds; ++second) {
      pause();
      std::vector<Sample> samples;
      for (int i = 0; i < lines; ++i) {
        Sample s{i + 1, {}, {}};
        if (boards.GetLineStatistics(i, s.address, s.rates.total, s.rates.video, s.rates.audio) !=
            0) {
          err << "tavctl: " << str(kStrStatisticsReadFailed) << "\n";
          boards.StopAllDetection();
          return kExitInternal;
        }
        samples.push_back(std::move(s));
      }
      PrintSamples(out, second, samples, options.json);
    }
    if (boards.StopAllDetection() != 0) {
      err << "tavctl: " << str(kStrDetectionStopFailed) << "\n";
      return kExitInternal;
    }
    return kExitOk;
  }

  // Each address is read (type 256) so the engine knows it is an encoder, then started.
  std::vector<CBoard> boards;
  for (const auto& text : options.addresses) {
    auto contact = BoardAddress(text, err);
    if (!contact) return kExitBadArguments;
    CBoard board;
    board.SetSourceAddress(*contact);
    if (int r = board.RefreshStatus(); r != 0) {
      ReportConfigFailure(err, text, "reading the status block (type 256)", r);
      return ExitForConfigResult(r);
    }
    if (!board.IsEncoder()) {
      err << "tavctl: " << text << " is not an encoder\n";
      return kExitBadArguments;
    }
    boards.push_back(std::move(board));
  }
  const auto stopAll = [&] {
    bool stopped = true;
    for (auto& board : boards)
      if (board.statisticsRunning && board.StopDetection() != 0) stopped = false;
    return stopped;
  };
  for (auto& board : boards) {
    if (int r = board.StartDetection(); r != 0) {
      err << "tavctl: " << board.AddressText() << ": " << TerminalLine(OneBoardStartMessage(r))
          << "\n";
      stopAll();
      return kExitExchangeFailed;
    }
  }
  for (int second = 1; second <= options.seconds; ++second) {
    pause();
    std::vector<Sample> samples;
    for (std::size_t i = 0; i < boards.size(); ++i) {
      Sample s{static_cast<int>(i) + 1, {}, {}};
      if (boards[i].GetDetectionStatistics(s.address, s.rates.total, s.rates.video,
                                           s.rates.audio) != 0) {
        err << "tavctl: " << boards[i].AddressText() << ": " << str(kStrStatisticsReadFailed)
            << "\n";
        stopAll();
        return kExitInternal;
      }
      samples.push_back(std::move(s));
    }
    PrintSamples(out, second, samples, options.json);
  }
  if (!stopAll()) {
    err << "tavctl: " << str(kStrDetectionStopFailed) << "\n";
    return kExitInternal;
  }
  return kExitOk;
}

int Sources(const SourcesOptions& options, std::ostream& out, std::ostream& err) {
  auto decoderAddress = BoardAddress(options.address, err);
  if (!decoderAddress) return kExitBadArguments;
  CBoardCtrl boards;
  if (!QuietSearch(options.adapter, options.waitMs, boards, err)) return kExitBadArguments;
  const CBoard* decoder = nullptr;
  for (const CBoard& board : boards)
    if (board.ContactAddress() == *decoderAddress) decoder = &board;
  if (!decoder) {
    err << "tavctl: " << options.address << " did not answer the search\n";
    return kExitNoAnswer;
  }
  if (decoder->IsEncoder()) {
    err << "tavctl: " << options.address << " is an encoder; detect it with 'tavctl detect'\n";
    return kExitBadArguments;
  }
  CaptureNotifier notes;
  DecoderSourcesView view(boards, *decoder, notes);
  if (options.json) {
    Json rows = Json::array();
    for (const auto& row : view.Rows())
      rows.push_back(
          {{"address", row.texts[0]}, {"name", row.texts[1]}, {"transport", row.texts[2]}});
    Json notices = Json::array();
    for (const auto& line : notes.lines) notices.push_back(line.text);
    out << JsonText(Json{{"decoder", options.address}, {"encoders", rows}, {"notices", notices}})
        << "\n";
  } else {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    for (const auto& column : DecoderSourcesColumns()) header.emplace_back(column.title);
    rows.push_back(std::move(header));
    for (const auto& row : view.Rows())
      rows.push_back({row.texts[0], Printable(row.texts[1]), row.texts[2]});
    PrintColumns(out, rows);
    for (const auto& line : notes.lines) out << TerminalLine(line.text) << "\n";
  }
  return kExitOk;
}

}  // namespace tav::ctl

#include "upgrade/upgrade_run.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

#include "le_bytes.h"
#include "wire.h"

namespace tav::upgrade {
namespace {

// Components go out in pieces so that each send call, as on the boards' own tools, has the
// socket time-out to itself however large the component.
constexpr std::size_t kSendPiece = 64 * 1024;

struct ResultRow {
  int result;
  const char* box;  // nullptr: no message box
  const char* log;
};
constexpr ResultRow kResults[] = {
    {0, "升级失败(2返回值表示失败)", "升级失败"},
    {1, nullptr, "升级成功"},
    {2, "添加文件升级失败(3返回值表示失败)", "添加文件失败"},
    {3, nullptr, "添加文件升级成功"},
    {4, "删除升级失败(4返回值表示失败)", "删除文件失败"},
    {5, nullptr, "删除文件升级成功"},
};

std::string printf1(const char* pattern, auto... values) {
  char buf[256];
  int n = std::snprintf(buf, sizeof buf, pattern, values...);
  return std::string(buf, static_cast<std::size_t>(std::clamp(n, 0, int(sizeof buf) - 1)));
}

}  // namespace

void RealSleep(Millis duration) {
  std::this_thread::sleep_for(duration);
}

int ParseReply(std::span<const std::uint8_t> reply) {
  if (reply.size() != kReplySize || !qor::hasHead(reply, kReplyCommand) ||
      qor::getU32(reply, 4) != kReplyWord || qor::getU32(reply, 8) != kReplyComponentWord)
    return kTransferWrongAnswer;
  return qor::getI32(reply, 12);
}

int TransferComponent(BoardLink& link, std::uint32_t address, std::span<const std::uint8_t> data,
                      const TransferTiming& timing, const Sleeper& sleep) {
  if (address == 0 || data.empty()) return kTransferBadArgument;
  // The overall deadline never cuts a board that keeps within every single wait, but bounds
  // one that drips.
  const std::size_t pieces = (data.size() + kSendPiece - 1) / kSendPiece;
  const int attempts = std::max(timing.receiveAttempts, 1);
  StreamLimits limits;
  limits.connectWait = timing.connectWait;
  limits.overall = timing.connectWait + timing.ioTimeout * static_cast<long>(pieces) +
                   timing.pauseAfterSend + (timing.ioTimeout + timing.retryPause) * attempts +
                   Millis(1000);
  std::unique_ptr<BoardStream> stream = link.open(address, qor::kFilePort, limits);
  if (!stream || !stream->connected()) return kTransferConnectFailed;

  for (std::size_t at = 0; at < data.size(); at += kSendPiece) {
    const auto piece = data.subspan(at, std::min(kSendPiece, data.size() - at));
    if (!stream->sendAll(piece, timing.ioTimeout)) return kTransferSendFailed;
  }
  sleep(timing.pauseAfterSend);

  std::array<std::uint8_t, kReplySize> reply{};
  long got = 0;
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    got = stream->receive(reply, kReplySize, timing.ioTimeout);
    if (got > 0) break;
    // A board that closed or reset the connection will not answer later: no more waiting.
    if (got < 0 || stream->peerClosed()) break;
    if (attempt < attempts) sleep(timing.retryPause);
  }
  if (got != static_cast<long>(kReplySize)) return kTransferNoAnswer;
  return ParseReply(reply);
}

ResultTexts DescribeResult(int result) {
  for (const ResultRow& row : kResults)
    if (row.result == result) return {row.box ? row.box : "", row.log};
  std::string text = printf1("升级失败,未知错误(%d)", result);
  return {text, text};
}

bool IsSuccess(int result) {
  return result == 1 || result == 3 || result == 5;
}

std::string ResultWords(int result) {
  switch (result) {
    case 0:
      return "upgrade failed (board result 0)";
    case 1:
      return "upgraded";
    case 2:
      return "adding the file failed (board result 2)";
    case 3:
      return "file added";
    case 4:
      return "deleting failed (board result 4)";
    case 5:
      return "file deleted";
    case kTransferBadArgument:
      return "empty component";
    case kTransferConnectFailed:
      return "connection failed";
    case kTransferSendFailed:
      return "sending failed";
    case kTransferNoAnswer:
      return "no answer of 16 bytes";
    case kTransferWrongAnswer:
      return "wrong answer head";
  }
  return "unknown board result " + std::to_string(result);
}

bool TargetList::add(std::uint32_t address, std::int32_t boardType) {
  if (address == 0 || address == 0xFFFFFFFFu || addresses_.size() >= kMaxBoards ||
      std::find(addresses_.begin(), addresses_.end(), address) != addresses_.end())
    return false;
  if (addresses_.empty()) type_ = boardType;
  if (boardType != type_) return false;
  addresses_.push_back(address);
  return true;
}

void TargetList::clear() {
  addresses_.clear();
  type_ = 0;
}

bool InBatchSet(BatchSet set, std::int32_t t) {
  switch (set) {
    case BatchSet::Selected:
      return true;
    case BatchSet::Encoders:
      return t == 1 || t == 3 || t == 5 || t == 7 || t == 9 || t == 11 || t == 20;
    case BatchSet::Decoders:
      return t == 2 || t == 4 || t == 21;
  }
  return false;
}

UpgradeRules RulesFor(PageKind page) {
  UpgradeRules r;
  r.page = page;
  r.timing.receiveAttempts = page == PageKind::SingleBoard ? 91 : 9;
  return r;
}

bool TypeFits(PageKind page, std::int32_t g, std::int32_t h) {
  if (page == PageKind::Batch) return g != 0 && h == g;
  if (g == 20 || g == 11) return h == g || h == 20 || h == 11;
  return (g != 0 && h == g) || h == kAnyBoardType;
}

std::string ComponentLogLine(PageKind page, const std::string& address, int index, int count,
                             std::size_t length, std::string_view text) {
  std::string head = page == PageKind::SingleBoard
                         ? printf1("设备[%s]更新第(%d/%d)个文件:\t", address.c_str(), index, count)
                         : printf1("设备[%s]更新%6d字节:\t", address.c_str(),
                                   static_cast<int>(std::min<std::size_t>(length, 0x7fffffff)));
  return head + std::string(text);
}

std::string DownloadingText(int index, int count) {
  return printf1("正在下载第%d/%d个文件...", index, count);
}

int ProgressPercent(int index, int count) {
  return count > 0 ? static_cast<int>(std::int64_t(index) * 100 / count) : 0;
}

std::string ProgressText(int index, int count) {
  return printf1("已完成： %.2f%%", count > 0 ? double(index) / count * 100.0 : 0.0);
}

std::string PageLogLine(const std::tm& t, std::string_view text) {
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &t);
  return "(" + std::string(stamp) + "):" + std::string(text) + "\r\n";
}

void PrependLogLine(std::string& log, std::string_view line) {
  log.insert(0, line);
}

std::int64_t FileLength(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return -1;
  auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<std::int64_t>(size);
}

UpgradeEngine::UpgradeEngine(BoardLink& link, Notifier& notifier, UpgradeRules rules,
                             UpgradeEvents events, Sleeper sleep)
    : link_(link),
      notifier_(notifier),
      rules_(rules),
      events_(std::move(events)),
      sleep_(sleep ? std::move(sleep) : Sleeper(RealSleep)) {}

std::string UpgradeEngine::Check(const ChosenFile& file, std::int64_t fileLength,
                                 const TargetList& targets) const {
  if (file.length < 1 || file.magic.empty() || !file.header.valid) return kRefuseFile;
  if (fileLength < 0) return kRefuseOpen;
  if (fileLength < 1) return kRefuseLength;
  if (!TypeFits(rules_.page, targets.boardType(), file.header.boardType)) return kRefuseType;
  return CheckComponents(file.header, static_cast<std::uint64_t>(fileLength)).refusal;
}

RunSummary UpgradeEngine::Run(const ChosenFile& file, const TargetList& targets) {
  RunSummary summary;
  const std::int64_t fileLength = FileLength(file.path);
  summary.refusal = Check(file, fileLength, targets);
  if (!summary.refusal.empty()) {
    notifier_.message(summary.refusal, NoticeIcon::Warning);
    return summary;
  }
  if (!notifier_.question({kQuestion, kQuestionTitle})) {
    summary.end = RunEnd::Declined;
    return summary;
  }
  const ComponentCheck check = CheckComponents(file.header, static_cast<std::uint64_t>(fileLength));
  LoadedComponents loaded = LoadComponents(file.path, check.components);
  if (!loaded.refusal.empty()) {
    summary.refusal = loaded.refusal;
    notifier_.message(summary.refusal, NoticeIcon::Error);
    return summary;
  }
  return Send(loaded.data, targets);
}

RunSummary UpgradeEngine::Send(const std::vector<std::vector<std::uint8_t>>& components,
                               const TargetList& targets) {
  RunSummary summary;
  summary.end = RunEnd::Completed;
  const bool single = rules_.page == PageKind::SingleBoard;
  const int count = static_cast<int>(components.size());
  for (std::uint32_t address : targets.addresses()) {
    const std::string addressText = qor::ipText(address);
    for (int i = 1; i <= count; ++i) {
      if (stop_) {
        summary.end = RunEnd::Stopped;
        if (events_.log) events_.log(kStoppedText);
        if (single && events_.status) events_.status(kStoppedText);
        return summary;
      }
      if (single && events_.status) events_.status(DownloadingText(i, count));
      const auto& data = components[static_cast<std::size_t>(i - 1)];
      const int result = TransferComponent(link_, address, data, rules_.timing, sleep_);
      const ResultTexts texts = DescribeResult(result);
      if (!texts.box.empty()) notifier_.message(texts.box, NoticeIcon::Error);
      if (events_.log)
        events_.log(ComponentLogLine(rules_.page, addressText, i, count, data.size(), texts.log));
      ComponentOutcome outcome{address, i, count, data.size(), result};
      summary.outcomes.push_back(outcome);
      if (events_.component) events_.component(outcome);
      if (single) {
        if (events_.progress) events_.progress(ProgressPercent(i, count), ProgressText(i, count));
        if (i == count && events_.status) events_.status(kStatusDone);
      }
    }
  }
  return summary;
}

}  // namespace tav::upgrade

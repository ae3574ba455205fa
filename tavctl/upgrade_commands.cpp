// upgrade-info and upgrade: the upgrade pages' package reader, checks and transfer on the
// command line.

#include <unistd.h>

#include <algorithm>
#include <istream>
#include <mutex>
#include <ostream>
#include <thread>

#include "commands.h"
#include "ctl_support.h"
#include "device/board.h"
#include "device/board_link.h"
#include "upgrade/upgrade_run.h"
#include "wire.h"

namespace tav::ctl {
namespace {

using namespace tav::upgrade;

const char* KindName(HeaderKind kind) {
  switch (kind) {
    case HeaderKind::Short:
      return "short";
    case HeaderKind::Long:
      return "long";
    case HeaderKind::None:
      break;
  }
  return "none";
}

// Messages go to standard error, log lines to `log` as they come (one writer at a time when
// boards run in parallel); the question was answered before any engine runs.
class TerminalNotifier final : public Notifier {
 public:
  TerminalNotifier(std::ostream& err, std::mutex& mu, std::string board)
      : err_(err), mu_(mu), board_(std::move(board)) {}
  void message(std::string_view text, NoticeIcon) override {
    std::lock_guard lock(mu_);
    err_ << "tavctl: " << (board_.empty() ? "" : board_ + ": ") << text << "\n";
  }
  bool ask(std::string_view) override { return true; }
  void log(std::string_view) override {}

 private:
  std::ostream& err_;
  std::mutex& mu_;
  std::string board_;
};

struct BoardRun {
  std::uint32_t address = 0;
  std::int32_t type = 0;
  int readResult = 0;   // of the status read
  std::string refusal;  // type or list refusal
  std::vector<ComponentOutcome> outcomes;
};

Json OutcomeJson(const ComponentOutcome& o) {
  return Json{{"component", o.index},
              {"count", o.count},
              {"length", o.length},
              {"result", o.result},
              {"text", DescribeResult(o.result).log},
              {"words", ResultWords(o.result)},
              {"ok", IsSuccess(o.result)}};
}

bool AskOnTerminal(std::istream& in, std::ostream& err) {
  if (!::isatty(STDIN_FILENO)) return false;
  err << kQuestion << " (" << kQuestionTitle << ") [y/N] " << std::flush;
  std::string answer;
  std::getline(in, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

int UpgradeInfo(const UpgradeInfoOptions& options, std::ostream& out, std::ostream& err) {
  const PageKind page = options.batch ? PageKind::Batch : PageKind::SingleBoard;
  PackageRead read = ReadPackageFile(options.file, page);
  if (read.openFailed) {
    err << "tavctl: " << options.file << ": " << kRefuseOpen << "\n";
    return kExitBadArguments;
  }
  ComponentCheck check;
  if (read.header.valid) check = CheckComponents(read.header, read.fileLength);
  const bool usable = !read.tooShort && read.header.valid && check.refusal.empty();
  if (options.json) {
    Json j{{"file", options.file},
           {"length", read.fileLength},
           {"page", options.batch ? "batch" : "single-board"},
           {"kind", KindName(read.header.read)},
           {"valid", read.header.valid},
           {"tooShort", read.tooShort},
           {"magic", read.header.magic},
           {"boardType", read.header.boardType},
           {"boardTypeName", BoardTypeName(page, read.header.boardType)},
           {"count", read.header.count},
           {"info", read.tooShort ? std::string(kTooShortText) : read.infoLine}};
    Json components = Json::array();
    for (const ComponentSpan& c : check.components)
      components.push_back(Json{{"offset", c.offset}, {"length", c.length}});
    j["components"] = components;
    if (!check.refusal.empty()) j["refusal"] = check.refusal;
    out << JsonText(j) << "\n";
  } else {
    if (read.tooShort) {
      err << "tavctl: " << options.file << ": " << kTooShortText << "\n";
      return kExitBadArguments;
    }
    out << read.infoLine << "\n";
    if (!read.header.magic.empty()) out << "magic: " << read.header.magic << "\n";
    out << "length: " << read.fileLength << "\n";
    if (!check.refusal.empty()) err << "tavctl: " << options.file << ": " << check.refusal << "\n";
  }
  return usable ? kExitOk : kExitBadArguments;
}

int Upgrade(const UpgradeOptions& given, std::istream& in, std::ostream& out, std::ostream& err) {
  UpgradeOptions options = given;
  // FILE ADDR... is taken too: the package first when the last word is an address and the
  // first is not.
  std::uint32_t probe = 0;
  if (options.file.empty() && options.addresses.size() >= 2 &&
      qor::parseIp(options.addresses.back(), probe) &&
      !qor::parseIp(options.addresses.front(), probe)) {
    options.file = options.addresses.front();
    options.addresses.erase(options.addresses.begin());
  }
  if (options.file.empty() && !options.addresses.empty()) {
    options.file = options.addresses.back();
    options.addresses.pop_back();
  }
  if (options.file.empty() || options.addresses.empty()) {
    err << "tavctl: upgrade needs ADDR... FILE\n";
    return kExitBadArguments;
  }
  const PageKind page = options.batch ? PageKind::Batch : PageKind::SingleBoard;
  std::vector<std::uint32_t> addresses;
  for (const std::string& text : options.addresses) {
    auto a = BoardAddress(text, err);
    if (!a) return kExitBadArguments;
    if (std::find(addresses.begin(), addresses.end(), *a) == addresses.end())
      addresses.push_back(*a);
  }
  PackageRead read = ReadPackageFile(options.file, page);
  if (read.openFailed || read.tooShort) {
    err << "tavctl: " << options.file << ": " << (read.openFailed ? kRefuseOpen : kTooShortText)
        << "\n";
    return kExitBadArguments;
  }
  ChosenFile file{options.file, read.header.magic, static_cast<std::int64_t>(read.fileLength),
                  read.header};
  // A package the pages would refuse goes to no board at all.
  if (!read.header.valid || read.header.magic.empty()) {
    err << "tavctl: " << options.file << ": " << read.infoLine << ": " << kRefuseFile << "\n";
    return kExitBadArguments;
  }
  if (std::string r = CheckComponents(read.header, read.fileLength).refusal; !r.empty()) {
    err << "tavctl: " << options.file << ": " << r << "\n";
    return kExitBadArguments;
  }
  if (!options.json) out << read.infoLine << "\n";

  // Each board's type from its status block.
  std::vector<BoardRun> runs;
  for (std::uint32_t a : addresses) {
    BoardRun run;
    run.address = a;
    CBoard board;
    board.SetSourceAddress(a);
    run.readResult = board.RefreshStatus();
    if (run.readResult == 0) run.type = board.deviceType();
    runs.push_back(run);
  }

  // The target lists: one per board as on the single-board page; one for all on the batch page,
  // where the first board read fixes the type.
  std::mutex mu;
  TerminalNotifier checkNotifier(err, mu, "");
  UpgradeEngine checker(LanLink(), checkNotifier, RulesFor(page));
  const std::int64_t fileLength = FileLength(options.file);
  std::vector<TargetList> lists;
  std::vector<std::vector<std::size_t>> members;  // run indexes of each list
  TargetList batchList;
  std::vector<std::size_t> batchMembers;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    BoardRun& run = runs[i];
    if (run.readResult != 0) {
      ReportConfigFailure(err, qor::ipText(run.address), "reading the status block (type 256)",
                          run.readResult);
      continue;
    }
    if (page == PageKind::Batch) {
      if (batchList.add(run.address, run.type))
        batchMembers.push_back(i);
      else
        run.refusal = "type " + std::to_string(run.type) + " is not the list's type " +
                      std::to_string(batchList.boardType());
      continue;
    }
    TargetList one;
    one.add(run.address, run.type);
    run.refusal = checker.Check(file, fileLength, one);
    if (run.refusal.empty()) {
      lists.push_back(one);
      members.push_back({i});
    }
  }
  if (page == PageKind::Batch && !batchList.empty()) {
    std::string refusal = checker.Check(file, fileLength, batchList);
    if (refusal.empty()) {
      lists.push_back(batchList);
      members.push_back(batchMembers);
    } else {
      for (std::size_t i : batchMembers) runs[i].refusal = refusal;
    }
  }
  for (const BoardRun& run : runs)
    if (!run.refusal.empty())
      err << "tavctl: " << qor::ipText(run.address) << ": " << run.refusal << "\n";

  // The question, once for the whole command.
  if (!lists.empty() && !options.yes && !AskOnTerminal(in, err)) {
    err << "tavctl: not upgraded (" << kQuestion << ": "
        << (::isatty(STDIN_FILENO) ? "no" : "not on a terminal; --yes answers it") << ")\n";
    return kExitBadArguments;
  }

  // The components, loaded once.
  LoadedComponents loaded;
  if (!lists.empty()) {
    loaded = LoadComponents(
        options.file,
        CheckComponents(file.header, static_cast<std::uint64_t>(fileLength)).components);
    if (!loaded.refusal.empty()) {
      err << "tavctl: " << options.file << ": " << loaded.refusal << "\n";
      return kExitBadArguments;
    }
  }

  // Each list on its own engine; up to --parallel of them at once.
  std::size_t next = 0;
  auto worker = [&] {
    for (;;) {
      std::size_t k;
      {
        std::lock_guard lock(mu);
        if (next >= lists.size()) return;
        k = next++;
      }
      TerminalNotifier notifier(err, mu, qor::ipText(lists[k].addresses().front()));
      UpgradeEvents events;
      events.log = [&](std::string_view line) {
        if (options.json) return;
        std::lock_guard lock(mu);
        out << line << "\n" << std::flush;
      };
      UpgradeEngine engine(LanLink(), notifier, RulesFor(page), events);
      RunSummary summary = engine.Send(loaded.data, lists[k]);
      std::lock_guard lock(mu);
      for (const ComponentOutcome& o : summary.outcomes)
        for (std::size_t i : members[k])
          if (runs[i].address == o.address) runs[i].outcomes.push_back(o);
    }
  };
  const int parallel = std::max(1, options.parallel);
  std::vector<std::thread> threads;
  for (int t = 1; t < parallel && static_cast<std::size_t>(t) < lists.size(); ++t)
    threads.emplace_back(worker);
  worker();
  for (auto& t : threads) t.join();

  int failed = 0, unread = 0, refused = 0, upgraded = 0;
  Json boards = Json::array();
  for (const BoardRun& run : runs) {
    bool ok = run.readResult == 0 && run.refusal.empty();
    Json components = Json::array();
    for (const ComponentOutcome& o : run.outcomes) {
      ok = ok && IsSuccess(o.result);
      components.push_back(OutcomeJson(o));
    }
    std::string state = run.readResult != 0    ? "no answer"
                        : !run.refusal.empty() ? "refused"
                        : ok                   ? "upgraded"
                                               : "failed";
    if (run.readResult != 0)
      ++unread;
    else if (!run.refusal.empty())
      ++refused;
    else if (ok)
      ++upgraded;
    else
      ++failed;
    Json b{{"address", qor::ipText(run.address)}, {"type", run.type}, {"state", state}};
    if (!run.refusal.empty()) b["refusal"] = run.refusal;
    b["components"] = components;
    boards.push_back(b);
  }
  const int status = failed    ? kExitExchangeFailed
                     : unread  ? kExitNoAnswer
                     : refused ? kExitBadArguments
                               : kExitOk;
  if (options.json) {
    out << JsonText(Json{{"file", options.file},
                         {"page", options.batch ? "batch" : "single-board"},
                         {"count", loaded.data.size()},
                         {"boards", boards},
                         {"exit", status}})
        << "\n";
  } else {
    out << upgraded << " upgraded, " << failed << " failed, " << refused << " refused, " << unread
        << " not answering\n";
  }
  return status;
}

}  // namespace tav::ctl

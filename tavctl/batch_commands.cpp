// maint and batch: the maintenance dialog's requests and the batch pages' restart and reset.
#include "batch_commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "capture_notifier.h"
#include "commands.h"
#include "ctl_support.h"
#include "pages/record_pages.h"
#include "platform/adapters.h"
#include "resources/string_table.h"
#include "shell/device_search.h"
#include "shell/shell_info.h"
#include "wire.h"

namespace tav::ctl {
namespace {

std::optional<std::uint32_t> AdapterFilter(const std::string& adapter, std::ostream& err,
                                           bool& bad) {
  bad = false;
  if (adapter.empty()) return std::nullopt;
  std::uint32_t chosen = 0;
  const auto adapters = platform::listAdapters();
  if (!qor::parseIp(adapter, chosen) || !platform::adapterWithAddress(adapters, chosen)) {
    err << "tavctl: no adapter of this PC holds the address '" << adapter << "'\n";
    bad = true;
    return std::nullopt;
  }
  return chosen;
}

int MaintSearch(batch::MaintenanceSession& session, const MaintOptions& o, std::ostream& out) {
  session.StartSearch();
  session.Wait();
  if (o.json) {
    Json rows = Json::array();
    for (const auto& r : session.Rows())
      rows.push_back(Json{{"address", r.address}, {"mac", r.mac}, {"mask", r.mask}});
    out << JsonText(Json{{"count", rows.size()}, {"boards", std::move(rows)}}) << "\n";
  } else {
    std::vector<std::vector<std::string>> table{
        {str(kStrColumnDeviceIp), str(kStrColumnMac), str(kStrSubnetMask)}};
    for (const auto& r : session.Rows()) table.push_back({r.address, r.mac, r.mask});
    PrintColumns(out, table);
  }
  return session.Rows().empty() ? kExitNoAnswer : kExitOk;
}

}  // namespace

int Maint(batch::MaintenanceTransport& transport, const MaintOptions& o, std::ostream& out,
          std::ostream& err) {
  CaptureNotifier notes;
  batch::MaintenanceSession session(transport, notes);
  session.waitAfterCommands = true;
  if (o.action == "search") return MaintSearch(session, o, out);

  std::vector<std::uint32_t> targets;
  for (const auto& a : o.addresses) {
    auto address = BoardAddress(a, err);
    if (!address) return kExitBadArguments;
    targets.push_back(*address);
  }
  if (targets.empty()) {
    err << "tavctl: name at least one board address\n";
    return kExitBadArguments;
  }
  if (o.action == "exec" && !batch::CommandTextForWire(o.text)) {
    err << "tavctl: " << batch::kCommandTooLong << "\n";
    return kExitBadArguments;
  }
  int status = kExitOk;
  Json results = Json::array();
  for (std::uint32_t target : targets) {
    const std::string address = qor::ipText(target);
    session.SelectAddress(target);
    if (o.action == "restart")
      session.Restart();
    else if (o.action == "reset")
      session.FactoryReset();
    else
      session.Execute(o.text);
    session.Wait();
    Json entry{{"address", address}};
    if (session.Results().empty()) {
      entry["answered"] = false;
      err << "tavctl: " << address << ": no answer\n";
      if (status == kExitOk) status = kExitNoAnswer;
    } else {
      const auto& reply = session.Results().front();
      const std::string text = batch::ResultText(reply.result);
      entry["answered"] = true;
      entry["result"] = reply.result;
      entry["text"] = text;
      if (!o.json) out << address << ": " << text << "\n";
      if (reply.result != 0) status = kExitExchangeFailed;
    }
    results.push_back(std::move(entry));
  }
  if (o.json) out << JsonText(Json{{"results", std::move(results)}}) << "\n";
  return status;
}

int Batch(batch::BatchSender& sender, const BatchOptions& o, std::ostream& out, std::ostream& err) {
  using batch::BatchButton;
  const int chosen = int(o.all) + int(o.encoders) + int(o.decoders) + int(!o.addresses.empty());
  if (chosen != 1) {
    err << "tavctl: name the boards: --all, --encoders, --decoders or addresses\n";
    return kExitBadArguments;
  }
  const bool reset = o.action == "reset";
  if (reset && !FactoryResetAllowed(o.user, o.password)) {
    err << "tavctl: " << str(kStrWrongUserOrPassword) << "\n";
    return kExitBadArguments;
  }
  BatchButton button = o.all        ? BatchButton::All
                       : o.encoders ? BatchButton::Encoders
                       : o.decoders ? BatchButton::Decoders
                                    : BatchButton::Selected;
  CBoardCtrl boards;
  std::vector<int> selected;
  CaptureNotifier notes;
  if (button == BatchButton::Selected) {
    for (const auto& a : o.addresses) {
      auto address = BoardAddress(a, err);
      if (!address) return kExitBadArguments;
      CBoard board;
      board.setIp(*address);
      selected.push_back(boards.Add(board));
    }
  } else if (reset && button != BatchButton::All) {
    // Reset goes board by board: the boards of the kind come from a search, as in Tavmon.
    const auto adapters = platform::listAdapters();
    CaptureNotifier searchNotes;
    DeviceSearch search(boards, searchNotes);
    search.RunBlocking(ChooseListenTarget(adapters, o.adapter),
                       std::chrono::milliseconds(o.waitMs));
  }
  Json lines = Json::array();
  batch::BatchEvents events;
  events.progress = [&](const batch::BoardProgress& p) {
    if (p.text.empty()) return;
    if (!o.json) out << TerminalLine(p.text) << "\n";
    lines.push_back(Json{{"address", p.address}, {"result", p.result}, {"text", p.text}});
  };
  batch::BatchRun run =
      reset ? batch::RunBatchFactoryReset(button, o.user, o.password, boards, selected, sender,
                                          notes, events)
            : batch::RunBatchRestart(button, boards, selected, sender, notes, events);
  const std::string last = notes.lines.empty() ? "" : TerminalLine(notes.lines.back().text);
  if (o.json)
    out << JsonText(Json{{"boards", std::move(lines)}, {"failures", run.failures()}, {"log", last}})
        << "\n";
  else
    out << last << "\n";
  if (run.failures() > 0) return kExitExchangeFailed;
  if (run.boards.empty()) return kExitNoAnswer;
  return kExitOk;
}

BatchCli::BatchCli(CLI::App& app) {
  maint_ = app.add_subcommand(
      "maint", "The maintenance protocol on UDP 6006 (Ctrl+F): search, restart, reset, exec");
  maint_->require_subcommand(1);
  auto* search = maint_->add_subcommand("search",
                                        "List the boards answering the maintenance "
                                        "search (设备IP, MAC, 子网掩码)");
  auto* restart = maint_->add_subcommand("restart", "Send 'c' (重启) and print the 'j' results");
  auto* reset = maint_->add_subcommand("reset", "Send 'd' (恢复出厂值) and print the 'j' results");
  auto* exec = maint_->add_subcommand("exec", "Send 'e' (执行) with TEXT, at most 107 GBK bytes");
  for (auto* sub : {search, restart, reset, exec}) {
    sub->add_option("--adapter", maintOptions_.adapter,
                    "Only the adapter holding this address (default: every adapter)");
    sub->add_flag("--json", maintOptions_.json, "Print as JSON");
    sub->callback([this, sub] { maintOptions_.action = sub->get_name(); });
  }
  restart->add_option("ADDR", maintOptions_.addresses, "Board addresses")->required();
  reset->add_option("ADDR", maintOptions_.addresses, "Board addresses")->required();
  exec->add_option("ADDR", maintOptions_.addresses, "The board's address")->required()->expected(1);
  exec->add_option("TEXT", maintOptions_.text, "The command text")->required();

  batch_ = app.add_subcommand("batch", "The batch window's restart and factory reset (批量设置)");
  batch_->require_subcommand(1);
  auto* bRestart =
      batch_->add_subcommand("restart",
                             "重启: ADDR... by configuration write, or one datagram for --all, "
                             "--encoders, --decoders");
  auto* bReset = batch_->add_subcommand(
      "reset",
      "恢复出厂值: one datagram per board (--encoders/--decoders search first), or "
      "one for --all");
  for (auto* sub : {bRestart, bReset}) {
    sub->add_option("ADDR", batchOptions_.addresses, "The selected boards");
    sub->add_flag("--all", batchOptions_.all, "Every board");
    sub->add_flag("--encoders", batchOptions_.encoders, "Every encoder");
    sub->add_flag("--decoders", batchOptions_.decoders, "Every decoder (reset: types 2, 4, 21)");
    sub->add_flag("--json", batchOptions_.json, "Print as JSON");
    sub->callback([this, sub] { batchOptions_.action = sub->get_name(); });
  }
  bReset->add_option("--user", batchOptions_.user, "用户名")->capture_default_str();
  bReset->add_option("--password", batchOptions_.password, "密码")->capture_default_str();
  bReset->add_option("--adapter", batchOptions_.adapter, "Adapter of the search");
  bReset->add_option("--wait", batchOptions_.waitMs, "Search window in ms")->capture_default_str();
}

std::optional<int> BatchCli::Run(std::istream&, std::ostream& out, std::ostream& err) {
  if (maint_->parsed()) {
    bool bad = false;
    auto filter = AdapterFilter(maintOptions_.adapter, err, bad);
    if (bad) return kExitBadArguments;
    auto transport = batch::MakeSocketTransport(filter);
    return Maint(*transport, maintOptions_, out, err);
  }
  if (batch_->parsed()) return Batch(batch::NetworkSender(), batchOptions_, out, err);
  return std::nullopt;
}

}  // namespace tav::ctl

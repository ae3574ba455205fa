// edid, reg, serial and ptz: the hardware debug pages from a terminal, with their rules and
// messages. Page messages go to standard error, results to standard output.

#include <fstream>
#include <istream>
#include <iterator>
#include <ostream>

#include "capture_notifier.h"
#include "commands.h"
#include "ctl_support.h"
#include "debug/edid_tools.h"
#include "debug/maintenance_port.h"
#include "debug/register_debug.h"
#include "debug/serial_control.h"
#include "device/board.h"
#include "device/board_link.h"
#include "device/channel_result.h"
#include "wire.h"

namespace tav::ctl {
namespace {

CBoard BoardAtAddress(std::uint32_t ip) {
  CBoard board;
  board.setIp(ip);
  return board;
}

void PrintMessages(const CaptureNotifier& notifier, std::ostream& err) {
  for (const auto& line : notifier.lines)
    if (line.message) err << "tavctl: " << TerminalLine(line.text) << "\n";
}

std::string Lines(std::string text) {
  std::erase(text, '\r');
  return text;
}

int ExitForMaintenance(int result) {
  if (result == kMaintOk) return kExitOk;
  return result == kMaintConnectFailed ? kExitNoAnswer : kExitExchangeFailed;
}

int ExitForEdid(const EdidOutcome& o) {
  if (o.status == EdidStatus::Done) return kExitOk;
  if (o.status == EdidStatus::ExchangeFailed) return ExitForConfigResult(o.result);
  return kExitExchangeFailed;
}

Json TimingJson(const EdidTiming& t) {
  return Json{{"text", TimingText(t)},        {"pixelClockKHz", t.pixelClockKHz},
              {"hActive", t.hActive},         {"hBlank", t.hBlank},
              {"hFrontPorch", t.hFrontPorch}, {"hSync", t.hSync},
              {"vActive", t.vActive},         {"vBlank", t.vBlank},
              {"vFrontPorch", t.vFrontPorch}, {"vSync", t.vSync},
              {"interlaced", t.interlaced}};
}

Json SummaryJson(const EdidSummary& s) {
  Json j{{"headerValid", s.headerValid},
         {"manufacturer", s.manufacturer},
         {"productCode", s.productCode},
         {"serialNumber", s.serialNumber},
         {"serialText", s.serialText},
         {"week", s.week},
         {"year", s.year},
         {"version", std::to_string(s.version) + "." + std::to_string(s.revision)},
         {"monitorName", s.monitorName},
         {"extensions", s.extensions},
         {"baseChecksumValid", s.baseChecksumValid}};
  j["preferredTiming"] = s.preferred ? TimingJson(*s.preferred) : Json(nullptr);
  j["extensionChecksumValid"] =
      s.extensionChecksumValid ? Json(*s.extensionChecksumValid) : Json(nullptr);
  j["ctaTimings"] = Json::array();
  for (const EdidTiming& t : s.ctaTimings) j["ctaTimings"].push_back(TimingJson(t));
  return j;
}

// The page's register fields as a row of text.
void PrintRegister(std::ostream& out, const RegisterDebug& page, bool general, int bus) {
  out << "I2C地址: " << (page.wide() ? "-" : page.deviceText) << "  寄存器: " << page.registerText
      << "  寄存器值: " << page.valueText;
  if (general) out << "  I2C总线: " << bus;
  out << "\n";
}

Json PairsJson(const std::vector<RegisterPair>& pairs) {
  Json list = Json::array();
  for (const RegisterPair& p : pairs)
    list.push_back(
        Json{{"register", NumberText(p.reg, false)}, {"value", NumberText(p.value, false)}});
  return list;
}

}  // namespace

int Edid(const EdidOptions& options, std::ostream& out, std::ostream& err) {
  auto ip = BoardAddress(options.address, err);
  if (!ip) return kExitBadArguments;
  CaptureNotifier notifier;
  EdidTool tool(LanLink(), qor::ipText(*ip), notifier);

  if (options.action != EdidAction::Read) {
    EdidOutcome o = tool.readLockState();
    if (o.status == EdidStatus::Done) {
      bool wantLocked = options.action == EdidAction::Lock;
      if (options.action == EdidAction::Clear)
        o = tool.clear();
      else if (options.action == EdidAction::CopyMonitor)
        o = tool.copyMonitor();
      else if ((options.action == EdidAction::Lock || options.action == EdidAction::Unlock) &&
               tool.locked() != wantLocked)
        o = tool.toggleLock();
    }
    PrintMessages(notifier, err);
    if (options.json)
      out << JsonText(Json{{"address", qor::ipText(*ip)},
                           {"done", o.status == EdidStatus::Done},
                           {"message", o.message},
                           {"locked", tool.locked()},
                           {"lockCaption", tool.lockCaption()}})
          << "\n";
    else
      out << "EDID " << (tool.locked() ? "locked" : "unlocked")
          << " (button: " << tool.lockCaption() << ")\n";
    return ExitForEdid(o);
  }

  EdidOutcome o = options.monitor ? tool.readMonitorEdid() : tool.readBoardEdid();
  PrintMessages(notifier, err);
  if (!tool.edid()) return ExitForEdid(o);
  if (options.json) {
    const EdidBytes& e = *tool.edid();
    out << JsonText(Json{{"address", qor::ipText(*ip)},
                         {"edid", options.monitor ? "monitor" : "board"},
                         {"complete", o.status == EdidStatus::Done},
                         {"bytes", HexText(e)},
                         {"summary", SummaryJson(DecodeEdid(e))}})
        << "\n";
  } else if (options.raw) {
    out << Lines(tool.edidText()) << "\n";
  } else {
    out << Lines(tool.summaryText()) << "\n";
  }
  return ExitForEdid(o);
}

int Reg(const RegOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  auto ip = BoardAddress(options.address, err);
  if (!ip) return kExitBadArguments;
  if (options.bus && (*options.bus < 0 || *options.bus > 2)) {
    err << "tavctl: --bus takes 0, 1 or 2\n";
    return kExitBadArguments;
  }
  if (options.wide && options.bus) {
    err << "tavctl: 16-bit registers are reached on the i2c page only, without --bus\n";
    return kExitBadArguments;
  }
  bool list = options.listFile.has_value() || options.readList;
  if (list && options.wide) {
    err << "tavctl: the register lists are 8-bit; drop --16\n";
    return kExitBadArguments;
  }
  const std::vector<std::string>& args = options.args;
  if (list ? args.size() > 1 : (args.size() < 3 || args.size() > 4)) {
    err << "tavctl: reg ADDR read|write DEV REG [VALUE], or reg ADDR [DEV] --list "
           "FILE|--read-list\n";
    return kExitBadArguments;
  }
  if (!list && args[0] != "read" && args[0] != "write") {
    err << "tavctl: the action is read or write, not \"" << args[0] << "\"\n";
    return kExitBadArguments;
  }
  if (!list && args[0] == "write" && args.size() != 4) {
    err << "tavctl: write needs a VALUE\n";
    return kExitBadArguments;
  }
  if (!list && args[0] == "read" && args.size() != 3) {
    err << "tavctl: read takes no VALUE\n";
    return kExitBadArguments;
  }

  CBoard board = BoardAtAddress(*ip);
  BoardMaintenancePort port(board, LanLink());
  CaptureNotifier notifier;
  bool general = options.bus.has_value();
  RegisterDebug page(general ? RegisterPageKind::General : RegisterPageKind::I2c, port, notifier);
  page.bus = options.bus.value_or(0);
  if (options.wide) page.setWide(true);

  if (options.listFile) {
    std::string text;
    if (*options.listFile == "-") {
      text.assign(std::istreambuf_iterator<char>(in), {});
    } else {
      std::ifstream file(*options.listFile, std::ios::binary);
      if (!file) {
        err << "tavctl: cannot read " << *options.listFile << "\n";
        return kExitBadArguments;
      }
      text.assign(std::istreambuf_iterator<char>(file), {});
    }
    if (!args.empty()) page.deviceText = args[0];
    // A number that does not fit its field is refused, not cut to fit.
    auto problem = NumberFieldProblem("I2C地址", page.deviceText, 0xFFFF);
    if (!problem) problem = RegisterListProblem(text);
    if (problem) {
      err << "tavctl: " << *problem << " Nothing was sent.\n";
      return kExitBadArguments;
    }
    page.leftList = text;
    int result = page.writeAll();
    PrintMessages(notifier, err);
    if (result == RegisterDebug::kNoPairs) return kExitBadArguments;
    std::vector<RegisterPair> pairs = ParseRegisterList(page.leftList);
    if (options.json)
      out << JsonText(Json{{"address", qor::ipText(*ip)},
                           {"device", page.deviceText},
                           {"bus", page.bus},
                           {"result", result},
                           {"written", result == 0 ? pairs.size() : 0},
                           {"registers", PairsJson(pairs)}})
          << "\n";
    else if (result == 0)
      out << Lines(page.leftList);
    return ExitForMaintenance(result);
  }
  if (options.readList) {
    if (!args.empty()) page.deviceText = args[0];
    if (auto problem = NumberFieldProblem("I2C地址", page.deviceText, 0xFFFF)) {
      err << "tavctl: " << *problem << " Nothing was sent.\n";
      return kExitBadArguments;
    }
    int result = page.readAll();
    PrintMessages(notifier, err);
    if (options.json)
      out << JsonText(Json{{"address", qor::ipText(*ip)},
                           {"device", page.deviceText},
                           {"bus", page.bus},
                           {"result", result},
                           {"registers", PairsJson(ParseRegisterList(page.rightList))}})
          << "\n";
    else if (result == 0)
      out << Lines(page.rightList);
    return ExitForMaintenance(result);
  }

  page.deviceText = args[1];
  page.registerText = args[2];
  page.valueText = args.size() == 4 ? args[3] : "";
  bool write = args[0] == "write";
  if (auto problem = page.fieldProblem(write)) {
    err << "tavctl: " << *problem << " Nothing was sent.\n";
    return kExitBadArguments;
  }
  int result = write ? page.writeSingle() : page.readSingle();
  PrintMessages(notifier, err);
  if (options.json) {
    Json j{{"address", qor::ipText(*ip)},
           {"action", args[0]},
           {"device", page.wide() ? Json(nullptr) : Json(page.deviceText)},
           {"register", page.registerText},
           {"value", page.valueText},
           {"bits", page.wide() ? 16 : 8},
           {"result", result}};
    if (general) j["bus"] = page.bus;
    out << JsonText(j) << "\n";
  } else if (result == 0) {
    PrintRegister(out, page, general, page.bus);
  }
  return ExitForMaintenance(result);
}

int Serial(const SerialOptions& options, std::ostream& out, std::ostream& err) {
  auto ip = BoardAddress(options.address, err);
  if (!ip) return kExitBadArguments;
  std::string baud;
  if (options.baud) {
    baud = *options.baud == "auto" ? std::string(kBaudAuto) : *options.baud;
    if (baud != kBaudAuto &&
        (baud.empty() || baud.find_first_not_of("0123456789") != std::string::npos)) {
      err << "tavctl: --baud takes a decimal rate, auto or 动态调整\n";
      return kExitBadArguments;
    }
  }
  if (options.send) {
    if (options.send->size() > kSendTextMax) {
      err << "tavctl: the send text has " << options.send->size() << " characters; at most "
          << kSendTextMax << " (85 values) are sent at once. Nothing was sent.\n";
      return kExitBadArguments;
    }
    if (ConvertSendText(*options.send).empty()) {
      err << "tavctl: the send text holds no value (two hexadecimal digits every third "
             "character, e.g. ff-01-00-07-00-48-50). Nothing was sent.\n";
      return kExitBadArguments;
    }
  }

  CBoard board = BoardAtAddress(*ip);
  BoardMaintenancePort port(board, LanLink());
  CaptureNotifier notifier;
  SerialControl page(LanLink(), port, qor::ipText(*ip), notifier);
  page.refreshBaud();
  int status = kExitOk;
  int written = -1;
  if (options.baud) {
    page.baudText = baud;
    written = page.applyBaud();
    if (written != 0) status = kExitNoAnswer;
  }
  SendOutcome sent;
  if (options.send && status == kExitOk) {
    page.sendText = *options.send;
    sent = page.send();
    if (sent.status == SendStatus::Failed) status = ExitForConfigResult(sent.result);
  }
  PrintMessages(notifier, err);
  if (options.json) {
    Json j{{"address", qor::ipText(*ip)}, {"baud", page.baudText}};
    if (options.baud) j["baudWritten"] = written == 0;
    if (options.send) {
      j["sent"] = sent.status == SendStatus::Sent;
      j["bytes"] = SendText(sent.data);
      j["count"] = sent.data.size();
      j["recordBaud"] = RecordBaud(page.baudText);
      j["result"] = sent.result;
    }
    out << JsonText(j) << "\n";
  } else {
    out << "串口波特率: " << page.baudText << "\n";
    if (sent.status == SendStatus::Sent)
      out << "sent " << sent.data.size() << " bytes at " << RecordBaud(page.baudText)
          << " baud: " << SendText(sent.data) << "\n";
  }
  return status;
}

int Ptz(const PtzOptions& options, std::ostream& out, std::ostream& err) {
  auto ip = BoardAddress(options.address, err);
  if (!ip) return kExitBadArguments;
  const PtzKeyInfo* key = nullptr;
  for (const PtzKeyInfo& k : PtzKeys())
    if (k.name == options.key) key = &k;
  if (!key) {
    err << "tavctl: unknown camera key \"" << options.key
        << "\"; one of up, down, left, right, zoom-in, zoom-out, focus-near, focus-far, stop\n";
    return kExitBadArguments;
  }
  std::uint32_t speed = kPtzSpeed;
  if (options.speed) {
    speed = ParseNumber(*options.speed);
    if (speed > 0xFF) {
      err << "tavctl: --speed takes 0 to 0xff\n";
      return kExitBadArguments;
    }
  }
  CBoard board = BoardAtAddress(*ip);
  BoardMaintenancePort port(board, LanLink());
  CaptureNotifier notifier;
  SerialControl page(LanLink(), port, qor::ipText(*ip), notifier);
  page.refreshBaud();
  page.pressKey(key->key);
  if (options.speed) page.sendText = PtzText(key->key, static_cast<std::uint8_t>(speed));
  SendOutcome sent = page.send();
  PrintMessages(notifier, err);
  int status = sent.status == SendStatus::Sent ? kExitOk : ExitForConfigResult(sent.result);
  if (options.json)
    out << JsonText(Json{{"address", qor::ipText(*ip)},
                         {"key", key->name},
                         {"label", key->label},
                         {"text", page.sendText},
                         {"sent", sent.status == SendStatus::Sent},
                         {"result", sent.result}})
        << "\n";
  else if (status == kExitOk)
    out << key->label << ": " << page.sendText << "\n";
  return status;
}

}  // namespace tav::ctl

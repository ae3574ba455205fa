// time, osd, storage and password over the same page logic as Tavmon's service pages.

#include "service_commands.h"

#include <CLI/CLI.hpp>
#include <array>
#include <istream>
#include <ostream>

#include "commands.h"
#include "ctl_support.h"
#include "device/board.h"
#include "device/notifier.h"
#include "pages/clock_settings.h"
#include "pages/osd_settings.h"
#include "pages/password_file.h"
#include "pages/storage_settings.h"
#include "wire.h"

namespace tav::ctl {
namespace {

// A refused connection or a silent board is "no answer"; a wrong answer or a broken send is a
// failed exchange.
int ExitFor(ServiceStatus status) {
  switch (status) {
    case ServiceStatus::Ok:
      return kExitOk;
    case ServiceStatus::Refused:
      return kExitBadArguments;
    case ServiceStatus::NoConnection:
    case ServiceStatus::RecvError:
      return kExitNoAnswer;
    case ServiceStatus::SendError:
    case ServiceStatus::HeadError:
      return kExitExchangeFailed;
  }
  return kExitInternal;
}

int Fail(std::ostream& err, const std::string& address, std::string_view what,
         ServiceStatus status) {
  err << "tavctl: " << address << ": " << what << " failed: " << ServiceStatusText(status) << "\n";
  return ExitFor(status);
}

// A board's text on a terminal: control characters as \xNN.
std::string TerminalText(std::string_view utf8) {
  std::string out;
  for (char c : utf8) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

Json ClockJson(const std::string& address, const ClockTime& t) {
  return Json{{"address", address}, {"time", ClockText(t)}, {"year", t.year},
              {"month", t.month},   {"day", t.day},         {"hour", t.hour},
              {"minute", t.minute}, {"second", t.second}};
}

Json OverlayJson(const OverlayDescriptor& d) {
  const auto& colours = OverlayColourNames();
  Json j{{"shown", d.shown},  {"text", OverlayText(d.text)},    {"x", d.x},
         {"y", d.y},          {"transparency", d.transparency}, {"background", d.background},
         {"colour", d.colour}};
  if (d.colour >= 0 && static_cast<std::size_t>(d.colour) < colours.size())
    j["colourName"] = colours[static_cast<std::size_t>(d.colour)];
  j["scale"] = d.scale;
  return j;
}

void PrintOverlay(std::ostream& out, const OverlayBlock& b) {
  const auto& channels = OverlayChannelNames();
  const auto& colours = OverlayColourNames();
  out << "通道: "
      << (b.channel < channels.size() ? channels[b.channel] : std::to_string(b.channel + 1))
      << "\n";
  auto colour = [&](std::int32_t c) {
    return c >= 0 && static_cast<std::size_t>(c) < colours.size()
               ? colours[static_cast<std::size_t>(c)] + " (" + std::to_string(c) + ")"
               : std::to_string(c);
  };
  std::vector<std::vector<std::string>> rows{{"", "时间OSD", "通道OSD"}};
  auto row = [&](std::string label, auto value) {
    rows.push_back({std::move(label), value(b.time), value(b.channelText)});
  };
  row("是否显示", [](const OverlayDescriptor& d) { return std::string(d.shown ? "是" : "否"); });
  row("标志文字", [](const OverlayDescriptor& d) { return TerminalText(OverlayText(d.text)); });
  row("透明度", [](const OverlayDescriptor& d) { return std::to_string(d.transparency); });
  row("背景透明度", [](const OverlayDescriptor& d) { return std::to_string(d.background); });
  row("坐标",
      [](const OverlayDescriptor& d) { return std::to_string(d.x) + "," + std::to_string(d.y); });
  row("文字颜色", [&](const OverlayDescriptor& d) { return colour(d.colour); });
  row("缩放(%)", [](const OverlayDescriptor& d) { return std::to_string(d.scale); });
  PrintColumns(out, rows);
}

// Applies the command line's changes to one overlay; false (complaint on err) for a text the
// board cannot hold.
bool ApplyColumn(OverlayDescriptor& d, const OverlayColumnOptions& o, std::ostream& err) {
  if (o.shown) d.shown = *o.shown;
  if (o.text) {
    auto units = OverlayUnits(*o.text);
    if (!units) {
      err << "tavctl: " << kOverlayTextTooLong << " (" << *o.text << ")\n";
      return false;
    }
    d.text = *units;
  }
  if (o.x) d.x = *o.x;
  if (o.y) d.y = *o.y;
  if (o.transparency) d.transparency = *o.transparency;
  if (o.background) d.background = *o.background;
  if (o.colour) d.colour = *o.colour;
  if (o.scale) d.scale = *o.scale;
  return true;
}

// The page's defaults as a block.
OverlayBlock DefaultOverlay() {
  OverlayBlock b;
  b.time = {true, u"时间", 0, 0, 0, 0, 100, 100};
  b.channelText = {true, u"通道", 100, 0, 0, 0, 100, 100};
  return b;
}

}  // namespace

int Time(BoardLink& link, const TimeOptions& o, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(o.address, err);
  if (!contact) return kExitBadArguments;
  const std::string address = qor::ipText(*contact);
  SilentNotifier quiet;
  ClockSettings page(link, quiet);
  std::optional<ClockTime> target;
  if (o.set) {
    target = ParseClockText(*o.set);
    if (!target) {
      err << "tavctl: --set takes \"YYYY-MM-DD HH:MM:SS\", not \"" << *o.set << "\"\n";
      return kExitBadArguments;
    }
  } else if (o.sync) {
    target = page.pcClock();
  }
  if (target) {
    if (auto s = page.WriteBoard(*contact, *target); s != ServiceStatus::Ok)
      return Fail(err, address, "setting the clock", s);
    if (o.json)
      out << JsonText(Json{{"address", address}, {"set", ClockText(*target)}}) << "\n";
    else
      out << address << ": 设备时间设为 " << ClockText(*target) << "\n";
    return kExitOk;
  }
  ClockTime time;
  if (auto s = page.ReadBoard(*contact, time); s != ServiceStatus::Ok)
    return Fail(err, address, "reading the clock", s);
  if (o.json)
    out << JsonText(ClockJson(address, time)) << "\n";
  else
    out << address << ": 设备时间 " << ClockText(time) << "\n";
  return kExitOk;
}

int Osd(BoardLink& link, const OsdOptions& o, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(o.address, err);
  if (!contact) return kExitBadArguments;
  const std::string address = qor::ipText(*contact);
  if (o.channel && (*o.channel < 1 || *o.channel > 3)) {
    err << "tavctl: --channel takes 1, 2 or 3\n";
    return kExitBadArguments;
  }
  for (const auto* column : {&o.time, &o.text})
    if (column->colour && (*column->colour < 0 || *column->colour > 5)) {
      err << "tavctl: a colour is a position 0-5 in the list 黑色 黑色 黑色 红色 红色 红色\n";
      return kExitBadArguments;
    }
  SilentNotifier quiet;
  OsdSettings page(link, quiet);
  const bool change = o.defaults || o.channel || o.time.any() || o.text.any();
  OverlayBlock block;
  if (o.defaults) {
    block = DefaultOverlay();
  } else if (auto s = page.ReadBoard(*contact, block); s != ServiceStatus::Ok) {
    return Fail(err, address, "reading the overlays", s);
  }
  if (change) {
    if (o.channel) block.channel = static_cast<std::uint32_t>(*o.channel - 1);
    if (!ApplyColumn(block.time, o.time, err) || !ApplyColumn(block.channelText, o.text, err))
      return kExitBadArguments;
    if (auto s = page.WriteBoard(*contact, block); s != ServiceStatus::Ok)
      return Fail(err, address, "setting the overlays", s);
  }
  if (o.json) {
    Json j{{"address", address},
           {"channel", block.channel + 1},
           {"time", OverlayJson(block.time)},
           {"channelText", OverlayJson(block.channelText)}};
    if (change) j["set"] = true;
    out << JsonText(j) << "\n";
  } else {
    if (change) out << address << ": 修改成功\n";
    PrintOverlay(out, block);
  }
  return kExitOk;
}

int Storage(BoardLink& link, const StorageOptions& o, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(o.address, err);
  if (!contact) return kExitBadArguments;
  const std::string address = qor::ipText(*contact);
  std::optional<std::uint32_t> fileSize, reserved;
  for (auto [given, parsed, name] :
       {std::tuple{&o.fileSize, &fileSize, "--file-size"}, {&o.reserved, &reserved, "--reserved"}})
    if (*given) {
      *parsed = ParseSizeField(**given);
      if (!*parsed) {
        err << "tavctl: " << name << " takes a size in MB (0-4294967295), not \"" << **given
            << "\"\n";
        return kExitBadArguments;
      }
    }
  SilentNotifier quiet;
  StorageSettings page(link, quiet);
  StorageReport report;
  if (auto s = page.ReadBoard(*contact, report); s != ServiceStatus::Ok)
    return Fail(err, address, "reading the storage report", s);
  const bool change = fileSize || reserved || o.save;
  if (change) {
    StorageSetting setting{fileSize.value_or(report.fileSize), reserved.value_or(report.reserved),
                           o.save ? (*o.save ? 1u : 0u) : report.saveSwitch};
    if (auto s = page.WriteBoard(*contact, setting); s != ServiceStatus::Ok)
      return Fail(err, address, "setting the storage", s);
    report.fileSize = setting.fileSize;
    report.reserved = setting.reserved;
    report.saveSwitch = setting.saveSwitch;
  }
  if (o.json) {
    Json j{{"address", address},
           {"fileSize", report.fileSize},
           {"reserved", report.reserved},
           {"save", report.saveSwitch != 0},
           {"saveSwitch", report.saveSwitch},
           {"total", report.total},
           {"used", report.used},
           {"recorded", report.recorded},
           {"fileCount", report.fileCount}};
    if (change) j["set"] = true;
    out << JsonText(j) << "\n";
  } else {
    if (change) out << address << ": Set OK\n";
    PrintColumns(out, {{"单个文件大小", std::to_string(report.fileSize) + " MB"},
                       {"磁盘预留空间", std::to_string(report.reserved) + " MB"},
                       {"保存", report.saveSwitch ? "是" : "否"}});
    std::string text = StorageReportText(report);
    std::erase(text, '\r');
    out << text;
  }
  return kExitOk;
}

int Password(BoardLink& link, const PasswordOptions& o, std::istream& in, std::ostream& out,
             std::ostream& err, std::function<void(Millis)> sleep) {
  auto contact = BoardAddress(o.address, err);
  if (!contact) return kExitBadArguments;
  const std::string address = qor::ipText(*contact);
  if (!o.passwordStdin) {
    err << "tavctl: give the new password on standard input with --password-stdin\n";
    return kExitBadArguments;
  }
  std::string password;
  std::getline(in, password);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (!CredentialBytes(o.user) || !CredentialBytes(password)) {
    err << "tavctl: " << kCredentialRefused << "\n";
    return kExitBadArguments;
  }
  // Only decoder-kind boards take a new login, as on the page.
  std::array<std::uint8_t, qor::kStatusBlockSize> status{};
  qor::putU32(status, 0, qor::kStatusBlockSize);
  if (int r = link.getConfig(address, 256, status); r != 0) {
    ReportConfigFailure(err, address, "reading the status block (type 256)", r);
    return ExitForConfigResult(r);
  }
  const int type = qor::getI32(status, status::kDeviceType);
  if (IsEncoderType(type)) {
    err << "tavctl: " << address << ": an encoder-kind board (type " << type
        << ") does not take a new login\n";
    return kExitBadArguments;
  }
  SilentNotifier quiet;
  PasswordSettings page(link, quiet);
  page.sleep = std::move(sleep);
  PasswordResult result = page.Write(*contact, o.user, password);
  if (result.status == PasswordStatus::NoConnection) {
    err << "tavctl: " << address << ": " << kPasswordConnectError << "\n";
    return kExitNoAnswer;
  }
  const auto& v = result.verdict;
  if (o.json) {
    Json j{{"address", address}, {"ok", v.ok()}, {"message", v.message}};
    if (v.kind != FileAnswerKind::Short && v.kind != FileAnswerKind::Garbled) j["code"] = v.code;
    out << JsonText(j) << "\n";
  } else if (v.ok()) {
    out << address << ": " << TerminalText(v.message) << "\n";
  }
  if (v.ok()) return kExitOk;
  if (!o.json) err << "tavctl: " << address << ": " << TerminalText(v.message) << "\n";
  return v.kind == FileAnswerKind::Short ? kExitNoAnswer : kExitExchangeFailed;
}

ServiceCli::ServiceCli(CLI::App& app) {
  time_ = app.add_subcommand("time", "Read the board's clock, or set it (时间设置)");
  time_->add_option("ADDR", timeOptions_.address, "The board's address")->required();
  auto* set =
      time_->add_option("--set", timeOptions_.set, "Set this time: \"YYYY-MM-DD HH:MM:SS\"");
  time_->add_flag("--sync", timeOptions_.sync, "Set the PC's local time (按当前时间设置)")
      ->excludes(set);
  time_->add_flag("--json", timeOptions_.json, "Print as JSON");

  osd_ = app.add_subcommand("osd",
                            "Read the time and channel-text overlays, or change them (OSD设置)");
  osd_->add_option("ADDR", osdOptions_.address, "The board's address")->required();
  osd_->add_flag("--json", osdOptions_.json, "Print as JSON");
  osd_->add_flag("--defaults", osdOptions_.defaults,
                 "Start from the page's defaults (恢复默认设置) instead of the board's overlays");
  osd_->add_option("--channel", osdOptions_.channel, "Channel 1-3");
  for (auto [prefix, column] : {std::pair{std::string("time"), &osdOptions_.time},
                                {std::string("text"), &osdOptions_.text}}) {
    const std::string which = prefix == "time" ? "time overlay" : "channel-text overlay";
    osd_->add_option("--" + prefix + "-shown", column->shown, "Show the " + which + " (1/0)");
    osd_->add_option("--" + prefix + "-text", column->text,
                     "Text of the " + which + " (at most 64 UTF-16 units)");
    osd_->add_option("--" + prefix + "-x", column->x, "X of the " + which);
    osd_->add_option("--" + prefix + "-y", column->y, "Y of the " + which);
    osd_->add_option("--" + prefix + "-transparency", column->transparency,
                     "Transparency of the " + which + " (0 opaque)");
    osd_->add_option("--" + prefix + "-background", column->background,
                     "Background transparency of the " + which);
    osd_->add_option("--" + prefix + "-colour", column->colour,
                     "Colour of the " + which + ": position 0-5 in 黑色 黑色 黑色 红色 红色 红色");
    osd_->add_option("--" + prefix + "-scale", column->scale, "Scale of the " + which + " in %");
  }

  storage_ =
      app.add_subcommand("storage", "Read the storage report, or change its settings (存储设置)");
  storage_->add_option("ADDR", storageOptions_.address, "The board's address")->required();
  storage_->add_flag("--json", storageOptions_.json, "Print as JSON");
  storage_->add_option("--file-size", storageOptions_.fileSize, "Single file size in MB");
  storage_->add_option("--reserved", storageOptions_.reserved, "Reserved disk space in MB");
  storage_->add_option("--save", storageOptions_.save, "Recording on or off (1/0)");

  password_ = app.add_subcommand(
      "password", "Write a decoder's login file (更改密码); the password comes on standard input");
  password_->add_option("ADDR", passwordOptions_.address, "The board's address")->required();
  password_->add_option("--user", passwordOptions_.user, "The new user name")->required();
  password_->add_flag("--password-stdin", passwordOptions_.passwordStdin,
                      "Read the new password from the first line of standard input");
  password_->add_flag("--json", passwordOptions_.json, "Print as JSON");
}

std::optional<int> ServiceCli::Run(std::istream& in, std::ostream& out, std::ostream& err) {
  if (time_->parsed()) return Time(LanLink(), timeOptions_, out, err);
  if (osd_->parsed()) return Osd(LanLink(), osdOptions_, out, err);
  if (storage_->parsed()) return Storage(LanLink(), storageOptions_, out, err);
  if (password_->parsed()) return Password(LanLink(), passwordOptions_, in, out, err);
  return std::nullopt;
}

}  // namespace tav::ctl

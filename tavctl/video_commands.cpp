// tavctl's video commands: the peripheral page (video), the customer timing file (customer),
// the capture parameter page (capture) and the two video position pages (position).

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>

#include "capture_notifier.h"
#include "commands.h"
#include "ctl_support.h"
#include "device/board.h"
#include "device/board_link.h"
#include "gbk.h"
#include "resources/string_table.h"
#include "video/video_pages.h"

namespace tav::ctl {
namespace {

CBoard BoardAt(std::uint32_t address) {
  CBoard board;
  board.SetSourceAddress(address);
  return board;
}

// Exit status for a result of the program's own channels.
int ExitForChannel(Channel channel, int code) {
  if (code == 0) return kExitOk;
  switch (channel) {
    case Channel::Maintenance:
      return code == kMaintConnectFailed || code == kMaintWrongLength ? kExitNoAnswer
                                                                      : kExitExchangeFailed;
    case Channel::Short:
      return code == kShortConnectFailed || code == kShortNoAnswer ? kExitNoAnswer
                                                                   : kExitExchangeFailed;
    default:
      return kExitNoAnswer;
  }
}

int ReportChannel(std::ostream& err, std::string_view address, std::string_view what,
                  Channel channel, int code) {
  err << "tavctl: " << address << ": " << what << " failed: result " << code << " ("
      << ChannelResultText(channel, code) << ")\n";
  return ExitForChannel(channel, code);
}

// The core's messages on standard error (failures) or standard output.
void PrintNotices(const CaptureNotifier& notices, std::ostream& out, std::ostream& err, bool json) {
  for (const auto& line : notices.lines) {
    if (!line.message) continue;
    (line.icon == NoticeIcon::Error || json ? err : out) << TerminalLine(line.text) << "\n";
  }
}

std::optional<std::vector<std::int32_t>> IntList(const std::string& text, std::size_t count) {
  std::vector<std::int32_t> values;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    try {
      std::size_t used = 0;
      long long v = std::stoll(item, &used, 0);
      if (used != item.size() || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
      values.push_back(static_cast<std::int32_t>(v));
    } catch (...) {
      return std::nullopt;
    }
  }
  if (values.size() != count) return std::nullopt;
  return values;
}

Json PositionJson(const PicturePosition& p) {
  return {{"up", p.up}, {"left", p.left}, {"width", p.width}, {"height", p.height}};
}

Json VideoPositionJson(const PositionFields& f) {
  return {{"width", f.width},
          {"length", f.length},
          {"x", f.x},
          {"y", f.y},
          {"horizontal", f.horizontal},
          {"vertical", f.vertical},
          {"horizontalSpacing", f.horizontalSpacing},
          {"verticalSpacing", f.verticalSpacing}};
}

}  // namespace

int Video(const VideoOptions& o, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(o.address, err);
  if (!contact) return kExitBadArguments;
  CBoard board = BoardAt(*contact);
  const std::string address = board.AddressText();
  if (int exit = RefreshStatusOrReport(board, err); exit != kExitOk) return exit;
  PeripheralSettings settings = ReadPeripheral(board.statusBlock());

  if (!o.mode.empty()) {
    auto mode = ParseModeName(o.mode, o.refresh);
    if (!mode) {
      err << "tavctl: \"" << o.mode << "\" is no mode of the mode table"
          << (o.refresh ? " at " + std::to_string(o.refresh) + " Hz" : std::string()) << "\n";
      return kExitBadArguments;
    }
    settings.code = mode->code;
    settings.width = static_cast<std::uint16_t>(mode->width);
    settings.height = static_cast<std::uint16_t>(mode->height);
    if (o.audio) settings.audioFlags = AudioFlags(*o.audio);
    const auto record = EncodePeripheral(settings);
    const int type = PeripheralConfigType(board.deviceType());
    if (int r = LanLink().setConfig(address, type, record); r != 0) {
      ReportConfigFailure(err, address,
                          "writing the peripheral record (type " + std::to_string(type) + ")", r);
      return ExitForConfigResult(r);
    }
    const std::string name = ModeName(settings.code, settings.width, settings.height);
    if (o.json)
      out << JsonText({{"address", address},
                       {"mode", name},
                       {"code", settings.code},
                       {"width", settings.width},
                       {"height", settings.height},
                       {"audioFlags", settings.audioFlags},
                       {"configType", type}})
          << "\n";
    else
      out << "外设配置成功。 " << name << " (code " << settings.code << ", audio "
          << AudioText(settings.audioFlags) << ")\n";
    return kExitOk;
  }

  PeripheralForm form = MakePeripheralForm(board.deviceType(), {});
  ShowStatus(form, board.statusBlock());
  BoardChannels channels(board, LanLink());
  CaptureNotifier notices;
  Json json = {{"address", address},
               {"deviceType", board.deviceType()},
               {"mode", form.modeName},
               {"code", form.code},
               {"width", form.width},
               {"height", form.height},
               {"peripheralType", std::string(form.types.text())},
               {"resolution", std::string(form.resolutions.text())},
               {"frequency", std::string(form.frequencies.text())},
               {"audio", form.audioText},
               {"audioFlags", settings.audioFlags},
               {"audioSampling", settings.audioSampling}};
  std::string detectLine = "-";
  if (form.detectShown) {
    if (DetectInput(channels, form, notices))
      json["detect"] = form.detectText;
    else
      json["detect"] = nullptr;
    detectLine = form.detectShown && !form.detectText.empty() ? form.detectText : "检测失败";
  }
  std::string positionLine;
  if (board.IsEncoder()) {
    AdvancedPositionPage page(channels, notices);
    if (page.read()) {
      json["picturePosition"] = PositionJson(page.fields);
      std::ostringstream s;
      s << "上移 " << page.fields.up << "  左移 " << page.fields.left << "  长宽 "
        << page.fields.width << "x" << page.fields.height;
      positionLine = s.str();
    } else {
      json["picturePosition"] = nullptr;
      positionLine = "-";
    }
  } else {
    PositionPage page(LanLink(), channels, notices, board);
    page.refresh();
    json["videoPosition"] = page.fields.enabled ? VideoPositionJson(page.fields) : Json();
    std::ostringstream s;
    if (page.fields.enabled)
      s << "宽度 " << page.fields.width << "  长度 " << page.fields.length << "  左右位置 "
        << page.fields.horizontal << "  上下位置 " << page.fields.vertical;
    else
      s << "-";
    positionLine = s.str();
  }
  if (o.json) {
    out << JsonText(json) << "\n";
    PrintNotices(notices, out, err, true);
    return kExitOk;
  }
  PrintNotices(notices, out, err, false);
  out << "外设配置  " << form.modeName << "\n"
      << "外设类型  " << form.types.text() << "\n"
      << "分辨率    " << form.resolutions.text() << "\n"
      << "频率      " << form.frequencies.text() << "\n"
      << "音频模式  " << form.audioText << "\n";
  if (form.detectShown) {
    std::string text = detectLine;
    for (std::size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, " / ");
    out << "外设信息  " << text << "\n";
  }
  out << "视频位置  " << positionLine << "\n";
  return kExitOk;
}

int Customer(std::string_view file, bool json, std::ostream& out, std::ostream& err) {
  std::ifstream in{std::string(file), std::ios::binary};
  if (!in) {
    err << "tavctl: cannot read " << file << "\n";
    return kExitBadArguments;
  }
  std::string bytes(kCustomerFileLimit + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  const CustomerTable table = ParseCustomerIni(bytes);
  if (json) {
    Json entries = Json::array(), dropped = Json::array();
    for (const auto& e : table.entries) {
      const auto& t = e.timing;
      entries.push_back({{"name", qor::gbkToUtf8(e.name)},
                         {"width", t.width},
                         {"height", t.height},
                         {"freq", t.freq},
                         {"clock", t.clock},
                         {"maxwidth", t.maxWidth},
                         {"maxheight", t.maxHeight},
                         {"offsetHori", t.offsetHori},
                         {"offsetVert", t.offsetVert}});
    }
    for (const auto& d : table.dropped)
      dropped.push_back({{"line", d.line}, {"name", qor::gbkToUtf8(d.name)}, {"reason", d.reason}});
    out << JsonText({{"file", std::string(file)},
                     {"entries", entries},
                     {"dropped", dropped},
                     {"truncated", table.truncated}})
        << "\n";
    return kExitOk;
  }
  std::vector<std::vector<std::string>> rows = {{"name", "width", "height", "freq", "clock",
                                                 "maxwidth", "maxheight", "offsetHori",
                                                 "offsetVert"}};
  for (const auto& e : table.entries) {
    const auto& t = e.timing;
    rows.push_back({qor::sanitizeUtf8(qor::gbkToUtf8(e.name)), std::to_string(t.width),
                    std::to_string(t.height), std::to_string(t.freq), std::to_string(t.clock),
                    std::to_string(t.maxWidth), std::to_string(t.maxHeight),
                    std::to_string(t.offsetHori), std::to_string(t.offsetVert)});
  }
  PrintColumns(out, rows);
  for (const auto& d : table.dropped)
    out << "dropped \"" << qor::sanitizeUtf8(qor::gbkToUtf8(d.name)) << "\" (line " << d.line
        << "): " << qor::sanitizeUtf8(d.reason) << "\n";
  if (table.truncated) out << "only the first 16384 bytes were read\n";
  out << table.entries.size() << " entries kept\n";
  return kExitOk;
}

int Capture(const CaptureOptions& o, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(o.address, err);
  if (!contact) return kExitBadArguments;
  CBoard board = BoardAt(*contact);
  const std::string address = board.AddressText();
  // The register writes depend on the device type (8070 for type 20).
  if (int exit = RefreshStatusOrReport(board, err); exit != kExitOk) return exit;
  BoardChannels channels(board, LanLink());
  CaptureNotifier notices;
  notices.answer = [&](std::string_view) { return o.yes; };
  CapturePage page(channels, notices, board.deviceType());
  Record36 record{};
  if (int r = channels.readRecord36(record); r != 0)
    return ReportChannel(err, address, "reading the customer timing record", Channel::Short, r);
  page.refreshCapture();

  bool ok = true;
  if (o.set) {
    auto v = IntList(*o.set, 8);
    if (!v) {
      err << "tavctl: --set takes W,H,HZ,CLOCK,MAXW,MAXH,HOFFSET,VOFFSET\n";
      return kExitBadArguments;
    }
    auto& f = page.fields;
    f.width = (*v)[0], f.height = (*v)[1], f.rate = (*v)[2], f.clock = (*v)[3];
    f.maxWidth = (*v)[4], f.maxHeight = (*v)[5], f.offsetHori = (*v)[6], f.offsetVert = (*v)[7];
    ok = page.setCapture() && ok;
  }
  if (o.maxWidth) page.fields.maxWidth = *o.maxWidth;
  if (o.maxHeight) page.fields.maxHeight = *o.maxHeight;
  if (o.clock) page.fields.clock = *o.clock;
  if (o.hOffset) page.fields.offsetHori = *o.hOffset, ok = page.setHorizontalOffset() && ok;
  if (o.vOffset) page.fields.offsetVert = *o.vOffset, ok = page.setVerticalOffset() && ok;
  if (o.maxWidth) ok = page.setMaxWidth() && ok;
  if (o.maxHeight) ok = page.setMaxHeight() && ok;
  if (o.clock) ok = page.setClock() && ok;
  if (o.quick) ok = page.quickSet() && ok;

  const auto& f = page.fields;
  if (o.json) {
    Json questions = Json::array();
    for (const auto& q : notices.questions) questions.push_back(TerminalLine(q));
    out << JsonText({{"address", address},
                     {"width", f.width},
                     {"height", f.height},
                     {"rate", f.rate},
                     {"clock", f.clock},
                     {"maxWidth", f.maxWidth},
                     {"maxHeight", f.maxHeight},
                     {"offsetHori", f.offsetHori},
                     {"offsetVert", f.offsetVert},
                     {"type", f.type},
                     {"blockLength", f.blockLength},
                     {"vsyncWidth", f.vsyncWidth},
                     {"lines", f.lines},
                     {"fieldLength", f.fieldLength},
                     {"info", f.info},
                     {"questions", questions},
                     {"ok", ok}})
        << "\n";
    PrintNotices(notices, out, err, true);
  } else {
    for (const auto& q : notices.questions)
      out << TerminalLine(q) << (o.yes ? " yes" : " no") << "\n";
    PrintNotices(notices, out, err, false);
    out << "长x宽xHz   " << f.width << "x" << f.height << "x" << f.rate << "\n"
        << "像素时钟   " << f.clock << "\n"
        << "最大的WxH  " << f.maxWidth << "x" << f.maxHeight << "\n"
        << "左右移     " << f.offsetHori << "\n"
        << "上下移     " << f.offsetVert << "\n"
        << "5Type      " << f.type << "\n"
        << "1blocklen  " << f.blockLength << "  2lines " << f.lines << "  3vs width "
        << f.vsyncWidth << "  4fieldlen " << f.fieldLength << "\n"
        << f.info << "\n";
  }
  return ok ? kExitOk : kExitExchangeFailed;
}

int Position(const PositionOptions& o, std::ostream& out, std::ostream& err) {
  auto contact = BoardAddress(o.address, err);
  if (!contact) return kExitBadArguments;
  CBoard board = BoardAt(*contact);
  const std::string address = board.AddressText();
  BoardChannels channels(board, LanLink());
  CaptureNotifier notices;
  Json json = {{"address", address}};

  // Picture position record (CRightView16). A write is not read back: the board takes it
  // after the connection closes, so a read at once may still see the old record.
  if (o.setPicture || o.clear || !o.decoderPage) {
    PicturePosition position;
    if (o.setPicture || o.clear) {
      auto v = o.setPicture ? IntList(*o.setPicture, 4) : std::vector<std::int32_t>{-1, -1, 0, 0};
      if (!v) {
        err << "tavctl: --set takes UP,LEFT,WIDTH,HEIGHT\n";
        return kExitBadArguments;
      }
      position = {(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
      if (int rc = channels.writeRecord16(EncodePicturePosition(position)); rc != 0)
        return ReportChannel(err, address, "writing the picture position", Channel::Short, rc);
    } else {
      Record16 record{};
      if (int rc = channels.readRecord16(record); rc != 0)
        return ReportChannel(err, address, "reading the picture position", Channel::Short, rc);
      position = DecodePicturePosition(record);
    }
    json["picturePosition"] = PositionJson(position);
    if (o.json)
      out << JsonText(json) << "\n";
    else
      out << "上移 " << position.up << "  左移 " << position.left << "  长宽 " << position.width
          << "x" << position.height << "\n";
    return kExitOk;
  }

  // Video position record (CRightView6).
  PositionPage page(LanLink(), channels, notices, board);
  if (!page.refresh()) {
    err << "tavctl: " << address << ": 获取设备状态失败。\n";
    return kExitNoAnswer;
  }
  if (!page.fields.enabled) {
    err << "tavctl: " << address << ": this board has no video position record\n";
    return kExitBadArguments;
  }
  if (o.setVideo) {
    auto v = IntList(*o.setVideo, 8);
    if (!v) {
      err << "tavctl: --set-video takes WIDTH,LENGTH,X,Y,HPOS,VPOS,HSPACE,VSPACE\n";
      return kExitBadArguments;
    }
    auto& f = page.fields;
    f.width = (*v)[0], f.length = (*v)[1], f.x = (*v)[2], f.y = (*v)[3];
    f.horizontal = (*v)[4], f.vertical = (*v)[5], f.horizontalSpacing = (*v)[6];
    f.verticalSpacing = (*v)[7];
    page.apply();
  }
  if (o.reg) {
    page.fields.address = *o.reg;
    bool done;
    if (o.value) {
      page.fields.value = *o.value;
      if (!ParseHexField(*o.value)) {
        err << "tavctl: --value takes a hexadecimal number\n";
        return kExitBadArguments;
      }
      done = page.writeRegister();
    } else {
      done = page.readRegister();
    }
    if (!done) {
      err << "tavctl: " << TerminalLine(str(kStrRegisterAddressInvalid)) << "\n";
      return kExitBadArguments;
    }
    json["register"] = {{"address", *o.reg}, {"value", page.fields.value}};
  }
  if (!o.setVideo && !o.reg) page.refresh();
  json["videoPosition"] = VideoPositionJson(page.fields);
  if (o.json) {
    out << JsonText(json) << "\n";
    PrintNotices(notices, err, err, true);
  } else {
    for (const auto& line : notices.lines)
      if (line.message && line.icon == NoticeIcon::Error) err << TerminalLine(line.text) << "\n";
    const auto& f = page.fields;
    out << "宽度 " << f.width << "  长度 " << f.length << "  X坐标 " << f.x << "  Y坐标 " << f.y
        << "\n左右位置 " << f.horizontal << "  上下位置 " << f.vertical << "  水平间隔 "
        << f.horizontalSpacing << "  垂直间隔 " << f.verticalSpacing << "\n";
    if (o.reg) out << "地址 0x" << *o.reg << "  值 0x" << page.fields.value << "\n";
  }
  return kExitOk;
}

std::function<std::optional<int>()> AddVideoCommands(CLI::App& app, std::ostream& out,
                                                     std::ostream& err) {
  auto video = std::make_shared<VideoOptions>();
  auto* videoCmd = app.add_subcommand(
      "video",
      "The peripheral page: capture/display mode, detected input and picture position; "
      "--mode applies a mode");
  videoCmd->add_option("ADDR", video->address, "The board's address")->required();
  videoCmd->add_option("--mode", video->mode,
                       "A mode name of the mode table, e.g. CAPTURE_HDMI50i_1920x1080_50Hz, "
                       "CAPTURE_VGA_1280x1024 (with --refresh) or CAPTURE_AUTO");
  videoCmd->add_option("--refresh", video->refresh, "Refresh rate in Hz for a name without one");
  auto* audioOpt = videoCmd->add_option_function<std::string>(
      "--audio", [video](const std::string& a) { video->audio = a; },
      "Audio mode with --mode: STEREO, HDMI, SDI, BOTH, MUTE (default: keep)");
  audioOpt->needs(videoCmd->get_option("--mode"));
  videoCmd->add_flag("--json", video->json, "Print as JSON");

  auto customer = std::make_shared<std::pair<std::string, bool>>();
  auto* customerCmd = app.add_subcommand(
      "customer", "Read a customer.ini: the entries it keeps and why it drops the others");
  customerCmd->add_option("FILE", customer->first, "The file")->required();
  customerCmd->add_flag("--json", customer->second, "Print as JSON");

  auto capture = std::make_shared<CaptureOptions>();
  auto* captureCmd =
      app.add_subcommand("capture",
                         "The capture parameter page: read the customer timing record and set the "
                         "front end's registers");
  captureCmd->add_option("ADDR", capture->address, "The board's address")->required();
  captureCmd->add_option_function<std::string>(
      "--set", [capture](const std::string& v) { capture->set = v; },
      "Write the record: W,H,HZ,CLOCK,MAXW,MAXH,HOFFSET,VOFFSET");
  captureCmd->add_option_function<int>(
      "--hoffset", [capture](int v) { capture->hOffset = v; }, "单配 of 左右移 (-511..511)");
  captureCmd->add_option_function<int>(
      "--voffset", [capture](int v) { capture->vOffset = v; }, "单配 of 上下移 (0..255)");
  captureCmd->add_option_function<int>(
      "--max-width", [capture](int v) { capture->maxWidth = v; }, "单配W");
  captureCmd->add_option_function<int>(
      "--max-height", [capture](int v) { capture->maxHeight = v; }, "单配H");
  captureCmd->add_option_function<int>(
      "--clock", [capture](int v) { capture->clock = v; }, "单配C with this pixel clock (Hz)");
  captureCmd->add_flag("--quick", capture->quick, "速配");
  captureCmd->add_flag("--yes", capture->yes, "Answer yes to 速配's question");
  captureCmd->add_flag("--json", capture->json, "Print as JSON");

  auto position = std::make_shared<PositionOptions>();
  auto* positionCmd = app.add_subcommand(
      "position",
      "The video position pages: the picture position record (encoders), or with "
      "--video the video position record and its registers");
  positionCmd->add_option("ADDR", position->address, "The board's address")->required();
  positionCmd->add_flag("--video", position->decoderPage,
                        "The video position record (the page decoders get)");
  positionCmd->add_option_function<std::string>(
      "--set", [position](const std::string& v) { position->setPicture = v; },
      "Write the picture position: UP,LEFT,WIDTH,HEIGHT");
  positionCmd->add_flag("--clear", position->clear, "清空设置: -1,-1,0,0");
  positionCmd->add_option_function<std::string>(
      "--set-video", [position](const std::string& v) { position->setVideo = v; },
      "With --video: WIDTH,LENGTH,X,Y,HPOS,VPOS,HSPACE,VSPACE");
  positionCmd->add_option_function<std::string>(
      "--register", [position](const std::string& v) { position->reg = v; },
      "With --video: read (or with --value write) a video register, hexadecimal 1C71C00-1C71F80");
  positionCmd->add_option_function<std::string>(
      "--value", [position](const std::string& v) { position->value = v; },
      "Hexadecimal value for --register");
  positionCmd->add_flag("--json", position->json, "Print as JSON");

  return [=, &out, &err]() -> std::optional<int> {
    if (videoCmd->parsed()) return Video(*video, out, err);
    if (customerCmd->parsed()) return Customer(customer->first, customer->second, out, err);
    if (captureCmd->parsed()) return Capture(*capture, out, err);
    if (positionCmd->parsed()) {
      if (!position->decoderPage && (position->setVideo || position->reg)) {
        err << "tavctl: --set-video and --register need --video\n";
        return kExitBadArguments;
      }
      return Position(*position, out, err);
    }
    return std::nullopt;
  };
}

}  // namespace tav::ctl

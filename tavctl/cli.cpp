#include "cli.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <map>

#include "batch_commands.h"
#include "commands.h"
#include "service_commands.h"
#include "upgrade_cli.h"

namespace tav::ctl {

std::string_view ExitStatusHelp() {
  return "Exit status:\n"
         "  0  success\n"
         "  1  internal error\n"
         "  2  bad arguments or input refused (no board was changed)\n"
         "  3  no board answered (search found none; the board refused the connection or sent "
         "nothing in time)\n"
         "  4  the exchange failed (the board answered wrongly, or a datagram could not be sent)\n";
}

int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
           std::ostream& err) {
  CLI::App app{
      "tavctl: find and configure the codec boards on this LAN from a terminal (Tavmon's command "
      "line)",
      "tavctl"};
  app.require_subcommand(1);
  app.footer(std::string(ExitStatusHelp()));

  SearchOptions search;
  auto* searchCmd = app.add_subcommand(
      "search", "Search the LAN for boards and list them as Tavmon's device list does");
  searchCmd->add_option("--adapter", search.adapter,
                        "Address of the adapter the boards are on (default: the first)");
  searchCmd->add_option("--wait", search.waitMs, "How long answers are taken in, in ms")
      ->capture_default_str();
  auto* searchJson =
      searchCmd->add_flag("--json", search.json, "Print the boards' raw fields as JSON");
  searchCmd->add_flag("--csv", search.csv, "Print the list and raw fields as CSV (UTF-8, BOM)")
      ->excludes(searchJson);

  std::string address;
  bool json = false;
  auto* showCmd =
      app.add_subcommand("show", "Read a board's status block (type 256) and print its settings");
  showCmd->add_option("ADDR", address, "The board's address, as search lists it")->required();
  showCmd->add_flag("--json", json, "Print as JSON");

  int type = 0;
  std::string data;
  auto* getCmd = app.add_subcommand("get", "Read one configuration block and print it as hex");
  getCmd->add_option("ADDR", address, "The board's address")->required();
  getCmd->add_option("TYPE", type, "Configuration read type, 256-269 (268: a text command)")
      ->required();
  getCmd->add_option("TEXT", data, "The command text of type 268");

  auto* setCmd = app.add_subcommand("set", "Write one configuration record");
  setCmd->add_option("ADDR", address, "The board's address")->required();
  setCmd->add_option("TYPE", type, "Configuration write type, 0-19")->required();
  setCmd
      ->add_option("RECORD", data,
                   "The record as hex digits, or @FILE (hex text or the raw bytes; @- reads "
                   "standard input); "
                   "type 19 takes its command text")
      ->required();

  auto* restartCmd = app.add_subcommand("restart", "Restart a board (configuration type 12)");
  restartCmd->add_option("ADDR", address, "The board's address")->required();

  auto* resetCmd =
      app.add_subcommand("factory-reset", "Restore a board's factory settings (UDP group command)");
  resetCmd->add_option("ADDR", address, "The board's address")->required();

  SetIpOptions setIp;
  std::string name;
  auto* setIpCmd = app.add_subcommand("set-ip",
                                      "Give a board a new address, mask, gateway and name (by TCP "
                                      "when it is in this PC's subnet, else by "
                                      "UDP broadcast)");
  setIpCmd->add_option("ADDR", setIp.address, "The board's address, as search lists it")
      ->required();
  auto* ipOpt = setIpCmd->add_option("--ip", setIp.ip, "New address");
  auto* maskOpt = setIpCmd->add_option("--mask", setIp.mask, "New subnet mask");
  auto* gatewayOpt = setIpCmd->add_option("--gateway", setIp.gateway, "New gateway");
  auto* nameOpt = setIpCmd->add_option("--name", name, "New device name (default: keep it)");
  auto* dhcpFlag =
      setIpCmd->add_flag("--dhcp", setIp.dhcp, "Let the board take its address by DHCP");
  dhcpFlag->excludes(ipOpt)->excludes(maskOpt)->excludes(gatewayOpt);
  setIpCmd->add_flag("--force", setIp.force, "Accept a gateway outside the new address's subnet");
  setIpCmd
      ->add_option("--wait", setIp.waitMs,
                   "Search window when the board cannot be read at ADDR, in ms")
      ->capture_default_str();

  ServiceCli service(app);
  BatchCli batchCli(app);
  EdidOptions edid;
  auto* edidCmd = app.add_subcommand("edid",
                                     "Read a board's EDID or its monitor's (EDID调试): the "
                                     "decoded summary, the page's 32 lines, or lock, "
                                     "unlock, clear and copy");
  edidCmd->add_option("ADDR", edid.address, "The board's address")->required();
  edidCmd->add_flag("--monitor", edid.monitor, "The attached monitor's EDID");
  auto* rawFlag = edidCmd->add_flag("--raw", edid.raw, "The page's 32 lower-case lines");
  edidCmd->add_flag("--json", edid.json, "Print as JSON")->excludes(rawFlag);
  std::map<std::string, EdidAction> edidActions{{"--lock-state", EdidAction::LockState},
                                                {"--lock", EdidAction::Lock},
                                                {"--unlock", EdidAction::Unlock},
                                                {"--clear", EdidAction::Clear},
                                                {"--copy-monitor", EdidAction::CopyMonitor}};
  std::vector<CLI::Option*> edidActionFlags;
  for (const auto& [flag, action] : edidActions)
    edidActionFlags.push_back(edidCmd->add_flag_callback(
        flag, [&edid, action = action] { edid.action = action; },
        "Instead of reading: " + flag.substr(2) + " (shows the lock state after)"));
  for (auto* a : edidActionFlags)
    for (auto* b : edidActionFlags)
      if (a != b) a->excludes(b);

  RegOptions reg;
  int regBus = 0;
  auto* regCmd = app.add_subcommand("reg",
                                    "Read or write chip registers over i2c (i2c调试; with "
                                    "--bus: 通用i2c调试). Numbers: 0x.. hex, else decimal");
  regCmd->add_option("ADDR", reg.address, "The board's address")->required();
  regCmd->add_option("ARGS", reg.args,
                     "read|write DEV REG [VALUE], or [DEV] with --list/--read-list");
  auto* busOpt = regCmd->add_option("--bus", regBus, "i2c bus 0, 1 or 2 (the general page)");
  regCmd->add_flag("--16", reg.wide, "16-bit register and value (SPI boards)");
  auto* listOpt = regCmd->add_option(
      "--list", reg.listFile, "Write a register list file of \"reg,value\" lines (-: stdin)");
  regCmd->add_flag("--read-list", reg.readList, "Read the registers as a list")->excludes(listOpt);
  regCmd->add_flag("--json", reg.json, "Print as JSON");

  SerialOptions serial;
  auto* serialCmd = app.add_subcommand("serial",
                                       "Read or set the serial port's baud rate and send "
                                       "bytes out of it (串口设置)");
  serialCmd->add_option("ADDR", serial.address, "The board's address")->required();
  serialCmd->add_option("--baud", serial.baud, "Write this baud rate (auto: 动态调整)");
  serialCmd->add_option("--send", serial.send,
                        "Bytes as the page takes them: ff-01-00-07-00-48-50");
  serialCmd->add_flag("--json", serial.json, "Print as JSON");

  PtzOptions ptz;
  auto* ptzCmd =
      app.add_subcommand("ptz", "Send a camera keypad frame (Pelco-D) out of the serial port");
  ptzCmd->add_option("ADDR", ptz.address, "The board's address")->required();
  ptzCmd
      ->add_option("KEY", ptz.key,
                   "up, down, left, right, zoom-in, zoom-out, focus-near, focus-far or stop")
      ->required();
  ptzCmd->add_option("--speed", ptz.speed, "Pan/tilt speed, 0 to 0x3f (default 0x27)");
  ptzCmd->add_flag("--json", ptz.json, "Print as JSON");
  auto runVideo = AddVideoCommands(app, out, err);
  UpgradeInfoOptions upgradeInfo;
  auto* upgradeInfoCmd = app.add_subcommand(
      "upgrade-info", "Read an upgrade package (.qoru) and print the upgrade page's file line");
  AddUpgradeInfoOptions(*upgradeInfoCmd, upgradeInfo);
  upgradeInfoCmd->alias("package");
  UpgradeOptions upgrade;
  auto* upgradeCmd = app.add_subcommand("upgrade",
                                        "Upgrade boards from a package: ADDR... FILE (or FILE "
                                        "ADDR...), components in order to each board");
  AddUpgradeOptions(*upgradeCmd, upgrade);
  DiagnoseOptions diagnose;
  auto* diagnoseCmd = app.add_subcommand(
      "diagnose", "Search, then check that every decoder has an encoder configured to feed it");
  diagnoseCmd->add_option("--adapter", diagnose.adapter,
                          "Address of the adapter the boards are on");
  diagnoseCmd->add_option("--wait", diagnose.waitMs, "Search window, in ms")->capture_default_str();
  diagnoseCmd->add_flag("--json", diagnose.json, "Print as JSON");

  DetectOptions detect;
  auto* detectCmd = app.add_subcommand(
      "detect", "Count encoders' streams: total, video and audio rates (kbit/s) every second");
  detectCmd->add_option("ADDR", detect.addresses, "Encoders' addresses");
  detectCmd->add_flag("--all", detect.all, "Every eligible encoder a search finds");
  detectCmd->add_option("--seconds", detect.seconds, "How long to count")->capture_default_str();
  detectCmd->add_option("--adapter", detect.adapter, "Adapter for the search of --all");
  detectCmd->add_option("--wait", detect.waitMs, "Search window of --all, in ms")
      ->capture_default_str();
  detectCmd->add_flag("--json", detect.json, "One JSON object per second");

  SourcesOptions sources;
  auto* sourcesCmd = app.add_subcommand(
      "sources", "Search, then list the encoders whose sending matches a decoder's reception");
  sourcesCmd->add_option("ADDR", sources.address, "The decoder's address")->required();
  sourcesCmd->add_option("--adapter", sources.adapter, "Address of the adapter the boards are on");
  sourcesCmd->add_option("--wait", sources.waitMs, "Search window, in ms")->capture_default_str();
  sourcesCmd->add_flag("--json", sources.json, "Print as JSON");

  for (CLI::App* sub : app.get_subcommands({})) sub->footer(std::string(ExitStatusHelp()));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? kExitOk : kExitBadArguments;
  }

  if (auto rc = runVideo()) return *rc;
  if (app.got_subcommand(searchCmd)) return Search(search, out, err);
  if (app.got_subcommand(showCmd)) return Show(address, json, out, err);
  if (app.got_subcommand(getCmd)) return Get(address, type, data, out, err);
  if (app.got_subcommand(setCmd)) return Set(address, type, data, in, out, err);
  if (app.got_subcommand(restartCmd)) return Restart(address, out, err);
  if (app.got_subcommand(resetCmd)) return FactoryReset(address, out, err);
  if (auto status = service.Run(in, out, err)) return *status;
  if (app.got_subcommand(upgradeInfoCmd)) return UpgradeInfo(upgradeInfo, out, err);
  if (app.got_subcommand(upgradeCmd)) return Upgrade(upgrade, in, out, err);
  if (auto status = batchCli.Run(in, out, err)) return *status;
  if (app.got_subcommand(setIpCmd)) {
    if (*nameOpt) setIp.name = name;
    return SetIp(setIp, out, err);
  }
  if (app.got_subcommand(edidCmd)) return Edid(edid, out, err);
  if (app.got_subcommand(regCmd)) {
    if (*busOpt) reg.bus = regBus;
    return Reg(reg, in, out, err);
  }
  if (app.got_subcommand(serialCmd)) return Serial(serial, out, err);
  if (app.got_subcommand(ptzCmd)) return Ptz(ptz, out, err);
  if (app.got_subcommand(diagnoseCmd)) return Diagnose(diagnose, out, err);
  if (app.got_subcommand(detectCmd)) return Detect(detect, out, err);
  if (app.got_subcommand(sourcesCmd)) return Sources(sources, out, err);
  return kExitBadArguments;
}

}  // namespace tav::ctl

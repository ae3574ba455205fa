#include "cli.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"

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

  for (CLI::App* sub : app.get_subcommands({})) sub->footer(std::string(ExitStatusHelp()));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e, out, err);
    return code == 0 ? kExitOk : kExitBadArguments;
  }

  if (app.got_subcommand(searchCmd)) return Search(search, out, err);
  if (app.got_subcommand(showCmd)) return Show(address, json, out, err);
  if (app.got_subcommand(getCmd)) return Get(address, type, data, out, err);
  if (app.got_subcommand(setCmd)) return Set(address, type, data, in, out, err);
  if (app.got_subcommand(restartCmd)) return Restart(address, out, err);
  if (app.got_subcommand(resetCmd)) return FactoryReset(address, out, err);
  if (app.got_subcommand(setIpCmd)) {
    if (*nameOpt) setIp.name = name;
    return SetIp(setIp, out, err);
  }
  return kExitBadArguments;
}

}  // namespace tav::ctl

#pragma once
// The command-line options of upgrade-info and upgrade.
#include <CLI/CLI.hpp>

#include "commands.h"

namespace tav::ctl {

inline void AddUpgradeInfoOptions(CLI::App& cmd, UpgradeInfoOptions& o) {
  cmd.add_option("FILE", o.file, "The upgrade package")->required();
  cmd.add_flag("--batch", o.batch, "Read it as the batch upgrade page does (short header only)");
  cmd.add_flag("--json", o.json, "Print the parsed header as JSON");
}

inline void AddUpgradeOptions(CLI::App& cmd, UpgradeOptions& o) {
  // "ADDR... FILE": one list, the package last (Upgrade takes it off).
  cmd.add_option("ADDR...FILE", o.addresses,
                 "The boards' addresses, then the upgrade package (.qoru)")
      ->required()
      ->expected(2, -1);
  cmd.add_flag("--batch", o.batch,
               "The batch page's rules: short header only, the first board fixes the type, 9 "
               "receive attempts");
  cmd.add_flag("--yes", o.yes, "Answer \"确定是否升级程序\" with Yes");
  cmd.add_option("--parallel", o.parallel, "Boards upgraded at once (not with --batch)")
      ->check(CLI::Range(1, 64))
      ->capture_default_str();
  cmd.add_flag("--json", o.json, "Print every board's results as JSON");
}

}  // namespace tav::ctl

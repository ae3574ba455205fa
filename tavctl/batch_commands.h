#pragma once
// maint and batch: the maintenance dialog (UDP 6006) and the batch window's restart and factory
// reset from the command line. The commands take their transports so tests can script them;
// the registration hands them the LAN's.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_ops.h"
#include "batch/maintenance.h"

namespace CLI {
class App;
}

namespace tav::ctl {

struct MaintOptions {
  std::string action;  // search, restart, reset, exec
  std::vector<std::string> addresses;
  std::string text;     // exec: the command text (UTF-8)
  std::string adapter;  // dotted address of the one adapter to use; empty: every adapter
  bool json = false;
};
int Maint(batch::MaintenanceTransport& transport, const MaintOptions& options, std::ostream& out,
          std::ostream& err);

struct BatchOptions {
  std::string action;  // restart, reset
  bool all = false, encoders = false, decoders = false;
  std::vector<std::string> addresses;  // the selected boards
  std::string user = batch::kFactoryUserDefault;
  std::string password = batch::kFactoryPasswordDefault;
  std::string adapter;  // the search behind reset --encoders/--decoders
  int waitMs = 3000;
  bool json = false;
};
int Batch(batch::BatchSender& sender, const BatchOptions& options, std::ostream& out,
          std::ostream& err);

class BatchCli {
 public:
  explicit BatchCli(CLI::App& app);
  std::optional<int> Run(std::istream& in, std::ostream& out, std::ostream& err);

 private:
  CLI::App *maint_, *batch_;
  MaintOptions maintOptions_;
  BatchOptions batchOptions_;
};

}  // namespace tav::ctl

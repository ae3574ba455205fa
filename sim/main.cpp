// qorsim FLEET.json: serves a fleet of simulated boards on the boards' side of the test LAN
// until SIGINT or SIGTERM, one log line per exchange on stdout.
// qorsim --generate N [--subnet A.B.C.D/P]: prints a fleet file of N boards.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "generate.h"
#include "qorsim.h"

int main(int argc, char** argv) {
  CLI::App app{"qorsim: simulated codec boards for the test LAN"};
  std::string fleetPath;
  double restartSeconds = -1;
  int generate = 0;
  std::string subnet = "10.77.0.0/16";
  int spreadMs = 0;
  app.add_option("fleet", fleetPath, "fleet file (JSON)");
  app.add_option("--restart-seconds", restartSeconds,
                 "silence after a restart (overrides the fleet file)");
  bool streams = false;
  app.add_flag("--streams", streams,
               "encoders in a UDP sending mode send MPEG-TS streams at their bit rates");
  bool burstFlag = false;
  auto* burst =
      app.add_flag("--burst", burstFlag, "answer a search with every board at once (the default)");
  app.add_option("--spread", spreadMs,
                 "each board answers a search after a random delay below MS milliseconds")
      ->check(CLI::Range(1, 60000))
      ->excludes(burst);
  app.add_option("--generate", generate, "print a fleet file of N boards instead of serving")
      ->check(CLI::Range(1, 1 << 22));
  app.add_option("--subnet", subnet, "the generated boards' subnet (default 10.77.0.0/16)");
  CLI11_PARSE(app, argc, argv);

  if (generate > 0) {
    try {
      // One board per line: large files stay easy to read and to diff.
      const auto fleet = qorsim::generateFleet(generate, subnet);
      std::string text = "{\"boards\": [\n";
      for (std::size_t i = 0; i < fleet["boards"].size(); ++i)
        text += (i ? ",\n " : " ") + fleet["boards"][i].dump();
      std::puts((text + "\n]}").c_str());
    } catch (const qorsim::FleetError& e) {
      std::fprintf(stderr, "qorsim: %s\n", e.what());
      return 2;
    }
    return 0;
  }
  if (fleetPath.empty()) {
    std::fprintf(stderr, "qorsim: a fleet file is required (or --generate N)\n");
    return 2;
  }

  std::optional<qorsim::Simulator> sim;
  try {
    sim.emplace(qorsim::Simulator::fromFile(fleetPath));
  } catch (const qorsim::FleetError& e) {
    std::fprintf(stderr, "qorsim: %s\n", e.what());
    return 2;
  }
  if (restartSeconds >= 0) sim->setRestartSeconds(restartSeconds);
  sim->setStreams(streams);
  sim->setSearchSpread(std::chrono::milliseconds(spreadMs));

  // Block the stop signals before any thread exists, so only sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  sim->setLogSink([](const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
  });
  try {
    sim->start();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::string list;
  auto addresses = sim->addresses();
  for (std::size_t i = 0; i < addresses.size() && i < 20; ++i) list += " " + addresses[i];
  if (addresses.size() > 20) list += " ... " + addresses.back();
  std::printf("qorsim: serving %zu boards:%s\n", sim->boardCount(), list.c_str());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  std::printf("qorsim: stopping (%s)\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
  sim->stop();
  return 0;
}

// qorsim FLEET.json: serves a fleet of simulated boards on the boards' side of the test LAN
// until SIGINT or SIGTERM, one log line per exchange on stdout.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

#include "qorsim.h"

int main(int argc, char** argv) {
  CLI::App app{"qorsim: simulated codec boards for the test LAN"};
  std::string fleetPath;
  double restartSeconds = -1;
  app.add_option("fleet", fleetPath, "fleet file (JSON)")->required();
  app.add_option("--restart-seconds", restartSeconds,
                 "silence after a restart (overrides the fleet file)");
  bool streams = false;
  app.add_flag("--streams", streams,
               "encoders in a UDP sending mode send MPEG-TS streams at their bit rates");
  CLI11_PARSE(app, argc, argv);

  std::optional<qorsim::Simulator> sim;
  try {
    sim.emplace(qorsim::Simulator::fromFile(fleetPath));
  } catch (const qorsim::FleetError& e) {
    std::fprintf(stderr, "qorsim: %s\n", e.what());
    return 2;
  }
  if (restartSeconds >= 0) sim->setRestartSeconds(restartSeconds);
  sim->setStreams(streams);

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
  for (auto& a : sim->addresses()) list += " " + a;
  std::printf("qorsim: serving %zu boards:%s\n", sim->boardCount(), list.c_str());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  std::printf("qorsim: stopping (%s)\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
  sim->stop();
  return 0;
}

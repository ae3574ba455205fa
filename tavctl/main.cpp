// tavctl: the command-line face of Tavmon.

#include <exception>
#include <iostream>

#include "cli.h"
#include "commands.h"
#include "resources/language.h"

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);  // every text tavctl prints is UTF-8
#endif
  tav::UseBuiltInLanguage(tav::LanguageFromEnvironment());  // LANG=en_US.UTF-8: English
  try {
    return tav::ctl::RunCli(argc, argv, std::cin, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "tavctl: " << e.what() << "\n";
    return tav::ctl::kExitInternal;
  }
}

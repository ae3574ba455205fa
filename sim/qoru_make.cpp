// qoru_make: writes an upgrade package (.qoru) for tests and the demo, from files or from
// generated components of given sizes.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <iterator>

#include "upgrade/upgrade_package.h"

int main(int argc, char** argv) {
  CLI::App app{"qoru_make: write an upgrade package (.qoru) for tests and the demo", "qoru_make"};
  std::string out;
  int type = -1;
  bool longHeader = false;
  std::vector<std::string> files;
  std::vector<std::size_t> sizes;
  app.add_option("OUT", out, "The package to write")->required();
  app.add_option("--type", type, "Board type the package is for (-1: any)")->capture_default_str();
  app.add_flag("--long", longHeader, "Long header (up to 128 components) instead of the short one");
  app.add_option("--component", files, "A file to take as the next component");
  app.add_option("--size", sizes, "A generated component of this many bytes");
  CLI11_PARSE(app, argc, argv);

  std::vector<std::vector<std::uint8_t>> components;
  for (const std::string& f : files) {
    std::ifstream in(f, std::ios::binary);
    if (!in) {
      std::cerr << "qoru_make: cannot read " << f << "\n";
      return 2;
    }
    components.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::uint32_t state = 0x2545F491u;  // xorshift: the same bytes every run
  for (std::size_t size : sizes) {
    std::vector<std::uint8_t> c(size);
    for (auto& b : c) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      b = static_cast<std::uint8_t>(state);
    }
    components.push_back(std::move(c));
  }
  const std::size_t most =
      longHeader ? tav::upgrade::kLongMaxComponents : tav::upgrade::kShortMaxComponents;
  if (components.size() > most) {
    std::cerr << "qoru_make: at most " << most << " components\n";
    return 2;
  }
  auto package = tav::upgrade::BuildPackage(
      longHeader ? tav::upgrade::HeaderKind::Long : tav::upgrade::HeaderKind::Short, type,
      components);
  std::ofstream o(out, std::ios::binary);
  o.write(reinterpret_cast<const char*>(package.data()),
          static_cast<std::streamsize>(package.size()));
  if (!o) {
    std::cerr << "qoru_make: cannot write " << out << "\n";
    return 1;
  }
  return 0;
}

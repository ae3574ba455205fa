// Runs a harness over files instead of under libFuzzer: every regular file of each folder
// given (in name order) or each file given is fed once to LLVMFuzzerTestOneInput. Built with
// any compiler, so the normal and the sanitizer builds replay every seed and former crash.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& argument) {
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_directory(argument)) {
    for (const auto& entry : std::filesystem::directory_iterator(argument))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
  } else if (std::filesystem::is_regular_file(argument)) {
    files.push_back(argument);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    auto files = InputsOf(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "replay: no inputs in %s\n", argv[i]);
      return 1;
    }
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
      if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
        return 1;
      }
      std::fprintf(stderr, "replay: %s\n", file.c_str());
      // A heap copy of exactly the file's size, as libFuzzer passes it: ASan sees any read
      // past its end, even of an empty input.
      auto input = std::make_unique<std::uint8_t[]>(bytes.size());
      std::copy(bytes.begin(), bytes.end(), input.get());
      LLVMFuzzerTestOneInput(input.get(), bytes.size());
      ++replayed;
    }
  }
  if (replayed == 0) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER|FILE...\n", argv[0]);
    return 1;
  }
  std::printf("replay: %zu inputs ran clean\n", replayed);
  return 0;
}

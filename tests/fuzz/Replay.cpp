// Runs a fuzz target's entry point over the inputs kept for it: the files
// of the directories given (findings that were fixed and the inputs that
// found them). The target aborts when an input breaks what it checks, so
// a regression fails the test. Usage: replay_<target> DIR...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int inputs = 0;
  for (int a = 1; a < argc; ++a) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(argv[a]))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
      std::ifstream in(f, std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
      std::printf("%s (%zu bytes)\n", f.filename().c_str(), bytes.size());
      std::fflush(stdout);
      // A copy of exactly the input's size, so that a read past it shows.
      std::vector<uint8_t> exact(bytes);
      LLVMFuzzerTestOneInput(exact.data(), exact.size());
      ++inputs;
    }
  }
  std::printf("%d inputs replayed\n", inputs);
  return inputs > 0 ? 0 : 1;
}

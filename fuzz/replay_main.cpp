// Runs a fuzz target once over every file of the folders it is given (a
// missing folder is empty): the seed corpus and the inputs that once found
// a fault, replayed as a plain test in builds without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::set<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(argv[i], ec)) {
      if (e.is_regular_file()) files.insert(e.path());
    }
  }
  for (const std::filesystem::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("replayed %zu inputs\n", files.size());
  return 0;
}

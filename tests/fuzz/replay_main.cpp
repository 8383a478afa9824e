// Runs a fuzz target over saved inputs, so that the normal test run replays
// every corpus file (seeds and past crashes) without libFuzzer.
//
// Usage: <program> <file or folder>...   Folders are read one level deep,
// in name order. Fails when a path cannot be read or holds no input.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{
bool Replay(const std::filesystem::path& path)
{
  std::ifstream in(path, std::ios::binary);
  if (!in)
  {
    fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A null pointer for an empty input, as libFuzzer may pass.
  LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
  return true;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc < 2)
  {
    fprintf(stderr, "usage: %s <file or folder>...\n", argv[0]);
    return 2;
  }
  int replayed = 0;
  for (int i = 1; i < argc; ++i)
  {
    const std::filesystem::path path(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
    {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(path, error))
      {
        if (entry.is_regular_file())
          files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const auto& file : files)
      {
        if (!Replay(file))
          return 1;
        ++replayed;
      }
    }
    else
    {
      if (!Replay(path))
        return 1;
      ++replayed;
    }
  }
  printf("replayed %d inputs\n", replayed);
  return replayed > 0 ? 0 : 1;
}

// The baseline of the wine benchmark: files of the given sizes written into
// a folder by a plain loop of WriteFile calls of 256 KiB, the size of the
// program's own output buffer, from one block that stays in the cache. What
// the system and wine take for the bytes alone, the most a run could reach.
// With --durable every file is also flushed to the disk at the end
// (FlushFileBuffers), as a run does before it says "Finished.": all of them
// at once, after the last write, so that the disk may take them in any order
// meanwhile, the least a durable run could wait.
//   write_loop FOLDER [--durable] SIZE...     prints the time in milliseconds
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
  const bool durable = argc > 2 && std::string_view(argv[2]) == "--durable";
  const int firstSize = durable ? 3 : 2;
  if (argc <= firstSize) {
    std::fprintf(stderr, "usage: write_loop FOLDER [--durable] SIZE...\n");
    return 2;
  }
  constexpr std::size_t kBlock = 256 * 1024;
  // Digits, blanks and line ends, like a run's records.
  std::vector<char> block(kBlock);
  for (std::size_t i = 0; i < kBlock; ++i) block[i] = i % 70 >= 68 ? "\r\n"[i % 70 - 68] : "0123456789 ,"[i % 12];
  std::vector<HANDLE> unflushed;
  const auto begin = std::chrono::steady_clock::now();
  for (int i = firstSize; i < argc; ++i) {
    const std::string path = std::string(argv[1]) + "\\loop-" + std::to_string(i - 1) + ".txt";
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "cannot create %s: error %lu\n", path.c_str(), GetLastError());
      return 1;
    }
    for (unsigned long long left = std::strtoull(argv[i], nullptr, 10); left > 0;) {
      const DWORD size = static_cast<DWORD>(std::min<unsigned long long>(left, kBlock));
      DWORD written = 0;
      if (!WriteFile(file, block.data(), size, &written, nullptr) || written == 0) {
        std::fprintf(stderr, "cannot write %s: error %lu\n", path.c_str(), GetLastError());
        return 1;
      }
      left -= written;
    }
    if (durable) {
      unflushed.push_back(file);
    } else {
      CloseHandle(file);
    }
  }
  for (const HANDLE file : unflushed) {
    if (!FlushFileBuffers(file)) {
      std::fprintf(stderr, "cannot flush: error %lu\n", GetLastError());
      return 1;
    }
    CloseHandle(file);
  }
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - begin;
  std::printf("%.1f\n", took.count());
  return 0;
}

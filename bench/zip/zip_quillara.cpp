// Archives a folder with the proxy package writer and prints the time, the input size and the
// peak resident memory of the process.
//   zip_quillara SRCDIR OUT.zip
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "proxy/TZipFile.h"

namespace fs = std::filesystem;

long PeakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  unsigned long long bytes = 0;
  for (auto& e : fs::recursive_directory_iterator(argv[1]))
    if (e.is_regular_file()) bytes += e.file_size();
  auto start = std::chrono::steady_clock::now();
  quillara::TDSProxyUtils::CompressDirectory(argv[1], argv[2]);
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("RESULT quillara in_bytes=%llu out_bytes=%llu secs=%.4f peak_KiB=%ld\n", bytes,
              (unsigned long long)fs::file_size(argv[2]), secs, PeakKiB());
}

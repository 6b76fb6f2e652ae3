#pragma once
// A connection over fixed bytes: reads hand them out in pieces cut where the test says, writes
// are collected.
#include <algorithm>
#include <string>
#include <vector>

#include "http/IHTTPConnection.h"

namespace quillara::testing {

class TMemoryConnection : public IHTTPConnection {
 public:
  // Reads end at each cut position in turn, so a request can arrive split anywhere. With
  // pauses, the bytes after a cut count as not yet arrived when the reader only waits for them.
  TMemoryConnection(std::string input, std::vector<size_t> cuts = {}, bool pauses = false)
      : FInput(std::move(input)), FCuts(std::move(cuts)), FPauses(pauses) {}

  long Read(char* buffer, size_t size) override {
    if (FPos >= FInput.size()) return 0;
    size_t end = FInput.size();
    for (size_t cut : FCuts)
      if (cut > FPos && cut < end) end = cut;
    size_t n = std::min(size, end - FPos);
    std::copy_n(FInput.data() + FPos, n, buffer);
    FPos += n;
    return long(n);
  }
  bool WaitReadable(int) override {
    if (FPauses && std::find(FCuts.begin(), FCuts.end(), FPos) != FCuts.end()) return false;
    return FPos < FInput.size();
  }
  bool Write(const char* data, size_t size) override {
    FOutput.append(data, size);
    return true;
  }
  std::string PeerAddress() const override { return "127.0.0.1"; }
  uint16_t LocalPort() const override { return 12388; }

  const std::string& Output() const { return FOutput; }

 private:
  std::string FInput;
  std::vector<size_t> FCuts;
  bool FPauses;
  size_t FPos = 0;
  std::string FOutput;
};

}  // namespace quillara::testing

#pragma once
// A connection over the fuzzer's bytes, delivered in pieces whose sizes the bytes decide;
// writes are collected.
#include <algorithm>
#include <cstdint>
#include <string>

#include "http/IHTTPConnection.h"

namespace quillara::testing {

class TFuzzConnection : public IHTTPConnection {
 public:
  TFuzzConnection(const uint8_t* data, size_t size)
      : FData(reinterpret_cast<const char*>(data), size) {}
  long Read(char* buffer, size_t size) override {
    if (FPos >= FData.size()) return 0;
    // the first byte of what is left decides how much arrives at once
    size_t n = std::min({size, FData.size() - FPos, size_t(1 + uint8_t(FData[FPos]) % 61)});
    std::copy_n(FData.data() + FPos, n, buffer);
    FPos += n;
    return long(n);
  }
  bool WaitReadable(int) override { return FPos < FData.size(); }
  bool Write(const char* data, size_t size) override {
    FOutput.append(data, size);
    return true;
  }
  std::string PeerAddress() const override { return "127.0.0.1"; }
  uint16_t LocalPort() const override { return 1; }
  std::string FData;
  size_t FPos = 0;
  std::string FOutput;
};

}  // namespace quillara::testing

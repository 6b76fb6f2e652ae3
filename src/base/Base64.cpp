#include "base/Base64.h"

namespace quillara {

std::string DecodeBase64(std::string_view text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    int v = value(c);
    if (v < 0) continue;
    buffer = (buffer << 6) | unsigned(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(char((buffer >> bits) & 0xFF));
    }
  }
  return out;
}

}  // namespace quillara

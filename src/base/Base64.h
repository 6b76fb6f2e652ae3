#pragma once
// Base64 (RFC 4648 section 4) as the Basic authorization scheme carries it.
#include <string>
#include <string_view>

namespace quillara {

// Bytes from Base64 text. Characters outside the alphabet, "=" among them, are skipped, and
// bits that do not fill a last byte are dropped; never fails.
std::string DecodeBase64(std::string_view text);

}  // namespace quillara

#include "platform/SystemText.h"

namespace quillara::platform {

// File names are bytes here, and the program's bytes are UTF-8.
std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::string(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  return path.string();
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

uint32_t AnsiCodePage() {
  return 1252;
}

bool EncodeAnsi(std::u16string_view, std::string&) {
  return false;
}

bool DecodeAnsi(std::string_view, std::u16string&) {
  return false;
}

}  // namespace quillara::platform

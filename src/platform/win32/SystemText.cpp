#include "platform/SystemText.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/Win32Text.h"

namespace quillara::platform {

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(WideOf(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  return Utf8Of(path.native());
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8Of(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

uint32_t AnsiCodePage() {
  return ::GetACP();
}

// No best-fit mapping: it would turn a character into a different one ("\u221E" into "8")
// rather than into the substitute. Code pages that take no flags (UTF-8 as the system's code
// page) hold every character anyway.
bool EncodeAnsi(std::u16string_view text, std::string& bytes) {
  bytes.clear();
  if (text.empty()) return true;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int n =
      ::WideCharToMultiByte(CP_ACP, flags, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    n = ::WideCharToMultiByte(CP_ACP, flags, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
  }
  if (n <= 0) return false;
  bytes.resize(size_t(n));
  ::WideCharToMultiByte(CP_ACP, flags, wide, int(text.size()), bytes.data(), n, nullptr, nullptr);
  return true;
}

bool DecodeAnsi(std::string_view bytes, std::u16string& text) {
  text.clear();
  if (bytes.empty()) return true;
  int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  if (n <= 0) return false;
  text.resize(size_t(n));
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()),
                        reinterpret_cast<wchar_t*>(text.data()), n);
  return true;
}

}  // namespace quillara::platform

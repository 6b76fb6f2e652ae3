#include "platform/TSystem.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "platform/win32/Win32Text.h"

namespace quillara::platform {

void StartSocketLibrary();  // win32/TSocket.cpp

std::filesystem::path ExecutableFolder() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
    if (n == 0) {
      std::error_code ec;
      return std::filesystem::current_path(ec);
    }
    if (n < name.size()) return std::filesystem::path(std::wstring(name.data(), n)).parent_path();
    name.resize(name.size() * 2);
  }
}

bool LookupHostIPv4(uint32_t& address) {
  StartSocketLibrary();
  char name[256] = {};
  ::gethostname(name, 255);  // the result is ignored, as the lookup below tells failure anyway
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &list) != 0 || list == nullptr) return false;
  address = ntohl(reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(list);
  return true;
}

// Thread names are a debugger's matter here; older systems lack the call, so it is looked up.
void SetCurrentThreadName(const std::string& name) {
  using TSetName = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  static const auto setName = reinterpret_cast<TSetName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (setName) setName(::GetCurrentThread(), WideOf(name).c_str());
}

void AdviseLargePages(void*, size_t) {}

// The system heap gives large blocks back by itself.
void ReturnLargeBlocksToTheSystem() {}

// Threads of this system commit their stacks as they grow; the default reserve is kept.
void SetDefaultThreadStackSize(size_t) {}

std::string EnvironmentVariable(const char* name) {
  std::wstring wide = WideOf(name);
  DWORD n = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  n = ::GetEnvironmentVariableW(wide.c_str(), value.data(), n);
  value.resize(n);
  return Utf8Of(value);
}

bool SecureRandom(void* buffer, size_t size) {
  return BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, static_cast<PUCHAR>(buffer), ULONG(size),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

bool DisplayAvailable() {
  return true;
}

// %LOCALAPPDATA%\Quillara\access.log; the folder is created.
std::string AccessLogFileOfUser() {
  std::string local = EnvironmentVariable("LOCALAPPDATA");
  if (local.empty()) return {};
  std::filesystem::path folder = std::filesystem::path(WideOf(local)) / L"Quillara";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return Utf8Of((folder / L"access.log").wstring());
}

// Console events arrive on a thread of their own; there are no signals to block or ignore.
void BlockSignalsInThisThread() {}

void IgnoreWriteSignals() {}

}  // namespace quillara::platform

namespace quillara::platform {

namespace {

const char* const kDayNames[] = {"sunday",   "monday", "tuesday", "wednesday",
                                 "thursday", "friday", "saturday"};
const char* const kMonthNames[] = {"january",   "february", "march",    "april",
                                   "may",       "june",     "july",     "august",
                                   "september", "october",  "november", "december"};

char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// A full or three-letter name from the table, without case; its index, or -1.
int ReadName(const char*& p, const char* const* names, int count) {
  for (int i = 0; i < count; ++i) {
    size_t full = std::strlen(names[i]);
    for (size_t length : {full, size_t(3)}) {
      size_t k = 0;
      while (k < length && p[k] && LowerChar(p[k]) == names[i][k]) ++k;
      if (k == length) {
        p += length;
        return i;
      }
    }
  }
  return -1;
}

bool ReadNumber(const char*& p, int maxDigits, int low, int high, int& value) {
  while (*p == ' ') ++p;
  int digits = 0;
  value = 0;
  while (digits < maxDigits && *p >= '0' && *p <= '9') value = value * 10 + (*p++ - '0'), ++digits;
  return digits > 0 && value >= low && value <= high;
}

}  // namespace

// The directives the HTTP date forms use, read as the GNU C library reads them.
const char* ParseTime(const char* text, const char* format, std::tm& tm) {
  const char* p = text;
  for (const char* f = format; *f; ++f) {
    if (*f == ' ') {
      while (*p == ' ' || *p == '\t') ++p;
      continue;
    }
    if (*f != '%') {
      if (LowerChar(*p) != LowerChar(*f)) return nullptr;
      ++p;
      continue;
    }
    int v = 0;
    switch (*++f) {
      case 'a':
      case 'A':
        while (*p == ' ') ++p;
        if ((tm.tm_wday = ReadName(p, kDayNames, 7)) < 0) return nullptr;
        break;
      case 'b':
      case 'B':
      case 'h':
        while (*p == ' ') ++p;
        if ((tm.tm_mon = ReadName(p, kMonthNames, 12)) < 0) return nullptr;
        break;
      case 'd':
      case 'e':
        if (!ReadNumber(p, 2, 1, 31, v)) return nullptr;
        tm.tm_mday = v;
        break;
      case 'H':
        if (!ReadNumber(p, 2, 0, 23, v)) return nullptr;
        tm.tm_hour = v;
        break;
      case 'M':
        if (!ReadNumber(p, 2, 0, 59, v)) return nullptr;
        tm.tm_min = v;
        break;
      case 'S':
        if (!ReadNumber(p, 2, 0, 61, v)) return nullptr;
        tm.tm_sec = v;
        break;
      case 'Y':
        if (!ReadNumber(p, 4, 0, 9999, v)) return nullptr;
        tm.tm_year = v - 1900;
        break;
      case 'y':
        if (!ReadNumber(p, 2, 0, 99, v)) return nullptr;
        tm.tm_year = v < 69 ? v + 100 : v;
        break;
      case '%':
        if (*p++ != '%') return nullptr;
        break;
      default:
        return nullptr;
    }
  }
  return p;
}

std::time_t UtcTime(std::tm& tm) {
  return ::_mkgmtime(&tm);
}

}  // namespace quillara::platform

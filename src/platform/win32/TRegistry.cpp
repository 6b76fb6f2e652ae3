#include "platform/TRegistry.h"

#include <windows.h>

#include <vector>

namespace {
// The system's root names are macros here; the enumerators of TRegRoot carry the same names.
const HKEY kLocalMachine = HKEY_LOCAL_MACHINE;
const HKEY kCurrentUser = HKEY_CURRENT_USER;
}  // namespace
#undef HKEY_LOCAL_MACHINE
#undef HKEY_CURRENT_USER

namespace quillara::platform {

namespace {

// The system's key paths are absolute ("\SOFTWARE\..."); the registry calls want them relative to
// the hive.
std::wstring RelativeKey(std::u16string_view path) {
  std::wstring key(path.begin(), path.end());
  size_t start = key.find_first_not_of(L'\\');
  return start == std::wstring::npos ? std::wstring() : key.substr(start);
}

HKEY RootOf(TRegRoot root) {
  return root == TRegRoot::HKEY_LOCAL_MACHINE ? kLocalMachine : kCurrentUser;
}

// The view a 32-bit program gets, on a 64-bit system too.
constexpr REGSAM kView = KEY_WOW64_32KEY;

class TKey {
 public:
  TKey(HKEY root, const std::wstring& path, REGSAM access) {
    FOk = ::RegOpenKeyExW(root, path.c_str(), 0, access | kView, &FKey) == ERROR_SUCCESS;
  }
  ~TKey() {
    if (FOk) ::RegCloseKey(FKey);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  bool Ok() const { return FOk; }
  HKEY Handle() const { return FKey; }

 private:
  HKEY FKey{};
  bool FOk = false;
};

}  // namespace

// Nothing to point at: the registry is the system's own.
std::filesystem::path WinePrefix() {
  return {};
}

TRegistry::TRegistry(std::filesystem::path prefix) : FPrefix(std::move(prefix)) {
  SetRootKey(TRegRoot::HKEY_LOCAL_MACHINE);
}

void TRegistry::SetRootKey(TRegRoot root) {
  CloseKey();
  FRoot = root;
}

bool TRegistry::KeyExists(std::u16string_view path) const {
  return TKey(RootOf(FRoot), RelativeKey(path), KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS).Ok();
}

// The key is reopened for each read rather than held, so the class keeps its one layout on both
// systems; what counts is that full access was granted when it was opened.
bool TRegistry::OpenKey(std::u16string_view path) {
  std::wstring key = RelativeKey(path);
  if (!TKey(RootOf(FRoot), key, KEY_ALL_ACCESS).Ok()) return false;
  FCurrent = std::u16string(key.begin(), key.end());
  return true;
}

TRegistry::TReadStatus TRegistry::ReadString(std::u16string_view name, std::u16string& text) const {
  text.clear();
  if (!FCurrent) return TReadStatus::rsOk;
  TKey key(RootOf(FRoot), std::wstring(FCurrent->begin(), FCurrent->end()), KEY_QUERY_VALUE);
  if (!key.Ok()) return TReadStatus::rsOk;
  std::wstring valueName(name.begin(), name.end());
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.Handle(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      size == 0)
    return TReadStatus::rsOk;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return TReadStatus::rsWrongType;
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = DWORD(data.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.Handle(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS)
    return TReadStatus::rsOk;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return TReadStatus::rsWrongType;
  data[std::min<size_t>(got / sizeof(wchar_t), data.size() - 1)] = L'\0';
  for (const wchar_t* p = data.data(); *p; ++p) text.push_back(char16_t(*p));
  return TReadStatus::rsOk;
}

}  // namespace quillara::platform

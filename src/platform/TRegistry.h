#pragma once
// The registry, read from the text hive files of a Wine prefix: system.reg is the local-machine
// hive, user.reg the current user's. The view is the one a 32-bit program gets.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace quillara::platform {

enum class TRegRoot { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER };

struct TRegistryValue {
  uint32_t Type = 0;    // REG_SZ 1, REG_EXPAND_SZ 2, REG_BINARY 3, REG_DWORD 4, REG_MULTI_SZ 7...
  std::u16string Text;  // for the two string types: the text up to the first NUL
  size_t Size = 0;      // bytes of data, as the registry would report it
  bool IsString() const { return Type == 1 || Type == 2; }
};

// One hive file as it is when loaded. Lines it cannot read are skipped.
class TRegistryHive {
 public:
  static TRegistryHive Load(const std::filesystem::path& file);

  bool Readable() const { return FReadable; }
  bool Writable() const { return FWritable; }
  bool Win64() const { return FWin64; }
  // Paths are relative to the hive's root, components separated by "\", compared without case.
  bool HasKey(std::u16string_view path) const;
  const TRegistryValue* FindValue(std::u16string_view path, std::u16string_view name) const;

 private:
  bool FReadable = false;
  bool FWritable = false;
  bool FWin64 = false;
  std::set<std::u16string> FKeys;  // folded paths, ancestors included
  std::map<std::u16string, std::map<std::u16string, TRegistryValue>> FValues;
  friend class THiveParser;
};

// $WINEPREFIX, or ~/.wine when it is not set.
std::filesystem::path WinePrefix();

class TRegistry {
 public:
  explicit TRegistry(std::filesystem::path prefix = WinePrefix());

  // Choosing a hive closes the current key and reads the hive file as it is now.
  void SetRootKey(TRegRoot root);
  bool KeyExists(std::u16string_view path) const;
  // Full access, never creating the key. On failure the current key stays as it was.
  bool OpenKey(std::u16string_view path);
  void CloseKey() { FCurrent.reset(); }
  bool HasCurrentKey() const { return FCurrent.has_value(); }

  enum class TReadStatus { rsOk, rsWrongType };
  // Absent value, empty value or no current key: rsOk with empty text.
  TReadStatus ReadString(std::u16string_view name, std::u16string& text) const;

 private:
  std::u16string ViewPath(std::u16string_view path) const;

  std::filesystem::path FPrefix;
  TRegRoot FRoot = TRegRoot::HKEY_LOCAL_MACHINE;
  TRegistryHive FHive;
  std::optional<std::u16string> FCurrent;
};

}  // namespace quillara::platform

#include "platform/TRegistry.h"

#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <sstream>

#include "platform/TSystem.h"
#include "platform/TextUnits.h"

namespace quillara::platform {

namespace {

char16_t Fold(char16_t c) {
  return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

std::u16string FoldText(std::u16string_view s) {
  std::u16string r(s);
  for (auto& c : r) c = Fold(c);
  return r;
}

// Normalises a key path: no leading, trailing or doubled separators, folded case.
std::u16string FoldPath(std::u16string_view path) {
  std::u16string r;
  for (char16_t c : path) {
    if (c == u'\\') {
      if (!r.empty() && r.back() != u'\\') r.push_back(u'\\');
    } else {
      r.push_back(Fold(c));
    }
  }
  while (!r.empty() && r.back() == u'\\') r.pop_back();
  return r;
}

// Decodes one UTF-8 sequence at s[i]; malformed bytes stand for themselves.
char32_t DecodeUtf8(const std::string& s, size_t& i) {
  unsigned char b = static_cast<unsigned char>(s[i++]);
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  if (b < 0x80 || extra == 0 || i + extra > s.size()) return b;
  char32_t cp = b & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return b;
    cp = (cp << 6) | (c & 0x3F);
  }
  i += extra;
  return cp;
}

// Reads a quoted or bracketed text with the hive's escapes, starting after the opening
// character; pos ends after the closing one. False when the closing character is missing.
bool ReadEscaped(const std::string& line, size_t& pos, char close, std::u16string& out) {
  while (pos < line.size()) {
    char c = line[pos];
    if (c == close) {
      ++pos;
      return true;
    }
    if (c != '\\') {
      AppendUtf16(out, DecodeUtf8(line, pos));
      continue;
    }
    if (++pos >= line.size()) return false;
    char e = line[pos++];
    switch (e) {
      case 'a':
        out.push_back(u'\a');
        break;
      case 'b':
        out.push_back(u'\b');
        break;
      case 'e':
        out.push_back(char16_t(0x1B));
        break;
      case 'f':
        out.push_back(u'\f');
        break;
      case 'n':
        out.push_back(u'\n');
        break;
      case 'r':
        out.push_back(u'\r');
        break;
      case 't':
        out.push_back(u'\t');
        break;
      case 'v':
        out.push_back(u'\v');
        break;
      case 'x': {
        unsigned v = 0;
        int n = 0;
        while (n < 4 && pos < line.size() && HexDigitValue(line[pos]) >= 0) {
          v = v * 16 + unsigned(HexDigitValue(line[pos++]));
          ++n;
        }
        out.push_back(n ? char16_t(v) : u'x');
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned v = unsigned(e - '0');
          for (int n = 1; n < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++n)
            v = v * 8 + unsigned(line[pos++] - '0');
          out.push_back(char16_t(v));
        } else {
          out.push_back(char16_t(static_cast<unsigned char>(e)));
        }
    }
  }
  return false;
}

bool ParseHexBytes(std::string_view text, std::string& bytes) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ',' || text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size()) break;
    if (i + 1 >= text.size() || HexDigitValue(text[i]) < 0 || HexDigitValue(text[i + 1]) < 0)
      return false;
    bytes.push_back(char(HexDigitValue(text[i]) * 16 + HexDigitValue(text[i + 1])));
    i += 2;
  }
  return true;
}

std::u16string TextUpToNul(std::u16string text) {
  auto nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return text;
}

}  // namespace

class THiveParser {
 public:
  explicit THiveParser(TRegistryHive& hive) : FHive(hive) {}

  void Parse(std::istream& in) {
    std::string line;
    if (!std::getline(in, line) || line.rfind("WINE REGISTRY Version 2", 0) != 0) return;
    FHive.FReadable = true;
    bool inKey = false;
    std::u16string key;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      // hex data may continue on following lines after a trailing backslash
      while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
        std::string next;
        if (!std::getline(in, next)) break;
        line.pop_back();
        size_t start = next.find_first_not_of(" \t");
        line += start == std::string::npos ? "" : next.substr(start);
      }
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '#') {
        if (line.rfind("#arch=win64", 0) == 0) FHive.FWin64 = true;
        continue;
      }
      if (line[0] == '[') {
        size_t pos = 1;
        std::u16string raw;
        inKey = ReadEscaped(line, pos, ']', raw);
        if (inKey) {
          key = FoldPath(raw);
          AddKey(key);
        }
        continue;
      }
      if (inKey) ParseValue(line, key);
    }
  }

 private:
  void AddKey(const std::u16string& key) {
    FHive.FKeys.insert(key);
    for (size_t p = key.find(u'\\'); p != std::u16string::npos; p = key.find(u'\\', p + 1))
      FHive.FKeys.insert(key.substr(0, p));
  }

  void ParseValue(const std::string& line, const std::u16string& key) {
    size_t pos = 0;
    std::u16string name;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      pos = 1;
      if (!ReadEscaped(line, pos, '"', name)) return;
    } else {
      return;
    }
    if (pos >= line.size() || line[pos] != '=') return;
    std::string_view data = std::string_view(line).substr(pos + 1);
    TRegistryValue value;
    if (!ParseData(line, pos + 1, data, value)) return;
    FHive.FValues[key][FoldText(name)] = std::move(value);
  }

  static bool ParseData(const std::string& line, size_t start, std::string_view data,
                        TRegistryValue& value) {
    auto quoted = [&](size_t at, uint32_t type) {
      size_t p = start + at + 1;
      std::u16string text;
      if (at >= data.size() || data[at] != '"' || !ReadEscaped(line, p, '"', text)) return false;
      value.Type = type;
      value.Size = (text.size() + 1) * 2;
      value.Text = TextUpToNul(std::move(text));
      return true;
    };
    if (data.rfind("\"", 0) == 0) return quoted(0, 1);
    if (data.rfind("str(2):", 0) == 0) return quoted(7, 2);
    if (data.rfind("str(7):", 0) == 0) return quoted(7, 7);
    if (data.rfind("dword:", 0) == 0) {
      std::string digits(data.substr(6));
      if (digits.empty() || digits.size() > 8) return false;
      for (char c : digits)
        if (HexDigitValue(c) < 0) return false;
      value.Type = 4;
      value.Size = 4;
      return true;
    }
    uint32_t type = 3;
    std::string_view hex;
    if (data.rfind("hex:", 0) == 0) {
      hex = data.substr(4);
    } else if (data.rfind("hex(", 0) == 0) {
      size_t close = data.find("):");
      if (close == std::string_view::npos) return false;
      try {
        type =
            static_cast<uint32_t>(std::stoul(std::string(data.substr(4, close - 4)), nullptr, 16));
      } catch (...) {
        return false;
      }
      hex = data.substr(close + 2);
    } else {
      return false;
    }
    std::string bytes;
    if (!ParseHexBytes(hex, bytes)) return false;
    value.Type = type;
    value.Size = bytes.size();
    if (value.IsString()) {
      std::u16string text;
      for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(static_cast<unsigned char>(bytes[i]) |
                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
      value.Text = TextUpToNul(std::move(text));
    }
    return true;
  }

  TRegistryHive& FHive;
};

TRegistryHive TRegistryHive::Load(const std::filesystem::path& file) {
  TRegistryHive hive;
  std::ifstream in(file, std::ios::binary);
  if (!in) return hive;
  THiveParser(hive).Parse(in);
  // A read-only hive file stands for a key the user may read but not open with full access.
  struct stat st {};
  hive.FWritable = hive.FReadable && ::stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) != 0 &&
                   ::access(file.c_str(), W_OK) == 0;
  return hive;
}

bool TRegistryHive::HasKey(std::u16string_view path) const {
  return FReadable && FKeys.count(FoldPath(path)) > 0;
}

const TRegistryValue* TRegistryHive::FindValue(std::u16string_view path,
                                               std::u16string_view name) const {
  auto key = FValues.find(FoldPath(path));
  if (key == FValues.end()) return nullptr;
  auto value = key->second.find(FoldText(name));
  return value == key->second.end() ? nullptr : &value->second;
}

std::filesystem::path WinePrefix() {
  std::string prefix = EnvironmentVariable("WINEPREFIX");
  if (!prefix.empty()) return prefix;
  return std::filesystem::path(EnvironmentVariable("HOME")) / ".wine";
}

TRegistry::TRegistry(std::filesystem::path prefix) : FPrefix(std::move(prefix)) {
  SetRootKey(TRegRoot::HKEY_LOCAL_MACHINE);
}

void TRegistry::SetRootKey(TRegRoot root) {
  CloseKey();
  FRoot = root;
  FHive = TRegistryHive::Load(FPrefix /
                              (root == TRegRoot::HKEY_LOCAL_MACHINE ? "system.reg" : "user.reg"));
}

// A 32-bit program on a 64-bit system sees HKLM\Software\X at Software\Wow6432Node\X.
std::u16string TRegistry::ViewPath(std::u16string_view path) const {
  std::u16string folded = FoldPath(path);
  if (FRoot != TRegRoot::HKEY_LOCAL_MACHINE || !FHive.Win64()) return folded;
  static const std::u16string software = u"SOFTWARE";
  if (folded == software) return folded;
  if (folded.rfind(software + u"\\", 0) != 0) return folded;
  std::u16string rest = folded.substr(software.size() + 1);
  if (rest == u"WOW6432NODE" || rest.rfind(u"WOW6432NODE\\", 0) == 0) return folded;
  return software + u"\\WOW6432NODE\\" + rest;
}

bool TRegistry::KeyExists(std::u16string_view path) const {
  return FHive.HasKey(ViewPath(path));
}

bool TRegistry::OpenKey(std::u16string_view path) {
  std::u16string view = ViewPath(path);
  if (!FHive.HasKey(view) || !FHive.Writable()) return false;
  FCurrent = view;
  return true;
}

TRegistry::TReadStatus TRegistry::ReadString(std::u16string_view name, std::u16string& text) const {
  text.clear();
  if (!FCurrent) return TReadStatus::rsOk;
  const TRegistryValue* value = FHive.FindValue(*FCurrent, name);
  if (value == nullptr || value->Size == 0) return TReadStatus::rsOk;
  if (!value->IsString()) return TReadStatus::rsWrongType;
  text = value->Text;
  return TReadStatus::rsOk;
}

}  // namespace quillara::platform

#include "web/TPageProducer.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/TFileFunctions.h"
#include "base/TStream.h"
#include "platform/SystemText.h"
#include "platform/TDrivePath.h"
#include "platform/TFileSystem.h"
#include "platform/TSystem.h"
#include "web/Messages.h"
#include "web/TWebRequest.h"

namespace quillara {

namespace {

constexpr size_t kWindow = 4096;

bool IsBlank(unsigned char c) {
  return c >= 0x01 && c <= 0x20;
}
bool NameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool NameChar(unsigned char c) {
  return NameStart(c) || (c >= '0' && c <= '9');
}

TTag TagKind(const std::string& name) {
  static const std::pair<const char*, TTag> kKinds[] = {
      {"LINK", TTag::tgLink},         {"IMAGE", TTag::tgImage},   {"TABLE", TTag::tgTable},
      {"IMAGEMAP", TTag::tgImageMap}, {"OBJECT", TTag::tgObject}, {"EMBED", TTag::tgEmbed}};
  for (const auto& [text, kind] : kKinds)
    if (SameTextAscii(name, text)) return kind;
  return TTag::tgCustom;
}

// Tag parameters: trimmed, split at blanks outside double quotes, quotes that pair up from the
// end inwards removed, then percent escapes decoded.
TStrings TagParams(const std::string& text, bool stripQuotes) {
  TStrings params;
  std::string t = TrimBlanks(text);
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : t) {
    if (c == '"') quoted = !quoted;
    if (c == ' ' && !quoted) {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  if (!field.empty()) fields.push_back(field);
  for (std::string& f : fields) {
    while (stripQuotes && f.size() >= 2 && (f.back() == '"' || f.back() == '\'')) {
      size_t open = f.find(f.back());
      if (open >= f.size() - 1) break;
      f.erase(f.size() - 1, 1);
      f.erase(open, 1);
    }
    params.Add(DecodeURLField(f));
  }
  return params;
}

}  // namespace

Text TBasePageProducer::ContentFromBytes(const std::string& input, bool utf8) {
  size_t i = 0;
  if (input.size() >= 3 && input.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    utf8 = true;
    i = 3;
  }
  TCodePage codePage = utf8 ? TCodePage::cpUTF8 : kAnsiCodePage;
  // A line must fit the scanner's window.
  size_t line = 1, lineStart = i;
  for (size_t k = i; k < input.size() && input[k] != '\0'; ++k) {
    if (input[k] == '\n') {
      ++line;
      lineStart = k + 1;
    } else if (k - lineStart >= kWindow) {
      throw Exception(FormatMessage(kTemplateLineTooLong, {std::to_string(line)}));
    }
  }
  std::string page;
  auto token = [&](size_t& p) -> std::string {
    if (p >= input.size() || input[p] == '\0') return {};
    size_t start = p;
    if (NameStart(static_cast<unsigned char>(input[p]))) {
      while (p < input.size() && NameChar(static_cast<unsigned char>(input[p]))) ++p;
    } else {
      ++p;
    }
    return input.substr(start, p - start);
  };
  auto skipBlanks = [&](size_t& p) {
    while (p < input.size() && IsBlank(static_cast<unsigned char>(input[p]))) ++p;
  };
  // The page ends at its first NUL.
  const size_t end = std::min(input.find('\0'), input.size());
  page.reserve(end);
  while (i < end) {
    if (input[i] != '<') {
      // Plain text up to the next tag goes over in one piece.
      size_t tag = std::min(input.find('<', i), end);
      page.append(input, i, tag - i);
      i = tag;
      continue;
    }
    ++i;
    skipBlanks(i);
    std::string next = token(i);
    if (next != "#") {
      page += '<';
      page += next;
      continue;
    }
    skipBlanks(i);
    std::string name = token(i);
    size_t start = i;
    char quote = 0;
    while (i < input.size() && input[i] != '\0' && (quote || input[i] != '>')) {
      if (quote && input[i] == quote) {
        quote = 0;
      } else if (!quote && (input[i] == '"' || input[i] == '\'')) {
        quote = input[i];
      }
      ++i;
    }
    std::string paramText = input.substr(start, i - start);
    if (i < input.size() && input[i] == '>') ++i;
    TStrings params = TagParams(paramText, StripParamQuotes);
    Text replaceText;
    if (OnHTMLTag)
      OnHTMLTag(*this, TagKind(name), DecodeBytes(name, codePage), params, replaceText);
    page += EncodeText(replaceText, codePage);
  }
  if (utf8) {
    Text text = Utf8ToText(page);
    if (TextToUtf8(text) != page) throw EEncodingError(kNoUnicodeMapping);
    return text;
  }
  return DecodeBytes(page, codePage);
}

std::string TCustomPageProducer::TemplatePath() const {
  // Finding the letter case reads folders; the path found holds while the file is there.
  if (FResolvedFor == FHTMLFile && !FResolved.empty() &&
      platform::FileExists(platform::PathFromUtf8(FResolved)))
    return FResolved;
  FResolved = ResolveTemplatePath();
  FResolvedFor = FHTMLFile;
  return FResolved;
}

std::string TCustomPageProducer::ResolveTemplatePath() const {
  std::string name = FHTMLFile;
  if ((name.size() >= 3 && name[1] == ':') || name.rfind("\\\\", 0) == 0)
    return platform::Utf8FromPath(platform::MapWindowsPath(name));
  for (char& c : name)
    if (c == '\\') c = '/';
  if (!name.empty() && name[0] == '/')
    return platform::Utf8FromPath(
        platform::ResolveWithoutCase("/", platform::PathFromUtf8(name.substr(1))));
  // "Templates\..." and "templates\..." name the same folder beside the executable.
  return platform::Utf8FromPath(
      platform::ResolveWithoutCase(platform::ExecutableFolder(), platform::PathFromUtf8(name)));
}

Text TCustomPageProducer::Content() {
  if (FHTMLFile.empty()) {
    std::string bytes;
    for (const Text& line : HTMLDoc) bytes += TextToUtf8(line) + "\r\n";
    return ContentFromBytes(bytes, true);
  }
  return ContentFromBytes(TemplateBytes(), false);
}

// A page asked for again and again costs one look at its file instead of opening and reading
// it. Bytes read from a file written moments ago are read again next time: the file may still
// change within the same time stamp and size.
const std::string& TCustomPageProducer::TemplateBytes() {
  if (FBytesStamp && FResolvedFor == FHTMLFile &&
      platform::FileStamp(platform::PathFromUtf8(FResolved)) == FBytesStamp)
    return FBytes;
  std::string path = TemplatePath();
  std::optional<platform::TFileStamp> stamp = platform::FileStamp(platform::PathFromUtf8(path));
  FBytesStamp.reset();
  TFileStream stream(path);
  FBytes = stream.ReadRest();
  auto now = std::chrono::duration_cast<std::chrono::seconds>(
                 std::chrono::system_clock::now().time_since_epoch())
                 .count();
  if (stamp && stamp->Written.Seconds < now - 2) FBytesStamp = stamp;
  return FBytes;
}

}  // namespace quillara

#include "base/TFileFunctions.h"

#include <mutex>
#include <set>
#include <utility>

#include "base/CodePages.h"
#include "base/Messages.h"
#include "base/TMask.h"
#include "platform/SystemText.h"
#include "platform/TDrivePath.h"
#include "platform/TFile.h"
#include "platform/TFileSystem.h"

namespace quillara {

namespace fs = std::filesystem;

namespace {

bool HasDrive(const Text& p) {
  return p.size() >= 2 && p[1] == u':' &&
         ((p[0] >= u'a' && p[0] <= u'z') || (p[0] >= u'A' && p[0] <= u'Z'));
}

// Resolves "." and ".." and doubled separators, as the platform's full-path expansion does.
Text Expand(const Text& path) {
  bool drive = HasDrive(path);
  Text p = path;
  for (auto& c : p)
    if (c == u'/' && drive) c = u'\\';
  char16_t sep = drive ? u'\\' : u'/';
  if (!drive)
    for (auto& c : p)
      if (c == u'\\') c = u'/';
  Text prefix;
  size_t start = 0;
  if (drive) {
    prefix = p.substr(0, 2) + u"\\";
    start = 2;
  } else if (!p.empty() && p[0] == u'/') {
    prefix = u"/";
  } else {
    prefix = Utf8ToText(platform::Utf8FromPath(fs::current_path())) + u"/";
  }
  std::vector<Text> parts;
  std::u16string_view separator(&sep, 1);
  for (std::u16string_view part : SplitText(std::u16string_view(p).substr(start), separator)) {
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.emplace_back(part);
    }
  }
  Text out = prefix;
  for (size_t k = 0; k < parts.size(); ++k) out += (k ? Text(1, sep) : Text()) + parts[k];
  bool trailing = !p.empty() && p.back() == sep && !parts.empty();
  if (trailing) out += sep;
  return out;
}

}  // namespace

Text CheckPath(const Text& path, size_t limit, bool folderMustExist) {
  bool longForm = path.rfind(u"\\\\?\\", 0) == 0;
  if (path.size() >= limit && !longForm) throw EPathTooLongException(kPathTooLong);
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i] == u':' && !(i == 1 && HasDrive(path)) && !(longForm && i == 5))
      throw ENotSupportedException(kPathFormatNotSupported);
  std::string trimmed = TrimBlanks(TextToUtf8(path));
  bool bad = trimmed.empty();
  for (char16_t c : path) bad = bad || c < 0x20 || c == u'"' || c == u'<' || c == u'>' || c == u'|';
  if (bad) throw EArgumentException(kInvalidPathCharacters);
  Text full = Expand(longForm ? path.substr(4) : path);
  if (folderMustExist) {
    size_t sep = full.find_last_of(u"\\/");
    Text folder = sep == Text::npos ? full : full.substr(0, sep + 1);
    std::error_code ec;
    if (!fs::is_directory(LocalPath(folder), ec)) throw EDirectoryNotFoundException(kPathNotFound);
  }
  return full;
}

fs::path LocalPath(const Text& fullPath) {
  return platform::MapWindowsPath(TextToUtf8(fullPath));
}

Text ReadAllText(const Text& path) {
  Text full = CheckPath(path, kMaxFilePath);
  fs::path local = LocalPath(full);
  std::error_code ec;
  if (!fs::is_regular_file(local, ec)) throw EFileNotFoundException(kFileNotFound);
  // read without sharing: a writer holding the file makes this open fail
  platform::TFileResult opened;
  platform::TFile file = platform::OpenWithoutSharing(local, opened);
  if (!file.Valid())
    throw EFOpenError(
        FormatMessage(kCannotOpenFile, {TextToUtf8(full), platform::FileErrorText(opened.Error)}));
  std::string bytes;
  char buffer[65536];
  for (size_t n; (n = file.ReadAt(buffer, sizeof buffer, int64_t(bytes.size()))) > 0;)
    bytes.append(buffer, n);
  file.Close();
  auto starts = [&](const char* mark, size_t n) {
    return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0;
  };
  if (starts("\xEF\xBB\xBF", 3)) {
    std::string_view body = std::string_view(bytes).substr(3);
    Text text = Utf8ToText(body);
    if (TextToUtf8(text) != body) throw EEncodingError(kNoUnicodeMapping);
    return text;
  }
  if (starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2)) {
    bool little = bytes[0] == '\xFF';
    Text text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
      text.push_back(char16_t(little ? (a | (b << 8)) : ((a << 8) | b)));
    }
    return text;
  }
  return DecodeBytes(bytes, kAnsiCodePage);
}

namespace {

// Names being written by this process: a second writer of the same file fails at once, as a
// second open without sharing would, instead of racing the first one's rename.
std::mutex gWritingLock;
std::set<std::string> gWriting;

class TWritingClaim {
 public:
  explicit TWritingClaim(std::string name) : FName(std::move(name)) {
    std::lock_guard lock(gWritingLock);
    FClaimed = gWriting.insert(FName).second;
  }
  ~TWritingClaim() {
    if (!FClaimed) return;
    std::lock_guard lock(gWritingLock);
    gWriting.erase(FName);
  }
  TWritingClaim(const TWritingClaim&) = delete;
  TWritingClaim& operator=(const TWritingClaim&) = delete;
  bool Claimed() const { return FClaimed; }

 private:
  std::string FName;
  bool FClaimed = false;
};

}  // namespace

void WriteAllText(const Text& path, const Text& text) {
  Text full = CheckPath(path, kMaxFilePath);
  fs::path local = LocalPath(full);
  auto fail = [&](int error) {
    throw EFCreateError(
        FormatMessage(kCannotCreateFile, {TextToUtf8(full), platform::FileErrorText(error)}));
  };
  TWritingClaim claim(platform::Utf8FromPath(local));
  if (!claim.Claimed()) fail(platform::SharingViolation().Error);
  platform::TFileResult written =
      platform::ReplaceWholeFile(local, "\xEF\xBB\xBF" + TextToUtf8(text));
  if (!written.Ok()) fail(written.Error);
}

namespace {

bool Inside(const fs::path& root, const fs::path& path) {
  fs::path relative = path.lexically_relative(root);
  return !relative.empty() && *relative.begin() != "..";
}

void Search(const fs::path& root, const fs::path& folder, const TMask& mask,
            std::set<fs::path>& searched, std::vector<Text>& found) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    fs::path real = it->path();
    if (it->is_symlink(typeError)) {
      real = fs::canonical(it->path(), typeError);
      if (typeError || !Inside(root, real)) continue;
    }
    if (fs::is_directory(real, typeError)) {
      fs::path canonical = fs::canonical(real, typeError);
      if (!typeError && searched.insert(canonical).second)
        Search(root, canonical, mask, searched, found);
    } else {
      std::string bytes = platform::Utf8FromPath(it->path().filename());
      Text name = Utf8ToText(bytes);
      if (TextToUtf8(name) == bytes && mask.Matches(name)) found.push_back(name);
    }
  }
}

}  // namespace

std::vector<Text> FindFiles(const Text& folder, const Text& mask) {
  Text full = Expand(folder);
  CheckPath(full, kMaxFolderPath, false);
  fs::path local = LocalPath(full);
  std::error_code ec;
  if (!fs::is_directory(local, ec)) throw EDirectoryNotFoundException(kPathNotFound);
  fs::path root = fs::canonical(local, ec);
  if (ec) throw EDirectoryNotFoundException(kPathNotFound);
  std::vector<Text> found;
  std::set<fs::path> searched{root};
  Search(root, root, TMask(mask), searched, found);
  return found;
}

bool NameStaysInsideFolder(const Text& name) {
  if (name.empty() || name[0] == u'/' || name[0] == u'\\' || HasDrive(name)) return false;
  int depth = 0;
  for (std::u16string_view part : SplitText(name, u"/\\")) {
    if (part == u"..") {
      if (--depth < 0) return false;
    } else if (!part.empty() && part != u".") {
      ++depth;
    }
  }
  return true;
}

Text JoinInsideFolder(const Text& folder, const Text& name, bool folderMustExist) {
  Text full = CheckPath(folder + u"/" + name, kMaxFilePath, folderMustExist);
  auto refuse = [&] {
    throw EArgumentException(FormatMessage(kNameOutsideFolder, {TextToUtf8(name)}));
  };
  if (!NameStaysInsideFolder(name)) refuse();
  // The text stays inside; the file it maps to must too (a link inside may lead anywhere).
  std::error_code ec;
  fs::path root = platform::ResolvedPath(LocalPath(Expand(folder)), ec);
  if (ec) refuse();
  fs::path target = platform::ResolvedPath(LocalPath(full), ec);
  if (ec || !Inside(root, target)) refuse();
  return full;
}

}  // namespace quillara

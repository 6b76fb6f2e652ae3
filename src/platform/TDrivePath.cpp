#include "platform/TDrivePath.h"

#include <algorithm>

namespace quillara::platform {

namespace fs = std::filesystem;

namespace {

bool SameWithoutCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

fs::path ResolveWithoutCase(const fs::path& base, const fs::path& relative) {
  // Mostly the path exists as written: then every part of it does, and one look answers.
  fs::path written = base;
  for (const fs::path& part : relative)
    if (!part.empty() && part != ".") written /= part;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(written, ec))) return written;
  fs::path current = base;
  for (const fs::path& part : relative) {
    std::string name = part.string();
    if (name.empty() || name == ".") continue;
    fs::path exact = current / part;
    std::error_code ec;
    if (name == ".." || fs::exists(fs::symlink_status(exact, ec))) {
      current = exact;
      continue;
    }
    fs::path found = exact;
    for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
      if (SameWithoutCase(it->path().filename().string(), name)) {
        found = it->path();
        break;
      }
    }
    current = found;
  }
  return current;
}

bool IsFullPath(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return path[2] == '\\' || path[2] == '/';
  return !path.empty() && path[0] == '/';
}

fs::path MapWindowsPath(const std::string& utf8Path, const fs::path& prefix) {
  std::string path = utf8Path;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    char drive = char(std::tolower(static_cast<unsigned char>(path[0])));
    fs::path root = prefix / "dosdevices" / (std::string(1, drive) + ":");
    std::error_code ec;
    if (!fs::exists(root, ec) && drive == 'c') root = prefix / "drive_c";
    return ResolveWithoutCase(root, fs::path(path.substr(2)).relative_path());
  }
  fs::path p(path);
  if (p.is_absolute()) return ResolveWithoutCase(p.root_path(), p.relative_path());
  return p;
}

}  // namespace quillara::platform

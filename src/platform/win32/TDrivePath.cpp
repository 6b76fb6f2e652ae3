#include "platform/TDrivePath.h"

#include "platform/win32/Win32Text.h"

namespace quillara::platform {

namespace fs = std::filesystem;

// The file system itself ignores letter case, and paths are native: nothing to map.
fs::path ResolveWithoutCase(const fs::path& base, const fs::path& relative) {
  return base / relative;
}

bool IsFullPath(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return path[2] == '\\' || path[2] == '/';
  return false;
}

fs::path MapWindowsPath(const std::string& utf8Path, const fs::path&) {
  return fs::path(WideOf(utf8Path));
}

}  // namespace quillara::platform

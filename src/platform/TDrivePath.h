#pragma once
// Windows path texts mapped to this machine's files the way Wine maps them.
#include <filesystem>
#include <string>

#include "platform/TRegistry.h"

namespace quillara::platform {

// "X:\dir\file" goes through $WINEPREFIX/dosdevices/x: (drive_c for C: when that link is
// missing); "\" becomes "/"; a path starting with "/" stays as it is; a relative path stays
// relative. Each component that does not exist with its exact case takes the existing entry
// that differs from it only in letter case.
std::filesystem::path MapWindowsPath(const std::string& utf8Path,
                                     const std::filesystem::path& prefix = WinePrefix());

// True for a path text that names a folder without depending on a current drive or folder:
// "X:\..." (either separator), or on this platform a path starting with "/".
bool IsFullPath(const std::string& utf8Path);

// The case-insensitive component match alone, below an existing base folder.
std::filesystem::path ResolveWithoutCase(const std::filesystem::path& base,
                                         const std::filesystem::path& relative);

}  // namespace quillara::platform

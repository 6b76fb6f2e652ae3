#pragma once
// Windows-style file functions over Windows path texts: the checks and messages that clients
// see, with the paths mapped to this machine's files as the drive-path stand-in says.
#include <filesystem>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "base/Text.h"

namespace quillara {

class EPathTooLongException : public Exception {
  using Exception::Exception;
};
class ENotSupportedException : public Exception {
  using Exception::Exception;
};
class EArgumentException : public Exception {
  using Exception::Exception;
};
class EDirectoryNotFoundException : public Exception {
  using Exception::Exception;
};
class EFileNotFoundException : public Exception {
  using Exception::Exception;
};
class EEncodingError : public Exception {
  using Exception::Exception;
};

constexpr size_t kMaxFilePath = 260;
constexpr size_t kMaxFolderPath = 248;

// The path checks in their order; returns the full path text (separators as "\" for drive
// paths, "." and ".." resolved).
Text CheckPath(const Text& path, size_t limit, bool folderMustExist = true);
// The local file a checked path text stands for.
std::filesystem::path LocalPath(const Text& fullPath);

// Whole file as text: byte-order mark detection (UTF-8, UTF-16 LE/BE), else the ANSI code page.
Text ReadAllText(const Text& path);
// Creates or replaces the file: EF BB BF and the text in UTF-8. The content goes to a hidden
// temporary file beside it first and replaces the file only once it is whole and flushed, so a
// failed write leaves the old file as it was and no reader ever sees a partial file.
void WriteAllText(const Text& path, const Text& text);
// Depth first below folder: the bare names of files matching the mask, in enumeration order.
// The search never leaves the folder: a symbolic link that leads out of it is passed over, each
// folder is searched once however many links lead to it, and a name that is not valid UTF-8
// (which no client could name) is left out.
std::vector<Text> FindFiles(const Text& folder, const Text& mask);
// True when the name, joined below a folder, stays inside it: not absolute, no drive, no ".."
// that climbs above the folder (both separators count).
bool NameStaysInsideFolder(const Text& name);
// The checked full path of "folder/name" (CheckPath's checks and messages). Fails with
// EArgumentException "The file name must name a file inside the folder: %s" when the file
// would lie outside the folder, judged on the name and again on the local file it maps to,
// after drive mapping, letter case and symbolic links.
Text JoinInsideFolder(const Text& folder, const Text& name, bool folderMustExist = true);

}  // namespace quillara

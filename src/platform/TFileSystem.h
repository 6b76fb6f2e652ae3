#pragma once
// File facts and whole-file operations the proxy packages need: last-write times, the running
// executable, local MS-DOS time stamps, a file opened for writing with in-place rewrites, and
// the rename that makes a finished file visible at once.
#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quillara::platform {

struct TFileTime {
  int64_t Seconds = 0;
  int64_t Nanoseconds = 0;
  auto operator<=>(const TFileTime&) const = default;
};

// What tells one content of a file from the next without reading it.
struct TFileStamp {
  TFileTime Written;
  int64_t Size = 0;
  bool operator==(const TFileStamp&) const = default;
};

std::filesystem::path ExecutableFile();
// None when the file cannot be examined.
std::optional<TFileTime> LastWriteTime(const std::filesystem::path& file);
// None when the file cannot be examined or is no regular file.
std::optional<TFileStamp> FileStamp(const std::filesystem::path& file);
bool FileExists(const std::filesystem::path& file);
// The absolute path with every link followed and no "." or ".." left, as
// std::filesystem::weakly_canonical gives it: a part past the first one that does not exist is
// kept as written.
std::filesystem::path ResolvedPath(const std::filesystem::path& path, std::error_code& error);
bool DirectoryExists(const std::filesystem::path& folder);

// Time and date in the MS-DOS layout (date in the high 16 bits), in local time; 0 when the year
// cannot be represented (before 1980 or after 2107).
uint32_t LocalDosDateTime(int64_t unixSeconds);

// The system's text for an error number.
std::string SystemErrorMessage(int error);

// Replaces "to" by "from" in one step (same file system); false with the message on failure.
bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error);
bool DeleteFile(const std::filesystem::path& file);
// A text no other call in any process on this machine gets: for temporary file names.
std::string UniqueFileSuffix();

// A file created (or truncated) for writing, closed with the object.
class TWritableFile {
 public:
  TWritableFile() = default;
  ~TWritableFile();
  TWritableFile(const TWritableFile&) = delete;
  TWritableFile& operator=(const TWritableFile&) = delete;
  TWritableFile(TWritableFile&& other) noexcept : FHandle(other.FHandle) { other.FHandle = -1; }
  TWritableFile& operator=(TWritableFile&& other) noexcept;

  // False with the system's message when the file cannot be created.
  bool Create(const std::filesystem::path& file, std::string& error);
  bool IsOpen() const { return FHandle >= 0; }
  // All bytes or false; appends at the current end.
  bool Write(const void* data, size_t count);
  // Overwrites bytes already written, leaving the append position alone.
  bool WriteAt(uint64_t offset, const void* data, size_t count);
  void Close();

 private:
  int FHandle = -1;
};

}  // namespace quillara::platform

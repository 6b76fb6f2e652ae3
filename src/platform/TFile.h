#pragma once
// Files opened with the sharing rules the file functions need: whole-file reads that keep
// writers out, streams read at an offset, and files replaced as a whole.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quillara::platform {

// Outcome of a file call: 0 on success, else the system's error code.
struct TFileResult {
  int Error = 0;
  bool Ok() const { return Error == 0; }
};

// Owns one open file; move-only.
class TFile {
 public:
  TFile() = default;
  TFile(TFile&& other) noexcept : FHandle(other.FHandle) { other.FHandle = -1; }
  TFile& operator=(TFile&& other) noexcept;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  ~TFile() { Close(); }

  bool Valid() const { return FHandle != -1; }
  // The descriptor (or handle) itself, for sending the file from the kernel.
  intptr_t NativeHandle() const { return FHandle; }
  void Close();
  // Bytes read at the offset; 0 at the end or on an error.
  size_t ReadAt(void* buffer, size_t count, int64_t offset) const;

 private:
  friend TFile OpenWithoutSharing(const std::filesystem::path&, TFileResult&);
  friend TFile OpenForStreaming(const std::filesystem::path&, bool, int64_t&, TFileResult&);
  explicit TFile(intptr_t handle) : FHandle(handle) {}
  intptr_t FHandle = -1;  // a descriptor, or the value of a handle
};

// For reading a whole file without sharing: fails while another holder has the file open (on
// Linux, while a writer holds its lock).
TFile OpenWithoutSharing(const std::filesystem::path& file, TFileResult& result);
// For reading in pieces: a folder never opens (its size is no content length); with regularOnly
// nothing but a regular file does, and opening a pipe or a device does not block. Invalid with
// result 0 for a file that is not regular. size receives the file's size.
TFile OpenForStreaming(const std::filesystem::path& file, bool regularOnly, int64_t& size,
                       TFileResult& result);
// Replaces the file's content as a whole, through a temporary file beside it: readers see the old
// or the new content, never a part. Fails while another holder keeps the present file.
TFileResult ReplaceWholeFile(const std::filesystem::path& file, const std::string& bytes);
// The error a second writer of a file gets.
TFileResult SharingViolation();
std::string FileErrorText(int error);

}  // namespace quillara::platform

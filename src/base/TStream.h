#pragma once
// Byte streams with one owner each: over memory and over files.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/TFile.h"

namespace quillara {

class TStream {
 public:
  virtual ~TStream() = default;
  // Bytes read, 0 at the end.
  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual int64_t Size() const = 0;
  virtual int64_t Position() const = 0;
  virtual void SetPosition(int64_t position) = 0;
  // Everything from the current position on.
  std::string ReadRest();
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : FBytes(std::move(bytes)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Size() const override { return int64_t(FBytes.size()); }
  int64_t Position() const override { return int64_t(FPosition); }
  void SetPosition(int64_t position) override;
  const std::string& Bytes() const { return FBytes; }

 private:
  std::string FBytes;
  size_t FPosition = 0;
};

}  // namespace quillara

namespace quillara {

// A file opened for reading, read in pieces; the bytes before Start are hidden (a byte-order
// mark left out of a body).
class TFileStream : public TStream {
 public:
  // Fails with EFOpenError "Cannot open file "%s". %s" (the name and the system's message). A
  // folder never opens (its size is no content length); with regularOnly nothing but a regular
  // file does, and opening a pipe or a device does not block.
  explicit TFileStream(const std::string& fileName, bool regularOnly = false);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Size() const override { return FSize - FStart; }
  int64_t Position() const override { return FPosition - FStart; }
  void SetPosition(int64_t position) override { FPosition = FStart + position; }
  void SetStart(int64_t start) {
    FStart = start;
    FPosition = start;
  }
  // For sending the file without reading it here: the descriptor and the position in the file.
  intptr_t Handle() const { return FFile.NativeHandle(); }
  int64_t FileOffset() const { return FPosition; }

 private:
  platform::TFile FFile;
  int64_t FSize = 0;
  int64_t FStart = 0;
  int64_t FPosition = 0;
};

}  // namespace quillara

#pragma once
// Byte streams with one owner each: over memory and over files.
#include <cstdint>
#include <string>
#include <vector>

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

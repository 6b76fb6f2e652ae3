#pragma once
// Streams the remoting layer answers with: the snapshot of a cached stream result, and a byte
// stream written as a JSON array of numbers while it is read.
#include <cstdint>
#include <memory>
#include <string>

#include "base/TStream.h"

namespace quillara {

// The bytes of a stream result as they were when the call was made. A cached item keeps one,
// so it holds no file open and never reads a file that changed since.
class TDSStreamSnapshot : public std::enable_shared_from_this<TDSStreamSnapshot> {
 public:
  // One snapshot never holds more than this...
  static constexpr int64_t kMaxBytes = int64_t(32) << 20;
  // ...and all snapshots of the process together no more than this.
  static constexpr int64_t kMaxTotalBytes = int64_t(256) << 20;

  // Copies source from its position to its end; fails when either bound would be passed.
  static std::shared_ptr<TDSStreamSnapshot> Take(TStream& source);
  ~TDSStreamSnapshot();
  TDSStreamSnapshot(const TDSStreamSnapshot&) = delete;
  TDSStreamSnapshot& operator=(const TDSStreamSnapshot&) = delete;

  const std::string& Bytes() const { return FBytes; }
  // A stream of its own over the bytes: parallel readers never share a position.
  std::unique_ptr<TStream> NewReader() const;
  // Bytes held by all snapshots alive now.
  static int64_t TotalBytes();

 private:
  TDSStreamSnapshot() = default;
  std::string FBytes;
  int64_t FReserved = 0;
};

// {prefix}[b0,b1,...]{suffix} over the bytes of source from its position on, skipping offset
// bytes and taking at most count: the answer is produced piece by piece as it is sent, never
// held whole. The size is counted once ahead; if source changes between the count and the
// sending, reading ends short of Size() rather than sending other bytes than announced.
class TJSONByteArrayStream : public TStream {
 public:
  TJSONByteArrayStream(std::shared_ptr<TStream> source, int64_t offset, int64_t count,
                       std::string prefix, std::string suffix);
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Size() const override { return FSize; }
  int64_t Position() const override { return FPosition; }
  void SetPosition(int64_t position) override;

 private:
  void Restart();
  // Refills FPending with the next piece of text; false at the end.
  bool Produce();

  std::shared_ptr<TStream> FSource;
  int64_t FStart = 0;
  int64_t FOffset = 0;
  int64_t FCount = 0;
  std::string FPrefix;
  std::string FSuffix;
  int64_t FSize = 0;
  int64_t FPosition = 0;
  // producing
  std::string FPending;
  size_t FPendingAt = 0;
  int64_t FSkipped = 0;
  int64_t FTaken = 0;
  int FStage = 0;  // 0 prefix, 1 bytes, 2 suffix, 3 done
};

}  // namespace quillara

#include "rest/TDSStreams.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "base/Exceptions.h"
#include "rest/TDSMessages.h"

namespace quillara {

namespace {

std::atomic<int64_t> gSnapshotBytes{0};

constexpr size_t kPiece = 16384;

// A reader of its own over a snapshot that it keeps alive.
class TSnapshotReader : public TStream {
 public:
  explicit TSnapshotReader(std::shared_ptr<const TDSStreamSnapshot> snapshot)
      : FSnapshot(std::move(snapshot)) {}
  size_t Read(void* buffer, size_t count) override {
    const std::string& bytes = FSnapshot->Bytes();
    size_t n = std::min(count, bytes.size() - std::min(FPosition, bytes.size()));
    if (n) std::memcpy(buffer, bytes.data() + FPosition, n);
    FPosition += n;
    return n;
  }
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Size() const override { return int64_t(FSnapshot->Bytes().size()); }
  int64_t Position() const override { return int64_t(FPosition); }
  void SetPosition(int64_t position) override {
    FPosition = size_t(std::max<int64_t>(0, position));
  }

 private:
  std::shared_ptr<const TDSStreamSnapshot> FSnapshot;
  size_t FPosition = 0;
};

size_t DecimalLength(uint8_t b) {
  return b >= 100 ? 3 : b >= 10 ? 2 : 1;
}

}  // namespace

std::shared_ptr<TDSStreamSnapshot> TDSStreamSnapshot::Take(TStream& source) {
  std::shared_ptr<TDSStreamSnapshot> snapshot(new TDSStreamSnapshot());
  auto tooLarge = [] {
    return Exception(
        FormatMessage(TDSMessages::kStreamTooLargeForCache, {std::to_string(kMaxBytes)}));
  };
  char buffer[kPiece];
  for (size_t n; (n = source.Read(buffer, sizeof buffer)) > 0;) {
    if (int64_t(snapshot->FBytes.size() + n) > kMaxBytes) throw tooLarge();
    // the reservation grows with the copy, so the process-wide bound holds at every moment
    if (gSnapshotBytes.fetch_add(int64_t(n)) + int64_t(n) > kMaxTotalBytes) {
      gSnapshotBytes.fetch_sub(int64_t(n));
      throw tooLarge();
    }
    snapshot->FReserved += int64_t(n);
    snapshot->FBytes.append(buffer, n);
  }
  snapshot->FBytes.shrink_to_fit();
  return snapshot;
}

TDSStreamSnapshot::~TDSStreamSnapshot() {
  gSnapshotBytes.fetch_sub(FReserved);
}

std::unique_ptr<TStream> TDSStreamSnapshot::NewReader() const {
  return std::make_unique<TSnapshotReader>(shared_from_this());
}

int64_t TDSStreamSnapshot::TotalBytes() {
  return gSnapshotBytes.load();
}

TJSONByteArrayStream::TJSONByteArrayStream(std::shared_ptr<TStream> source, int64_t offset,
                                           int64_t count, std::string prefix, std::string suffix)
    : FSource(std::move(source)),
      FStart(FSource->Position()),
      FOffset(std::max<int64_t>(0, offset)),
      FCount(std::max<int64_t>(0, count)),
      FPrefix(std::move(prefix)),
      FSuffix(std::move(suffix)) {
  // one pass to count, so that the length can be announced before the first byte is sent
  int64_t size = int64_t(FPrefix.size() + FSuffix.size()) + 2;
  int64_t skipped = 0, taken = 0;
  uint8_t buffer[kPiece];
  for (size_t n; taken < FCount && (n = FSource->Read(buffer, sizeof buffer)) > 0;) {
    size_t i = 0;
    if (skipped < FOffset) {
      size_t skip = size_t(std::min<int64_t>(FOffset - skipped, int64_t(n)));
      skipped += int64_t(skip);
      i = skip;
    }
    for (; i < n && taken < FCount; ++i, ++taken)
      size += int64_t(DecimalLength(buffer[i])) + (taken ? 1 : 0);
  }
  FSize = size;
  Restart();
}

void TJSONByteArrayStream::Restart() {
  FSource->SetPosition(FStart);
  FPosition = 0;
  FPending.clear();
  FPendingAt = 0;
  FSkipped = 0;
  FTaken = 0;
  FStage = 0;
}

bool TJSONByteArrayStream::Produce() {
  FPending.clear();
  FPendingAt = 0;
  if (FStage == 0) {
    FPending = FPrefix + "[";
    FStage = 1;
    return true;
  }
  if (FStage == 1) {
    uint8_t buffer[kPiece];
    size_t n = FTaken < FCount ? FSource->Read(buffer, sizeof buffer) : 0;
    if (n == 0) {
      FPending = "]" + FSuffix;
      FStage = 2;
      return true;
    }
    size_t i = 0;
    if (FSkipped < FOffset) {
      size_t skip = size_t(std::min<int64_t>(FOffset - FSkipped, int64_t(n)));
      FSkipped += int64_t(skip);
      i = skip;
    }
    FPending.reserve(4 * (n - i));
    char digits[4];
    for (; i < n && FTaken < FCount; ++i, ++FTaken) {
      if (FTaken) FPending.push_back(',');
      size_t len = DecimalLength(buffer[i]);
      unsigned v = buffer[i];
      for (size_t k = len; k-- > 0; v /= 10) digits[k] = char('0' + v % 10);
      FPending.append(digits, len);
    }
    return true;
  }
  FStage = 3;
  return false;
}

size_t TJSONByteArrayStream::Read(void* buffer, size_t count) {
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count && FPosition < FSize) {
    if (FPendingAt == FPending.size() && !Produce()) break;
    size_t n = std::min({count - done, FPending.size() - FPendingAt, size_t(FSize - FPosition)});
    std::memcpy(out + done, FPending.data() + FPendingAt, n);
    FPendingAt += n;
    FPosition += int64_t(n);
    done += n;
  }
  return done;
}

void TJSONByteArrayStream::SetPosition(int64_t position) {
  Restart();
  char scratch[kPiece];
  while (FPosition < position)
    if (Read(scratch, size_t(std::min<int64_t>(position - FPosition, int64_t(sizeof scratch)))) ==
        0)
      break;
}

}  // namespace quillara

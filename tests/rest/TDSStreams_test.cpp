// Stream results as the remoting layer answers them: snapshots for the cache, byte arrays as
// JSON text produced while they are sent.
#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "rest/TDSStreams.h"

using namespace quillara;

namespace {

std::string ReadAll(TStream& stream, size_t piece) {
  std::string out(piece, '\0'), all;
  for (size_t n; (n = stream.Read(out.data(), piece)) > 0;) all.append(out.data(), n);
  return all;
}

}  // namespace

TEST(TJSONByteArrayStream, WritesTheBytesAsNumbersWithinTheAnnouncedSize) {
  std::string bytes = {'\0', '\x09', 'c', '\xff', 'e'};
  struct Case {
    int64_t offset, count;
    const char* expected;
  } cases[] = {
      {0, INT64_MAX, "{\"result\":[[0,9,99,255,101]]}"},
      {1, 3, "{\"result\":[[9,99,255]]}"},
      {-5, 1, "{\"result\":[[0]]}"},
      {9, 2, "{\"result\":[[]]}"},
      {0, 0, "{\"result\":[[]]}"},
  };
  for (const Case& c : cases) {
    for (size_t piece : {size_t(1), size_t(7), size_t(4096)}) {
      TJSONByteArrayStream json(std::make_shared<TMemoryStream>(bytes), c.offset, c.count,
                                "{\"result\":[", "]}");
      EXPECT_EQ(json.Size(), int64_t(std::string(c.expected).size()));
      EXPECT_EQ(ReadAll(json, piece), c.expected)
          << c.offset << "," << c.count << " piece " << piece;
      json.SetPosition(0);  // a second sending starts over
      EXPECT_EQ(ReadAll(json, piece), c.expected);
    }
  }
}

TEST(TJSONByteArrayStream, ASourceThatChangesNeverMakesItSendMoreThanAnnounced) {
  auto source = std::make_shared<TMemoryStream>(std::string(1000, '\x01'));
  TJSONByteArrayStream json(source, 0, INT64_MAX, "", "");
  int64_t announced = json.Size();
  source->SetPosition(0);
  source->Write(std::string(1000, '\xff').data(), 1000);  // every number grows from 1 to 3 digits
  json.SetPosition(0);
  EXPECT_EQ(int64_t(ReadAll(json, 512).size()), announced);
}

TEST(TDSStreamSnapshot, EachReaderHasItsOwnPositionOverTheBytesOfTheCall) {
  TMemoryStream source("0123456789");
  source.SetPosition(2);
  int64_t held = TDSStreamSnapshot::TotalBytes();
  {
    auto snapshot = TDSStreamSnapshot::Take(source);
    EXPECT_EQ(snapshot->Bytes(), "23456789");
    EXPECT_EQ(TDSStreamSnapshot::TotalBytes(), held + 8);
    auto a = snapshot->NewReader(), b = snapshot->NewReader();
    char x[3];
    EXPECT_EQ(a->Read(x, 3), 3u);
    EXPECT_EQ(ReadAll(*b, 4), "23456789");
    EXPECT_EQ(ReadAll(*a, 4), "56789");
  }
  EXPECT_EQ(TDSStreamSnapshot::TotalBytes(), held);  // the budget comes back with the snapshot
  TMemoryStream big(std::string(size_t(TDSStreamSnapshot::kMaxBytes) + 1, 'x'));
  EXPECT_THROW(TDSStreamSnapshot::Take(big), Exception);
  EXPECT_EQ(TDSStreamSnapshot::TotalBytes(), held);
}

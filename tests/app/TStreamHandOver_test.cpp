#include "app/TStreamHandOver.h"

#include <gtest/gtest.h>

using namespace quillara;

// The window only ever holds a weak reference: the stream lives as long as the remoting layer
// keeps it, is released exactly once, and the window's release never touches a stream in use.
TEST(TStreamHandOver, WindowReleasesOnlyItsOwnReference) {
  TStreamHandOver& handOver = TStreamHandOver::Instance();
  int armed = 0;
  handOver.SetOnArm([&] { ++armed; });
  auto stream = std::make_shared<TMemoryStream>("bytes");
  std::weak_ptr<TStream> watch = stream;
  handOver.HandOver(stream);
  EXPECT_EQ(armed, 1);
  EXPECT_TRUE(handOver.Held());
  handOver.Release();  // the timer fires while the answer is still being written
  EXPECT_EQ(stream->ReadRest(), "bytes");
  handOver.HandOver(stream);
  stream.reset();  // the remoting layer lets go first
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(handOver.Held());
  handOver.Release();
  handOver.SetOnArm(nullptr);
}

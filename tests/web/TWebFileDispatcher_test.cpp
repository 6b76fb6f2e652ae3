#include "web/TWebFileDispatcher.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "support/TMemoryConnection.h"

using namespace quillara;

// The lookup table is built at the first request: the same extension twice is fine with one
// MIME type and an error with two.
TEST(TWebFileDispatcher, ExtensionTable) {
  auto dispatch = [](std::vector<TWebFileExtensionItem> items) {
    TWebFileDispatcher files;
    files.WebFileExtensions = std::move(items);
    quillara::testing::TMemoryConnection connection("");
    THTTPRequestInfo info;
    info.Command = "GET";
    info.Document = "/nothing.zzz";
    THTTPResponseInfo http(connection, info);
    THTTPAppRequest request(info);
    THTTPAppResponse response(http, request);
    TCustomWebDispatcher owner;
    return files.DispatchRequest(owner, request, response);
  };
  EXPECT_FALSE(dispatch({{"css", "text/css"}, {" CSS ;x", "TEXT/CSS"}}));
  try {
    dispatch({{"css", "text/css"}, {"css", "text/plain"}});
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Duplicate mime types for extension: .css");
  }
  TWebFileDispatcher fresh;  // a new dispatcher's own settings
  EXPECT_EQ(fresh.WebFileExtensions.size(), 5u);
  EXPECT_EQ(fresh.WebDirectories.size(), 2u);
  EXPECT_EQ(fresh.RootDirectory, ".");
}

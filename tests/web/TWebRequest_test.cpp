// The web request and response over real HTTP records.
#include "web/TWebRequest.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "support/TMemoryConnection.h"
#include "web/TWebResponse.h"

using namespace quillara;

namespace {

std::vector<Text> Entries(const TStrings& list) {
  return {list.begin(), list.end()};
}

}  // namespace

TEST(FieldLists, SplittingAndDecoding) {
  struct Case {
    std::string text;
    std::vector<Text> entries;
  } cases[] = {
      {"a=1&b=2", {u"a=1", u"b=2"}},
      {"a=1&&b=2", {u"a=1", u"", u"b=2"}},
      {"a=1&", {u"a=1"}},
      {"&a=1", {u"", u"a=1"}},
      {"", {}},
      {"name=J%C3%B6rg+M", {u"name=J\u00f6rg M"}},
      {"p=100%%", {u"p=100%"}},
      {"q=\"x&y\"&z", {u"q=\"x&y\"", u"z"}},
      {"a=1\r\nb=2", {u"a=1", u"b=2"}},
  };
  for (const Case& c : cases) {
    TStrings fields;
    ExtractFields("&", c.text, fields);
    EXPECT_EQ(Entries(fields), c.entries) << c.text;
  }
  struct Bad {
    std::string text;
    std::string message;
  } bad[] = {
      {"a=%zz", "Invalid URL encoded character (%zz) at position 2"},
      {"a=%4", "Error decoding URL style (%XX) encoded string at position 2"},
  };
  for (const Bad& b : bad) {
    TStrings fields;
    try {
      ExtractFields("&", b.text, fields);
      ADD_FAILURE() << b.text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), b.message);
    }
  }
}

TEST(THTTPAppRequest, VariablesAndContent) {
  THTTPRequestInfo info;
  info.Command = "GET";
  info.Version = "HTTP/1.1";
  info.Host = "localhost:12388";
  info.QueryParams = "a=1&b=2";
  info.UnparsedParams = "a=1&b=2";
  info.Document = "/x";
  info.URI = "/x";
  info.LocalPort = 4000;
  THTTPAppRequest request(info);
  EXPECT_EQ(request.Host(), "localhost");
  EXPECT_EQ(request.ServerPort(), 12388);
  EXPECT_EQ(request.ContentLength(), 7);
  EXPECT_EQ(Entries(request.ContentFields()), Entries(request.QueryFields()));
  EXPECT_EQ(request.MethodType(), TMethodType::mtGet);
  EXPECT_EQ(request.GetStringVariable(99), "");
  info.Host = "localhost";
  EXPECT_EQ(request.ServerPort(), 4000);

  THTTPRequestInfo post;
  post.Command = "post";  // method types compare exactly
  post.FormParams = "name=J%C3%B6rg";
  post.UnparsedParams = post.FormParams;
  THTTPAppRequest form(post);
  EXPECT_EQ(form.MethodType(), TMethodType::mtAny);
  EXPECT_EQ(form.ContentFields().Values(u"name"), u"J\u00f6rg");

  THTTPRequestInfo body;
  body.Command = "PUT";
  body.ContentType = "application/json";
  body.PostStream = std::make_unique<TMemoryStream>("\xE2\x82\xAC");
  THTTPAppRequest put(body);
  EXPECT_EQ(put.ContentAsText(), u"\u00e2\u201a\u00ac");  // no charset in the type text: ANSI
  body.ContentType = "application/json; charset=UTF-8";
  EXPECT_EQ(put.ContentAsText(), u"\u20ac");
}

TEST(THTTPAppResponse, VariablesCharsetAndErrors) {
  quillara::testing::TMemoryConnection connection("");
  THTTPRequestInfo info;
  info.Command = "GET";
  THTTPResponseInfo http(connection, info);
  THTTPAppRequest request(info);
  THTTPAppResponse response(http, request);
  EXPECT_EQ(http.CharSet, "ISO-8859-1");
  response.SetContentType("application/json");
  EXPECT_EQ(http.CharSet, "ISO-8859-1");  // a non-text type keeps the charset it had
  response.SetContent(u"\u00e9\u20ac");
  response.SendResponse();
  EXPECT_NE(connection.Output().find("Content-Type: application/json; charset=ISO-8859-1"),
            std::string::npos);
  // the text goes out in the ANSI code page, labelled ISO-8859-1
  EXPECT_EQ(connection.Output().substr(connection.Output().size() - 2), "\xE9\x80");

  struct Bad {
    std::function<void()> call;
    const char* message;
  } bad[] = {
      {[&] { response.GetStringVariable(12); },
       "Invalid Index 12 in THTTPAppResponse.GetStringVariable"},
      {[&] { response.SetStringVariable(-1, ""); },
       "Invalid Index -1 in THTTPAppResponse.SetStringVariable"},
      {[&] { response.GetIntegerVariable(1); },
       "Invalid Index 1 in THTTPAppResponse.GetIntegerVariable"},
      {[&] { response.SetDateVariable(3, 0); },
       "Invalid Index 3 in THTTPAppResponse.SetDateVariable"},
  };
  for (const Bad& b : bad) {
    try {
      b.call();
      ADD_FAILURE() << b.message;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), b.message);
    }
  }
  EXPECT_EQ(URLEncodeCookie(u"a b\u00e9;!"), "a+b%C3%A9%3B!");
}

namespace {

// A stream is handed over only with what keeps it alive: a bare pointer is no stream.
template <class TResponse>
concept TakesBareStream = requires(TResponse& r, TStream* s) {
  r.SetContentStream(s);
};
static_assert(!TakesBareStream<TWebResponse>);
static_assert(!TakesBareStream<THTTPResponseInfo>);

// Notes in a shared log when it dies, so the order of the deaths can be read.
struct TLogged {
  TLogged(std::shared_ptr<std::string> log, const char* name) : Log(std::move(log)), Name(name) {}
  TLogged(const TLogged&) = delete;
  TLogged& operator=(const TLogged&) = delete;
  ~TLogged() { *Log += Name; }
  std::shared_ptr<std::string> Log;
  const char* Name;
};

class TLoggedStream : public TMemoryStream {
 public:
  TLoggedStream(std::string bytes, std::shared_ptr<std::string> log)
      : TMemoryStream(std::move(bytes)), FLogged(std::move(log), "stream;") {}

 private:
  TLogged FLogged;
};

struct TOwner {
  explicit TOwner(const std::shared_ptr<std::string>& log)
      : Logged(log, "owner;"), Stream("hello", log) {}
  TLogged Logged;
  TLoggedStream Stream;
};

}  // namespace

// The stream and whatever it lives in or reads from stay until the answer is gone, even once
// the code that set it has let go; the stream goes before its owner, and an answer never sent
// takes its stream along.
TEST(THTTPAppResponse, ContentStreamOwnership) {
  struct Case {
    const char* name;
    bool send;
    std::function<std::shared_ptr<TStream>(std::shared_ptr<std::string>)> make;
  } cases[] = {
      {"inside its owner", true,
       [](std::shared_ptr<std::string> log) {
         auto owner = std::make_shared<TOwner>(log);
         return std::shared_ptr<TStream>(owner, &owner->Stream);
       }},
      {"reading from its owner", true,
       [](std::shared_ptr<std::string> log) {
         auto owner = std::make_shared<TLogged>(log, "owner;");
         return StreamWithOwner(std::make_unique<TLoggedStream>("hello", log), owner);
       }},
      {"never sent", false,
       [](std::shared_ptr<std::string> log) {
         auto owner = std::make_shared<TLogged>(log, "owner;");
         return StreamWithOwner(std::make_unique<TLoggedStream>("hello", log), owner);
       }},
  };
  for (const Case& c : cases) {
    quillara::testing::TMemoryConnection connection("");
    THTTPRequestInfo info;
    info.Command = "GET";
    THTTPResponseInfo http(connection, info);
    auto log = std::make_shared<std::string>();
    {
      THTTPAppRequest request(info);
      THTTPAppResponse response(http, request);
      response.SetContentStream(c.make(log));
      EXPECT_EQ(*log, "") << c.name;
      if (c.send) response.SendResponse();
      EXPECT_EQ(*log, "") << c.name;
    }
    EXPECT_EQ(*log, "stream;owner;") << c.name;
    EXPECT_EQ(http.ContentStream(), nullptr) << c.name;
    bool sent = connection.Output().size() >= 5 &&
                connection.Output().substr(connection.Output().size() - 5) == "hello";
    EXPECT_EQ(sent, c.send) << c.name;
  }
}

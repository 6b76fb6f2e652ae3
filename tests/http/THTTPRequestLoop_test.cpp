// The request loop as a function over bytes: every request is also fed split at each byte.
#include "http/THTTPRequestLoop.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "http/THTTPLimits.h"
#include "support/TMemoryConnection.h"

using namespace quillara;
using quillara::testing::TMemoryConnection;

namespace {

// What the handler saw, flattened for comparison.
struct TSeen {
  bool Called = false;
  std::string Command, Document, URI, Query, Host, Body, Form, Unparsed, ContentType, CharSet,
      Version;
  bool HasBody = false;
  int64_t ContentLength = -2;
  std::string Cookies, User, Password;
};

std::string Status(const std::string& output) {
  return output.empty() ? "none" : output.substr(0, output.find("\r\n"));
}

std::string Serve(const std::string& input, TSeen& seen, std::vector<size_t> cuts = {},
                  std::function<void(THTTPResponseInfo&)> answer = nullptr, bool pauses = false) {
  TMemoryConnection connection(input, std::move(cuts), pauses);
  THTTPRequestLoop::Run(connection, [&](THTTPRequestInfo& r, THTTPResponseInfo& response) {
    seen.Called = true;
    seen.Command = r.Command;
    seen.Document = r.Document;
    seen.URI = r.URI;
    seen.Query = r.QueryParams;
    seen.Host = r.Host;
    seen.HasBody = r.PostStream != nullptr;
    seen.Body = r.PostStream ? r.PostStream->Bytes() : "";
    seen.Form = r.FormParams;
    seen.Unparsed = r.UnparsedParams;
    seen.ContentType = r.ContentType;
    seen.CharSet = r.CharSet;
    seen.Version = r.Version;
    seen.ContentLength = r.ContentLength;
    for (auto& c : r.Cookies) seen.Cookies += c.Name + "=" + c.Value + ";";
    seen.User = r.AuthUsername;
    seen.Password = r.AuthPassword;
    if (answer) answer(response);
  });
  return connection.Output();
}

struct TCase {
  const char* name;
  std::string input;
  std::string status;  // first line of the answer, or "none"
  bool dispatched;
};

const std::string kLongLine(16385, 'a');

std::vector<TCase> Cases() {
  std::string manyHeaders = "GET / HTTP/1.1\r\nHost: h\r\n";
  for (int i = 0; i < 1024; ++i) manyHeaders += "X: 1\r\n";
  std::string tooManyHeaders = manyHeaders + "X: 1\r\n\r\n";
  manyHeaders += "\r\n";  // 1025 lines in all: accepted
  return {
      {"plain GET", "GET / HTTP/1.1\r\nHost: h\r\n\r\n", "HTTP/1.1 200 OK", true},
      {"HTTP/1.0 without Host", "GET / HTTP/1.0\r\n\r\n", "HTTP/1.1 200 OK", true},
      {"HTTP/1.1 without Host", "GET / HTTP/1.1\r\n\r\n", "HTTP/1.1 400 Bad Request", false},
      {"no blank in the request line", "GARBAGE\r\n\r\n", "none", false},
      {"version other than HTTP", "GET / FOO/1.1\r\nHost: h\r\n\r\n", "none", false},
      {"version in lower case", "GET / http/1.1\r\nHost: h\r\n\r\n", "none", false},
      {"version without minor", "GET / HTTP/1\r\nHost: h\r\n\r\n", "none", false},
      {"version cut by a CR", "GET / HTTP/1.1\rHost: h\r\n\r\n", "none", false},
      {"no version", "GET /\r\n\r\n", "none", false},
      {"request line too long", "GET /" + kLongLine + " HTTP/1.1\r\n\r\n", "none", false},
      {"header line too long", "GET / HTTP/1.1\r\nX: " + kLongLine + "\r\n\r\n", "none", false},
      {"1025 header lines", manyHeaders, "HTTP/1.1 200 OK", true},
      {"1026 header lines", tooManyHeaders, "none", false},
      {"Expect other than 100-continue", "POST / HTTP/1.1\r\nHost: h\r\nExpect: x\r\n\r\n",
       "HTTP/1.1 417 Expectation Failed", false},
      {"POST body without length", "POST / HTTP/1.1\r\nHost: h\r\n\r\nabc",
       "HTTP/1.1 411 Length Required", false},
      {"unknown transfer coding", "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: gzip\r\n\r\n",
       "HTTP/1.1 400 Bad Request", false},
      {"other authorization scheme", "GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Bearer x\r\n\r\n",
       "none", false},
      {"body over 256 MiB", "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 268435457\r\n\r\n",
       "HTTP/1.1 413 Request Entity Too Long", false},
      {"chunk over 256 MiB",
       "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n10000001\r\n",
       "HTTP/1.1 413 Request Entity Too Long", false},
      {"closed inside the headers", "GET / HTTP/1.1\r\nHost: h\r\n", "none", false},
      {"closed inside the body", "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 10\r\n\r\nabc",
       "none", false},
      {"empty input", "", "none", false},
  };
}

}  // namespace

TEST(THTTPRequestLoop, FailureTableWholeAndSplitAtEveryByte) {
  for (const TCase& c : Cases()) {
    std::vector<std::vector<size_t>> splits = {{}};
    if (c.input.size() < 300)
      for (size_t i = 1; i < c.input.size(); ++i) splits.push_back({i});
    for (const auto& cuts : splits) {
      TSeen seen;
      std::string out = Serve(c.input, seen, cuts);
      ASSERT_EQ(Status(out), c.status) << c.name << " split " << (cuts.empty() ? 0 : cuts[0]);
      ASSERT_EQ(seen.Called, c.dispatched) << c.name;
    }
  }
}

TEST(THTTPRequestLoop, RequestRecord) {
  TSeen seen;
  Serve(
      "post /a%20b/c%zzd?x=3 HTTP/1.1\r\nHost: example:8080\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n"
      "Cookie: a=1; b = 2\r\nCookie: c=3\r\nAuthorization: Basic dXNlcjpwYTpzcw==\r\n\r\na=1&b=2",
      seen);
  EXPECT_EQ(seen.Command, "POST");
  EXPECT_EQ(seen.Document, "/a b/cd");
  EXPECT_EQ(seen.URI, "/a%20b/c%zzd");
  EXPECT_EQ(seen.Query, "x=3");
  EXPECT_EQ(seen.Host, "example:8080");
  EXPECT_FALSE(seen.HasBody);  // a form body leaves no stream downstream
  EXPECT_EQ(seen.Form, "a=1&b=2");
  EXPECT_EQ(seen.Unparsed, "a=1&b=2&x=3");
  EXPECT_EQ(seen.Cookies, "a=1;b=2;c=3;");
  EXPECT_EQ(seen.User, "user");
  EXPECT_EQ(seen.Password, "pa:ss");
}

TEST(THTTPRequestLoop, BodiesAndOverrides) {
  struct Case {
    std::string input;
    std::string command, body;
    bool hasBody;
  } cases[] = {
      {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 0\r\n\r\n", "POST", "", true},
      {"POST / HTTP/1.1\r\nHost: h\r\n\r\n", "POST", "", false},
      {"POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: "
       "chunked\r\n\r\n3;x=y\r\nabc\r\n2\r\nde\r\n0\r\nT: 1\r\n\r\n",
       "POST", "abcde", true},
      {"POST / HTTP/1.1\r\nHost: h\r\nX-HTTP-Method-Override: put\r\nContent-Length: 2\r\n\r\nhi",
       "PUT", "hi", true},
      {"POST / HTTP/1.1\r\nHost: h\r\nX-HTTP-Method: delete\r\n\r\n", "DELETE", "", false},
      {"PUT / HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\n\r\nabcEXTRA", "PUT", "abc", true},
      {"POST / HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\nContent-Length: 1\r\n\r\nz", "POST",
       "z", true},
  };
  for (const Case& c : cases) {
    TSeen seen;
    Serve(c.input, seen);
    EXPECT_EQ(seen.Command, c.command) << c.input;
    EXPECT_EQ(seen.Body, c.body) << c.input;
    EXPECT_EQ(seen.HasBody, c.hasBody) << c.input;
  }
}

TEST(THTTPRequestLoop, ContinueIsAnsweredFirstWithOurVersion) {
  for (const char* version : {"HTTP/1.1", "HTTP/2.0"}) {
    TSeen seen;
    std::string request = std::string("POST / ") + version +
                          "\r\nHost: h\r\nExpect: 100-Continue\r\nContent-Length: 1\r\n\r\n";
    std::string out = Serve(request + "z", seen, {request.size()}, nullptr, true);
    EXPECT_EQ(out.rfind("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n", 0), 0u) << out;
  }
}

// Bodies in flight share one budget: with 200 KB allowed, a request holding 150 KB leaves no
// room for another 100 KB, whether declared or chunked, while small bodies always pass.
TEST(THTTPRequestLoop, BodiesShareTheBudget) {
  int64_t saved = HTTPLimits().BodyBudget;
  HTTPLimits().BodyBudget = 200000;
  auto post = [](int64_t size) {
    return "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n" +
           std::string(size_t(size), 'x');
  };
  std::string chunked =
      "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n186a0\r\n" +
      std::string(100000, 'x') + "\r\n0\r\n\r\n";
  struct Case {
    const char* name;
    std::string input;
    std::string status;
  } cases[] = {
      {"declared length", post(100000), "HTTP/1.1 503 Service Unavailable"},
      {"chunk size", chunked, "HTTP/1.1 503 Service Unavailable"},
      {"small body", post(1000), "HTTP/1.1 200 OK"},
  };
  for (const Case& c : cases) {
    TSeen outer, inner;
    std::string innerOut;
    Serve(post(150000), outer, {}, [&](THTTPResponseInfo&) { innerOut = Serve(c.input, inner); });
    EXPECT_EQ(Status(innerOut), c.status) << c.name;
    EXPECT_EQ(THTTPRequestLoop::BodyBytesInFlight(), 0) << c.name;
    TSeen alone;  // once the first is done
    EXPECT_EQ(Status(Serve(c.input, alone)), "HTTP/1.1 200 OK") << c.name;
  }
  HTTPLimits().BodyBudget = saved;
}

TEST(THTTPRequestLoop, ContentTypeCharsetDefaults) {
  struct Case {
    const char* header;
    const char* type;
    const char* charSet;
  } cases[] = {
      {"text/plain", "text/plain", "ISO-8859-1"},
      {"text/xml", "text/xml", "us-ascii"},
      {"text/svg+xml", "text/svg+xml", "us-ascii"},
      {"text/html; charset=utf-8", "text/html", "utf-8"},
      {"application/json", "application/json", ""},
      {"application/json; charset=\"UTF-8\"; q=1", "application/json; q=1", "UTF-8"},
  };
  for (const Case& c : cases) {
    TSeen seen;
    Serve(std::string("GET / HTTP/1.0\r\nContent-Type: ") + c.header + "\r\n\r\n", seen);
    EXPECT_EQ(seen.ContentType, c.type) << c.header;
    EXPECT_EQ(seen.CharSet, c.charSet) << c.header;
  }
}

TEST(THTTPRequestLoop, ResponseHeaderOrderAndBodies) {
  TSeen seen;
  std::string out = Serve("GET / HTTP/1.1\r\nHost: h\r\n\r\n", seen, {}, [](THTTPResponseInfo& r) {
    r.SetResponseNo(201);
    r.ContentType = "application/json";
    r.ContentText = u"{\"\u00e9\":1}";
    r.CharSet = "utf-8";
    r.CustomHeaders = {{"Pragma-X", "dssession=1"}, {"X-B", "2"}};
    r.Location = "/x";
    r.CacheControl = "no-cache";
    r.Date = 0;
  });
  EXPECT_EQ(
      out,
      "HTTP/1.1 201 Created\r\nConnection: close\r\nContent-Type: application/json; "
      "charset=utf-8\r\n"
      "Content-Length: 8\r\nCache-control: no-cache\r\nDate: Thu, 01 Jan 1970 00:00:00 GMT\r\n"
      "Pragma-X: dssession=1\r\nX-B: 2\r\nLocation: /x\r\n\r\n{\"\xC3\xA9\":1}");

  // A HEAD answer has the length its body would have had, and no body.
  out = Serve("HEAD / HTTP/1.1\r\nHost: h\r\n\r\n", seen, {},
              [](THTTPResponseInfo& r) { r.ContentText = u"hello"; });
  EXPECT_NE(out.find("Content-Length: 5\r\n"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 4), "\r\n\r\n");

  // The default body goes out when content is written without text or stream.
  out = Serve("GET / HTTP/1.1\r\nHost: h\r\n\r\n", seen, {}, [](THTTPResponseInfo& r) {
    r.SetResponseNo(404);
    r.WriteContent();
  });
  std::string body = "<HTML><BODY><B>404 Not Found</B></BODY></HTML>\r\n";
  EXPECT_NE(out.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - body.size()), body);

  // An error in the handler becomes a 500 with the message.
  out = Serve("GET / HTTP/1.1\r\nHost: h\r\n\r\n", seen, {},
              [](THTTPResponseInfo&) { throw Exception("Boom é"); });
  EXPECT_EQ(Status(out), "HTTP/1.1 500 Internal Server Error");
  EXPECT_NE(out.find("Content-Type: text/html; charset=ISO-8859-1"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 6), "Boom \xE9");
}

// A stream whose size, taken when the header is written, differs from what it then yields, as a
// file that grows or shrinks while it is sent.
class TChangingStream : public TStream {
 public:
  TChangingStream(int64_t size, size_t yields) : FSize(size), FBytes(yields, 'x') {}
  size_t Read(void* buffer, size_t count) override {
    size_t n = std::min(count, FBytes.size() - FPos);
    std::copy_n(FBytes.data() + FPos, n, static_cast<char*>(buffer));
    FPos += n;
    return n;
  }
  size_t Write(const void*, size_t) override { return 0; }
  int64_t Size() const override { return FSize; }
  int64_t Position() const override { return int64_t(FPos); }
  void SetPosition(int64_t position) override { FPos = size_t(position); }

 private:
  int64_t FSize;
  std::string FBytes;
  size_t FPos = 0;
};

class TAbortRecorder : public TMemoryConnection {
 public:
  using TMemoryConnection::TMemoryConnection;
  void Abort() override { Aborted = true; }
  bool Aborted = false;
};

TEST(THTTPRequestLoop, StreamSendsExactlyTheAnnouncedLength) {
  struct Case {
    const char* name;
    size_t yields;
    size_t body;
    bool aborted;
  } cases[] = {
      {"as announced", 300000, 300000, false},
      {"grew", 700000, 300000, false},
      {"shrank", 100000, 100000, true},
  };
  for (const Case& c : cases) {
    TAbortRecorder connection("GET / HTTP/1.1\r\nHost: h\r\n\r\n");
    auto stream = std::make_shared<TChangingStream>(300000, c.yields);
    THTTPRequestLoop::Run(
        connection, [&](THTTPRequestInfo&, THTTPResponseInfo& r) { r.SetContentStream(stream); });
    const std::string& out = connection.Output();
    size_t head = out.find("\r\n\r\n") + 4;
    EXPECT_NE(out.find("Content-Length: 300000\r\n"), std::string::npos) << c.name;
    EXPECT_EQ(out.size() - head, c.body) << c.name;
    EXPECT_EQ(connection.Aborted, c.aborted) << c.name;
  }
}

TEST(THTTPRequestLoop, BodyArrivingAfterThePauseIsNotWaitedFor) {
  TSeen seen;
  std::string head = "POST / HTTP/1.1\r\nHost: h\r\n\r\n";
  std::string out = Serve(head + "late", seen, {head.size()}, nullptr, true);
  EXPECT_EQ(Status(out), "HTTP/1.1 200 OK");
  EXPECT_FALSE(seen.HasBody);
}

TEST(THTTPRequestLoop, OnlyTheFirstOfTwoRequestsIsAnswered) {
  TSeen seen;
  std::string out =
      Serve("GET /1 HTTP/1.1\r\nHost: h\r\n\r\nGET /2 HTTP/1.1\r\nHost: h\r\n\r\n", seen);
  EXPECT_EQ(seen.Document, "/1");
  EXPECT_EQ(out.find("HTTP/1.1", 1), std::string::npos);
}

// What the loop tells its caller decides whether closing looks for more bytes from the peer.
TEST(THTTPRequestLoop, HowFarThePeerWasRead) {
  using E = THTTPRequestLoop::TRequestEnd;
  struct Case {
    const char* name;
    std::string input;
    E end;
  } cases[] = {
      {"HTTP/1.1 keeps the connection open", "GET / HTTP/1.1\r\nHost: h\r\n\r\n", E::reReadWhole},
      {"close option", "GET / HTTP/1.1\r\nHost: h\r\nConnection: Close\r\n\r\n", E::reLast},
      {"close among other options",
       "GET / HTTP/1.1\r\nHost: h\r\nConnection: keep-alive, close\r\n\r\n", E::reLast},
      {"HTTP/1.0 closes", "GET / HTTP/1.0\r\n\r\n", E::reLast},
      {"HTTP/1.0 keep-alive", "GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n", E::reReadWhole},
      {"an option that only contains close",
       "GET / HTTP/1.1\r\nHost: h\r\nConnection: closed, upgrade\r\n\r\n", E::reReadWhole},
      {"body cut short",
       "POST / HTTP/1.1\r\nHost: h\r\nConnection: close\r\n"
       "Content-Length: 10\r\n\r\nabc",
       E::reCutShort},
      {"head cut short", "GET / HTTP/1.1\r\nHost: h\r\n", E::reCutShort},
      {"refused before the body",
       "POST / HTTP/1.1\r\nConnection: close\r\n"
       "Content-Length: 10\r\n\r\n0123456789",
       E::reCutShort},
  };
  for (const Case& c : cases) {
    TMemoryConnection connection(c.input, {});
    E end = THTTPRequestLoop::Run(connection, [](THTTPRequestInfo&, THTTPResponseInfo&) {});
    EXPECT_EQ(end, c.end) << c.name;
  }
}

TEST(DecodeRequestPath, EscapeRules) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"/a%20b", "/a b"},
      {"/c%zzd", "/cd"},
      {"/%u00e9", "/\xC3\xA9"},
      {"/%C3%A9", "/\xC3\xA9"},
      {"/x%2", "/x"},
      {"/%uZZZZok", "/ok"},
      {"/%", "/"},
      {"/%FF", "/\xEF\xBF\xBD"},
      {"/a+b", "/a+b"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeRequestPath(c.in), c.out) << c.in;
}

TEST(DecodeRequestPath, BytesWithoutEscapesReadAsUtf8) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"/plain/path.html", "/plain/path.html"},
      {"/caf\xC3\xA9", "/caf\xC3\xA9"},
      {"/\xF0\x9F\x98\x80", "/\xF0\x9F\x98\x80"},
      {"/\xFF"
       "a",
       "/\xEF\xBF\xBD"
       "a"},
      {"/\xC3", "/\xEF\xBF\xBD"},
      {"/\xC3\xA9%20", "/\xC3\xA9 "},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeRequestPath(c.in), c.out) << c.in;
}

TEST(THTTPRequestLoop, MemoryStreamSendsTheAnnouncedLength) {
  struct Case {
    const char* name;
    const char* method;
    size_t size;
    int64_t announced;  // -1: the stream's size
    size_t body;
    bool aborted;
  } cases[] = {
      {"small", "GET", 10, -1, 10, false},
      {"empty", "GET", 0, -1, 0, false},
      {"announced less", "GET", 10, 3, 3, false},
      {"announced more", "GET", 10, 20, 10, true},
      {"larger than a piece", "GET", 600000, -1, 600000, false},
      {"head", "HEAD", 10, -1, 0, false},
  };
  for (const Case& c : cases) {
    TAbortRecorder connection(std::string(c.method) + " / HTTP/1.1\r\nHost: h\r\n\r\n");
    std::string bytes(c.size, 'x');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char('a' + i % 26);
    auto stream = std::make_shared<TMemoryStream>(bytes);
    THTTPRequestLoop::Run(connection, [&](THTTPRequestInfo&, THTTPResponseInfo& r) {
      r.SetContentStream(stream);
      r.ContentLength = c.announced;
    });
    const std::string& out = connection.Output();
    size_t head = out.find("\r\n\r\n") + 4;
    int64_t length = c.announced >= 0 ? c.announced : int64_t(c.size);
    EXPECT_NE(out.find("Content-Length: " + std::to_string(length) + "\r\n"), std::string::npos)
        << c.name;
    EXPECT_EQ(out.substr(head), bytes.substr(0, c.body)) << c.name;
    EXPECT_EQ(connection.Aborted, c.aborted) << c.name;
  }
}

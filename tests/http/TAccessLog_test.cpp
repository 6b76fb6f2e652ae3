// The access log's view of a connection: the request line as read and the status and body bytes
// as written, whatever pieces they come in.
#include "http/TAccessLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/TMemoryConnection.h"

using namespace quillara;
using quillara::testing::TMemoryConnection;

namespace {

// One connection through a logged connection: the request is read as the cuts deliver it, the
// answer written in the pieces given. Returns what the log holds afterwards.
std::string Logged(const std::string& request, const std::vector<std::string>& writes,
                   std::vector<size_t> cuts = {}) {
  std::string path = ::testing::TempDir() + "access_log_test.log";
  std::remove(path.c_str());
  {
    TAccessLog log(path);
    TMemoryConnection inner(request, std::move(cuts));
    TLoggedConnection logged(inner, log);
    char buffer[64];
    while (logged.Read(buffer, sizeof buffer) > 0) {
    }
    for (const std::string& piece : writes) logged.Write(piece.data(), piece.size());
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::remove(path.c_str());
  return text.str();
}

// The quoted request line, status and bytes of a log line, without the duration.
std::string Fields(const std::string& line) {
  size_t quote = line.find('"');
  size_t last = line.find_last_of(' ');
  if (quote == std::string::npos || last == std::string::npos || last < quote) return line;
  return line.substr(quote, last - quote);
}

std::vector<size_t> EveryByte(size_t size) {
  std::vector<size_t> cuts;
  for (size_t i = 1; i < size; ++i) cuts.push_back(i);
  return cuts;
}

}  // namespace

TEST(TLoggedConnection, StatusAndBodyBytesOfTheFinalAnswer) {
  const std::string request = "GET / HTTP/1.1\r\nHost: h\r\n\r\n";
  struct Case {
    std::vector<std::string> writes;
    const char* fields;
  } cases[] = {
      {{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"}, "\"GET / HTTP/1.1\" 200 5"},
      {{"HTTP/1.1 200 OK\r\n\r", "\n", "abc", "de"}, "\"GET / HTTP/1.1\" 200 5"},
      {{"HTTP/1.1 100 Continue\r\n\r\n", "HTTP/1.1 201 Created\r\n\r\nab"},
       "\"GET / HTTP/1.1\" 201 2"},
      {{"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\n\r\nxyz"},
       "\"GET / HTTP/1.1\" 404 3"},
      {{"HTTP/1.0 302 Found\r\n\r\n"}, "\"GET / HTTP/1.1\" 302 -"},
      {{"HTTP/1.1  503 Busy\r\n\r\n"}, "\"GET / HTTP/1.1\" 503 -"},
      {{"garbage\r\n\r\nbody"}, "\"GET / HTTP/1.1\" -1 4"},
      {{"\r\n\r\nHTTP/1.1 200 OK\r\n\r\n"}, "\"GET / HTTP/1.1\" -1 19"},
  };
  for (const Case& c : cases) {
    std::string line = Logged(request, c.writes);
    EXPECT_EQ(Fields(line), c.fields) << line;
    // the same bytes written one at a time
    std::string whole;
    for (const std::string& piece : c.writes) whole += piece;
    std::vector<std::string> bytes;
    for (char ch : whole) bytes.emplace_back(1, ch);
    EXPECT_EQ(Fields(Logged(request, bytes)), c.fields) << whole;
  }
}

TEST(TLoggedConnection, NoLineWithoutAFinalAnswer) {
  EXPECT_EQ(Logged("GET / HTTP/1.1\r\n\r\n", {}), "");
  EXPECT_EQ(Logged("GET / HTTP/1.1\r\n\r\n", {"HTTP/1.1 200 OK\r\nX: y"}), "");
  EXPECT_EQ(Logged("GET / HTTP/1.1\r\n\r\n", {"HTTP/1.1 100 Continue\r\n\r\n"}), "");
}

TEST(TLoggedConnection, RequestLineAsReadInAnyPieces) {
  const std::string answer = "HTTP/1.1 200 OK\r\n\r\n";
  const std::string longTarget(9000, 'a');
  struct Case {
    std::string request;
    std::string fields;
  } cases[] = {
      {"\r\n\r\nGET /a HTTP/1.1\r\nHost: x\r\n\r\n", "\"GET /a HTTP/1.1\" 200 -"},
      {"GET /a\rb HTTP/1.1\r\n\r\n", "\"GET /ab HTTP/1.1\" 200 -"},
      {"GET /\"q\\\x01\xC3\xA9\x7F HTTP/1.1\r\n\r\n",
       "\"GET /\\x22q\\x5C\\x01\\xC3\\xA9\\x7F HTTP/1.1\" 200 -"},
      {"GET /" + longTarget + " HTTP/1.1\r\n\r\n",
       "\"GET /" + longTarget.substr(0, 8192 - 5) + "\" 200 -"},
      {"GET /unfinished", "\"GET /unfinished\" 200 -"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fields(Logged(c.request, {answer})), c.fields);
    if (c.request.size() < 100) {
      EXPECT_EQ(Fields(Logged(c.request, {answer}, EveryByte(c.request.size()))), c.fields);
    }
  }
}

TEST(TAccessLog, TheTimeStampOfEachSecondIsItsOwn) {
  auto line = [](std::time_t when) {
    return TAccessLog::FormatLine("10.0.0.1", when, "GET / HTTP/1.1", 200, 12, 3);
  };
  // A thread of its own has nothing remembered from earlier lines.
  auto fresh = [&](std::time_t when) {
    std::string text;
    std::thread([&] { text = line(when); }).join();
    return text;
  };
  const std::time_t times[] = {1796900000, 1796900001, 1796900000, 0, 0, 1796986400};
  for (std::time_t when : times) {
    std::string text = line(when);
    EXPECT_EQ(text, fresh(when));
    ASSERT_EQ(text.substr(0, 14), "10.0.0.1 - - [");
    EXPECT_EQ(text.substr(13 + 28), " \"GET / HTTP/1.1\" 200 12 3") << text;
  }
  EXPECT_NE(line(1796900000), line(1796900001));
  EXPECT_EQ(TAccessLog::FormatLine("", 0, "", 500, 0, 0).substr(0, 7), "- - - [");
}

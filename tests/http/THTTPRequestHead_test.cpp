// The request head reader as a function over bytes: every head is read whole, split in two at
// each byte and fed one byte at a time, and must come out the same every way.
#include "http/THTTPRequestHead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillara;

namespace {

struct TOutcome {
  THTTPHeadStatus Status = hsIncomplete;
  THTTPHeadError Error = heNone;
  size_t Offset = 0;  // from the start of the input
  std::string Method, Target, Version, Headers;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "|";
  return out;
}

// Feeds input in the given pieces as the request loop does: what a call takes is dropped, the
// rest stays for the next call together with the next piece.
TOutcome Feed(const std::string& input, const std::vector<size_t>& cuts) {
  THTTPRequestHead head;
  TOutcome out;
  std::string pending;
  size_t taken = 0, from = 0;
  std::vector<size_t> ends = cuts;
  ends.push_back(input.size());
  for (size_t end : ends) {
    pending.append(input, from, end - from);
    from = end;
    THTTPHeadResult result = ReadRequestHead(pending, head);
    out.Status = result.Status;
    out.Error = result.Error;
    out.Offset = taken + result.Offset;
    if (result.Status != hsIncomplete) break;
    pending.erase(0, result.Offset);
    taken += result.Offset;
  }
  out.Method = head.Method;
  out.Target = head.Target;
  out.Version = head.Version;
  out.Headers = Joined(head.Headers);
  return out;
}

std::string Describe(const TOutcome& o) {
  return "status " + std::to_string(o.Status) + " error " + std::to_string(o.Error) + " offset " +
         std::to_string(o.Offset) + " [" + o.Method + "][" + o.Target + "][" + o.Version + "][" +
         o.Headers + "]";
}

struct TCase {
  const char* name;
  std::string input;
  TOutcome expected;
};

const std::string kGet = "GET / HTTP/1.1\r\n";

std::string Headers(size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += "X: 1\r\n";
  return out;
}

std::vector<TCase> Cases() {
  const size_t max = kMaxLineLength;
  std::string longest = "GET /" + std::string(max - 15, 'a') + " HTTP/1.1\r";  // CR counts
  std::string tooLong = "GET /" + std::string(max - 14, 'a') + " HTTP/1.1\r";
  std::string longHeader = "X: " + std::string(max - 3, 'b');
  std::string all = kGet + Headers(kMaxHeaderLines) + "\r\n";
  std::string xs;
  for (size_t i = 0; i < kMaxHeaderLines; ++i) xs += "X: 1|";
  return {
      {"plain",
       kGet + "Host: h\r\n\r\n",
       {hsComplete, heNone, 27, "GET", "/", "HTTP/1.1", "Host: h|"}},
      {"body after the head is left",
       kGet + "Host: h\r\n\r\nBODY\r\n\r\n",
       {hsComplete, heNone, 27, "GET", "/", "HTTP/1.1", "Host: h|"}},
      {"bare line feeds",
       "GET / HTTP/1.0\nA: 1\nB: 2\n\n",
       {hsComplete, heNone, 26, "GET", "/", "HTTP/1.0", "A: 1|B: 2|"}},
      {"no headers",
       "GET / HTTP/1.0\r\n\r\n",
       {hsComplete, heNone, 18, "GET", "/", "HTTP/1.0", ""}},
      {"method case kept, blanks in the target",
       "post /a b?q=1 HTTP/1.1\r\n\r\n",
       {hsComplete, heNone, 26, "post", "/a b?q=1", "HTTP/1.1", ""}},
      {"two words", "GET HTTP/1.1\r\n\r\n", {hsComplete, heNone, 16, "GET", "", "HTTP/1.1", ""}},
      {"continuations joined",
       kGet + "A: 1\r\n  more \r\n\tand more\r\nB: 2\r\n\r\n",
       {hsComplete, heNone, 50, "GET", "/", "HTTP/1.1", "A: 1 more and more|B: 2|"}},
      {"a first header that looks like a continuation stands alone",
       kGet + " A: 1\r\n\r\n",
       {hsComplete, heNone, 25, "GET", "/", "HTTP/1.1", " A: 1|"}},
      {"CR inside a header stays",
       kGet + "A: 1\r2\r\n\r\n",
       {hsComplete, heNone, 26, "GET", "/", "HTTP/1.1", "A: 1\r2|"}},
      {"longest request line",
       longest + "\n\r\n",
       {hsComplete, heNone, max + 3, "GET", "/" + std::string(max - 15, 'a'), "HTTP/1.1", ""}},
      {"longest header line",
       kGet + longHeader + "\n\n",
       {hsComplete, heNone, 16 + max + 2, "GET", "/", "HTTP/1.1", longHeader + "|"}},
      {"most header lines", all, {hsComplete, heNone, all.size(), "GET", "/", "HTTP/1.1", xs}},

      {"empty", "", {hsIncomplete, heNone, 0, "", "", "", ""}},
      {"request line unfinished", "GET / HTTP/1.1\r", {hsIncomplete, heNone, 0, "", "", "", ""}},
      {"headers unfinished",
       kGet + "Host: h\r\n",
       {hsIncomplete, heNone, 25, "GET", "/", "HTTP/1.1", "Host: h|"}},
      {"end of the head unfinished",
       kGet + "Host: h\r\n\r",
       {hsIncomplete, heNone, 25, "GET", "/", "HTTP/1.1", "Host: h|"}},
      {"longest line unfinished", std::string(max, 'a'), {hsIncomplete, heNone, 0, "", "", "", ""}},

      {"request line too long", tooLong + "\n\r\n", {hsTooLarge, heLineTooLong, 0, "", "", "", ""}},
      {"request line too long, unfinished",
       std::string(max + 1, 'a'),
       {hsTooLarge, heLineTooLong, 0, "", "", "", ""}},
      {"header line too long",
       kGet + longHeader + "b\r\n\r\n",
       {hsTooLarge, heLineTooLong, 16, "GET", "/", "HTTP/1.1", ""}},
      {"one header line too many",
       kGet + Headers(kMaxHeaderLines + 1) + "\r\n",
       {hsTooLarge, heTooManyHeaderLines, 16 + 6 * kMaxHeaderLines, "GET", "/", "HTTP/1.1", xs}},

      {"no blank", "GARBAGE\r\n\r\n", {hsMalformed, heNoBlank, 0, "", "", "", ""}},
      {"empty request line",
       "\r\nGET / HTTP/1.1\r\n\r\n",
       {hsMalformed, heNoBlank, 0, "", "", "", ""}},
      {"version in lower case",
       "GET / http/1.1\r\n\r\n",
       {hsMalformed, heBadVersion, 6, "", "", "", ""}},
      {"version without minor",
       "GET / HTTP/1\r\n\r\n",
       {hsMalformed, heBadVersion, 6, "", "", "", ""}},
      {"version with two digits",
       "GET / HTTP/1.10\r\n\r\n",
       {hsMalformed, heBadVersion, 6, "", "", "", ""}},
      {"other protocol", "GET / FOO/1.1\r\n\r\n", {hsMalformed, heBadVersion, 6, "", "", "", ""}},
      {"no version", "GET /\r\n\r\n", {hsMalformed, heBadVersion, 4, "", "", "", ""}},
      {"version cut by a CR",
       "GET / HTTP/1.1\rHost: h\r\n\r\n",
       {hsMalformed, heBadVersion, 21, "", "", "", ""}},
  };
}

void ExpectSame(const TOutcome& got, const TOutcome& want, const std::string& how) {
  EXPECT_EQ(Describe(got), Describe(want)) << how;
}

}  // namespace

TEST(ReadRequestHead, Whole) {
  for (const TCase& c : Cases()) ExpectSame(Feed(c.input, {}), c.expected, c.name);
}

TEST(ReadRequestHead, SplitInTwoAtEveryByte) {
  for (const TCase& c : Cases()) {
    std::vector<size_t> at;
    if (c.input.size() < 2000) {
      for (size_t i = 1; i < c.input.size(); ++i) at.push_back(i);
    } else {  // around the line limit and at each end
      for (size_t i : {size_t(1), kMaxLineLength - 1, kMaxLineLength, kMaxLineLength + 1,
                       kMaxLineLength + 2, kMaxLineLength + 17, c.input.size() - 1})
        if (i < c.input.size()) at.push_back(i);
    }
    for (size_t i : at)
      ExpectSame(Feed(c.input, {i}), c.expected, c.name + (" split " + std::to_string(i)));
  }
}

TEST(ReadRequestHead, OneByteAtATime) {
  for (const TCase& c : Cases()) {
    if (c.input.size() >= 20000) continue;
    std::vector<size_t> cuts;
    for (size_t i = 1; i < c.input.size(); ++i) cuts.push_back(i);
    ExpectSame(Feed(c.input, cuts), c.expected, c.name);
  }
}

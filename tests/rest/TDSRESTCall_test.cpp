// The query string of a REST call: session id, refusals (409) and values that fail the call.
#include "rest/TDSRESTCall.h"

#include <gtest/gtest.h>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "base/TStrings.h"
#include "rest/TDSMessages.h"

using namespace quillara;

namespace {

struct TQueryCase {
  const char* name;
  std::vector<const char*> fields;
  int status;
  std::string statusText;
  std::string sessionId;
  std::string error;
  size_t filters;
  bool streamAsJSON;
};

void PrintTo(const TQueryCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadCallQueryTest : public ::testing::TestWithParam<TQueryCase> {};

TEST_P(ReadCallQueryTest, StatusSessionAndError) {
  const TQueryCase& c = GetParam();
  TStrings fields;
  for (const char* f : c.fields) fields.Add(Utf8ToText(f));
  TCallQuery call = ReadCallQuery(fields);
  EXPECT_EQ(call.Status, c.status);
  EXPECT_EQ(call.StatusText, c.statusText);
  EXPECT_EQ(call.SessionId, c.sessionId);
  EXPECT_EQ(call.Error, c.error);
  EXPECT_EQ(call.Query.Filters.size(), c.filters);
  EXPECT_EQ(call.Query.StreamAsJSON, c.streamAsJSON);
}

std::string NotAccepted(const char* name, const char* value) {
  return FormatMessage(TDSMessages::kConverterNotAccepted, {name, value});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadCallQueryTest,
    ::testing::Values(
        TQueryCase{"Nothing", {}, 200, "", "", "", 0, false},
        TQueryCase{"Sid", {"sid=abc"}, 200, "", "abc", "", 0, false},
        TQueryCase{
            "SessionIdAnyCaseLastWins", {"SESSIONID=1", "SiD=2"}, 200, "", "2", "", 0, false},
        TQueryCase{"FieldWithoutValueIgnored", {"json"}, 200, "", "", "", 0, false},
        TQueryCase{"Json", {"json=true"}, 200, "", "", "", 0, true},
        TQueryCase{"Filter", {"ss.c=3"}, 200, "", "", "", 1, false},
        TQueryCase{"Rejected", {"ss72.c=1"}, 409, NotAccepted("ss72.c", "1"), "", "", 0, false},
        TQueryCase{"StopsAtTheRejection",
                   {"ss3-1.c=1", "ss.c=x", "sid=7"},
                   409,
                   NotAccepted("ss3-1.c", "1"),
                   "",
                   "",
                   0,
                   false},
        TQueryCase{"Conflicting",
                   {"ss0.c=1", "t0-1.c=1"},
                   409,
                   TDSMessages::kConvertersConflict,
                   "",
                   "",
                   1,
                   false},
        TQueryCase{"RejectionBeforeConflict",
                   {"ss.c=1", "t.c=1", "ss99.c=1"},
                   409,
                   NotAccepted("ss99.c", "1"),
                   "",
                   "",
                   1,
                   false},
        TQueryCase{"UnreadableValueFailsTheCall",
                   {"ss.c=x", "sid=7"},
                   200,
                   "",
                   "",
                   "'x' is not a valid integer value",
                   0,
                   false},
        TQueryCase{"UnreadableJson",
                   {"sid=5", "json=maybe"},
                   200,
                   "",
                   "5",
                   "'maybe' is not a valid boolean value",
                   0,
                   false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

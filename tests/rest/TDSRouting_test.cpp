// The remoting URL grammar: contexts, path segments, invoked names, "Pragma" session ids.
#include "rest/TDSRouting.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "rest/TDSMessages.h"

using namespace quillara;

namespace {

struct TMatchCase {
  const char* name;
  const char* prefix;
  const char* text;
  bool matches;
  const char* rest;
};

class MatchContextTest : public ::testing::TestWithParam<TMatchCase> {};

TEST_P(MatchContextTest, MatchesTheFirstSegmentWithoutCaseAndKeepsTheDelimiter) {
  const TMatchCase& c = GetParam();
  std::string rest = "untouched";
  EXPECT_EQ(MatchContext(c.prefix, c.text, rest), c.matches);
  EXPECT_EQ(rest, c.matches ? std::string(c.rest) : std::string("untouched"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MatchContextTest,
    ::testing::Values(TMatchCase{"EmptyPrefixKeepsAll", "", "/a/b", true, "/a/b"},
                      TMatchCase{"LeadingSlash", "dataserver", "/dataserver/rest/X", true,
                                 "/rest/X"},
                      TMatchCase{"NoLeadingSlash", "rest", "rest/X/Y", true, "/X/Y"},
                      TMatchCase{"CaseIgnored", "dataserver", "/DataServer/REST", true, "/REST"},
                      TMatchCase{"WholeText", "rest", "/rest", true, ""},
                      TMatchCase{"QueryDelimits", "rest", "/rest?x=1", true, "?x=1"},
                      TMatchCase{"SlashBeforeQuery", "rest", "/rest/a?x=1", true, "/a?x=1"},
                      TMatchCase{"LongerSegment", "dataserver", "/dataserverx/rest", false, ""},
                      TMatchCase{"ShorterSegment", "dataserver", "/data/rest", false, ""},
                      TMatchCase{"EmptySegment", "rest", "//rest", false, ""},
                      TMatchCase{"EmptyText", "rest", "", false, ""},
                      TMatchCase{"SlashOnly", "rest", "/", false, ""},
                      TMatchCase{"PercentNotDecoded", "rest", "/r%65st/a", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct TSplitCase {
  const char* name;
  const char* text;
  std::vector<std::string> segments;  // empty: the format error
};

class SplitRestPathTest : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitRestPathTest, SegmentsOrTheFormatError) {
  const TSplitCase& c = GetParam();
  if (c.segments.empty()) {
    try {
      SplitRestPath(c.text);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), TDSMessages::kInvalidRequestFormat);
    }
    return;
  }
  EXPECT_EQ(SplitRestPath(c.text), c.segments);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitRestPathTest,
    ::testing::Values(TSplitCase{"ClassAndMethod", "/C/M", {"C", "M"}},
                      TSplitCase{"Values", "/C/M/a/b", {"C", "M", "a", "b"}},
                      TSplitCase{"EmptyValueKept", "/A/B//C", {"A", "B", "", "C"}},
                      TSplitCase{"OneTrailingSlashAddsNothing", "/C/M/a/", {"C", "M", "a"}},
                      TSplitCase{"TwoTrailingSlashesAddOne", "/C/M/a//", {"C", "M", "a", ""}},
                      TSplitCase{"NoLeadingSlash", "C/M", {"C", "M"}},
                      TSplitCase{"PercentDecoded", "/C/M/a%20b", {"C", "M", "a b"}},
                      TSplitCase{"PlusKept", "/C/M/a+b", {"C", "M", "a+b"}},
                      TSplitCase{"Utf8Decoded", "/C/M/%C3%A8", {"C", "M", "\xC3\xA8"}},
                      TSplitCase{"QuotedMethod", "/C/%22PutFile%22", {"C", "\"PutFile\""}},
                      TSplitCase{"NoSlash", "CM", {}}, TSplitCase{"Empty", "", {}},
                      TSplitCase{"SlashOnly", "/", {}}, TSplitCase{"ClassOnly", "/C", {}},
                      TSplitCase{"ClassAndSlash", "/C/", {}}, TSplitCase{"EmptyClass", "//M", {}},
                      TSplitCase{"EmptyMethod", "/C//a", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildMethodName, PrefixByCommandUnlessQuotedOrBuiltIn) {
  using T = TDSHTTPCommandType;
  struct Case {
    T type;
    const char* className;
    const char* method;
    const char* expected;
  } cases[] = {
      {T::hcGET, "TServerMethods1", "EchoString", "TServerMethods1.EchoString"},
      {T::hcPOST, "TServerMethods1", "EchoString", "TServerMethods1.updateEchoString"},
      {T::hcPUT, "TServerMethods1", "PutFile", "TServerMethods1.acceptPutFile"},
      {T::hcDELETE, "TServerMethods1", "EchoString", "TServerMethods1.cancelEchoString"},
      {T::hcOther, "C", "M", "C.M"},
      {T::hcUnknown, "C", "M", "C.M"},
      {T::hcPOST, "C", "\"PutFile\"", "C.\"PutFile\""},
      {T::hcPUT, "C", "'PutFile'", "C.'PutFile'"},
      {T::hcPOST, "DSAdmin", "ListClasses", "DSAdmin.ListClasses"},
      {T::hcDELETE, "DSMetadata", "GetDatabase", "DSMetadata.GetDatabase"},
      // the built-in classes are named exactly; another case gets the prefix
      {T::hcPOST, "dsadmin", "ListClasses", "dsadmin.updateListClasses"},
      {T::hcPOST, "C", "", "C.update"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BuildMethodName(c.type, c.className, c.method), c.expected)
        << c.className << "/" << c.method;
}

TEST(PragmaSessionId, TheDssessionItemOfTheHeader) {
  struct Case {
    const char* pragma;
    const char* id;
  } cases[] = {
      {"", ""},
      {"no-cache", ""},
      {"dssession=1.2.3", "1.2.3"},
      {"dssession=1.2.3,dssessionexpires=1200000", "1.2.3"},
      {"dssessionexpires=5, dssession=7.8.9", "7.8.9"},
      {"DSSession=4.5.6", "4.5.6"},
      {"no-cache dssession=1", "1"},
      {"dssession=\"a, b\"", "a, b"},
      {"x=\"dssession=9\",dssession=2", "2"},
      {"dssession=", ""},
      {"dssession", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PragmaSessionId(c.pragma), c.id) << c.pragma;
}

}  // namespace

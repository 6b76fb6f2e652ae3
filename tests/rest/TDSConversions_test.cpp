// A call's inputs from segments and bodies, and its outputs as JSON.
#include <gtest/gtest.h>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "rest/TDSParameterConversion.h"
#include "rest/TDSQueryFilters.h"
#include "rest/TDSResultConversion.h"

using namespace quillara;
using namespace quillara::TDBXDataTypes;

namespace {

// A value as one comparable text: null, t:text, i:int, d:double, b:bool, j:json, s:bytes.
std::string Describe(const TDSValue& v) {
  const auto& variant = v.Variant();
  if (v.IsNull()) return "null";
  if (auto t = std::get_if<Text>(&variant)) return "t:" + TextToUtf8(*t);
  if (auto i = std::get_if<int64_t>(&variant)) return "i:" + std::to_string(*i);
  if (auto d = std::get_if<double>(&variant)) return "d:" + std::to_string(*d);
  if (auto b = std::get_if<bool>(&variant)) return *b ? "b:1" : "b:0";
  if (v.AsJSON()) return "j:" + v.AsJSON()->ToJSON();
  if (auto s = v.AsStream()) return "s:" + s->ReadRest();
  return "?";
}

struct TFillCase {
  const char* title;
  std::vector<std::pair<std::string, std::string>> parameters;  // as DeclareMethod takes them
  std::vector<std::string> segments;
  std::string body;
  std::vector<std::string> values;  // Describe of each declared value; empty when it fails
  std::string error = {};
};

void PrintTo(const TFillCase& c, std::ostream* os) {
  *os << c.title;
}

class FillInputsTest : public ::testing::TestWithParam<TFillCase> {};

TEST_P(FillInputsTest, ValuesOrTheError) {
  const TFillCase& c = GetParam();
  TDSMethodDeclaration method = DeclareMethod("M", c.parameters, "", nullptr);
  std::vector<TDSValue> values(method.Parameters.size());
  TTreeReservation reservation;
  try {
    FillInputs(reservation, "C.M", c.segments, c.body, method.Parameters, values);
    EXPECT_TRUE(c.error.empty()) << "no error, expected: " << c.error;
  } catch (const Exception& e) {
    EXPECT_EQ(e.what(), c.error);
    return;
  }
  std::vector<std::string> described;
  for (const TDSValue& v : values) described.push_back(Describe(v));
  EXPECT_EQ(described, c.values);
}

const char* const kNotConsumed =
    "Server method C.M consumed only 1 input parameters out of 2. Either call with more "
    "parameters or change method definition.";

INSTANTIATE_TEST_SUITE_P(
    Segments, FillInputsTest,
    ::testing::Values(
        TFillCase{"InOrder", {{"a", "string"}, {"b", "Integer"}}, {"x", "7"}, "", {"t:x", "i:7"}},
        TFillCase{
            "MissingAreNull", {{"a", "string"}, {"b", "Integer"}}, {"x"}, "", {"t:x", "null"}},
        TFillCase{"NullText", {{"a", "string"}}, {"null"}, "", {"null"}},
        TFillCase{"NullIsCaseSensitive", {{"a", "string"}}, {"NULL"}, "", {"t:NULL"}},
        TFillCase{"NullForJSON", {{"a", "TJSONObject"}}, {"null"}, "", {"j:null"}},
        TFillCase{"TextForJSON", {{"a", "TJSONObject"}}, {"x"}, "", {"j:\"x\""}},
        TFillCase{"LeftOver", {{"a", "string"}}, {"x", "y"}, "", {}, kNotConsumed},
        TFillCase{
            "OutSkipped", {{"a", "out Integer"}, {"b", "string"}}, {"x"}, "", {"null", "t:x"}},
        TFillCase{"InOutFilled", {{"a", "var Integer"}}, {"3"}, "", {"i:3"}},
        TFillCase{"BooleanWords",
                  {{"a", "Integer"}, {"b", "Boolean"}},
                  {"TRUE", "0"},
                  "",
                  {"i:1", "b:0"}},
        TFillCase{"BadBoolean",
                  {{"a", "Boolean"}},
                  {"yes"},
                  "",
                  {},
                  "'yes' is not a valid boolean value"},
        TFillCase{
            "BadInteger", {{"a", "Integer"}}, {"x"}, "", {}, "'x' is not a valid integer value"},
        TFillCase{"Double", {{"a", "Double"}}, {"2.5"}, "", {"d:2.500000"}},
        TFillCase{"BadDouble",
                  {{"a", "Double"}},
                  {"2,5"},
                  "",
                  {},
                  "'2,5' is not a valid floating point value"},
        TFillCase{"AnsiLosesWhatItCannotHold",
                  {{"a", "AnsiString"}},
                  {"\xC3\xA8\xE2\x82\xAC\xE4\xB8\x80"},
                  "",
                  {"t:\xC3\xA8\xE2\x82\xAC?"}},
        TFillCase{"UnsupportedType",
                  {{"a", "TStream"}},
                  {"x"},
                  "",
                  {},
                  "Cannot convert JSON value x input into TDBXTypes.UNKNOWN(33)"}),
    [](const auto& info) { return std::string(info.param.title); });

// A method must never see a wrapped value.
INSTANTIATE_TEST_SUITE_P(
    IntegerRanges, FillInputsTest,
    ::testing::Values(
        TFillCase{"ShortIntLow", {{"a", "ShortInt"}}, {"-128"}, "", {"i:-128"}},
        TFillCase{"ShortIntPast",
                  {{"a", "ShortInt"}},
                  {"128"},
                  "",
                  {},
                  "'128' is not a valid integer value"},
        TFillCase{"ByteHigh", {{"a", "Byte"}}, {"255"}, "", {"i:255"}},
        TFillCase{
            "ByteNegative", {{"a", "Byte"}}, {"-1"}, "", {}, "'-1' is not a valid integer value"},
        TFillCase{"SmallIntPast",
                  {{"a", "SmallInt"}},
                  {"32768"},
                  "",
                  {},
                  "'32768' is not a valid integer value"},
        TFillCase{"WordHigh", {{"a", "Word"}}, {"65535"}, "", {"i:65535"}},
        TFillCase{"IntegerHigh", {{"a", "Integer"}}, {"2147483647"}, "", {"i:2147483647"}},
        TFillCase{"IntegerPast",
                  {{"a", "Integer"}},
                  {"2147483648"},
                  "",
                  {},
                  "'2147483648' is not a valid integer value"},
        TFillCase{"Int64Wide", {{"a", "Int64"}}, {"9007199254740993"}, "", {"i:9007199254740993"}},
        TFillCase{"IntegerHexadecimal", {{"a", "Integer"}}, {"$10"}, "", {"i:16"}}),
    [](const auto& info) { return std::string(info.param.title); });

INSTANTIATE_TEST_SUITE_P(
    Bodies, FillInputsTest,
    ::testing::Values(
        TFillCase{"WholeBodyToFirstRemaining",
                  {{"a", "string"}, {"b", "TJSONObject"}, {"c", "string"}},
                  {"x"},
                  "{\"k\":1}",
                  {"t:x", "j:{\"k\":1}", "null"}},
        TFillCase{"ParametersArray",
                  {{"a", "string"}, {"b", "TJSONObject"}},
                  {},
                  "{\"_parameters\":[\"A\",{\"x\":\"y\"}]}",
                  {"t:A", "j:{\"x\":\"y\"}"}},
        TFillCase{"ParametersArrayShort",
                  {{"a", "string"}, {"b", "string"}},
                  {},
                  "{\"_parameters\":[\"A\"]}",
                  {"t:A", "null"}},
        TFillCase{"ParametersNotAlone",
                  {{"a", "TJSONObject"}},
                  {},
                  "{\"_parameters\":[1],\"z\":2}",
                  {"j:{\"_parameters\":[1],\"z\":2}"}},
        TFillCase{"SegmentsFirstThenArray",
                  {{"a", "string"}, {"b", "Integer"}},
                  {"s"},
                  "{\"_parameters\":[5]}",
                  {"t:s", "i:5"}},
        TFillCase{"NotJSON",
                  {{"a", "string"}},
                  {},
                  "{x",
                  {},
                  "Message content is not a valid JSON value."},
        TFillCase{"TrueForText", {{"a", "string"}}, {}, "true", {"t:-1"}},
        TFillCase{"FalseForInteger", {{"a", "Integer"}}, {}, "false", {"i:0"}},
        TFillCase{"NumberForBoolean", {{"a", "Boolean"}}, {}, "{\"_parameters\":[1]}", {"b:1"}},
        TFillCase{"TwoForBoolean", {{"a", "Boolean"}}, {}, "{\"_parameters\":[2]}", {"b:0"}},
        TFillCase{"NumberForText", {{"a", "string"}}, {}, "12.5", {"t:12.5"}},
        TFillCase{"NumberOutOfRange",
                  {{"a", "Byte"}},
                  {},
                  "256",
                  {},
                  "'256' is not a valid integer value"},
        TFillCase{"NullForText", {{"a", "string"}}, {}, "null", {"null"}},
        TFillCase{"ArrayForStream", {{"a", "TStream"}}, {}, "[104,105]", {"s:hi"}},
        TFillCase{"ArrayPastAByte",
                  {{"a", "TStream"}},
                  {},
                  "[104,256]",
                  {},
                  "Cannot convert JSON input into a stream"},
        TFillCase{"ArrayForText",
                  {{"a", "string"}},
                  {},
                  "[1]",
                  {},
                  "Cannot convert JSON value [1] input into TDBXTypes.WideString"},
        TFillCase{"ObjectForInteger",
                  {{"a", "Integer"}},
                  {},
                  "{}",
                  {},
                  "Cannot convert JSON value {} input into TDBXTypes.INT32"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(TTreeReservation, HoldsItsShareUntilItEnds) {
  size_t before = TTreeReservation::TotalBytes();
  {
    TTreeReservation reservation;
    EXPECT_EQ(reservation.Reserve(1000), 1000u);
    EXPECT_EQ(TTreeReservation::TotalBytes(), before + 1000);
    reservation.KeepOnly(10);
    EXPECT_EQ(TTreeReservation::TotalBytes(), before + 10);
    reservation.KeepOnly(500);  // never grows
    EXPECT_EQ(reservation.Bytes(), 10u);
    EXPECT_EQ(reservation.Reserve(kMaxBodyTreeBytesTotal * 2),
              kMaxBodyTreeBytesTotal - before);  // no more than the bound leaves
  }
  EXPECT_EQ(TTreeReservation::TotalBytes(), before);
}

// ---- results ----

TDSParameterInfo Output(TDBXDataType code, std::string typeName = "") {
  TDSParameterInfo p;
  p.Code = code;
  p.Direction = pdReturn;
  p.TypeName = std::move(typeName);
  return p;
}

TDSValue Value(TDSValue::TVariant v) {
  TDSValue value;
  value.Set(std::move(v));
  return value;
}

std::shared_ptr<TStream> Bytes(std::string bytes) {
  return std::make_shared<TMemoryStream>(std::move(bytes));
}

std::shared_ptr<TDBXTable> TwoRows() {
  auto t = std::make_shared<TDBXTable>(
      "T", std::vector<TDBXColumn>{{"A", Int32Type, 4}, {"B", WideStringType, 8}});
  for (int i = 1; i <= 3; ++i) {
    auto& row = t->AddRow();
    row[0].Set(int64_t(i));
    if (i != 2) row[1].Set(Text(u"r") + Text(1, char16_t(u'0' + i)));
  }
  return t;
}

TEST(ResultToJSON, ByTypeCode) {
  struct Case {
    const char* title;
    TDBXDataType code;
    TDSValue value;
    const char* json;
  } cases[] = {
      {"null", WideStringType, TDSValue(), "null"},
      {"text", WideStringType, Value(Text(u"a\"b")), "\"a\\\"b\""},
      {"ansi text", AnsiStringType, Value(Text(u"x")), "\"x\""},
      {"date as text", DateType, Value(Text(u"2024-01-02")), "\"2024-01-02\""},
      {"integer", Int32Type, Value(int64_t(5)), "5"},
      {"double", DoubleType, Value(2.5), "2.5"},
      {"int64 keeps every digit", Int64Type, Value(int64_t(9007199254740993)), "9007199254740993"},
      {"single precision", SingleType, Value(0.1), "0.100000001490116"},
      {"byte", UInt8Type, Value(int64_t(200)), "200"},
      {"boolean", BooleanType, Value(true), "true"},
      {"boolean from integer", BooleanType, Value(int64_t(0)), "false"},
      {"stream", BinaryBlobType, Value(Bytes("\x01\xff")), "[1,255]"},
      {"blob", BlobType, Value(Bytes("")), "[]"},
      {"table", TableType, Value(TwoRows()),
       "{\"table\":[[\"A\",6,0,0,0,4,0,0,true,false,0,false,false],"
       "[\"B\",26,1,0,0,8,0,0,true,false,0,false,false]],"
       "\"A\":[1,2,3],\"B\":[\"r1\",null,\"r3\"]}"},
      {"json", JsonValueType, Value(std::shared_ptr<TJSONValue>(std::make_shared<TJSONTrue>())),
       "true"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResultToJSON(Output(c.code), c.value, nullptr)->ToJSON(), c.json) << c.title;
}

TEST(ResultToJSON, TypesWithoutAJSONFormFail) {
  for (TDBXDataType code : {VariantType, CursorType, UnknownType, CallbackType}) {
    try {
      ResultToJSON(Output(code), Value(int64_t(1)), nullptr);
      ADD_FAILURE() << "no error for " << code;
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), "Cannot convert DBX type " + DataTypeName(code) + " into a JSON value");
    }
  }
}

TEST(ResultToJSON, FiltersCropTextStreamsAndTables) {
  struct Case {
    const char* title;
    const char* filter;  // query name
    const char* field;   // its value
    TDBXDataType code;
    TDSValue value;
    const char* json;
  } cases[] = {
      {"text window", "ss.r", "1,2", WideStringType, Value(Text(u"abcdef")), "\"bc\""},
      {"text count", "ss.c", "3", WideStringType, Value(Text(u"abcdef")), "\"abc\""},
      {"text past the end", "ss.o", "10", WideStringType, Value(Text(u"abc")), "\"\""},
      {"text negative offset", "ss.o", "-5", WideStringType, Value(Text(u"abc")), "\"abc\""},
      {"text negative count", "ss.c", "-1", WideStringType, Value(Text(u"abc")), "\"\""},
      {"stream window", "ss.r", "1,2", BinaryBlobType, Value(Bytes("\x01\x02\x03\x04")), "[2,3]"},
      {"stream negative offset", "ss.o", "-3", BinaryBlobType, Value(Bytes("\x01\x02")), "[1,2]"},
      {"table rows", "t.r", "1,1", TableType, Value(TwoRows()),
       "{\"table\":[[\"A\",6,0,0,0,4,0,0,true,false,0,false,false],"
       "[\"B\",26,1,0,0,8,0,0,true,false,0,false,false]],\"A\":[2],\"B\":[null]}"},
      {"table without rows", "t.o", "5", TableType, Value(TwoRows()), "{\"table\":[]}"},
      {"null stays null", "ss.c", "1", WideStringType, TDSValue(), "null"},
  };
  for (const Case& c : cases) {
    TQuery query;
    ASSERT_TRUE(ProcessQueryParameter(query, c.filter, c.field)) << c.title;
    EXPECT_EQ(ResultToJSON(Output(c.code), c.value, &query.Filters.at(0))->ToJSON(), c.json)
        << c.title;
  }
}

TEST(IsCacheable, JSONContainersObjectsTablesAndStreams) {
  struct Case {
    TDBXDataType code;
    const char* typeName;
    bool cacheable;
  } cases[] = {
      {TableType, "TDataSet", true},         {ObjectType, "TObject", true},
      {BlobType, "TStream", true},           {BinaryBlobType, "TStream", true},
      {JsonValueType, "TJSONObject", true},  {JsonValueType, "TJSONArray", true},
      {JsonValueType, "TJSONValue", true},   {JsonValueType, "TMyClass", true},
      {JsonValueType, "TJSONString", false}, {JsonValueType, "TJSONNumber", false},
      {WideStringType, "string", false},     {Int32Type, "Integer", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsCacheable(Output(c.code, c.typeName)), c.cacheable) << c.typeName << " " << c.code;
}

}  // namespace

#pragma once
// Metadata from rows of the method-parameters table written as text, a server to describe,
// and temporary folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "base/CodePages.h"
#include "methods/TServerMethods1.h"
#include "proxy/TDSProxyGenerator.h"
#include "support/TTempFolder.h"

namespace quillara::test {

// Rows as "class|method|name|type|unit|direction|code|wire direction"; an empty code is null.
inline std::shared_ptr<TDBXTable> RowsTable(const std::string& rows) {
  using namespace TDBXDataTypes;
  auto t = std::make_shared<TDBXTable>(
      "MethodParametersTable", std::vector<TDBXColumn>{{"MethodAlias", WideStringType, 256},
                                                       {"ServerClassName", WideStringType, 256},
                                                       {"MethodName", WideStringType, 256},
                                                       {"Name", WideStringType, 256},
                                                       {"ParameterTypeName", WideStringType, 256},
                                                       {"ParameterTypeUnit", WideStringType, 256},
                                                       {"ParameterDirection", Int32Type, 4},
                                                       {"DBXType", Int32Type, 4},
                                                       {"DBXParameterDirection", Int32Type, 4}});
  std::istringstream in(rows);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::string field;
    std::istringstream fields(line);
    while (std::getline(fields, field, '|')) f.push_back(field);
    f.resize(8);
    auto& row = t->AddRow();
    row[0].Set(Utf8ToText(f[0] + "." + f[1]));
    for (int i = 0; i < 5; ++i) row[size_t(i) + 1].Set(Utf8ToText(f[size_t(i)]));
    row[6].Set(int64_t(std::stoi(f[5])));
    if (!f[6].empty()) row[7].Set(int64_t(std::stoi(f[6])));
    row[8].Set(int64_t(std::stoi(f[7])));
  }
  return t;
}

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

using TTempFolder = quillara::testing::TTempFolder;

// Loads a fixed table instead of asking a server.
class TTableLoader : public IDSProxyMetaDataLoader {
 public:
  explicit TTableLoader(std::shared_ptr<TDBXTable> table) : FTable(std::move(table)) {}
  void Load(TDSProxyMetadata& metadata) override {
    TDSMethodParametersEntity entity(FTable);
    metadata.LoadMetadata(entity);
  }

 private:
  std::shared_ptr<TDBXTable> FTable;
};

// The generator finds writers by name, so the suites that run it register them first.
class TWriterRegistryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterProxyWriters(); }
};

// A started server with this program's methods, and the provider that describes it.
struct TServerUnderTest {
  TServerUnderTest() {
    serverClass.OnGetClass = [] { return &TServerMethods1::Descriptor(); };
    server.AddServerClass(serverClass);
    server.Start();
    provider.SetServer(&server);
  }
  TDSServer server;
  TDSServerClass serverClass;
  TDSServerMetaDataProvider provider;
};

}  // namespace quillara::test

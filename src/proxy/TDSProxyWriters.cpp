// The registry entries of every language writer, in their registration order.
#include "proxy/TDSObjectiveCProxyWriter.h"

namespace quillara {

namespace {

// A registry entry whose writer comes later: its name, language and outputs are known, so
// archive names and file names resolve; writing fails plainly.
class TDSPendingProxyWriterEntry : public TDSProxyWriter {
 public:
  TDSPendingProxyWriterEntry(std::string name, TDSProxyWriterProperties properties,
                             std::vector<TDSProxyFileDescription> files)
      : FName(std::move(name)), FProperties(std::move(properties)), FFiles(std::move(files)) {}

  std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() override {
    class TWriter : public TDSCustomProxyWriter {
     public:
      explicit TWriter(std::string name) : FName(std::move(name)) {}
      void WriteProxy() override {
        throw TDSProxyException(FormatMessage("Proxy writer not available: %s", {FName}));
      }
      void WriteImplementationPart() override {}
      void WriteInterfacePart() override {}
      void EmitText(const std::string&) override {}
      void EmitLineEnd() override {}
      std::string AssignmentOperator() override { return "="; }

     private:
      std::string FName;
    };
    return std::make_unique<TWriter>(FName);
  }
  TDSProxyWriterProperties Properties() override { return FProperties; }
  std::vector<TDSProxyFileDescription> FileDescriptions() override { return FFiles; }

 private:
  std::string FName;
  TDSProxyWriterProperties FProperties;
  std::vector<TDSProxyFileDescription> FFiles;
};

TDSProxyWriterProperties ConnectorProperties(const char* unit, const char* language,
                                             TDSProxyEncoding encoding, const char* comment = "") {
  TDSProxyWriterProperties p;
  p.UsesUnits = unit;
  p.DefaultExcludeClasses = "DSMetadata,DSAdmin";
  p.DefaultExcludeMethods = "AS_*";
  p.DefaultEncoding = encoding;
  p.Author = "Quillara";
  p.Comment = comment;
  p.Language = language;
  p.Features = feRESTClient;
  return p;
}

struct TEntry {
  const char* Name;
  TDSProxyWriterFactory::TWriterClass Class;
};

std::vector<TEntry> Entries() {
  auto pending =
      [](const char* name, TDSProxyWriterProperties properties,
         std::vector<TDSProxyFileDescription> files) -> TDSProxyWriterFactory::TWriterClass {
    return [=] { return std::make_unique<TDSPendingProxyWriterEntry>(name, properties, files); };
  };
  TDSProxyWriterProperties javaScript =
      ConnectorProperties("TDSJavaScriptProxyWriter", "Java Script", TDSProxyEncoding::peUTF8);
  javaScript.DefaultExcludeClasses = "DSMetadata";
  TDSProxyWriterProperties pascal42 =
      ConnectorProperties("TDSFreePascalProxyWriter", "freepascal_ios42", TDSProxyEncoding::peUTF8);
  TDSProxyWriterProperties pascal50 = pascal42;
  pascal50.Language = "freepascal_ios50";
  return {
      {"Java (Android) REST",
       pending("Java (Android) REST",
               ConnectorProperties("TDSJavaAndroidProxyWriter", "java_android",
                                   TDSProxyEncoding::peUTF8NoBOM, "com\\vavurerazev\\javaandroid"),
               {{"implementation", ".java"}})},
      {"Java (Black Berry) REST",
       pending("Java (Black Berry) REST",
               ConnectorProperties("TDSJavaBlackBerryProxyWriter", "java_blackberry",
                                   TDSProxyEncoding::peUTF8, "com\\vavurerazev\\javablackberry"),
               {{"implementation", ".java"}})},
      {"Objective-C iOS 4.2 REST",
       [] { return std::make_unique<TDSClientProxyWriterObjectiveCiOS>(); }},
      {"C# Silverlight REST",
       pending("C# Silverlight REST",
               ConnectorProperties("TDSCsharpSilverlightProxyWriter", "csharp_silverlight",
                                   TDSProxyEncoding::peUTF8),
               {{"implementation", ".cs"}})},
      {"FreePascal iOS 4.2 REST",
       pending("FreePascal iOS 4.2 REST", pascal42, {{"implementation", ".pas"}})},
      {"FreePascal iOS 5.0 REST",
       pending("FreePascal iOS 5.0 REST", pascal50, {{"implementation", ".pas"}})},
      {"Java Script REST", pending("Java Script REST", javaScript, {{"implementation", ".js"}})},
  };
}

}  // namespace

void RegisterProxyWriters() {
  for (TEntry& entry : Entries())
    TDSProxyWriterFactory::RegisterWriter(entry.Name, std::move(entry.Class));
}

void UnregisterProxyWriters() {
  for (const TEntry& entry : Entries()) TDSProxyWriterFactory::UnregisterWriter(entry.Name);
}

}  // namespace quillara

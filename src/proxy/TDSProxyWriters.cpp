// The registry entries of every language writer, in their registration order.
#include "proxy/TDSCsharpSilverlightProxyWriter.h"
#include "proxy/TDSFreePascalProxyWriter.h"
#include "proxy/TDSJavaAndroidProxyWriter.h"
#include "proxy/TDSJavaScriptProxyWriter.h"
#include "proxy/TDSObjectiveCProxyWriter.h"

namespace quillara {

namespace {

struct TEntry {
  const char* Name;
  TDSProxyWriterFactory::TWriterClass Class;
};

template <typename TEntryClass>
TDSProxyWriterFactory::TWriterClass Make() {
  return [] { return std::make_unique<TEntryClass>(); };
}

std::vector<TEntry> Entries() {
  return {
      {"Java (Android) REST", Make<TDSClientProxyWriterJavaAndroid>()},
      {"Java (Black Berry) REST", Make<TDSClientProxyWriterJavaBlackBerry>()},
      {"Objective-C iOS 4.2 REST", Make<TDSClientProxyWriterObjectiveCiOS>()},
      {"C# Silverlight REST", Make<TDSClientProxyWriterCsharpSilverlight>()},
      {"FreePascal iOS 4.2 REST", Make<TDSClientProxyWriterFreePascaliOS42>()},
      {"FreePascal iOS 5.0 REST", Make<TDSClientProxyWriterFreePascaliOS50>()},
      {"Java Script REST", Make<TDSClientProxyWriterJavaScript>()},
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

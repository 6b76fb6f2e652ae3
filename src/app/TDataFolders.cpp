#include "app/TDataFolders.h"

#include "app/Messages.h"
#include "base/Exceptions.h"

namespace quillara {

namespace {

const char16_t* const kKeyPaths[] = {
    u"\\SOFTWARE\\Tavernis\\Brontal 2015",
    u"\\SOFTWARE\\Tavernis\\Brontal 2014",
    u"\\SOFTWARE\\Tavernis\\Brontal 2013",
};

Text ReadString(const platform::TRegistry& registry, const Text& name) {
  Text text;
  if (registry.ReadString(name, text) == platform::TRegistry::TReadStatus::rsWrongType)
    throw ERegistryException(FormatMessage(kInvalidDataType, {TextToUtf8(name)}));
  return text;
}

}  // namespace

TDataFolders& TDataFolders::Instance() {
  static TDataFolders instance;
  return instance;
}

TDataFolderSettings TDataFolders::Current() const {
  std::lock_guard lock(FLock);
  return FSettings;
}

void TDataFolders::Pass(platform::TRegistry& registry) {
  for (const char16_t* path : kKeyPaths) {
    {
      std::lock_guard lock(FLock);
      FSettings.SettingsKey = path;
    }
    if (!registry.KeyExists(path)) continue;
    // Opening asks for full access; when that is refused both reads find nothing.
    registry.OpenKey(path);
    Text import = ReadString(registry, u"ImportPath");
    {
      std::lock_guard lock(FLock);
      FSettings.ImportPath = import;
    }
    Text exportPath = ReadString(registry, u"ExportPath");
    std::lock_guard lock(FLock);
    FSettings.ExportPath = exportPath;
    return;
  }
}

void TDataFolders::ReadFromRegistry(platform::TRegistry& registry) {
  registry.SetRootKey(platform::TRegRoot::HKEY_LOCAL_MACHINE);
  Pass(registry);
  bool bothEmpty;
  {
    std::lock_guard lock(FLock);
    bothEmpty = FSettings.ImportPath.empty() && FSettings.ExportPath.empty();
  }
  if (bothEmpty) {
    registry.SetRootKey(platform::TRegRoot::HKEY_CURRENT_USER);
    Pass(registry);
  }
}

void TDataFolders::ReadFromRegistry() {
  platform::TRegistry registry;
  ReadFromRegistry(registry);
}

}  // namespace quillara

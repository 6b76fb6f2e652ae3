#pragma once
// Brontal's export and import folders, looked up in the registry at every start of the server.
#include <memory>
#include <mutex>

#include "base/Text.h"
#include "platform/TRegistry.h"

namespace quillara {

struct TDataFolderSettings {
  Text SettingsKey;  // the key path tried last; kept for reference only
  Text ImportPath;
  Text ExportPath;
};

// Process-wide settings: written on the control thread, read by request threads. Readers get a
// consistent copy; a start that finds nothing keeps the values of an earlier start.
class TDataFolders {
 public:
  static TDataFolders& Instance();
  TDataFolders() = default;

  TDataFolderSettings Current() const;
  // The lookup: 2015, 2014, 2013 under the local machine, then under the current user when both
  // folders are still empty. A value of a non-string type fails with ERegistryException
  // "Invalid data type for '%s'"; what was assigned before the failure stands.
  void ReadFromRegistry(platform::TRegistry& registry);
  void ReadFromRegistry();

 private:
  void Pass(platform::TRegistry& registry);

  mutable std::mutex FLock;
  TDataFolderSettings FSettings;
};

}  // namespace quillara

#pragma once
// Serves the files below the web root to GET and HEAD by extension and folder masks, with
// 304 for unchanged files and 404 for missing ones. The proxy download dispatcher derives from
// it with other settings.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/TMask.h"
#include "web/TCustomWebDispatcher.h"

namespace quillara {

struct TWebFileExtensionItem {
  std::string Extensions;  // ";"-separated
  std::string MimeType;
};

enum class TWebDirectoryAction { dirInclude, dirExclude };

struct TWebDirectoryItem {
  TWebDirectoryAction DirectoryAction;
  std::string DirectoryMask;
};

class TCustomWebFileDispatcher : public IWebDispatch {
 public:
  using THook = std::function<void(TCustomWebFileDispatcher& sender, const std::string& fileName,
                                   TWebRequest& request, TWebResponse& response, bool& handled)>;

  // The settings of a new dispatcher.
  TCustomWebFileDispatcher();

  std::vector<TWebFileExtensionItem> WebFileExtensions;
  std::vector<TWebDirectoryItem> WebDirectories;
  std::string RootDirectory = ".";
  THook BeforeDispatch;
  THook AfterDispatch;

  bool DispatchEnabled() const override { return true; }
  TMethodType DispatchMethodType() const override { return TMethodType::mtAny; }
  bool DispatchMatches(const std::string& path) override;
  bool DispatchRequest(TCustomWebDispatcher& sender, TWebRequest& request,
                       TWebResponse& response) override;

  // The local file for a request path, or none when the path leaves the root.
  std::optional<std::filesystem::path> LocalFileName(const std::string& path) const;

 private:
  // Fails with "Duplicate mime types for extension: %s".
  const std::map<std::string, std::string>& MimeTable();
  bool FolderAllowed(const std::string& windowsPath);

  std::optional<std::map<std::string, std::string>> FMimeTable;
  std::vector<std::pair<TWebDirectoryAction, TMask>> FDirectoryMasks;
  std::vector<TWebDirectoryItem> FCompiledFrom;
  TPathMask FMask;
};

class TWebFileDispatcher : public TCustomWebFileDispatcher {};

}  // namespace quillara

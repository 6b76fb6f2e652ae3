#include "web/TWebFileDispatcher.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "base/TStream.h"
#include "base/Text.h"
#include "http/THTTPResponseInfo.h"
#include "platform/SystemText.h"
#include "platform/TDrivePath.h"
#include "platform/TFileSystem.h"
#include "platform/TSystem.h"
#include "web/Messages.h"

namespace quillara {

namespace fs = std::filesystem;

TCustomWebFileDispatcher::TCustomWebFileDispatcher() {
  WebFileExtensions = {{"css", "text/css"},
                       {"html;htm", "text/html"},
                       {"js", "text/javascript"},
                       {"jpeg;jpg", "image/jpeg"},
                       {"png", "image/x-png"}};
  WebDirectories = {{TWebDirectoryAction::dirInclude, "*"},
                    {TWebDirectoryAction::dirExclude, "\\templates\\*"}};
  FMask.SetPath("/*");
}

bool TCustomWebFileDispatcher::DispatchMatches(const std::string& path) {
  return FMask.Matches(path);
}

const std::map<std::string, std::string>& TCustomWebFileDispatcher::MimeTable() {
  if (!FMimeTable) {
    std::map<std::string, std::string> table;
    for (const TWebFileExtensionItem& item : WebFileExtensions) {
      std::string mime = LowerAscii(item.MimeType);
      for (std::string_view piece : SplitText(item.Extensions, ";")) {
        std::string ext;
        for (char c : piece)
          if (c != ' ') ext.push_back(c);
        ext = "." + LowerAscii(ext);
        auto [it, added] = table.emplace(ext, mime);
        if (!added && it->second != mime)
          throw Exception(FormatMessage(kDuplicateMimeTypes, {ext}));
      }
    }
    FMimeTable = std::move(table);
  }
  return *FMimeTable;
}

bool TCustomWebFileDispatcher::FolderAllowed(const std::string& windowsPath) {
  if (FDirectoryMasks.empty() || FCompiledFrom.size() != WebDirectories.size()) {
    FDirectoryMasks.clear();
    for (const TWebDirectoryItem& item : WebDirectories) {
      std::string mask = TrimBlanks(item.DirectoryMask);
      if (mask.empty()) continue;
      if (mask[0] != '\\') mask = "\\" + mask;
      FDirectoryMasks.emplace_back(item.DirectoryAction, TMask(Utf8ToText(mask)));
    }
    FCompiledFrom = WebDirectories;
  }
  std::string folder = windowsPath.substr(0, windowsPath.rfind('\\') + 1);
  Text text = Utf8ToText(folder);
  bool allowed = false;
  for (const auto& [action, mask] : FDirectoryMasks)
    if (mask.Matches(text)) allowed = action == TWebDirectoryAction::dirInclude;
  return allowed;
}

std::optional<fs::path> TCustomWebFileDispatcher::LocalFileName(const std::string& path) const {
  std::string relative = path;
  if (!relative.empty() && (relative[0] == '/' || relative[0] == '\\')) relative.erase(0, 1);
  for (char& c : relative)
    if (c == '\\') c = '/';
  std::string rootText = TrimBlanks(RootDirectory).empty() ? "." : RootDirectory;
  fs::path root;
  if (rootText.size() > 1 && rootText[1] == ':') {
    root = platform::MapWindowsPath(rootText);
  } else {
    for (char& c : rootText)
      if (c == '\\') c = '/';
    root = platform::ExecutableFolder() / platform::PathFromUtf8(rootText);
  }
  root = root.lexically_normal();
  fs::path full = (root / platform::PathFromUtf8(relative)).lexically_normal();
  // ".." must not lead out of the web root.
  fs::path inside = full.lexically_relative(root);
  if (inside.empty() || *inside.begin() == "..") return std::nullopt;
  // Names match without regard to letter case, as on the platform the web files come from.
  return platform::ResolveWithoutCase(root, inside);
}

bool TCustomWebFileDispatcher::DispatchRequest(TCustomWebDispatcher&, TWebRequest& request,
                                               TWebResponse& response) {
  if (request.MethodType() != TMethodType::mtGet && request.MethodType() != TMethodType::mtHead)
    return false;
  std::string path = request.PathInfo();
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  auto mime = MimeTable().find(LowerAscii(path.substr(dot)));
  if (mime == MimeTable().end()) return false;
  // A decoded control byte (a NUL above all) would end the name the file system sees before the
  // extension that was checked: no file has such a name.
  if (std::any_of(path.begin(), path.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
    response.SetStatusCode(404);
    return true;
  }
  std::string windowsPath = path;
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  if (!FolderAllowed(windowsPath)) return false;
  // "." and ".." are resolved now: a path that leaves the web root, or reaches an excluded
  // folder from elsewhere, is answered as missing and no file outside the root is opened.
  auto local = LocalFileName(path);
  std::string resolved;
  if (local) {
    resolved = "\\" + platform::Utf8FromPath(
                          local->lexically_relative(LocalFileName("/").value_or(*local)));
    for (char& c : resolved)
      if (c == '/') c = '\\';
  }
  if (!local || !FolderAllowed(resolved)) {
    response.SetStatusCode(404);
    return true;
  }
  std::string fileName = platform::Utf8FromPath(*local);

  bool handled = false;
  if (BeforeDispatch) BeforeDispatch(*this, fileName, request, response, handled);
  if (!handled) {
    handled = true;
    auto written =
        platform::DirectoryExists(*local) ? std::nullopt : platform::LastWriteTime(*local);
    if (!written) {
      response.SetStatusCode(404);
    } else {
      std::time_t modified = std::time_t(written->Seconds);
      std::time_t since = request.GetDateVariable(11);
      if (since >= 0 && std::llabs(static_cast<long long>(since - modified)) < 1) {
        response.SetStatusCode(304);
        response.SetContentType(mime->second);
      } else {
        auto stream = std::make_unique<TFileStream>(fileName);
        std::string type = mime->second;
        if (LowerAscii(type).rfind("text/", 0) == 0) {
          unsigned char bom[3] = {0, 0, 0};
          if (stream->Read(bom, 3) == 3 && bom[0] == 0xEF && bom[1] == 0xBB && bom[2] == 0xBF) {
            stream->SetStart(3);
            if (LowerAscii(type).find("charset") == std::string::npos) type += "; charset=utf-8";
          } else {
            stream->SetPosition(0);
          }
        }
        response.SetContentType(type);
        if (request.MethodType() == TMethodType::mtHead) {
          response.SetContentLength(stream->Size());
        } else {
          response.SetContentStream(std::move(stream));
        }
        response.SetLastModified(modified);
      }
    }
  }
  if (handled && !response.Sent() && AfterDispatch)
    AfterDispatch(*this, fileName, request, response, handled);
  return handled;
}

}  // namespace quillara

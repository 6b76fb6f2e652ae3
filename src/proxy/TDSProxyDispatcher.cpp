#include "proxy/TDSProxyDispatcher.h"

#include <filesystem>
#include <memory>

#include "base/CodePages.h"
#include "platform/TFileSystem.h"
#include "platform/TSystem.h"
#include "proxy/TZipFile.h"

namespace quillara {

namespace fs = std::filesystem;

std::unique_lock<std::mutex> LockProxyTarget(const std::string& folder) {
  static std::mutex tableLock;
  static std::map<std::string, std::unique_ptr<std::mutex>> locks;  // one per folder ever targeted
  std::error_code ec;
  std::string key = fs::weakly_canonical(fs::absolute(folder, ec), ec).string();
  if (ec) key = folder;
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  std::mutex* folderLock;
  {
    std::lock_guard guard(tableLock);
    auto& slot = locks[key];
    if (!slot) slot = std::make_unique<std::mutex>();
    folderLock = slot.get();
  }
  return std::unique_lock<std::mutex>(*folderLock);
}

namespace {

std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// Missing, or older than the running program when both times can be read.
bool NeedsRebuild(const fs::path& archive) {
  if (!platform::FileExists(archive)) return true;
  auto archiveTime = platform::LastWriteTime(archive);
  auto programTime = platform::LastWriteTime(platform::ExecutableFile());
  return archiveTime && programTime && *archiveTime < *programTime;
}

}  // namespace

TDSProxyDispatcher::TDSProxyDispatcher() {
  RootDirectory = ".";
  WebDirectories = {{TWebDirectoryAction::dirInclude, "\\proxy\\*"}, {TWebDirectoryAction::dirExclude, "\\proxy\\*\\*"}};
  WebFileExtensions = {{"zip", "application/x-zip-compressed"}};
  BeforeDispatch = [this](TCustomWebFileDispatcher&, const std::string& fileName, TWebRequest&, TWebResponse&,
                          bool& handled) { RebuildProxyArchive(fileName, handled); };
}

void TDSProxyDispatcher::SetDSProxyGenerator(TDSCustomProxyGenerator* generator) {
  FGenerator = generator;
  FLanguageTable.reset();
}

const std::map<std::string, std::string>& TDSProxyDispatcher::LanguageTable() {
  if (!FLanguageTable) {
    std::map<std::string, std::string> table;
    for (const std::string& name : TDSProxyWriterFactory::RegisteredWritersList()) {
      std::unique_ptr<TDSProxyWriter> writer = TDSProxyWriterFactory::GetWriter(name);
      if (writer) table.emplace(writer->Properties().Language, name);
    }
    FLanguageTable = std::move(table);
  }
  return *FLanguageTable;
}

void TDSProxyDispatcher::RebuildProxyArchive(const std::string& fileName, bool& handled) {
  handled = false;
  fs::path exeFolder = platform::ExecutableFolder();
  std::string proxyPath = Slashes(RequiredProxyFilesPath);
  fs::path archive = exeFolder / proxyPath / fs::path(fileName).filename();
  if (!FGenerator) return;
  std::string archiveName = archive.filename().string();
  std::string key = LowerAscii(archiveName.substr(0, archiveName.find('.')));
  auto language = LanguageTable().find(key);
  if (language == LanguageTable().end()) return;
  if (!NeedsRebuild(archive)) return;

  fs::path languageFolder =
      platform::DirectoryExists(proxyPath) ? fs::path(proxyPath) / key : exeFolder / proxyPath / key;
  auto lock = LockProxyTarget(languageFolder.string());
  if (!NeedsRebuild(archive)) return;  // another request has just rebuilt it
  FGenerator->Writer = language->second;
  TDSProxyWriterProperties properties = FGenerator->WriterProperties();
  std::string target = languageFolder.string() + "/" + Slashes(properties.Comment);
  FGenerator->TargetDirectory = target;
  FGenerator->TargetUnitName = "DSProxy" + FGenerator->FileDescriptions().at(0).DefaultFileExt;
  FGenerator->Write();
  // The finished archive replaces the old one in one step, so a failure leaves the old one.
  TDSProxyUtils::CompressDirectory(languageFolder.string(), archive.string());
}

}  // namespace quillara

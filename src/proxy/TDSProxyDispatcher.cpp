#include "proxy/TDSProxyDispatcher.h"

#include <filesystem>

#include "base/CodePages.h"
#include "platform/SystemText.h"
#include "platform/TFileSystem.h"
#include "platform/TSystem.h"
#include "proxy/TZipFile.h"

namespace quillara {

namespace fs = std::filesystem;

std::mutex TProxyTargetLock::FTableLock;
std::map<std::string, std::unique_ptr<TProxyTargetLock::TSlot>> TProxyTargetLock::FSlots;

TProxyTargetLock::TProxyTargetLock(const std::string& folder) {
  std::error_code ec;
  FKey = platform::Utf8FromPath(
      fs::weakly_canonical(fs::absolute(platform::PathFromUtf8(folder), ec), ec));
  if (ec) FKey = folder;
  while (FKey.size() > 1 && FKey.back() == '/') FKey.pop_back();
  {
    std::lock_guard guard(FTableLock);
    auto& slot = FSlots[FKey];
    if (!slot) slot = std::make_unique<TSlot>();
    ++slot->Users;
    FSlot = slot.get();
  }
  FSlot->Lock.lock();
}

TProxyTargetLock::~TProxyTargetLock() {
  FSlot->Lock.unlock();
  std::lock_guard guard(FTableLock);
  if (--FSlot->Users == 0) FSlots.erase(FKey);
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
  WebDirectories = {{TWebDirectoryAction::dirInclude, "\\proxy\\*"},
                    {TWebDirectoryAction::dirExclude, "\\proxy\\*\\*"}};
  WebFileExtensions = {{"zip", "application/x-zip-compressed"}};
  BeforeDispatch = [this](TCustomWebFileDispatcher&, const std::string& fileName, TWebRequest&,
                          TWebResponse&, bool& handled) { RebuildProxyArchive(fileName, handled); };
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
  fs::path archive =
      exeFolder / platform::PathFromUtf8(proxyPath) / platform::PathFromUtf8(fileName).filename();
  if (!FGenerator) return;
  std::string archiveName = platform::Utf8FromPath(archive.filename());
  std::string key = LowerAscii(archiveName.substr(0, archiveName.find('.')));
  auto language = LanguageTable().find(key);
  if (language == LanguageTable().end()) return;
  if (!NeedsRebuild(archive)) return;

  fs::path proxyFolder = platform::PathFromUtf8(proxyPath);
  fs::path languageFolder =
      platform::DirectoryExists(proxyFolder) ? proxyFolder / key : exeFolder / proxyFolder / key;
  TProxyTargetLock lock(platform::Utf8FromPath(languageFolder));
  if (!NeedsRebuild(archive)) return;  // another request has just rebuilt it
  FGenerator->Writer = language->second;
  TDSProxyWriterProperties properties = FGenerator->WriterProperties();
  std::string target = platform::Utf8FromPath(languageFolder) + "/" + Slashes(properties.Comment);
  FGenerator->TargetDirectory = target;
  FGenerator->TargetUnitName = "DSProxy" + FGenerator->FileDescriptions().at(0).DefaultFileExt;
  FGenerator->Write();
  // The finished archive replaces the old one in one step, so a failure leaves the old one.
  TDSProxyUtils::CompressDirectory(platform::Utf8FromPath(languageFolder),
                                   platform::Utf8FromPath(archive));
}

}  // namespace quillara

#pragma once
// Serves the proxy packages /proxy/<language>.zip, rebuilding a package from the language
// folder and freshly generated proxy sources when it is missing or older than the program.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "proxy/TDSProxyGenerator.h"
#include "web/TWebFileDispatcher.h"

namespace quillara {

// Generations into one folder run one at a time across all web modules of the process; a
// second request waits and then sees the first one's result. A folder's entry lives only while
// someone holds or waits for it, so request paths cannot grow the table.
class TProxyTargetLock {
 public:
  explicit TProxyTargetLock(const std::string& folder);
  ~TProxyTargetLock();
  TProxyTargetLock(const TProxyTargetLock&) = delete;
  TProxyTargetLock& operator=(const TProxyTargetLock&) = delete;

 private:
  struct TSlot {
    std::mutex Lock;
    int Users = 0;
  };
  static std::mutex FTableLock;
  static std::map<std::string, std::unique_ptr<TSlot>> FSlots;
  std::string FKey;
  TSlot* FSlot = nullptr;
};

class TDSProxyDispatcher : public TCustomWebFileDispatcher {
 public:
  TDSProxyDispatcher();

  TDSCustomProxyGenerator* DSProxyGenerator() const { return FGenerator; }
  void SetDSProxyGenerator(TDSCustomProxyGenerator* generator);
  std::string RequiredProxyFilesPath = "proxy";

  // Language key to writer name, from the registered writers; the first writer of a language wins.
  const std::map<std::string, std::string>& LanguageTable();

 private:
  void RebuildProxyArchive(const std::string& fileName, bool& handled);

  TDSCustomProxyGenerator* FGenerator = nullptr;
  std::optional<std::map<std::string, std::string>> FLanguageTable;
};

}  // namespace quillara

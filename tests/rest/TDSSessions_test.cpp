// One session used by several request threads at once while it is closed, expires and every
// session is ended: answers stay whole, nothing is freed twice (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "methods/TServerMethods1.h"
#include "rest/TDSHTTPWebDispatcher.h"
#include "rest/TDSSessionManager.h"
#include "support/TMemoryConnection.h"
#include "support/TTempFolder.h"
#include "web/TWebRequestHandler.h"

using namespace quillara;

namespace {

class TRestModule : public TCustomWebDispatcher {
 public:
  TRestModule() {
    FClass.OnGetClass = [] { return &TServerMethods1::Descriptor(); };
    FServer.AddServerClass(FClass);
    FServer.Start();
    FRest.Server = &FServer;
    FRest.SessionTimeout = 200;
    AddDispatch(FRest);
  }

 private:
  TDSServer FServer;
  TDSServerClass FClass;
  TDSHTTPWebDispatcher FRest;
};

std::string Get(TWebRequestHandler& handler, const std::string& path, const std::string& session) {
  std::string uri = path.substr(0, path.find('?'));
  std::string query = path.find('?') == std::string::npos ? "" : path.substr(path.find('?') + 1);
  quillara::testing::TMemoryConnection connection("");
  THTTPRequestInfo info;
  info.Command = "GET";
  info.URI = uri;
  info.Document = uri;
  info.QueryParams = query;
  info.UnparsedParams = query;
  if (!session.empty()) info.RawHeaders.push_back("Pragma: dssession=" + session);
  THTTPResponseInfo http(connection, info);
  try {
    handler.HandleHTTPRequest(info, http);
  } catch (const std::exception& e) {
    return e.what();  // the pool is full: answered 500 by the request loop
  }
  if (!http.HeaderHasBeenWritten()) http.WriteHeader();
  return connection.Output();
}

}  // namespace

TEST(TDSSessions, OneSessionHammeredWhileItEnds) {
  quillara::testing::TTempFolder temp("quillara-sessions-");
  const std::filesystem::path& folder = temp.Path();
  std::ofstream(folder / "f.bin") << "payload";
  Text exportPath = Utf8ToText(folder.string());
  TServerMethods1::Folders = [=] { return TMethodFolders{exportPath, exportPath}; };
  TWebRequestHandler handler;
  handler.SetWebModuleClass([] { return std::make_unique<TRestModule>(); });

  std::string first = Get(handler, "/dataserver/rest/TServerMethods1/EchoString/a", "");
  size_t at = first.find("dssession=") + 10;
  std::string session = first.substr(at, first.find(',', at) - at);

  std::atomic<int> ok{0}, expired{0}, other{0};
  std::atomic<bool> closed{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      // Until each worker has met the ended session. Bounded in time, should the closer never
      // run; not in count, as a closer starved by a loaded machine would let a worker finish first.
      bool metEnd = false;
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (!(closed && metEnd) && std::chrono::steady_clock::now() < deadline) {
        std::string path = t % 2 ? "/dataserver/rest/TServerMethods1/GetFile/f.bin"
                                 : "/dataserver/rest/TServerMethods1/EchoString/x";
        std::string out = Get(handler, path, session);
        if (out.rfind("HTTP/1.1 200", 0) == 0) {
          ++ok;
          EXPECT_TRUE(out.find("payload") != std::string::npos ||
                      out.find("{\"result\":[\"x\"]}") != std::string::npos);
        } else if (out.rfind("HTTP/1.1 403", 0) == 0) {
          ++expired;
          metEnd = true;
        } else {
          ++other;
        }
      }
    });
  threads.emplace_back([&] {
    while (ok < 40) std::this_thread::yield();  // ended while the others are busy with it
    TDSSessionManager::Instance().CloseSession(session);
    TDSSessionManager::Instance().TerminateAllSessions();
    closed = true;
  });
  for (auto& t : threads) t.join();
  EXPECT_EQ(other, 0);
  EXPECT_GE(expired, 4);
  // A fresh session expires by inactivity and is freed by the scheduler.
  Get(handler, "/dataserver/rest/TServerMethods1/EchoString/a", "");
  size_t before = TDSSessionManager::Instance().Count();
  EXPECT_GE(before, 1u);
  for (int i = 0; i < 500 && TDSSessionManager::Instance().Count() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(TDSSessionManager::Instance().Count(), 0u);
}

TEST(TDSSessions, PastTheBoundTheSessionUnusedLongestEnds) {
  TDSSessionManager& manager = TDSSessionManager::Instance();
  manager.TerminateAllSessions();
  size_t bound = manager.MaxSessions();
  manager.SetMaxSessions(3);
  auto create = [&] {
    EXPECT_TRUE(manager.LoadRESTSession("", "", 60000, {}).Ok);
    return TDSSessionManager::CurrentSession()->SessionName();
  };
  std::string a = create(), b = create(), c = create();
  EXPECT_TRUE(
      manager.LoadRESTSession(a, "", 60000, {}).Ok);  // a is used again: b is now the oldest
  TDSSessionManager::SetCurrentSession(nullptr);
  std::string d = create();
  TDSSessionManager::SetCurrentSession(nullptr);
  EXPECT_EQ(manager.Count(), 3u);
  EXPECT_EQ(manager.GetSession(b), nullptr);
  for (const std::string& kept : {a, c, d}) EXPECT_NE(manager.GetSession(kept), nullptr) << kept;
  EXPECT_FALSE(manager.LoadRESTSession(b, "", 60000, {}).Ok);
  manager.SetMaxSessions(bound);
  manager.TerminateAllSessions();
}

TEST(TDSSessions, AFloodOfNewSessionsStaysWithinTheBound) {
  TDSSessionManager& manager = TDSSessionManager::Instance();
  manager.TerminateAllSessions();
  size_t bound = manager.MaxSessions();
  manager.SetMaxSessions(8);
  std::atomic<size_t> most{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 300; ++i) {
        manager.LoadRESTSession("", "", 60000, {{"RemoteIP", "127.0.0.1"}});
        std::string id = TDSSessionManager::CurrentSession()->SessionName();
        TDSSessionManager::CurrentSession()->Cache()->Add(std::make_shared<TDSCacheItem>());
        manager.LoadRESTSession(id, "", 60000, {});  // may have ended meanwhile: either is fine
        size_t now = manager.Count();
        for (size_t m = most; now > m && !most.compare_exchange_weak(m, now);) {
        }
        TDSSessionManager::SetCurrentSession(nullptr);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_LE(most.load(), 8u);
  EXPECT_LE(manager.Count(), 8u);
  manager.SetMaxSessions(bound);
  manager.TerminateAllSessions();
}

// A short wait set after a long one must not wait behind it, and a session used meanwhile lives on.
TEST(TDSSessions, SessionsOfDifferentWaitsEachEndOnTime) {
  TDSSessionManager& manager = TDSSessionManager::Instance();
  manager.TerminateAllSessions();
  auto create = [&](int64_t wait) {
    EXPECT_TRUE(manager.LoadRESTSession("", "", wait, {}).Ok);
    std::string id = TDSSessionManager::CurrentSession()->SessionName();
    TDSSessionManager::SetCurrentSession(nullptr);
    return id;
  };
  std::string longer = create(60000);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the checks wait for that one
  std::string shorter = create(150), used = create(150), last = create(60000);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (manager.GetSession(shorter) && std::chrono::steady_clock::now() < until) {
    if (manager.GetSession(used)) manager.LoadRESTSession(used, "", 150, {});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  TDSSessionManager::SetCurrentSession(nullptr);
  EXPECT_EQ(manager.GetSession(shorter), nullptr);
  EXPECT_NE(manager.GetSession(used), nullptr);
  EXPECT_NE(manager.GetSession(longer), nullptr);
  EXPECT_NE(manager.GetSession(last), nullptr);
  manager.TerminateAllSessions();
}

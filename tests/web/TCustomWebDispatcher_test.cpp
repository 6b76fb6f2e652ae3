// Routing order, default action, error page and the module pool.
#include "web/TCustomWebDispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "base/Exceptions.h"
#include "support/TMemoryConnection.h"
#include "web/TWebRequestHandler.h"

using namespace quillara;

namespace {

class TRecordingComponent : public IWebDispatch {
 public:
  TRecordingComponent(std::string mask, std::string name, bool takes)
      : FName(std::move(name)), FTakes(takes) {
    FMask.SetPath(mask);
  }
  bool DispatchEnabled() const override { return true; }
  TMethodType DispatchMethodType() const override { return TMethodType::mtAny; }
  bool DispatchMatches(const std::string& path) override { return FMask.Matches(path); }
  bool DispatchRequest(TCustomWebDispatcher&, TWebRequest&, TWebResponse& response) override {
    response.SetContent(Utf8ToText(FName));
    return FTakes;
  }

 private:
  TPathMask FMask;
  std::string FName;
  bool FTakes;
};

class TTestModule : public TCustomWebDispatcher {
 public:
  TTestModule() : FRest("dataserver*", "rest", true), FFiles("/*", "files", false) {
    auto say = [](const char* what) {
      return [what](TWebActionItem&, TWebRequest&, TWebResponse& r, bool&) {
        r.SetContent(Utf8ToText(what));
      };
    };
    AddAction("Reverse").SetPathInfo("/ReverseString");
    ActionByName("reverse")->OnAction = say("reverse");
    TWebActionItem& fail = AddAction("Fail");
    fail.SetPathInfo("/fail");
    fail.OnAction = [](TWebActionItem&, TWebRequest&, TWebResponse&, bool&) {
      throw Exception("it broke");
    };
    TWebActionItem& echoFail = AddAction("EchoFail");
    echoFail.SetPathInfo("/echo*");
    echoFail.OnAction = [](TWebActionItem&, TWebRequest& request, TWebResponse&, bool&) {
      throw Exception("No file " + request.PathInfo());
    };
    TWebActionItem& def = AddAction("Default");
    def.SetPathInfo("/");
    def.OnAction = say("default");
    SetDefaultAction(def);
    AddDispatch(FRest);
    AddDispatch(FFiles);
  }
  TRecordingComponent FRest, FFiles;
};

// Runs one request for the path through the pool and returns the answer's first line and body.
std::pair<std::string, std::string> Route(
    const std::string& path, TWebRequestHandler& handler = TWebRequestHandler::Instance()) {
  quillara::testing::TMemoryConnection connection("");
  THTTPRequestInfo info;
  info.Command = "GET";
  info.Document = path;
  THTTPResponseInfo http(connection, info);
  try {
    handler.HandleHTTPRequest(info, http);
  } catch (const std::exception& e) {
    return {"error", e.what()};
  }
  if (!http.HeaderHasBeenWritten()) http.WriteHeader();
  std::string out = connection.Output();
  size_t body = out.find("\r\n\r\n");
  return {out.substr(0, out.find("\r\n")), body == std::string::npos ? "" : out.substr(body + 4)};
}

class TCustomWebDispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TWebRequestHandler::Instance().SetWebModuleClass(
        [] { return std::make_unique<TTestModule>(); });
  }
};

}  // namespace

TEST_F(TCustomWebDispatcherTest, RoutingOrder) {
  struct Case {
    const char* path;
    const char* body;
  } cases[] = {
      {"/ReverseString", "reverse"},
      {"/reversestring", "reverse"},
      {"/dataserverX", "rest"},
      {"/dataserver/rest/x", "rest"},
      {"/", "default"},
      {"", "default"},
      {"/nothing", "default"},  // the file component saw it but did not take it
  };
  for (const Case& c : cases) EXPECT_EQ(Route(c.path).second, c.body) << c.path;
  TTestModule module;
  EXPECT_THROW(module.AddAction("REVERSE"), Exception);
}

TEST_F(TCustomWebDispatcherTest, ErrorPage) {
  auto [status, body] = Route("/fail");
  EXPECT_EQ(status, "HTTP/1.1 500 Internal Server Error");
  EXPECT_EQ(body,
            "<html><body><h1>Internal Application Error</h1>\r\n<p>it broke\r\n"
            "<p><hr width=\"100%\"><i>/fail</i></body></html>");
  // The message and the path come from the client: markup in them stays text.
  EXPECT_EQ(Route("/echo<script>&\"").second,
            "<html><body><h1>Internal Application Error</h1>\r\n"
            "<p>No file /echo&lt;script&gt;&amp;&quot;\r\n"
            "<p><hr width=\"100%\"><i>/echo&lt;script&gt;&amp;&quot;</i></body></html>");
}

TEST(TWebRequestHandler, PoolReusesModulesAndRefusesBeyondItsLimit) {
  TWebRequestHandler pool;
  pool.SetWebModuleClass([] { return std::make_unique<TTestModule>(); });
  Route("/", pool);
  Route("/", pool);
  EXPECT_EQ(pool.ModuleCount(), 1u);  // consecutive requests share one module

  // While a module is active, a second request arrives at a pool limited to one.
  TWebRequestHandler limited;
  limited.MaxConnections = 1;
  limited.MaxModuleWait = std::chrono::milliseconds(100);  // the module cannot return meanwhile
  std::pair<std::string, std::string> nested;
  limited.SetWebModuleClass([&] {
    auto module = std::make_unique<TTestModule>();
    module->BeforeDispatch = [&](TWebRequest&, TWebResponse&, bool&) {
      nested = Route("/", limited);
    };
    return module;
  });
  EXPECT_EQ(Route("/", limited).second, "default");
  EXPECT_EQ(nested.first, "error");
  EXPECT_EQ(nested.second,
            "Maximum number of concurrent connections exceeded.  Please try again later");
  EXPECT_EQ(limited.ModuleCount(), 1u);
  EXPECT_EQ(limited.ActiveCount(), 0u);

  TWebRequestHandler empty;
  EXPECT_EQ(Route("/", empty).second, "No data modules registered");
}

TEST(TWebRequestHandler, RequestWaitsForAModuleToReturn) {
  TWebRequestHandler limited;
  limited.MaxConnections = 1;
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  limited.SetWebModuleClass([&] {
    auto module = std::make_unique<TTestModule>();
    module->BeforeDispatch = [&, first = true](TWebRequest&, TWebResponse&, bool&) mutable {
      if (!first) return;
      first = false;
      entered.set_value();
      released.wait();
    };
    return module;
  });
  std::thread holder([&] { Route("/", limited); });
  entered.get_future().wait();
  std::pair<std::string, std::string> waited;
  std::thread waiter([&] { waited = Route("/", limited); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // finds the only module taken
  release.set_value();
  holder.join();
  waiter.join();
  EXPECT_EQ(waited.second, "default");
  EXPECT_EQ(limited.ModuleCount(), 1u);
}

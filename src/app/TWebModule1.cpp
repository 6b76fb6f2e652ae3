#include "app/TWebModule1.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "app/Messages.h"
#include "app/TDataFolders.h"
#include "app/TStreamHandOver.h"
#include "base/CodePages.h"
#include "methods/TServerMethods1.h"
#include "platform/SystemText.h"
#include "platform/TFileSystem.h"
#include "platform/TSystem.h"
#include "web/TWebRequestHandler.h"

namespace quillara {

namespace {
const char* const kConfiguredProxyWriter = "Objective-C iOS 4.2 REST";
// Milliseconds; 0 keeps the dispatcher's own 20 minutes.
std::atomic<int64_t> gSessionTimeoutMs{0};
}  // namespace

bool TWebModule1::SetSessionLimit(const std::string& assignment) {
  const std::string name = "session-timeout=";
  if (assignment.rfind(name, 0) != 0) return false;
  std::string text = assignment.substr(name.size());
  char* end = nullptr;
  double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(seconds > 0) || seconds > 1e6) return false;
  gSessionTimeoutMs = std::max<int64_t>(1, std::llround(seconds * 1000));
  return true;
}

TWebModule1::TWebModule1() {
  DSHTTPWebDispatcher1.Server = &DSServer1;
  DSHTTPWebDispatcher1.SetPathInfo("dataserver*");
  if (int64_t timeout = gSessionTimeoutMs; timeout > 0)
    DSHTTPWebDispatcher1.SessionTimeout = timeout;
  DSServerClass1.OnGetClass = [this] { return DSServerClass1GetClass(); };
  DSServer1.AddServerClass(DSServerClass1);
  AddDispatch(DSHTTPWebDispatcher1);
  auto tags = [this](TBasePageProducer& sender, TTag tag, const Text& tagString,
                     const TStrings& tagParams, Text& replaceText) {
    ServerFunctionInvokerHTMLTag(sender, tag, tagString, tagParams, replaceText);
  };
  ServerFunctionInvoker.SetHTMLFile("Templates\\ServerFunctionInvoker.html");
  ServerFunctionInvoker.OnHTMLTag = tags;
  ReverseString.SetHTMLFile("templates\\ReverseString.html");
  ReverseString.OnHTMLTag = tags;
  WebFileDispatcher1.WebFileExtensions = {
      {"css", "text/css"},       {"js", "text/javascript"},      {"png", "image/x-png"},
      {"htm;html", "text/html"}, {"jpg;jpeg;jpe", "image/jpeg"}, {"gif", "image/gif"}};
  WebFileDispatcher1.WebDirectories = {{TWebDirectoryAction::dirInclude, "*"},
                                       {TWebDirectoryAction::dirExclude, "\\templates\\*"}};
  WebFileDispatcher1.RootDirectory = ".";
  WebFileDispatcher1.BeforeDispatch = [this](TCustomWebFileDispatcher& sender,
                                             const std::string& fileName, TWebRequest& request,
                                             TWebResponse& response, bool& handled) {
    WebFileDispatcher1BeforeDispatch(sender, fileName, request, response, handled);
  };
  AddDispatch(WebFileDispatcher1);
  DSProxyGenerator1.Writer = kConfiguredProxyWriter;
  DSProxyGenerator1.ExcludeClasses = "DSMetadata";
  DSProxyGenerator1.SetMetaDataProvider(&DSServerMetaDataProvider1);
  DSServerMetaDataProvider1.SetServer(&DSServer1);
  DSProxyDispatcher1.SetDSProxyGenerator(&DSProxyGenerator1);
  AddDispatch(DSProxyDispatcher1);

  TWebActionItem& reverseAction = AddAction("ReverseStringAction");
  reverseAction.SetPathInfo("/ReverseString");
  reverseAction.Producer = &ReverseString;
  TWebActionItem& invokerAction = AddAction("ServerFunctionInvokerAction");
  invokerAction.SetPathInfo("/ServerFunctionInvoker");
  invokerAction.Producer = &ServerFunctionInvoker;
  TWebActionItem& defaultAction = AddAction("DefaultAction");
  defaultAction.SetPathInfo("/");
  SetDefaultAction(defaultAction);
  defaultAction.OnAction = [this](TWebActionItem& sender, TWebRequest& request,
                                  TWebResponse& response, bool& handled) {
    WebModuleDefaultAction(sender, request, response, handled);
  };
  BeforeDispatch = [this](TWebRequest& request, TWebResponse& response, bool& handled) {
    WebModuleBeforeDispatch(request, response, handled);
  };
  WebModuleCreate();
  DSServer1.Start();  // the remoting server starts once the module is loaded
}

const TDSClassDescriptor* TWebModule1::DSServerClass1GetClass() {
  return &TServerMethods1::Descriptor();
}

void TWebModule1::Register() {
  TStreamHandOver::Instance().Install();
  TServerMethods1::Folders = [] {
    TDataFolderSettings settings = TDataFolders::Instance().Current();
    return TMethodFolders{settings.ImportPath, settings.ExportPath};
  };
  RegisterProxyWriters();
  TWebRequestHandler::Instance().SetWebModuleClass([] { return std::make_unique<TWebModule1>(); });
}

void TWebModule1::WebModuleCreate() {
  FServerFunctionInvokerAction = ActionByName("ServerFunctionInvokerAction");
}

bool TWebModule1::CallerIsLocal(TWebRequest& request) {
  std::string address = request.RemoteAddr();
  return address == "127.0.0.1" || address == "0:0:0:0:0:0:0:1" || address == "::1";
}

void TWebModule1::WebModuleBeforeDispatch(TWebRequest& request, TWebResponse&, bool&) {
  if (FServerFunctionInvokerAction) FServerFunctionInvokerAction->Enabled = CallerIsLocal(request);
}

void TWebModule1::WebFileDispatcher1BeforeDispatch(TCustomWebFileDispatcher&,
                                                   const std::string& fileName, TWebRequest&,
                                                   TWebResponse&, bool& handled) {
  handled = false;
  std::filesystem::path file = platform::PathFromUtf8(fileName);
  std::string name = platform::Utf8FromPath(file.filename());
  if (!SameTextAscii(name, "serverfunctions.js")) return;
  auto stale = [&] {
    if (!platform::FileExists(file)) return true;
    auto fileTime = platform::LastWriteTime(file);
    auto programTime = platform::LastWriteTime(platform::ExecutableFile());
    return fileTime && programTime && *fileTime < *programTime;
  };
  if (!stale()) return;
  std::string folder = platform::Utf8FromPath(file.parent_path()) + "/";
  TProxyTargetLock lock(folder);
  // The download dispatcher may have left another language's writer in the generator; the
  // script is always written by the module's own writer.
  DSProxyGenerator1.Writer = kConfiguredProxyWriter;
  DSProxyGenerator1.TargetDirectory = folder;
  DSProxyGenerator1.TargetUnitName = name;
  DSProxyGenerator1.Write();
}

void TWebModule1::ServerFunctionInvokerHTMLTag(TBasePageProducer&, TTag, const Text& tagString,
                                               const TStrings&, Text& replaceText) {
  TWebRequest& request = *Request();
  std::string tag = TextToUtf8(tagString);
  auto is = [&](const char* name) { return SameTextAscii(tag, name); };
  if (is("urlpath")) {
    replaceText = Utf8ToText(request.ScriptName());
  } else if (is("port")) {
    replaceText = AsciiToText(std::to_string(request.ServerPort()));
  } else if (is("host")) {
    replaceText = EscapeHTML(Utf8ToText(request.Host()));  // the client chose it
  } else if (is("classname")) {
    replaceText = u"TServerMethods1";
  } else if (is("loginrequired")) {
    replaceText = u"false";  // no authentication manager
  } else if (is("serverfunctionsjs")) {
    replaceText = Utf8ToText(request.ScriptName() + "/js/serverfunctions.js");
  } else if (is("servertime")) {
    // the regional short date and long time of this machine's Italian operators
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[64];
    bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
    std::strftime(buf, sizeof buf, midnight ? "%d/%m/%Y" : "%d/%m/%Y %H:%M:%S", &local);
    replaceText = AsciiToText(buf);
  } else if (is("serverfunctioninvoker")) {
    if (CallerIsLocal(request))
      replaceText = Utf8ToText(FormatMessage(kServerFunctionsLink, {request.ScriptName()}));
  }
}

void TWebModule1::WebModuleDefaultAction(TWebActionItem&, TWebRequest& request,
                                         TWebResponse& response, bool&) {
  std::string path = request.PathInfo();
  if (path.empty() || path == "/") {
    response.SetContent(ReverseString.Content());
  } else {
    response.SendRedirect(request.ScriptName() + "/");
  }
}

}  // namespace quillara

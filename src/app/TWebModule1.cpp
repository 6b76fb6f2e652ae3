#include "app/TWebModule1.h"

#include "app/TDataFolders.h"
#include "app/TStreamHandOver.h"
#include "methods/TServerMethods1.h"
#include "platform/TSystem.h"
#include "web/TWebRequestHandler.h"

namespace quillara {

TWebModule1::TWebModule1() {
  DSHTTPWebDispatcher1.Server = &DSServer1;
  DSHTTPWebDispatcher1.SetPathInfo("dataserver*");
  // Only the acceptance tests shorten the 20-minute session timeout, to watch sessions expire.
  if (std::string t = platform::EnvironmentVariable("QUILLARA_TEST_SESSION_TIMEOUT_MS"); !t.empty())
    DSHTTPWebDispatcher1.SessionTimeout = std::stoll(t);
  DSServerClass1.OnGetClass = [this] { return DSServerClass1GetClass(); };
  DSServer1.AddServerClass(DSServerClass1);
  AddDispatch(DSHTTPWebDispatcher1);
  WebFileDispatcher1.WebFileExtensions = {{"css", "text/css"},       {"js", "text/javascript"},
                                          {"png", "image/x-png"},    {"htm;html", "text/html"},
                                          {"jpg;jpeg;jpe", "image/jpeg"}, {"gif", "image/gif"}};
  WebFileDispatcher1.WebDirectories = {{TWebDirectoryAction::dirInclude, "*"},
                                       {TWebDirectoryAction::dirExclude, "\\templates\\*"}};
  WebFileDispatcher1.RootDirectory = ".";
  WebFileDispatcher1.BeforeDispatch = [this](TCustomWebFileDispatcher& sender, const std::string& fileName,
                                             TWebRequest& request, TWebResponse& response, bool& handled) {
    WebFileDispatcher1BeforeDispatch(sender, fileName, request, response, handled);
  };
  AddDispatch(WebFileDispatcher1);

  AddAction("ReverseStringAction").SetPathInfo("/ReverseString");
  AddAction("ServerFunctionInvokerAction").SetPathInfo("/ServerFunctionInvoker");
  TWebActionItem& defaultAction = AddAction("DefaultAction");
  defaultAction.SetPathInfo("/");
  SetDefaultAction(defaultAction);
  defaultAction.OnAction = [this](TWebActionItem& sender, TWebRequest& request, TWebResponse& response,
                                  bool& handled) { WebModuleDefaultAction(sender, request, response, handled); };
  BeforeDispatch = [this](TWebRequest& request, TWebResponse& response, bool& handled) {
    WebModuleBeforeDispatch(request, response, handled);
  };
  WebModuleCreate();
  DSServer1.Start();  // the remoting server starts once the module is loaded
}

const TDSClassDescriptor* TWebModule1::DSServerClass1GetClass() { return &TServerMethods1::Descriptor(); }

void TWebModule1::Register() {
  TStreamHandOver::Instance().Install();
  TServerMethods1::Folders = [] {
    TDataFolderSettings settings = TDataFolders::Instance().Current();
    return TMethodFolders{settings.ImportPath, settings.ExportPath};
  };
  TWebRequestHandler::Instance().SetWebModuleClass([] { return std::make_unique<TWebModule1>(); });
}

void TWebModule1::WebModuleCreate() { FServerFunctionInvokerAction = ActionByName("ServerFunctionInvokerAction"); }

bool TWebModule1::CallerIsLocal(TWebRequest& request) {
  std::string address = request.RemoteAddr();
  return address == "127.0.0.1" || address == "0:0:0:0:0:0:0:1" || address == "::1";
}

void TWebModule1::WebModuleBeforeDispatch(TWebRequest& request, TWebResponse&, bool&) {
  if (FServerFunctionInvokerAction) FServerFunctionInvokerAction->Enabled = CallerIsLocal(request);
}

void TWebModule1::WebFileDispatcher1BeforeDispatch(TCustomWebFileDispatcher&, const std::string&, TWebRequest&,
                                                   TWebResponse&, bool&) {}

void TWebModule1::WebModuleDefaultAction(TWebActionItem&, TWebRequest& request, TWebResponse& response, bool&) {
  std::string path = request.PathInfo();
  if (path.empty() || path == "/") {
    response.SetContent(u"<html><head><title>Quillara</title></head><body><h1>Quillara</h1></body></html>");
  } else {
    response.SendRedirect(request.ScriptName() + "/");
  }
}

}  // namespace quillara

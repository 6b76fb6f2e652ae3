#pragma once
// The application's web module: its actions, hooks and dispatch components. It is the one
// place where the server's parts are put together.
#include <memory>
#include <string>

#include "proxy/TDSProxyDispatcher.h"
#include "proxy/TDSProxyGenerator.h"
#include "rest/TDSHTTPWebDispatcher.h"
#include "rest/TDSServer.h"
#include "web/TCustomWebDispatcher.h"
#include "web/TPageProducer.h"
#include "web/TWebFileDispatcher.h"

namespace quillara {

class TWebModule1 : public TCustomWebDispatcher {
 public:
  TWebModule1();

  // Registers the module class with the process-wide request handler.
  static void Register();

  static bool CallerIsLocal(TWebRequest& request);

  // "session-timeout=SECONDS" (fractions allowed): how long a REST session lives unused, for the
  // modules created from then on. False when the name is another or the value is not a positive
  // number of at most a million seconds.
  static bool SetSessionLimit(const std::string& assignment);

 private:
  void WebModuleCreate();
  void WebModuleBeforeDispatch(TWebRequest& request, TWebResponse& response, bool& handled);
  void WebModuleDefaultAction(TWebActionItem& sender, TWebRequest& request, TWebResponse& response,
                              bool& handled);

  void WebFileDispatcher1BeforeDispatch(TCustomWebFileDispatcher& sender,
                                        const std::string& fileName, TWebRequest& request,
                                        TWebResponse& response, bool& handled);

  const TDSClassDescriptor* DSServerClass1GetClass();
  void ServerFunctionInvokerHTMLTag(TBasePageProducer& sender, TTag tag, const Text& tagString,
                                    const TStrings& tagParams, Text& replaceText);

  TDSServer DSServer1;
  TDSHTTPWebDispatcher DSHTTPWebDispatcher1;
  TDSServerClass DSServerClass1;
  TPageProducer ServerFunctionInvoker{"ServerFunctionInvoker"};
  TPageProducer ReverseString{"ReverseString"};
  TWebFileDispatcher WebFileDispatcher1;
  TDSProxyGenerator DSProxyGenerator1;
  TDSServerMetaDataProvider DSServerMetaDataProvider1;
  TDSProxyDispatcher DSProxyDispatcher1;
  TWebActionItem* FServerFunctionInvokerAction = nullptr;
};

}  // namespace quillara

#pragma once
// Routing inside a web module: the before hook, actions by path mask, dispatch components, the
// default action, and the error page.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/TMask.h"
#include "web/TWebRequest.h"
#include "web/TWebResponse.h"

namespace quillara {

class TCustomWebDispatcher;

// What produces a page for an action (the page producers).
class IProduceContent {
 public:
  virtual ~IProduceContent() = default;
  virtual std::string Name() const = 0;
  virtual Text Content() = 0;
};

// A mask built from a path text: "\" becomes "/", a leading "/" is added.
class TPathMask {
 public:
  void SetPath(const std::string& path);
  bool Matches(const std::string& path) const;

 private:
  std::string FPath;
  std::optional<TMask> FMask;
  // A mask of plain ASCII characters, perhaps ending in stars, compares bytes without building
  // text: the masks of actions and dispatchers are nearly all of this kind.
  bool FPlain = false;
  bool FAnyTail = false;
  std::string FLiteral;
};

// Components that take requests by path mask.
class IWebDispatch {
 public:
  virtual ~IWebDispatch() = default;
  virtual bool DispatchEnabled() const = 0;
  virtual TMethodType DispatchMethodType() const = 0;
  virtual bool DispatchMatches(const std::string& path) = 0;
  virtual bool DispatchRequest(TCustomWebDispatcher& sender, TWebRequest& request,
                               TWebResponse& response) = 0;
};

class TWebActionItem {
 public:
  using THandler =
      std::function<void(TWebActionItem& sender, TWebRequest&, TWebResponse&, bool& handled)>;

  const std::string& Name() const { return FName; }
  const std::string& PathInfo() const { return FPathInfo; }
  void SetPathInfo(const std::string& path);
  TMethodType MethodType = TMethodType::mtAny;
  bool Enabled = true;
  bool Default() const { return FDefault; }
  IProduceContent* Producer = nullptr;
  THandler OnAction;

 private:
  friend class TCustomWebDispatcher;
  // requestPath: the request's internal path info.
  bool Applies(TWebRequest& request, bool defaultRule, const std::string& requestPath);
  std::string FName;
  std::string FPathInfo;
  bool FDefault = false;
  TPathMask FMask;
  bool FMaskIsEmpty = true;
};

class TCustomWebDispatcher {
 public:
  using THook = std::function<void(TWebRequest&, TWebResponse&, bool& handled)>;
  using TExceptionHook = std::function<void(const std::exception&, bool& handled)>;

  virtual ~TCustomWebDispatcher() = default;

  // Fails with "Duplicate action name" for a name already used (without regard to case).
  TWebActionItem& AddAction(const std::string& name);
  TWebActionItem* ActionByName(const std::string& name) const;
  // Makes one action the default, clearing the flag on every other.
  void SetDefaultAction(TWebActionItem& action);
  // Components join the dispatch list in the order they are added; the module owns them.
  void AddDispatch(IWebDispatch& component) { FDispatchList.push_back(&component); }

  THook BeforeDispatch;
  THook AfterDispatch;
  TExceptionHook OnException;

  TWebRequest* Request() const { return FRequest; }
  TWebResponse* Response() const { return FResponse; }

  // Routes one request; returns whether it was handled.
  bool HandleRequest(TWebRequest& request, TWebResponse& response);
  // Answers an error raised while routing: the hook, or the "Internal Application Error" page.
  void HandleException(const std::exception& error);

 private:
  std::vector<std::unique_ptr<TWebActionItem>> FActions;
  std::vector<IWebDispatch*> FDispatchList;
  TWebRequest* FRequest = nullptr;
  TWebResponse* FResponse = nullptr;
};

}  // namespace quillara

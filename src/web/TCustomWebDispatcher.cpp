#include "web/TCustomWebDispatcher.h"

#include <algorithm>
#include <string_view>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "web/Messages.h"

namespace quillara {

void TPathMask::SetPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  if (!p.empty() && p[0] != '/') p = "/" + p;
  if (p == FPath && FMask) return;
  FMask.emplace(Utf8ToText(p));
  FPath = p;
  size_t stars = p.size();
  while (stars > 0 && p[stars - 1] == '*') --stars;
  FAnyTail = stars < p.size();
  FLiteral = p.substr(0, stars);
  FPlain = std::all_of(FLiteral.begin(), FLiteral.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x80 && c != '*' && c != '?' && c != '[';
  });
}

bool TPathMask::Matches(const std::string& path) const {
  if (!FMask) return false;
  // An ASCII character of the mask matches only the same ASCII byte of the path: the first
  // bytes of the path stand for its first characters.
  if (FPlain) {
    std::string_view view(path);
    if (FAnyTail ? view.size() < FLiteral.size() : view.size() != FLiteral.size()) return false;
    return SameTextAscii(view.substr(0, FLiteral.size()), FLiteral);
  }
  return FMask->Matches(Utf8ToText(path));
}

void TWebActionItem::SetPathInfo(const std::string& path) {
  FPathInfo = path;
  // an action whose path is exactly "/" has the empty mask
  FMaskIsEmpty = path.empty() || path == "/";
  FMask.SetPath(FMaskIsEmpty ? "" : path);
}

bool TWebActionItem::Applies(TWebRequest& request, bool defaultRule,
                             const std::string& requestPath) {
  if (defaultRule) return FDefault;
  if (!Enabled) return false;
  if (MethodType != TMethodType::mtAny && MethodType != request.MethodType()) return false;
  if (FPathInfo.empty() && Producer) FMask.SetPath("/" + Producer->Name());
  static const std::string kNoPath;
  return FMask.Matches(requestPath == "/" ? kNoPath : requestPath);
}

TWebActionItem& TCustomWebDispatcher::AddAction(const std::string& name) {
  if (ActionByName(name)) throw Exception(kDuplicateActionName);
  auto action = std::make_unique<TWebActionItem>();
  action->FName = name;
  action->FMask.SetPath("");
  FActions.push_back(std::move(action));
  return *FActions.back();
}

TWebActionItem* TCustomWebDispatcher::ActionByName(const std::string& name) const {
  for (const auto& a : FActions)
    if (SameTextAscii(a->Name(), name)) return a.get();
  return nullptr;
}

void TCustomWebDispatcher::SetDefaultAction(TWebActionItem& action) {
  for (auto& a : FActions) a->FDefault = false;
  action.FDefault = true;
}

namespace {

// Runs an applying action; returns whether it handled the request.
bool RunAction(TWebActionItem& action, TWebRequest& request, TWebResponse& response) {
  bool handled = false;
  if (action.Producer) {
    handled = true;
    response.SetContent(action.Producer->Content());
  }
  if (action.OnAction) {
    handled = true;
    action.OnAction(action, request, response, handled);
  }
  return handled;
}

}  // namespace

bool TCustomWebDispatcher::HandleRequest(TWebRequest& request, TWebResponse& response) {
  FRequest = &request;
  FResponse = &response;
  if (response.Sent()) return true;
  bool handled = false;
  if (BeforeDispatch) {
    BeforeDispatch(request, response, handled);
    if (!handled && response.Sent()) handled = true;
  }
  TWebActionItem* defaultAction = nullptr;
  // Asked once: the request's path does not change while it is routed.
  const std::string path = request.InternalPathInfo();
  for (auto& action : FActions) {
    if (handled) break;
    if (action->Default()) defaultAction = action.get();
    if (action->Applies(request, false, path)) handled = RunAction(*action, request, response);
  }
  for (IWebDispatch* component : FDispatchList) {
    if (handled) break;
    if (!component->DispatchEnabled()) continue;
    TMethodType method = component->DispatchMethodType();
    if (method != TMethodType::mtAny && method != request.MethodType()) continue;
    if (!component->DispatchMatches(path)) continue;
    handled = component->DispatchRequest(*this, request, response);
  }
  if (!handled && defaultAction && defaultAction->Applies(request, true, path))
    handled = RunAction(*defaultAction, request, response);
  if (handled && !response.Sent() && AfterDispatch) AfterDispatch(request, response, handled);
  return handled;
}

void TCustomWebDispatcher::HandleException(const std::exception& error) {
  bool handled = true;
  if (OnException) {
    if (FResponse) FResponse->SetStatusCode(500);
    OnException(error, handled);
    if (handled) {
      if (FResponse && !FResponse->Sent()) FResponse->SendResponse();
      return;
    }
  }
  if (!FResponse) return;
  // The message and the path may carry the client's text: it goes into the page as text.
  auto html = [](std::string_view text) { return TextToUtf8(EscapeHTML(Utf8ToText(text))); };
  std::string path = FRequest ? FRequest->PathInfo() : "";
  FResponse->SetContent(
      Utf8ToText(FormatMessage(kInternalApplicationErrorPage, {html(error.what()), html(path)})));
  if (!FResponse->Sent()) {
    FResponse->SetStatusCode(500);
    FResponse->SendResponse();
  }
}

}  // namespace quillara

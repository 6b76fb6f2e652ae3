#pragma once
// The control window's field f: the stream of the last download, kept only as a weak reference
// (the remoting layer owns the stream), released a second after it was handed over. The
// request thread hands it over here; the control thread releases it.
#include <functional>
#include <memory>
#include <mutex>

#include "base/TStream.h"

namespace quillara {

class TStreamHandOver {
 public:
  static TStreamHandOver& Instance();
  // Routes the download method's hand-over here; call once at start.
  void Install();
  // Called on the request thread after a hand-over: the control thread arms its release timer.
  void SetOnArm(std::function<void()> onArm);
  void HandOver(std::weak_ptr<TStream> stream);
  // TimerFDestroy: takes the stream out of f and lets go of it.
  void Release();
  bool Held() const;

 private:
  mutable std::mutex FLock;
  std::weak_ptr<TStream> f;
  std::function<void()> FOnArm;
};

}  // namespace quillara

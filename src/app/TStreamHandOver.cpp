#include "app/TStreamHandOver.h"

#include "methods/TServerMethods1.h"

namespace quillara {

TStreamHandOver& TStreamHandOver::Instance() {
  static TStreamHandOver instance;
  return instance;
}

void TStreamHandOver::Install() {
  TServerMethods1::StreamHandedOver = [](std::weak_ptr<TStream> stream) {
    Instance().HandOver(std::move(stream));
  };
}

void TStreamHandOver::SetOnArm(std::function<void()> onArm) {
  std::lock_guard lock(FLock);
  FOnArm = std::move(onArm);
}

void TStreamHandOver::HandOver(std::weak_ptr<TStream> stream) {
  std::lock_guard lock(FLock);
  f = std::move(stream);
  if (FOnArm) FOnArm();
}

void TStreamHandOver::Release() {
  std::lock_guard lock(FLock);
  f.reset();  // only our reference: the stream dies with its last owner
}

bool TStreamHandOver::Held() const {
  std::lock_guard lock(FLock);
  return !f.expired();
}

}  // namespace quillara

#include "app/TServerControl.h"

#include "app/TDataFolders.h"
#include "base/Exceptions.h"
#include "base/SysUtils.h"
#include "platform/TSystem.h"
#include "rest/TDSSessionManager.h"

namespace quillara {

TServerControl::TServerControl()
    : FServer(std::make_unique<THTTPWebBridge>()), FLabel(kLabelStopped) {}

TServerControl::~TServerControl() = default;

void TServerControl::StartOperation(const Text& portText) {
  if (FServer->Active()) return;
  FServer->Bindings().clear();
  int32_t port = StrToInt(portText);
  FServer->SetDefaultPort(static_cast<uint16_t>(port & 0xFFFF));
  FServer->SetActive(true);
  FLabel = kLabelRunning;
  FPopupAvvia = false;
  FPopupArresta = true;
}

void TServerControl::StartAndReadFolders(const Text& portText) {
  StartOperation(portText);
  TDataFolders::Instance().ReadFromRegistry();
}

void TServerControl::StopOperation() {
  TDSSessionManager::Instance().TerminateAllSessions();
  FServer->SetActive(false);
  FServer->Bindings().clear();
  FLabel = kLabelStopped;
  FPopupAvvia = true;
  FPopupArresta = false;
}

std::string FormatDottedAddress(uint32_t a) {
  return FormatMessage("%d.%d.%d.%d",
                       {std::to_string((a >> 24) & 0xFF), std::to_string((a >> 16) & 0xFF),
                        std::to_string((a >> 8) & 0xFF), std::to_string(a & 0xFF)});
}

std::string LocalAddressText() {
  uint32_t address = 0;
  if (!platform::LookupHostIPv4(address)) address = 0x7F000001;
  return FormatDottedAddress(address);
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace quillara

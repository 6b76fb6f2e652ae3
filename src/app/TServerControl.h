#pragma once
// The stopped/running state machine behind the control window, shared by the Qt window and the
// headless controller so both behave the same.
#include <memory>
#include <string>

#include "app/Messages.h"
#include "base/Text.h"
#include "web/THTTPWebBridge.h"

namespace quillara {

class TServerControl {
 public:
  TServerControl();
  ~TServerControl();

  // The start operation: port text parsed, low 16 bits as the default port, server activated.
  // Errors propagate with the label and menu states unchanged.
  void StartOperation(const Text& portText);
  // ButtonStartClick: the start operation, then the data folders (not read when start failed).
  void StartAndReadFolders(const Text& portText);
  void StopOperation();

  bool Active() const { return FServer->Active(); }
  const std::string& LabelSTATO() const { return FLabel; }
  bool PopupAvviaEnabled() const { return FPopupAvvia; }
  bool PopupArrestaEnabled() const { return FPopupArresta; }
  THTTPWebBridge& Server() { return *FServer; }

 private:
  std::unique_ptr<THTTPWebBridge> FServer;
  std::string FLabel;
  bool FPopupAvvia = true;
  bool FPopupArresta = true;
};

// The local IPv4 address in dotted form, or 127.0.0.1 when the host name cannot be resolved.
std::string LocalAddressText();
std::string FormatDottedAddress(uint32_t address);
// An error box shows the message with a full stop appended when its last character sorts after
// ".".
std::string ErrorBoxText(const std::string& message);

}  // namespace quillara

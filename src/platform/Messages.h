#pragma once
// The texts platform/ puts into errors, each written once. They are behaviour: operators see them
// byte for byte. platform/ lies below base/'s message templates, so each text is a small
// function of what it inserts.
#include <string>
#include <string_view>

namespace quillara::platform {

// The log file's name and the system's reason.
inline std::string CannotOpenAccessLogText(std::string_view fileName, std::string_view reason) {
  return "Cannot open the access log \"" + std::string(fileName) + "\". " + std::string(reason);
}

// For an error code the system has no text for.
inline std::string SystemErrorNumberText(unsigned long error) {
  return "System error " + std::to_string(error);
}

}  // namespace quillara::platform

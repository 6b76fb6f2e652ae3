#pragma once
// The one exception root: every failure carries the system's own message text (UTF-8 here).
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/Messages.h"  // the texts go with the exceptions that carry them
#include "base/Text.h"

namespace quillara {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  Text Message() const { return Utf8ToText(what()); }
};

class EConvertError : public Exception {
  using Exception::Exception;
};

class ESocketError : public Exception {
  using Exception::Exception;
};

class ERegistryException : public Exception {
  using Exception::Exception;
};

class EFOpenError : public Exception {
  using Exception::Exception;
};

class EFCreateError : public Exception {
  using Exception::Exception;
};

// Fills a message template: "%s" and "%d" take the next argument, "%N:s" / "%N:d" argument N,
// "%%" is a percent sign. A placeholder without an argument stays as written.
std::string FormatMessage(std::string_view templ, std::initializer_list<std::string_view> args);

}  // namespace quillara

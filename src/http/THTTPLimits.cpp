#include "http/THTTPLimits.h"

#include <cmath>
#include <cstdlib>

namespace quillara {

THTTPLimits& HTTPLimits() {
  static THTTPLimits limits;
  return limits;
}

bool SetHTTPLimit(const std::string& assignment) {
  size_t eq = assignment.find('=');
  if (eq == std::string::npos) return false;
  std::string name = assignment.substr(0, eq);
  std::string text = assignment.substr(eq + 1);
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value > 0) || value > 1e6) return false;
  THTTPLimits& limits = HTTPLimits();
  if (name == "idle-timeout") {
    limits.IdleTimeoutMs = int(std::lround(value * 1000));
  } else if (name == "send-timeout") {
    limits.SendStallTimeoutMs = int(std::lround(value * 1000));
  } else if (name == "max-connections" && value == std::floor(value)) {
    limits.MaxConnections = int(value);
  } else {
    return false;
  }
  return true;
}

}  // namespace quillara

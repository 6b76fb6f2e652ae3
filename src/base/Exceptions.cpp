#include "base/Exceptions.h"

#include <vector>

namespace quillara {

std::string FormatMessage(std::string_view templ, std::initializer_list<std::string_view> args) {
  std::vector<std::string_view> list(args);
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < templ.size(); ++i) {
    if (templ[i] != '%' || i + 1 >= templ.size()) {
      out.push_back(templ[i]);
      continue;
    }
    size_t j = i + 1;
    if (templ[j] == '%') {
      out.push_back('%');
      i = j;
      continue;
    }
    size_t index = next;
    bool explicitIndex = false;
    size_t k = j;
    while (k < templ.size() && templ[k] >= '0' && templ[k] <= '9') ++k;
    if (k > j && k < templ.size() && templ[k] == ':') {
      index = std::stoul(std::string(templ.substr(j, k - j)));
      explicitIndex = true;
      j = k + 1;
    }
    if (j < templ.size() && (templ[j] == 's' || templ[j] == 'd') && index < list.size()) {
      out.append(list[index]);
      next = index + 1;
      i = j;
      (void)explicitIndex;
      continue;
    }
    out.push_back('%');
  }
  return out;
}

}  // namespace quillara

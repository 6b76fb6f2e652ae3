#include "base/TStrings.h"

namespace quillara {

Text TStrings::Names(size_t index) const {
  const Text& item = FItems[index];
  size_t eq = item.find(u'=');
  return eq == Text::npos ? Text() : item.substr(0, eq);
}

Text TStrings::ValueFromIndex(size_t index) const {
  const Text& item = FItems[index];
  size_t eq = item.find(u'=');
  return eq == Text::npos ? Text() : item.substr(eq + 1);
}

int TStrings::IndexOfName(std::u16string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    size_t eq = FItems[i].find(u'=');
    if (eq != Text::npos && SameTextAscii(std::u16string_view(FItems[i]).substr(0, eq), name))
      return int(i);
  }
  return -1;
}

Text TStrings::Values(std::u16string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? Text() : ValueFromIndex(size_t(i));
}

}  // namespace quillara

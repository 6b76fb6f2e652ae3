#include "base/TStrings.h"

namespace quillara {

namespace {

bool SameNameAscii(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = char16_t(x - 32);
    if (y >= u'a' && y <= u'z') y = char16_t(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

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
    if (eq != Text::npos && SameNameAscii(std::u16string_view(FItems[i]).substr(0, eq), name))
      return int(i);
  }
  return -1;
}

Text TStrings::Values(std::u16string_view name) const {
  int i = IndexOfName(name);
  return i < 0 ? Text() : ValueFromIndex(size_t(i));
}

}  // namespace quillara

// Masks on arbitrary text: a mask compiles or fails with its own error, matching never crashes,
// and a text without wildcard characters matches itself as a mask.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/TMask.h"

using namespace quillara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two bytes a code unit; the first unit 0 ends the mask, the rest is the text.
  std::u16string units;
  for (size_t i = 0; i + 1 < size; i += 2) units += char16_t(data[i] | (data[i + 1] << 8));
  size_t cut = units.find(u'\0');
  std::u16string mask = units.substr(0, cut);
  std::u16string text = cut == std::u16string::npos ? std::u16string() : units.substr(cut + 1);
  try {
    TMask compiled(mask);
    (void)compiled.Matches(text);
    (void)compiled.Matches(mask);
  } catch (const EMaskException&) {
  }
  try {
    (void)MatchesMask(text, mask);
  } catch (const EMaskException&) {
  }
  if (text.find_first_of(u"*?[") == std::u16string::npos) {
    try {
      if (!TMask(text).Matches(text)) std::abort();
    } catch (const EMaskException&) {
      std::abort();  // a text without wildcards is a valid mask
    }
  }
  return 0;
}

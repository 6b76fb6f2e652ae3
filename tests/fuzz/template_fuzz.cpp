// The template scanner on arbitrary bytes: a page or one of its errors, never a crash.
#include <cstdint>
#include <string>

#include "base/Exceptions.h"
#include "web/TPageProducer.h"

using namespace quillara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  TPageProducer producer("F");
  producer.OnHTMLTag = [](TBasePageProducer&, TTag, const Text& name, const TStrings& params,
                          Text& replace) {
    replace = name;
    for (const Text& p : params) replace += p;
  };
  for (bool utf8 : {false, true}) {
    try {
      (void)producer.ContentFromBytes(bytes, utf8);
    } catch (const Exception&) {
      // line too long, broken escapes, undecodable UTF-8: the request's error page
    }
  }
  return 0;
}

// The reader on arbitrary bytes: no crash, no leak; whatever it reads, its byte form reads back
// to the same tree.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "json/TJSON.h"

using namespace quillara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  for (bool utf8 : {true, false}) {
    std::unique_ptr<TJSONValue> value;
    try {
      value = TJSONObject::ParseJSONValue(bytes, 0, utf8);
    } catch (const EJSONException&) {
      continue;
    }
    if (!value) continue;
    std::vector<uint8_t> written = value->Bytes();
    if (written.size() > value->EstimatedByteSize()) std::abort();
    std::unique_ptr<TJSONValue> again = TJSONObject::ParseJSONValue(written, 0);
    if (!again || again->Bytes() != written) std::abort();
    if (value->Clone()->Bytes() != written) std::abort();
    (void)value->ToString();
  }
  TJSONObject object;
  try {
    (void)object.Parse(bytes, 0);
  } catch (const EJSONException&) {
    // broken UTF-8 after a byte-order mark
  }
  return 0;
}

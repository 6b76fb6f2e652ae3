// Quillara's JSON timings in the peers' format.
//   json_quillara UTF8_DOC ASCII_DOC ITERS
#include <string>
#include <vector>

#include "bench_util.h"
#include "json/TJSON.h"

using namespace quillara;

static std::unique_ptr<TJSONValue> Parse(const std::string& s) {
  return TJSONObject::ParseJSONValue(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 0,
                                     s.size());
}

static void ParseBench(const std::string& s, const char* input, int iters) {
  for (int i = -1; i < iters; ++i) {
    double t0 = now_s();
    std::unique_ptr<TJSONValue> v = Parse(s);
    double t1 = now_s();
    if (!v) {
      fprintf(stderr, "parse failed\n");
      exit(1);
    }
    if (i >= 0) result("quillara", "parse", input, s.size(), t1 - t0);
  }
}

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  std::string u = slurp(argv[1]), a = slurp(argv[2]);
  int iters = atoi(argv[3]);
  ParseBench(u, "utf8", iters);
  ParseBench(a, "ascii", iters);
  std::unique_ptr<TJSONValue> d = Parse(u);
  std::vector<uint8_t> bytes;
  for (int i = -1; i < iters; ++i) {
    double t0 = now_s();
    bytes = d->Bytes();  // estimate, one buffer, write, shorten: what the server does
    double t1 = now_s();
    if (i >= 0) result("quillara", "serialize_ascii", "utf8", bytes.size(), t1 - t0);
  }
  for (int i = -1; i < iters; ++i) {
    double t0 = now_s();
    Text text = d->ToString();
    double t1 = now_s();
    // counted in the bytes of the document, so the figure compares with the others
    if (i >= 0) result("quillara", "serialize_text", "utf8", u.size(), t1 - t0);
  }
  std::unique_ptr<TJSONValue> again = TJSONObject::ParseJSONValue(bytes, 0);
  bool ok = all_ascii(reinterpret_cast<const char*>(bytes.data()), bytes.size()) && again &&
            again->Bytes() == bytes;
  printf("CHECK quillara ascii_output_7bit_and_roundtrip=%s ascii_bytes=%zu\n", ok ? "ok" : "FAIL",
         bytes.size());
  return ok ? 0 : 1;
}

// Peak memory of holding one parsed document, per library.
//   json_memory quillara|rapidjson|nlohmann DOC
#include <sys/resource.h>

#include <rapidjson/document.h>
#include <nlohmann/json.hpp>

#include "bench_util.h"
#include "json/TJSON.h"

static long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string lib = argv[1];
  std::string s = slurp(argv[2]);
  long before = PeakKiB();
  size_t check = 0;
  if (lib == "quillara") {
    auto v = quillara::TJSONObject::ParseJSONValue(reinterpret_cast<const uint8_t*>(s.data()),
                                                   s.size(), 0, s.size());
    check = v ? 1 : 0;
    printf("MEMORY lib=%s held_KiB=%ld\n", lib.c_str(), PeakKiB() - before);
  } else if (lib == "rapidjson") {
    rapidjson::Document d;
    d.Parse(s.data(), s.size());
    check = d.HasParseError() ? 0 : 1;
    printf("MEMORY lib=%s held_KiB=%ld\n", lib.c_str(), PeakKiB() - before);
  } else {
    auto j = nlohmann::json::parse(s);
    check = j.is_discarded() ? 0 : 1;
    printf("MEMORY lib=%s held_KiB=%ld\n", lib.c_str(), PeakKiB() - before);
  }
  return check ? 0 : 1;
}

// Stands in for the product list exporter in the Windows run of the acceptance tests: it carries
// out, in its own folder, the few shell lines of the script the test left beside it (same name,
// ".sh"): echo TEXT >> FILE, sleep SECONDS, printf 'TEXT' > FILE, and cat > FILE <<'END' ... END.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string After(const std::string& line, const std::string& mark) {
  size_t at = line.find(mark);
  if (at == std::string::npos) return {};
  size_t start = line.find_first_not_of(' ', at + mark.size());
  return start == std::string::npos ? std::string() : line.substr(start);
}

}  // namespace

int main() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring script(self);
  script = script.substr(0, script.rfind(L'.')) + L".sh";
  std::wstring folder = script.substr(0, script.rfind(L'\\'));
  ::SetCurrentDirectoryW(folder.c_str());
  std::ifstream in(script.c_str());
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("#!", 0) == 0 || line.empty()) continue;
    if (line.rfind("echo ", 0) == 0) {
      std::string text = line.substr(5, line.find(" >>") - 5);
      std::ofstream(After(line, ">>"), std::ios::app) << text << "\n";
    } else if (line.rfind("sleep ", 0) == 0) {
      std::this_thread::sleep_for(std::chrono::duration<double>(std::stod(line.substr(6))));
    } else if (line.rfind("printf '", 0) == 0) {
      size_t close = line.rfind('\'');
      std::ofstream(After(line.substr(close), ">"), std::ios::binary) << line.substr(8, close - 8);
    } else if (line.rfind("cat > ", 0) == 0) {
      std::string file = line.substr(6, line.find(" <<") - 6);
      std::ostringstream text;
      while (std::getline(in, line) && line != "END") text << line << "\n";
      std::ofstream(file, std::ios::binary) << text.str();
    }
  }
  return 0;
}

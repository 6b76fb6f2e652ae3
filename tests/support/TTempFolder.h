#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when the
// owner goes; its name is unique, so parallel runs of one test never share it.
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace quillara::testing {

class TTempFolder {
 public:
  explicit TTempFolder(const std::string& prefix = "quillara-test-") {
    std::random_device r;
    for (;;) {
      FPath = std::filesystem::temp_directory_path() /
              (prefix + std::to_string(r()) + std::to_string(r()));
      if (std::filesystem::create_directories(FPath)) break;
    }
  }
  ~TTempFolder() {
    std::error_code ec;
    // A test may have taken write permission away from something inside.
    for (auto it = std::filesystem::recursive_directory_iterator(FPath, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      if (!it->is_symlink(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(FPath, ec);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

 private:
  std::filesystem::path FPath;
};

}  // namespace quillara::testing

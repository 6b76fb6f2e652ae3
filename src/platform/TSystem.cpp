#include "platform/TSystem.h"

#include <csignal>

#include <arpa/inet.h>
#include <malloc.h>
#include <netdb.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>

namespace quillara::platform {

std::filesystem::path ExecutableFolder() {
  // Asked for every page made from a template: read from the kernel once.
  static const std::filesystem::path folder = [] {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
  }();
  return folder;
}

bool LookupHostIPv4(uint32_t& address) {
  char name[256] = {};
  ::gethostname(name, 255);  // the result is ignored, as the lookup below tells failure anyway
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &list) != 0 || list == nullptr) return false;
  address = ntohl(reinterpret_cast<sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(list);
  return true;
}

void SetCurrentThreadName(const std::string& name) {
  ::pthread_setname_np(::pthread_self(), name.substr(0, 15).c_str());
}

void AdviseLargePages(void* data, size_t bytes) {
#if defined(MADV_HUGEPAGE)
  constexpr size_t kWorthIt = 4 << 20;  // a few large pages at least: else not worth a call
  if (bytes < kWorthIt) return;
  auto page = uintptr_t(::sysconf(_SC_PAGESIZE));
  uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1);
  uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
  ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // only advice
#else
  (void)data, (void)bytes;
#endif
}

void ReturnLargeBlocksToTheSystem() {
  // A fixed threshold also stops the C library from raising it each time such a block is freed.
  ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
  // Smaller blocks stay: handing back every free stretch over 128 KiB made each answer of a few
  // hundred KiB take its memory anew from the system, page by page.
  ::mallopt(M_TRIM_THRESHOLD, 2 << 20);
}

void SetDefaultThreadStackSize(size_t bytes) {
#if defined(__SANITIZE_THREAD__)
  (void)bytes;  // the thread sanitizer refuses threads made from a changed default
  return;
#endif
  pthread_attr_t attr;
  if (::pthread_attr_init(&attr) != 0) return;
  if (::pthread_attr_setstacksize(&attr, bytes) == 0) ::pthread_setattr_default_np(&attr);
  ::pthread_attr_destroy(&attr);
}

std::string EnvironmentVariable(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool SecureRandom(void* buffer, size_t size) {
  // Small draws come from a per-thread store filled 256 bytes at a time: a session id takes a
  // few, and a system call each would cost more than the rest of making the session.
  struct TStore {
    unsigned char Bytes[256];
    size_t Left = 0;
  };
  thread_local TStore store;
  if (size > sizeof store.Bytes / 4)
    return ::getrandom(buffer, size, 0) == static_cast<ssize_t>(size);
  if (store.Left < size) {
    if (::getrandom(store.Bytes, sizeof store.Bytes, 0) != static_cast<ssize_t>(sizeof store.Bytes))
      return false;
    store.Left = sizeof store.Bytes;
  }
  unsigned char* from = store.Bytes + sizeof store.Bytes - store.Left;
  std::memcpy(buffer, from, size);
  std::memset(from, 0, size);  // a byte handed out is not kept
  store.Left -= size;
  return true;
}

const char* ParseTime(const char* text, const char* format, std::tm& tm) {
  return ::strptime(text, format, &tm);
}

std::time_t UtcTime(std::tm& tm) {
  return ::timegm(&tm);
}

bool DisplayAvailable() {
  return !EnvironmentVariable("DISPLAY").empty() || !EnvironmentVariable("WAYLAND_DISPLAY").empty();
}

std::string AccessLogFileOfUser() {
  std::filesystem::path folder;
  std::string state = EnvironmentVariable("XDG_STATE_HOME");
  std::string home = EnvironmentVariable("HOME");
  if (!state.empty()) {
    folder = std::filesystem::path(state) / "quillara";
  } else if (!home.empty()) {
    folder = std::filesystem::path(home) / ".local" / "state" / "quillara";
  } else {
    return {};
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return (folder / "access.log").string();
}

void BlockSignalsInThisThread() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
}

void IgnoreWriteSignals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace quillara::platform

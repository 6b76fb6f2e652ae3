#pragma once
// Process-level facts the application asks the operating system for.
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>

namespace quillara::platform {

// Folder of the running executable (/proc/self/exe); relative web paths resolve against it.
std::filesystem::path ExecutableFolder();

// The computer's first IPv4 address from a host-name lookup, as a 32-bit number in host byte
// order; false when the name cannot be resolved.
bool LookupHostIPv4(uint32_t& address);

// Linux keeps at most 15 characters of a thread name; longer names are cut.
void SetCurrentThreadName(const std::string& name);

std::string EnvironmentVariable(const char* name);

// Fills the buffer from the system's cryptographic generator; false when it gave too little.
bool SecureRandom(void* buffer, size_t size);

// strptime and timegm of the C library: a time text read by a format (the end of what was read,
// or null), and a broken-down UTC time as seconds since 1970.
const char* ParseTime(const char* text, const char* format, std::tm& tm);
std::time_t UtcTime(std::tm& tm);

// Whether a window can be shown: without a display the program runs headless.
bool DisplayAvailable();

// Where the windowed program keeps its access log: $XDG_STATE_HOME/quillara/access.log, or
// ~/.local/state/quillara/access.log; the folder is created. Empty when there is no home.
std::string AccessLogFileOfUser();

// A helper thread takes no process signal: they go to the threads that wait for them.
void BlockSignalsInThisThread();

// A write to a closed connection or past the file-size limit fails with an error the caller
// reports, instead of ending the process.
void IgnoreWriteSignals();

// Asks for large pages behind a fresh buffer of many megabytes that is about to be written
// whole: a fault for each small page can take longer than the writing itself. Smaller buffers,
// and systems without the advice, are left as they are.
void AdviseLargePages(void* data, size_t bytes);

// Blocks of a megabyte and more are taken from the system and given back when freed. Otherwise
// the allocator keeps the memory of a burst of large answers for later, in every thread's
// arena: hundreds of megabytes held by an idle server.
void ReturnLargeBlocksToTheSystem();

// Stack size of every thread created from now on. Connection threads live for one request; a
// small stack lets the C library keep and reuse the stacks of ended threads instead of mapping
// and clearing fresh ones for every connection.
void SetDefaultThreadStackSize(size_t bytes);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr size_t kConnectionThreadStack = 8 * 1024 * 1024;  // sanitizers need far larger frames
#else
constexpr size_t kConnectionThreadStack = 512 * 1024;
#endif

}  // namespace quillara::platform

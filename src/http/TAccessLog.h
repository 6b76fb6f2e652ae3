#pragma once
// The access log: one line per answered request in the common log format with the duration in
// milliseconds added. Request threads only queue their line; one background thread writes.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "http/IHTTPConnection.h"
#include "platform/TLogFile.h"

namespace quillara {

class TAccessLog {
 public:
  // Lines a slow disk may leave queued; past this, lines are counted and dropped, never waited for.
  static constexpr size_t kMaxQueued = 65536;
  // How long the writer lets lines gather once one has come.
  static constexpr std::chrono::milliseconds kGatherTime{20};

  // An empty name writes to standard output. Throws std::runtime_error when the file cannot be
  // opened.
  explicit TAccessLog(const std::string& fileName);
  // Writes what is queued, then ends the writer.
  ~TAccessLog();
  TAccessLog(const TAccessLog&) = delete;
  TAccessLog& operator=(const TAccessLog&) = delete;

  void Add(std::string line);

  // The log the HTTP server writes to; none by default. Set before the server starts.
  static void Install(std::unique_ptr<TAccessLog> log);
  static TAccessLog* Current() { return gCurrent.load(std::memory_order_acquire); }

  // client - - [10/Dec/2026:13:22:48 +0000] "request line" status bytes milliseconds
  static std::string FormatLine(const std::string& client, std::time_t when,
                                const std::string& requestLine, int status, uint64_t bodyBytes,
                                int64_t milliseconds);

 private:
  void Run();

  platform::TLogFile FFile;
  std::mutex FLock;  // guards FQueue, FDropped, FStopping
  std::condition_variable FWake;
  std::deque<std::string> FQueue;
  uint64_t FDropped = 0;
  bool FStopping = false;
  std::thread FWriter;

  static std::atomic<TAccessLog*> gCurrent;
};

// A connection that notes what the access log needs while the request loop uses it: the first
// line read, the status of the final answer and the bytes of its body. The line is queued when
// the connection is done, if an answer was written.
class TLoggedConnection : public IHTTPConnection {
 public:
  TLoggedConnection(IHTTPConnection& inner, TAccessLog& log);
  ~TLoggedConnection() override;

  long Read(char* buffer, size_t size) override;
  bool WaitReadable(int timeoutMs) override { return FInner.WaitReadable(timeoutMs); }
  bool Write(const char* data, size_t size) override {
    return Note(data, size, FInner.Write(data, size));
  }
  bool WriteLast(const char* data, size_t size) override {
    return Note(data, size, FInner.WriteLast(data, size));
  }
  bool CanWriteFile() const override { return FInner.CanWriteFile(); }
  long WriteFile(intptr_t fileHandle, int64_t offset, size_t size) override;
  void Abort() override { FInner.Abort(); }
  std::string PeerAddress() const override;
  uint16_t LocalPort() const override { return FInner.LocalPort(); }

 private:
  static constexpr size_t kMaxNoted = 8192;

  size_t HeadEnd(const char* data, size_t size, size_t from);
  // Notes what was written (ok: whether it was sent) and returns ok.
  bool Note(const char* data, size_t size, bool ok);
  static int StatusOf(std::string_view head);

  IHTTPConnection& FInner;
  TAccessLog& FLog;
  std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
  std::time_t FStartTime = std::time(nullptr);
  std::string FRequestLine;
  bool FRequestLineDone = false;
  char FHead[32];  // the start of the answer's head, enough for its status line
  size_t FHeadSize = 0;
  uint32_t FTail = 0;  // its last four bytes
  bool FInBody = false;
  int FStatus = 0;
  uint64_t FBodyBytes = 0;
  mutable std::string FPeerAddress;
  mutable bool FPeerAddressKnown = false;
};

}  // namespace quillara

#include "http/TAccessLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/TSystem.h"

namespace quillara {

std::atomic<TAccessLog*> TAccessLog::gCurrent{nullptr};

namespace {

// Held for the whole process once installed; request threads may still hold the pointer.
std::unique_ptr<TAccessLog> gInstalled;

// The request line as the client sent it, made safe for a quoted log field: quotes, backslashes,
// control and non-ASCII bytes as \xHH, so that no request can forge or split a line.
std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out.push_back(char(c));
    }
  }
  return out;
}

}  // namespace

TAccessLog::TAccessLog(const std::string& fileName) : FFile(fileName) {
  platform::WatchReopenSignal();
  FWriter = std::thread([this] { Run(); });
}

TAccessLog::~TAccessLog() {
  {
    std::lock_guard lock(FLock);
    FStopping = true;
  }
  FWake.notify_one();
  FWriter.join();
}

void TAccessLog::Add(std::string line) {
  {
    std::lock_guard lock(FLock);
    if (FQueue.size() >= kMaxQueued) {
      ++FDropped;
      return;
    }
    FQueue.push_back(std::move(line));
    // The writer is woken by the first line only: the others of a busy moment join its batch
    // instead of costing a wake-up each.
    if (FQueue.size() > 1) return;
  }
  FWake.notify_one();
}

void TAccessLog::Install(std::unique_ptr<TAccessLog> log) {
  gCurrent.store(log.get(), std::memory_order_release);
  gInstalled = std::move(log);
}

void TAccessLog::Run() {
  platform::BlockSignalsInThisThread();
  platform::SetCurrentThreadName("access-log");
  std::unique_lock lock(FLock);
  for (;;) {
    // Wakes at least once a second to notice a reopen request.
    FWake.wait_for(lock, std::chrono::seconds(1), [this] { return FStopping || !FQueue.empty(); });
    if (!FQueue.empty() && !FStopping) {
      // Lines written a moment later in one piece, not one write per line.
      lock.unlock();
      std::this_thread::sleep_for(kGatherTime);
      lock.lock();
    }
    std::deque<std::string> batch;
    batch.swap(FQueue);
    uint64_t dropped = std::exchange(FDropped, 0);
    bool stopping = FStopping;
    lock.unlock();
    if (platform::TakeReopenRequest()) FFile.Reopen();
    std::string text;
    for (const std::string& line : batch) text += line + "\n";
    if (dropped)
      text += "- - - [-] \"-\" - - - (" + std::to_string(dropped) +
              " lines dropped: the log could not keep up)\n";
    if (!text.empty()) FFile.Write(text);
    lock.lock();
    if (stopping && FQueue.empty()) return;
  }
}

std::string TAccessLog::FormatLine(const std::string& client, std::time_t when,
                                   const std::string& requestLine, int status, uint64_t bodyBytes,
                                   int64_t milliseconds) {
  std::tm local{};
  localtime_r(&when, &local);
  // The zone as +hhmm, computed: not every C library's %z gives the offset rather than a name.
  std::tm asUtc = local;
  long minutes = long(platform::UtcTime(asUtc) - when) / 60;
  char zone[32];
  std::snprintf(zone, sizeof zone, "%c%02ld%02ld]", minutes < 0 ? '-' : '+',
                std::labs(minutes) / 60, std::labs(minutes) % 60);
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "[%d/%b/%Y:%H:%M:%S ", &local);
  std::strcat(stamp, zone);
  return (client.empty() ? "-" : client) + " - - " + stamp + " \"" + Escape(requestLine) + "\" " +
         std::to_string(status) + " " + (bodyBytes ? std::to_string(bodyBytes) : "-") + " " +
         std::to_string(milliseconds);
}

TLoggedConnection::TLoggedConnection(IHTTPConnection& inner, TAccessLog& log)
    : FInner(inner), FLog(log) {}

TLoggedConnection::~TLoggedConnection() {
  if (FStatus == 0) return;  // nothing was answered
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - FStart);
  FLog.Add(TAccessLog::FormatLine(FInner.PeerAddress(), FStartTime, FRequestLine, FStatus,
                                  FBodyBytes, elapsed.count()));
}

long TLoggedConnection::Read(char* buffer, size_t size) {
  long n = FInner.Read(buffer, size);
  for (long i = 0; i < n && !FRequestLineDone; ++i) {
    char c = buffer[i];
    if (c == '\n' && !FRequestLine.empty()) {
      FRequestLineDone = true;
    } else if (c != '\r' && c != '\n' && FRequestLine.size() < kMaxNoted) {
      FRequestLine.push_back(
          c);  // blank lines before the request line are skipped, as the reader does
    }
  }
  return n;
}

bool TLoggedConnection::Write(const char* data, size_t size) {
  bool ok = FInner.Write(data, size);
  size_t used = 0;
  while (!FInBody && used < size) {
    // The head ends at its blank line; an interim 1xx answer is followed by the final one.
    char c = data[used++];
    if (FHead.size() < 32) FHead.push_back(c);
    FTail = (FTail << 8) | static_cast<unsigned char>(c);
    if (FTail == 0x0D0A0D0Au) {
      int status = 0;
      std::sscanf(FHead.c_str(), "HTTP/%*d.%*d %3d", &status);
      FHead.clear();
      FTail = 0;
      if (status < 100 || status >= 200) {
        FStatus = status == 0 ? -1 : status;
        FInBody = true;
      }
    }
  }
  if (FInBody && ok) FBodyBytes += size - used;
  return ok;
}

// Only body bytes: the header has gone through Write before.
long TLoggedConnection::WriteFile(intptr_t fileHandle, int64_t offset, size_t size) {
  long n = FInner.WriteFile(fileHandle, offset, size);
  if (n > 0) FBodyBytes += uint64_t(n);
  return n;
}

}  // namespace quillara

#include "http/TAccessLog.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/TSystem.h"

namespace quillara {

std::atomic<TAccessLog*> TAccessLog::gCurrent{nullptr};

namespace {

// Held for the whole process once installed; request threads may still hold the pointer.
std::unique_ptr<TAccessLog> gInstalled;

// The request line as the client sent it, made safe for a quoted log field: quotes, backslashes,
// control and non-ASCII bytes as \xHH, so that no request can forge or split a line.
constexpr std::array<bool, 256> kNeedsEscape = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[size_t(c)] = c < 0x20 || c >= 0x7F || c == '"' || c == '\\';
  return table;
}();

bool NeedsEscape(unsigned char c) {
  return kNeedsEscape[c];
}

void AppendEscaped(std::string& out, const std::string& text) {
  for (unsigned char c : text) {
    if (NeedsEscape(c)) {
      static const char kHex[] = "0123456789ABCDEF";
      const char hex[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
      out.append(hex, 4);
    } else {
      out.push_back(char(c));
    }
  }
}

// "[10/Dec/2026:13:22:48 +0000]": the same for every line of a second, so each thread keeps the
// last one it wrote.
const std::string& TimeStamp(std::time_t when) {
  thread_local std::time_t cachedWhen = -1;
  thread_local std::string cachedStamp;
  if (when == cachedWhen) return cachedStamp;
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
  cachedStamp = stamp;
  cachedWhen = when;
  return cachedStamp;
}

void AppendNumber(std::string& out, uint64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, size_t(end - digits));
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
    size_t bytes = 0;
    for (const std::string& line : batch) bytes += line.size() + 1;
    text.reserve(bytes);
    for (const std::string& line : batch) text.append(line).push_back('\n');
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
  const std::string& stamp = TimeStamp(when);
  std::string line;
  line.reserve(client.size() + stamp.size() + requestLine.size() + 48);
  if (client.empty())
    line.push_back('-');
  else
    line.append(client);
  line.append(" - - ").append(stamp).append(" \"");
  // The request line as the client sent it, made safe for a quoted log field: quotes,
  // backslashes, control and non-ASCII bytes as \xHH, so that no request can forge or split a line.
  if (std::none_of(requestLine.begin(), requestLine.end(),
                   [](char c) { return NeedsEscape(static_cast<unsigned char>(c)); }))
    line.append(requestLine);
  else
    AppendEscaped(line, requestLine);
  line.append("\" ");
  line.append(std::to_string(status)).push_back(' ');
  if (bodyBytes)
    AppendNumber(line, bodyBytes);
  else
    line.push_back('-');
  line.push_back(' ');
  line.append(std::to_string(milliseconds));
  return line;
}

TLoggedConnection::TLoggedConnection(IHTTPConnection& inner, TAccessLog& log)
    : FInner(inner), FLog(log) {}

TLoggedConnection::~TLoggedConnection() {
  if (FStatus == 0) return;  // nothing was answered
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - FStart);
  FLog.Add(TAccessLog::FormatLine(PeerAddress(), FStartTime, FRequestLine, FStatus, FBodyBytes,
                                  elapsed.count()));
}

std::string TLoggedConnection::PeerAddress() const {
  // Asked by the request and again by the log line: the peer does not change meanwhile.
  if (!FPeerAddressKnown) {
    FPeerAddress = FInner.PeerAddress();
    FPeerAddressKnown = true;
  }
  return FPeerAddress;
}

// Blank lines before the request line are skipped, as the reader does, and carriage returns
// are left out.
long TLoggedConnection::Read(char* buffer, size_t size) {
  long n = FInner.Read(buffer, size);
  size_t i = 0;
  while (i < size_t(std::max(n, 0L)) && !FRequestLineDone) {
    const char* start = buffer + i;
    size_t left = size_t(n) - i;
    auto* lf = static_cast<const char*>(std::memchr(start, '\n', left));
    size_t stop = lf ? size_t(lf - buffer) : size_t(n);
    while (i < stop) {
      auto* cr = static_cast<const char*>(std::memchr(buffer + i, '\r', stop - i));
      size_t pieceEnd = cr ? size_t(cr - buffer) : stop;
      size_t room = kMaxNoted - std::min(kMaxNoted, FRequestLine.size());
      FRequestLine.append(buffer + i, std::min(room, pieceEnd - i));
      i = cr ? pieceEnd + 1 : pieceEnd;
    }
    if (lf) {
      if (!FRequestLine.empty()) FRequestLineDone = true;
      i = stop + 1;
    }
  }
  return n;
}

// Where this write's part of a head ends, just past its blank line; npos when it goes on in a
// later write.
size_t TLoggedConnection::HeadEnd(const char* data, size_t size, size_t from) {
  // A blank line begun in an earlier write ends within the first three bytes.
  size_t i = from;
  for (; i < size && i < from + 3; ++i) {
    FTail = (FTail << 8) | static_cast<unsigned char>(data[i]);
    if (FTail == 0x0D0A0D0Au) return i + 1;
  }
  size_t found = std::string_view(data + from, size - from).find("\r\n\r\n");
  if (found != std::string_view::npos) return from + found + 4;
  if (size - from >= 4) {
    FTail = 0;
    for (size_t k = size - 4; k < size; ++k)
      FTail = (FTail << 8) | static_cast<unsigned char>(data[k]);
  }
  return std::string_view::npos;
}

bool TLoggedConnection::Note(const char* data, size_t size, bool ok) {
  size_t used = 0;
  while (!FInBody && used < size) {
    // The head ends at its blank line; an interim 1xx answer is followed by the final one.
    size_t end = HeadEnd(data, size, used);
    size_t headBytes = (end == std::string_view::npos ? size : end) - used;
    size_t noted = std::min(sizeof FHead - FHeadSize, headBytes);
    std::memcpy(FHead + FHeadSize, data + used, noted);
    FHeadSize += noted;
    used += headBytes;
    if (end == std::string_view::npos) break;
    int status = StatusOf(std::string_view(FHead, FHeadSize));
    FHeadSize = 0;
    FTail = 0;
    if (status < 100 || status >= 200) {
      FStatus = status == 0 ? -1 : status;
      FInBody = true;
    }
  }
  if (FInBody && ok) FBodyBytes += size - used;
  return ok;
}

int TLoggedConnection::StatusOf(std::string_view head) {
  // Our own status lines read directly; anything else as the general pattern reads it.
  if (head.size() >= 13 && head.compare(0, 9, "HTTP/1.1 ") == 0 &&
      std::all_of(head.begin() + 9, head.begin() + 12,
                  [](char c) { return c >= '0' && c <= '9'; }) &&
      !(head[12] >= '0' && head[12] <= '9'))
    return (head[9] - '0') * 100 + (head[10] - '0') * 10 + (head[11] - '0');
  std::string text(head);
  int status = 0;
  std::sscanf(text.c_str(), "HTTP/%*d.%*d %3d", &status);
  return status;
}

// Only body bytes: the header has gone through Write before.
long TLoggedConnection::WriteFile(intptr_t fileHandle, int64_t offset, size_t size) {
  long n = FInner.WriteFile(fileHandle, offset, size);
  if (n > 0) FBodyBytes += uint64_t(n);
  return n;
}

}  // namespace quillara

#pragma once
// How much of the server one client may hold: time without progress, connections, memory for
// request bodies. Process-wide; set at start (the command line may change them), read as
// connections arrive.
#include <atomic>
#include <cstdint>
#include <string>

namespace quillara {

struct THTTPLimits {
  // A connection whose peer sends no byte for this long is closed. Idle time, not total time,
  // so a slow upload that keeps moving is never cut.
  std::atomic<int> IdleTimeoutMs{60000};
  // A response the peer takes no byte of for this long ends its connection (reset), so a client
  // that never reads cannot keep a module and a thread.
  std::atomic<int> SendStallTimeoutMs{60000};
  // Connections served at once; one more is answered 503 and closed. Each holds a descriptor,
  // and a thread once its request has begun.
  std::atomic<int> MaxConnections{1024};
  // Request bodies buffered at once, in bytes; a body that would pass it is answered 503 before
  // it is read. Small bodies do not count (their total is bounded by MaxConnections).
  std::atomic<int64_t> BodyBudget{int64_t(512) << 20};
};

constexpr int64_t kSmallBodySize = 64 * 1024;

THTTPLimits& HTTPLimits();

// "idle-timeout=SECONDS", "send-timeout=SECONDS" (fractions allowed) or "max-connections=N";
// false when the name is unknown or the value not a positive number.
bool SetHTTPLimit(const std::string& assignment);

}  // namespace quillara

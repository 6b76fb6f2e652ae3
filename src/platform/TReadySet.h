#pragma once
// Sockets that many threads wait on together. Each time an armed socket has something to read,
// exactly one waiter is told, and the socket stays quiet until it is armed again: an idle thread
// takes whichever connection has its request instead of blocking on one that has not sent yet.
#include <cstdint>
#include <memory>

#include "platform/TSocket.h"

namespace quillara::platform {

class TReadySet {
 public:
  enum class TEvent { eReady, eAlarm, eWoken };

  TReadySet();
  ~TReadySet();
  TReadySet(const TReadySet&) = delete;
  TReadySet& operator=(const TReadySet&) = delete;

  // False when the system gave no resources for the set; every call of such a set fails.
  bool Valid() const;
  // Why the set could not be made (the system's error number); 0 for a valid set.
  int Error() const;
  // Keys are the caller's own, below 2^63. Reports the socket once, under key, when it has
  // something to read: bytes, its end, an error, or (a listening socket) a connection waiting.
  // The socket must not be in the set yet.
  TSocketResult Add(const TSocket& socket, uint64_t key);
  // Arms a socket of the set again after it was reported.
  TSocketResult Rearm(const TSocket& socket, uint64_t key);
  // Takes the socket out of the set; call it before the socket closes.
  void Remove(const TSocket& socket);
  // In ms milliseconds one waiter is told, once, that the alarm rang; a later call replaces an
  // earlier one, and a negative ms turns the alarm off.
  void SetAlarm(int ms);
  // Blocks until a socket is reported (its key in key), the alarm rings, or Wake was called.
  TEvent Wait(uint64_t& key);
  // Every Wait, now and later, returns eWoken.
  void Wake();

 private:
  struct TState;
  std::unique_ptr<TState> F;
};

}  // namespace quillara::platform

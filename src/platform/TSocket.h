#pragma once
// Stream sockets (POSIX, or Winsock on Windows) behind the few operations the listener and the
// request loop need.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillara::platform {

enum class TIPVersion { ivIPv4, ivIPv6 };

// Owns one socket descriptor; move-only.
class TSocket {
 public:
  TSocket() = default;
  explicit TSocket(int fd) : FFd(fd) {}
  TSocket(TSocket&& other) noexcept : FFd(other.Release()) {}
  TSocket& operator=(TSocket&& other) noexcept;
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  ~TSocket() { Close(); }

  int Handle() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  int Release();
  void Close();

 private:
  int FFd = -1;
};

// Outcome of a socket call: 0 on success, else the errno value.
struct TSocketResult {
  int Error = 0;
  bool Ok() const { return Error == 0; }
};

bool IPv6Offered();
TSocket CreateStreamSocket(TIPVersion version, TSocketResult& result);
// Address reuse as the listener wants it: a second listener on the port still fails, a restart
// binds despite TIME_WAIT. IPv6 sockets are made v6-only so both families share the port. The
// socket does not block, so that Accept never waits.
TSocketResult PrepareListening(const TSocket& socket, TIPVersion version, bool useNagle);
TSocketResult BindAny(const TSocket& socket, TIPVersion version, uint16_t port);
TSocketResult Listen(const TSocket& socket, int backlog);
uint16_t LocalPort(const TSocket& socket);
// 1 readable, 0 timed out, -1 error.
int WaitReadable(const TSocket& socket, int timeoutMs);
// Takes a connection that waits already, without waiting: with none, it fails with a transient
// error. The connection's socket blocks. peerAddress, when given, receives the peer's address as
// PeerAddressText gives it.
TSocket Accept(const TSocket& listening, TSocketResult& result, std::string* peerAddress = nullptr);
// The process or the system is out of descriptors or buffers: retrying at once cannot succeed.
bool IsResourceShortage(int error);
// The failure belongs to the connection being accepted (it was aborted, say), not to the
// listening socket: the next accept may succeed at once.
bool IsTransientAcceptError(int error);
// Wakes any thread blocked reading this socket; the owner closes it afterwards.
void ShutdownBoth(const TSocket& socket);
void ShutdownSend(const TSocket& socket);
// A later Receive that waits longer than this for a byte fails (a timeout error); 0 waits forever.
TSocketResult SetReceiveTimeout(const TSocket& socket, int timeoutMs);
// True when at least one byte can be read now; the end of the stream is no byte.
bool BytesWaiting(const TSocket& socket);
// Number of bytes read, 0 at end of stream, -1 on error (errno kept in result).
long Receive(const TSocket& socket, void* buffer, size_t size, TSocketResult& result);
// ReceiveNow's answer when no byte has arrived yet.
constexpr long kNothingYet = -2;
// As Receive, but without waiting: kNothingYet when no byte (nor the end) has arrived.
long ReceiveNow(const TSocket& socket, void* buffer, size_t size, TSocketResult& result);
// Sends everything or fails; with stallTimeoutMs >= 0 it also fails (ETIMEDOUT) once the peer
// has taken no byte for that long. With holdTail, a last part-filled packet may wait for the next
// send, an acknowledgement or the end of sending, so that a short answer and the close that
// follows it leave as one packet (where the platform can).
TSocketResult SendAll(const TSocket& socket, const void* data, size_t size, int stallTimeoutMs = -1,
                      bool holdTail = false);
// The peer's next bytes are acknowledged with the answer to them, not at once on their own
// (where the platform can): for a connection whose request has not arrived yet.
void AcknowledgeWithAnswer(const TSocket& socket);
// Sends up to count bytes of an open file from offset on, inside the kernel, waiting for room as
// SendAll does: the bytes sent (fewer only at the file's end), 0 at the file's end, -1 on an
// error of the socket or the file (errno kept in result).
long SendFile(const TSocket& socket, intptr_t fileHandle, int64_t offset, size_t count,
              int stallTimeoutMs, TSocketResult& result);
// What fits into the send buffer now, without waiting; the rest is dropped.
void SendNoWait(const TSocket& socket, const void* data, size_t size);
// Reads and drops whatever has arrived, without waiting.
void DiscardWaiting(const TSocket& socket);
// Closing the socket then resets the connection instead of ending it in order, so the peer sees
// a failed transfer and unsent data is dropped.
void ResetOnClose(const TSocket& socket);
std::string PeerAddressText(const TSocket& socket);
std::string SocketErrorText(int error);

}  // namespace quillara::platform

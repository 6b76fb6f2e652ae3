#pragma once
// What the request loop needs from a connection; a socket in the server, memory in tests.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillara {

class IHTTPConnection {
 public:
  virtual ~IHTTPConnection() = default;
  // Bytes read, 0 when the peer has closed, negative on a socket error.
  virtual long Read(char* buffer, size_t size) = 0;
  // True when at least one byte is waiting, or arrives within timeoutMs; the end of the input
  // is no byte.
  virtual bool WaitReadable(int timeoutMs) = 0;
  // False when the bytes could not all be sent.
  virtual bool Write(const char* data, size_t size) = 0;
  // As Write, for the end of the answer: the connection ends right after, so the last bytes may
  // wait for that end to leave with it.
  virtual bool WriteLast(const char* data, size_t size) { return Write(data, size); }
  // Whether WriteFile sends files; where it does not, the caller reads and writes the bytes.
  virtual bool CanWriteFile() const { return false; }
  // Sends up to size bytes of an open file from offset on, from the file to the connection
  // without a copy through this process: the bytes sent (fewer only at the file's end), 0 at
  // the file's end, negative when the connection failed (it is then aborted).
  virtual long WriteFile(intptr_t /*fileHandle*/, int64_t /*offset*/, size_t /*size*/) {
    return -1;
  }
  // The response cannot be completed: the connection is to end so that the peer sees a failed
  // transfer, not a complete one. Nothing to do where there is no peer.
  virtual void Abort() {}
  virtual std::string PeerAddress() const = 0;
  virtual uint16_t LocalPort() const = 0;
};

}  // namespace quillara

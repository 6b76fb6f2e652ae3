#pragma once
// The TCP side of the server: bindings, the threads that accept and serve connections, and a
// stop that ends them all.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/TSocket.h"

namespace quillara {

using platform::TIPVersion;

struct TSocketHandle {
  std::string Address;  // empty: any address
  uint16_t Port = 0;
  TIPVersion IPVersion = TIPVersion::ivIPv4;
  bool ReuseSocket = true;
  bool UseNagle = true;
  platform::TSocket Socket;
};

// One accepted connection; owns its socket.
class TConnection {
 public:
  // The peer's address and our port as the listener learned them; empty and 0 when unknown.
  explicit TConnection(platform::TSocket socket, std::string peerAddress = {},
                       uint16_t localPort = 0)
      : FSocket(std::move(socket)), FPeerAddress(std::move(peerAddress)), FLocalPort(localPort) {}
  const platform::TSocket& Socket() const { return FSocket; }
  const std::string& PeerAddress() const { return FPeerAddress; }
  uint16_t LocalPort() const { return FLocalPort; }
  // Shuts both directions so a thread blocked reading it wakes up; the socket closes with the
  // connection.
  void Disconnect() { platform::ShutdownBoth(FSocket); }
  // The request was read to its end: unless the peer sent more, closing cannot reset the
  // connection, and the close needs no wait.
  void MarkRequestRead() { FRequestRead = true; }
  // Our side is done: send FIN, then drain what the peer still sends for a short while, so
  // that closing with unread request bytes does not reset the connection before the peer has
  // read the answer.
  void CloseGracefully();
  // The transfer failed: closing resets the connection instead of ending it in order.
  void Abort() {
    platform::ResetOnClose(FSocket);
    FAborted = true;
  }
  bool Aborted() const { return FAborted; }
  void Close() { FSocket.Close(); }

 private:
  platform::TSocket FSocket;
  std::string FPeerAddress;
  uint16_t FLocalPort;
  bool FAborted = false;  // only the connection's own thread touches it
  bool FRequestRead = false;
};

class TCustomTCPServer {
 public:
  TCustomTCPServer() = default;
  TCustomTCPServer(const TCustomTCPServer&) = delete;
  TCustomTCPServer& operator=(const TCustomTCPServer&) = delete;
  // Derived classes stop the server in their own destructor, while DoExecute still exists.
  virtual ~TCustomTCPServer();

  uint16_t DefaultPort() const { return FDefaultPort; }
  void SetDefaultPort(uint16_t port) { FDefaultPort = port; }
  int ListenQueue() const { return FListenQueue; }
  std::vector<TSocketHandle>& Bindings() { return FBindings; }
  bool Active() const { return FActive; }
  // Throws ESocketError on a failed start, with everything released and Active false.
  void SetActive(bool value);
  // The port a binding listens on (useful when 0 let the platform choose); 0 when inactive.
  uint16_t BoundPort(size_t binding) const;
  size_t LiveConnectionCount() const;

 protected:
  // Runs on the connection's own thread; returns when the connection is to be closed.
  virtual void DoExecute(TConnection& connection) = 0;
  // Sent to a connection refused because the server holds as many as it may; empty sends
  // nothing.
  virtual std::string BusyAnswer() const { return {}; }

 private:
  // A thread that waits in accept on one binding and serves the connection it accepted itself,
  // then waits again: no thread start and no hand-over per connection.
  struct TWorker {
    size_t Binding = 0;
    std::thread Thread;
    TConnection* Current = nullptr;  // under FWorkersLock; what a stop disconnects
  };

  void Start();
  void Stop();
  // Under FWorkersLock.
  void StartWorker(size_t binding);
  void WorkerRun(TWorker& worker);
  // Accepts and serves until the server stops or enough threads wait in accept already.
  void AcceptAndServe(TWorker& worker, std::unique_lock<std::mutex>& lock);
  // The connection is admitted: counted and known to a stop.
  void Serve(TWorker& worker, TConnection& connection);
  void Refuse(const platform::TSocket& socket) const;
  static void Join(std::vector<std::unique_ptr<TWorker>>& workers);

  uint16_t FDefaultPort = 80;
  // 15 would make the kernel drop connections under load and produce second-long tails.
  int FListenQueue = 4096;
  bool FUseNagle = true;
  std::atomic<bool> FActive{false};
  std::vector<TSocketHandle> FBindings;

  std::mutex FWorkersLock;
  std::condition_variable FWorkerEnded;                  // under FWorkersLock
  std::atomic<bool> FStopping{false};                    // written under FWorkersLock
  std::vector<std::unique_ptr<TWorker>> FWorkers;        // threads running
  std::vector<std::unique_ptr<TWorker>> FFinished;       // threads ended or ending, to be joined
  std::vector<int> FAccepting;                           // per binding: threads in accept
  std::vector<uint16_t> FPorts;                          // per binding: the port it listens on
  std::chrono::steady_clock::time_point FShortageUntil;  // under FWorkersLock
  std::atomic<int> FRunning{0};                          // connections being served
};

}  // namespace quillara

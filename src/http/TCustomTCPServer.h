#pragma once
// The TCP side of the server: bindings, the threads that accept and serve connections, and a
// stop that ends them all.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/TReadySet.h"
#include "platform/TSocket.h"
#include "platform/TThreadCall.h"

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
  // Reads without waiting what the peer has sent so far, to be handed out by Receive: false
  // when nothing (not even the end of the stream) has arrived.
  bool ReadArrived();
  // Reads what the peer sends: bytes, 0 at the end of the stream, -1 on an error, or when the
  // peer has sent nothing for the idle timeout.
  long Receive(char* buffer, size_t size);
  // Whether a byte can be read within timeoutMs; the end of the stream is no byte.
  bool WaitReadable(int timeoutMs);
  // Shuts both directions so a thread blocked reading it wakes up; the socket closes with the
  // connection.
  void Disconnect() { platform::ShutdownBoth(FSocket); }
  // The request was read to its end: unless the peer sent more, closing cannot reset the
  // connection, and the close needs no wait. A peer that said it sends nothing more is not
  // looked at again.
  void MarkRequestRead(bool lastFromPeer) {
    FRequestRead = true;
    FLastFromPeer = lastFromPeer;
  }
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
  std::string FArrived;
  size_t FArrivedPos = 0;
  bool FTimeoutSet = false;
  bool FAborted = false;  // only the connection's own thread touches it
  bool FRequestRead = false;
  bool FLastFromPeer = false;
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
  // A thread that waits for whatever is ready (a connection to accept, a request that has begun
  // to arrive) and serves the connection it took itself, then waits again: no thread start and
  // no hand-over per connection.
  struct TWorker {
    std::thread Thread;
    std::mutex Lock;
    TConnection* Current = nullptr;  // under Lock; what a stop disconnects
    // Ends a wait on the bench; the wait is the thread's own, so being called takes no lock
    // shared with other threads.
    platform::TThreadCall Called;
  };
  // An admitted connection whose request has not begun: it waits in the ready set, not on a
  // thread, until its first bytes arrive or it has been silent for the idle timeout.
  struct TParked {
    std::unique_ptr<TConnection> Connection;
    std::chrono::steady_clock::time_point Deadline;
  };

  void Start();
  void Stop();
  // Under FWorkersLock.
  void StartWorker();
  void WorkerRun(TWorker& worker);
  // Waits and serves until the server stops or enough threads are idle already.
  void WaitAndServe(TWorker& worker);
  // While enough threads wait in the ready set, an idle thread waits here instead: the fewer
  // wait there, the more often a thread done with its connection finds the next one ready and
  // goes on without sleeping. False when enough threads are idle already.
  bool WaitOnBench(TWorker& worker);
  // Called by the last thread to leave the ready set: calls or starts another one to wait there.
  void KeepSomeoneWaiting();
  // Accepts what the listening binding reported, and arms it again for the next connection.
  std::unique_ptr<TConnection> AcceptOne(size_t binding);
  // Reads what the client sends within a few microseconds; false when it sent nothing.
  static bool ReadSoon(TConnection& connection);
  // Under FParkedLock: true when the connection went to wait for its request.
  bool Park(std::unique_ptr<TConnection>& connection);
  // Under FParkedLock: closes the connections silent past their deadline.
  void ExpireParked();
  void CloseParked(uint64_t key);
  // Under FParkedLock: takes the connection out of those waiting for their request; null when
  // it is not there.
  std::unique_ptr<TConnection> Unpark(uint64_t key);
  // Under FParkedLock: sets the alarm for the earliest deadline, if that is sooner.
  void SetAlarmFor(std::chrono::steady_clock::time_point deadline);
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
  std::vector<uint16_t> FPorts;  // per binding: the port it listens on
  // Listening sockets under their binding's index, connections under keys from
  // kFirstConnectionKey on; made anew by each start.
  std::unique_ptr<platform::TReadySet> FReady;

  std::mutex FWorkersLock;
  std::condition_variable FWorkerEnded;             // under FWorkersLock
  std::atomic<bool> FStopping{false};               // written under FWorkersLock
  std::vector<std::unique_ptr<TWorker>> FWorkers;   // threads running
  std::vector<std::unique_ptr<TWorker>> FFinished;  // threads ended or ending, to be joined
  std::atomic<int> FWaiting{0};                     // threads in the ready set's Wait
  std::vector<TWorker*> FBenched;                   // under FWorkersLock; last in, first called
  // Apart from the threads' lock: parking and taking back happen for nearly every connection.
  std::mutex FParkedLock;
  // Under FParkedLock: the connections waiting for their request, and their deadlines in order.
  // Their nodes come from a pool of their own: nearly every connection is parked and taken back.
  std::pmr::unsynchronized_pool_resource FParkedNodes;
  std::pmr::unordered_map<uint64_t, TParked> FParked{&FParkedNodes};
  std::pmr::set<std::pair<std::chrono::steady_clock::time_point, uint64_t>> FDeadlines{
      &FParkedNodes};
  uint64_t FNextKey = 0;  // under FParkedLock
  // Under FParkedLock: when the alarm rings; the largest time point when it is off.
  std::chrono::steady_clock::time_point FAlarm;
  std::atomic<int> FRunning{0};  // connections admitted: served or waiting for their request
};

}  // namespace quillara

#include "http/TCustomTCPServer.h"

#include <algorithm>
#include <chrono>

#include "base/Exceptions.h"
#include "http/Messages.h"
#include "http/THTTPLimits.h"
#include "platform/TSystem.h"

namespace quillara {

using namespace platform;

namespace {

// Out of descriptors or threads, accepting again at once would fail again at once: the pause
// keeps the threads from spinning while the running connections end and free them.
constexpr auto kShortageBackOff = std::chrono::milliseconds(100);
// Threads kept waiting in accept on one binding once their connection is done; more end. The
// kernel hands each new connection to one of them, so none is woken for another's connection.
// Enough for bursts of a few dozen clients without starting threads, few enough to hold little.
constexpr int kMaxIdle = 64;
// A thread blocked in accept holds a descriptor the kernel sets aside for the connection to
// come. For a while after the process ran out of descriptors, one such thread per binding is
// enough: the others would keep from the connections being served the descriptors they need.
constexpr auto kShortageMemory = std::chrono::seconds(10);

ESocketError SocketError(int error) {
  return ESocketError(
      FormatMessage(kSocketErrorText, {std::to_string(error), SocketErrorText(error)}));
}

}  // namespace

void TConnection::CloseGracefully() {
  if (FRequestRead && !BytesWaiting(FSocket)) return;
  ShutdownSend(FSocket);
  char buffer[4096];
  size_t drained = 0;
  // At most 1 MiB and half a second; a silent peer is waited for 20 ms. The socket itself closes
  // with the connection, once its thread has been joined.
  for (int rounds = 0; rounds < 50 && drained < (1u << 20); ++rounds) {
    if (WaitReadable(FSocket, 10) <= 0) {
      if (rounds > 0) break;
      continue;
    }
    TSocketResult r;
    long n = Receive(FSocket, buffer, sizeof buffer, r);
    if (n <= 0) break;
    drained += size_t(n);
  }
}

TCustomTCPServer::~TCustomTCPServer() {
  Stop();
}

void TCustomTCPServer::SetActive(bool value) {
  if (value == FActive) return;
  if (value) {
    Start();
  } else {
    Stop();
  }
}

void TCustomTCPServer::Start() {
  if (FBindings.empty()) {
    FBindings.push_back({"", FDefaultPort, TIPVersion::ivIPv4, true, FUseNagle, {}});
    if (IPv6Offered())
      FBindings.push_back({"", FDefaultPort, TIPVersion::ivIPv6, true, FUseNagle, {}});
  }
  try {
    for (TSocketHandle& binding : FBindings) {
      TSocketResult r;
      binding.Socket = CreateStreamSocket(binding.IPVersion, r);
      if (r.Ok()) r = PrepareListening(binding.Socket, binding.IPVersion, binding.UseNagle);
      if (!r.Ok()) throw SocketError(r.Error);
      // Whatever the reason the platform gives, a failed bind reads as a taken port.
      if (!BindAny(binding.Socket, binding.IPVersion, binding.Port).Ok())
        throw ESocketError(kCouldNotBind);
    }
    std::lock_guard lock(FWorkersLock);
    FStopping = false;
    FAccepting.assign(FBindings.size(), 0);
    FPorts.assign(FBindings.size(), 0);
    for (size_t i = 0; i < FBindings.size(); ++i) {
      TSocketResult r = Listen(FBindings[i].Socket, FListenQueue);
      if (!r.Ok()) throw SocketError(r.Error);
      FPorts[i] = LocalPort(FBindings[i].Socket);
      StartWorker(i);
    }
    FActive = true;
  } catch (...) {
    FActive = true;
    Stop();
    throw;
  }
}

void TCustomTCPServer::Stop() {
  if (!FActive) return;
  FActive = false;
  {
    // A thread that accepts from now on closes its connection unserved; those being served are
    // cut, so that a read waiting for a silent client returns at once.
    std::lock_guard lock(FWorkersLock);
    FStopping = true;
    for (auto& worker : FWorkers)
      if (worker->Current) worker->Current->Disconnect();
  }
  // Wakes every thread blocked in accept; the sockets close once no thread uses them.
  for (TSocketHandle& binding : FBindings) ShutdownBoth(binding.Socket);
  for (;;) {
    std::vector<std::unique_ptr<TWorker>> ended;
    {
      std::unique_lock lock(FWorkersLock);
      FWorkerEnded.wait(lock, [this] { return !FFinished.empty() || FWorkers.empty(); });
      ended.swap(FFinished);
      if (ended.empty()) break;
    }
    Join(ended);
  }
  for (TSocketHandle& binding : FBindings) binding.Socket.Close();
}

uint16_t TCustomTCPServer::BoundPort(size_t binding) const {
  if (!FActive || binding >= FBindings.size()) return 0;
  return LocalPort(FBindings[binding].Socket);
}

size_t TCustomTCPServer::LiveConnectionCount() const {
  return size_t(std::max(0, FRunning.load()));
}

void TCustomTCPServer::Join(std::vector<std::unique_ptr<TWorker>>& workers) {
  for (auto& worker : workers)
    if (worker->Thread.joinable()) worker->Thread.join();
  workers.clear();
}

void TCustomTCPServer::StartWorker(size_t binding) {
  auto worker = std::make_unique<TWorker>();
  worker->Binding = binding;
  TWorker& ref = *worker;
  FWorkers.reserve(FWorkers.size() + 1);  // once the thread runs, adding it cannot fail
  ref.Thread = std::thread([this, &ref] { WorkerRun(ref); });
  FWorkers.push_back(std::move(worker));
}

void TCustomTCPServer::WorkerRun(TWorker& worker) {
  SetCurrentThreadName("Scheduler User");
  std::vector<std::unique_ptr<TWorker>> earlier;
  {
    std::unique_lock lock(FWorkersLock);
    AcceptAndServe(worker, lock);
    // The thread hands itself over to be joined, and joins those that ended before it, so that
    // an ended thread's stack is not kept until the next stop.
    if (!FStopping) earlier.swap(FFinished);
    auto self =
        std::find_if(FWorkers.begin(), FWorkers.end(), [&](auto& w) { return w.get() == &worker; });
    FFinished.push_back(std::move(*self));
    FWorkers.erase(self);
  }
  FWorkerEnded.notify_all();
  Join(earlier);
}

void TCustomTCPServer::AcceptAndServe(TWorker& worker, std::unique_lock<std::mutex>& lock) {
  const TSocket& listening = FBindings[worker.Binding].Socket;
  int& accepting = FAccepting[worker.Binding];
  for (;;) {
    bool shortage = std::chrono::steady_clock::now() < FShortageUntil;
    if (FStopping || accepting >= (shortage ? 1 : kMaxIdle)) return;
    ++accepting;
    lock.unlock();
    TSocketResult r;
    std::string peer;
    TSocket accepted = Accept(listening, r, &peer);
    while (!r.Ok() && !FStopping) {
      // A failed accept ends only this attempt; a shortage also pauses the thread.
      if (IsResourceShortage(r.Error)) {
        std::lock_guard shortageLock(FWorkersLock);
        FShortageUntil = std::chrono::steady_clock::now() + kShortageMemory;
      }
      if (IsResourceShortage(r.Error) || !IsTransientAcceptError(r.Error))
        std::this_thread::sleep_for(kShortageBackOff);
      accepted = Accept(listening, r, &peer);
    }
    TConnection connection(std::move(accepted), std::move(peer), FPorts[worker.Binding]);
    lock.lock();
    --accepting;
    if (FStopping) return;  // a connection accepted meanwhile closes unserved
    // Someone must wait in accept while this thread serves. Out of threads, this one serves and
    // accepts again afterwards: the kernel queues what arrives meanwhile.
    std::vector<std::unique_ptr<TWorker>> ended;
    if (accepting == 0) {
      try {
        StartWorker(worker.Binding);
      } catch (...) {
      }
      ended.swap(FFinished);
    }
    // Admitted under the lock, so that the threads accepting at once never pass the cap.
    bool admitted = FRunning < HTTPLimits().MaxConnections;
    if (admitted) {
      ++FRunning;
      worker.Current = &connection;  // from now on a stop disconnects it
    }
    lock.unlock();
    Join(ended);
    if (admitted) {
      Serve(worker, connection);
    } else {
      Refuse(connection.Socket());
    }
    lock.lock();
  }
}

void TCustomTCPServer::Serve(TWorker& worker, TConnection& connection) {
  try {
    DoExecute(connection);
  } catch (...) {
    // Nothing handles connection errors: the connection simply ends.
  }
  if (!connection.Aborted()) connection.CloseGracefully();
  {
    std::lock_guard lock(FWorkersLock);
    worker.Current = nullptr;
  }
  // Closed now, so the descriptor is free before the thread waits for the next connection.
  connection.Close();
  --FRunning;
}

// Answered and closed without waiting: the answer is short and the socket new, so it fits the
// send buffer. Request bytes already there are read first, so that closing does not reset the
// connection before the peer has read the answer.
void TCustomTCPServer::Refuse(const TSocket& socket) const {
  std::string answer = BusyAnswer();
  if (!answer.empty()) SendNoWait(socket, answer.data(), answer.size());
  DiscardWaiting(socket);
  ShutdownSend(socket);
}

}  // namespace quillara

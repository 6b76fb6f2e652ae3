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
// Idle threads kept once their connection is done; more end. Enough for bursts of a few dozen
// clients without starting threads, few enough to hold little.
constexpr int kMaxIdle = 64;
// Threads waiting in the ready set at once; the other idle ones wait on the bench. Each
// readiness wakes one waiter: with one per core and one more, a thread done with its connection
// mostly finds the next readiness waiting instead of a sleeping thread being woken for it.
const int kMaxWaiting = int(std::thread::hardware_concurrency()) + 1;
// How long a connection made while the server has nothing else to do is looked at for its
// request before it is parked.
constexpr auto kSoon = std::chrono::microseconds(20);
// Keys below are the bindings'.
constexpr uint64_t kFirstConnectionKey = 1 << 16;

ESocketError SocketError(int error) {
  return ESocketError(
      FormatMessage(kSocketErrorText, {std::to_string(error), SocketErrorText(error)}));
}

}  // namespace

void TConnection::CloseGracefully() {
  if (FRequestRead && FArrivedPos == FArrived.size() && (FLastFromPeer || !BytesWaiting(FSocket)))
    return;
  ShutdownSend(FSocket);
  char buffer[4096];
  size_t drained = 0;
  // At most 1 MiB and half a second; a silent peer is waited for 20 ms. The socket itself closes
  // with the connection, once its thread has been joined.
  for (int rounds = 0; rounds < 50 && drained < (1u << 20); ++rounds) {
    if (platform::WaitReadable(FSocket, 10) <= 0) {
      if (rounds > 0) break;
      continue;
    }
    TSocketResult r;
    long n = platform::Receive(FSocket, buffer, sizeof buffer, r);
    if (n <= 0) break;
    drained += size_t(n);
  }
}

bool TConnection::ReadArrived() {
  char first[16384];
  TSocketResult r;
  long n = ReceiveNow(FSocket, first, sizeof first, r);
  if (n > 0) FArrived.assign(first, size_t(n));
  // The end of the stream or an error is for the reader to meet.
  return n != kNothingYet;
}

long TConnection::Receive(char* buffer, size_t size) {
  if (FArrivedPos < FArrived.size()) {
    size_t n = std::min(size, FArrived.size() - FArrivedPos);
    FArrived.copy(buffer, n, FArrivedPos);
    FArrivedPos += n;
    return long(n);
  }
  TSocketResult r;
  if (!FTimeoutSet) {
    // Most requests arrive whole before the first read: the timeout is set only for a read that
    // has to wait.
    long n = ReceiveNow(FSocket, buffer, size, r);
    if (n != kNothingYet) return n;
    SetReceiveTimeout(FSocket, std::max(1, HTTPLimits().IdleTimeoutMs.load()));
    FTimeoutSet = true;
  }
  return platform::Receive(FSocket, buffer, size, r);
}

bool TConnection::WaitReadable(int timeoutMs) {
  return FArrivedPos < FArrived.size() ||
         (platform::WaitReadable(FSocket, timeoutMs) > 0 && BytesWaiting(FSocket));
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
    FReady = std::make_unique<TReadySet>();
    if (!FReady->Valid()) throw SocketError(FReady->Error());
    FBenched.reserve(kMaxIdle);  // a thread going to the bench cannot fail
    FNextKey = kFirstConnectionKey;
    FAlarm = std::chrono::steady_clock::time_point::max();
    FPorts.assign(FBindings.size(), 0);
    for (size_t i = 0; i < FBindings.size(); ++i) {
      TSocketResult r = Listen(FBindings[i].Socket, FListenQueue);
      if (r.Ok()) r = FReady->Add(FBindings[i].Socket, i);
      if (!r.Ok()) throw SocketError(r.Error);
      FPorts[i] = LocalPort(FBindings[i].Socket);
    }
    StartWorker();
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
    // A thread that takes a connection from now on closes it unserved; those being served are
    // cut, so that a read waiting for a silent client returns at once, and those waiting for
    // their request close.
    std::lock_guard lock(FWorkersLock);
    FStopping = true;
    for (auto& worker : FWorkers) {
      std::lock_guard current(worker->Lock);
      if (worker->Current) worker->Current->Disconnect();
    }
    for (TWorker* benched : FBenched) benched->Called.Call();
    FBenched.clear();
    if (FReady) FReady->Wake();
  }
  {
    std::lock_guard lock(FParkedLock);
    while (!FParked.empty()) CloseParked(FParked.begin()->first);
  }
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
  FReady.reset();
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

void TCustomTCPServer::StartWorker() {
  auto worker = std::make_unique<TWorker>();
  TWorker& ref = *worker;
  FWorkers.reserve(FWorkers.size() + 1);  // once the thread runs, adding it cannot fail
  ref.Thread = std::thread([this, &ref] { WorkerRun(ref); });
  FWorkers.push_back(std::move(worker));
}

void TCustomTCPServer::WorkerRun(TWorker& worker) {
  SetCurrentThreadName("Scheduler User");
  WaitAndServe(worker);
  std::vector<std::unique_ptr<TWorker>> earlier;
  {
    // The thread hands itself over to be joined, and joins those that ended before it, so that
    // an ended thread's stack is not kept until the next stop.
    std::lock_guard lock(FWorkersLock);
    if (!FStopping) earlier.swap(FFinished);
    auto self =
        std::find_if(FWorkers.begin(), FWorkers.end(), [&](auto& w) { return w.get() == &worker; });
    FFinished.push_back(std::move(*self));
    FWorkers.erase(self);
  }
  FWorkerEnded.notify_all();
  Join(earlier);
}

// A thread called from the bench goes on at once, without taking the lock again.
bool TCustomTCPServer::WaitOnBench(TWorker& worker) {
  {
    std::lock_guard lock(FWorkersLock);
    if (FStopping || FWaiting < kMaxWaiting) return true;
    if (FBenched.size() >= size_t(kMaxIdle)) return false;
    FBenched.push_back(&worker);
  }
  worker.Called.Wait();
  return true;
}

void TCustomTCPServer::KeepSomeoneWaiting() {
  std::vector<std::unique_ptr<TWorker>> ended;
  {
    std::lock_guard lock(FWorkersLock);
    if (FStopping) return;
    if (!FBenched.empty()) {
      FBenched.back()->Called.Call();
      FBenched.pop_back();
      return;
    }
    // Out of threads, this one serves and waits again afterwards: the ready set keeps what
    // arrives meanwhile.
    try {
      StartWorker();
    } catch (...) {
    }
    ended.swap(FFinished);
  }
  Join(ended);
}

// The path of a connection takes no lock shared by all threads unless it has to wait for its
// request: under load, threads would otherwise queue on it between two connections.
void TCustomTCPServer::WaitAndServe(TWorker& worker) {
  for (;;) {
    if (FStopping) return;
    if (FWaiting >= kMaxWaiting) {
      if (!WaitOnBench(worker)) return;
      continue;
    }
    ++FWaiting;
    uint64_t key = 0;
    TReadySet::TEvent event = FReady->Wait(key);
    std::unique_ptr<TConnection> connection;
    bool fresh = event == TReadySet::TEvent::eReady && key < FBindings.size();
    if (fresh) connection = AcceptOne(size_t(key));
    // Most clients send their request only after the connection is made; such a connection
    // waits without a thread.
    bool begun = connection && connection->ReadArrived();
    // The request to come is answered at once: the answer can carry its acknowledgement, one
    // packet less for both ends.
    if (connection && !begun) AcknowledgeWithAnswer(connection->Socket());
    if (connection && !begun && FRunning.load() == 0) begun = ReadSoon(*connection);
    bool alone = --FWaiting == 0;
    if (FStopping || event == TReadySet::TEvent::eWoken) return;
    if (event == TReadySet::TEvent::eAlarm) {
      std::lock_guard lock(FParkedLock);
      ExpireParked();
      continue;
    }
    if (fresh) {
      if (!connection) continue;
      if (FRunning.fetch_add(1) >= HTTPLimits().MaxConnections) {
        --FRunning;
        Refuse(connection->Socket());
        continue;
      }
      if (!begun) {
        std::lock_guard lock(FParkedLock);
        if (Park(connection)) continue;
      }
    } else {
      std::lock_guard lock(FParkedLock);
      connection = Unpark(key);
      if (!connection) continue;  // expired meanwhile
    }
    // Someone must wait while this thread serves.
    if (alone) KeepSomeoneWaiting();
    {
      // A stop sets FStopping before it looks at Current: one of the two sees the other.
      std::lock_guard lock(worker.Lock);
      if (FStopping) {
        --FRunning;
        return;
      }
      worker.Current = connection.get();
    }
    Serve(worker, *connection);
  }
}

// A client alone usually sends its request a few microseconds after its connection is made.
// With no other connection to serve, looking again for that long costs nothing, and saves the
// parking and a second wake-up: one request at a time went about 15% faster.
bool TCustomTCPServer::ReadSoon(TConnection& connection) {
  auto until = std::chrono::steady_clock::now() + kSoon;
  while (!connection.ReadArrived())
    if (std::chrono::steady_clock::now() >= until) return false;
  return true;
}

std::unique_ptr<TConnection> TCustomTCPServer::AcceptOne(size_t binding) {
  const TSocket& listening = FBindings[binding].Socket;
  TSocketResult r;
  std::string peer;
  TSocket accepted = Accept(listening, r, &peer);
  // A failed accept ends only this attempt; a shortage, or a failure of the listening socket
  // itself, also pauses the binding.
  if (!r.Ok() && (IsResourceShortage(r.Error) || !IsTransientAcceptError(r.Error)))
    std::this_thread::sleep_for(kShortageBackOff);
  FReady->Rearm(listening, binding);
  if (!r.Ok()) return nullptr;
  return std::make_unique<TConnection>(std::move(accepted), std::move(peer), FPorts[binding]);
}

bool TCustomTCPServer::Park(std::unique_ptr<TConnection>& connection) {
  if (FStopping) return false;  // a stop has closed those waiting already
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(std::max(1, HTTPLimits().IdleTimeoutMs.load()));
  uint64_t key = FNextKey++;
  // Out of room in the set, the connection is served on this thread as it is.
  if (!FReady->Add(connection->Socket(), key).Ok()) return false;
  FParked.emplace(key, TParked{std::move(connection), deadline});
  FDeadlines.emplace(deadline, key);
  SetAlarmFor(deadline);
  return true;
}

std::unique_ptr<TConnection> TCustomTCPServer::Unpark(uint64_t key) {
  auto parked = FParked.find(key);
  if (parked == FParked.end()) return nullptr;
  std::unique_ptr<TConnection> connection = std::move(parked->second.Connection);
  FDeadlines.erase({parked->second.Deadline, key});
  FParked.erase(parked);
  return connection;
}

void TCustomTCPServer::SetAlarmFor(std::chrono::steady_clock::time_point deadline) {
  if (deadline >= FAlarm) return;
  FAlarm = deadline;
  auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  FReady->SetAlarm(int(std::max<int64_t>(0, left.count())));
}

void TCustomTCPServer::ExpireParked() {
  FAlarm = std::chrono::steady_clock::time_point::max();  // it has rung
  auto now = std::chrono::steady_clock::now();
  while (!FDeadlines.empty() && FDeadlines.begin()->first <= now)
    CloseParked(FDeadlines.begin()->second);
  if (!FDeadlines.empty()) SetAlarmFor(FDeadlines.begin()->first);
}

// It has sent nothing, so closing ends it in order.
void TCustomTCPServer::CloseParked(uint64_t key) {
  std::unique_ptr<TConnection> connection = Unpark(key);
  FReady->Remove(connection->Socket());
  --FRunning;
}

void TCustomTCPServer::Serve(TWorker& worker, TConnection& connection) {
  try {
    DoExecute(connection);
  } catch (...) {
    // Nothing handles connection errors: the connection simply ends.
  }
  if (!connection.Aborted()) connection.CloseGracefully();
  {
    std::lock_guard lock(worker.Lock);
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

#include "http/TCustomTCPServer.h"

#include <chrono>

#include "base/Exceptions.h"
#include "http/THTTPLimits.h"
#include "platform/TSystem.h"

namespace quillara {

using namespace platform;

namespace {

const char* const kBindMessage = "Could not bind socket. Address and port are already in use.";
// Out of descriptors or threads, accepting again at once would fail again at once: the pause
// keeps the listener from spinning while the running connections end and free them.
constexpr auto kShortageBackOff = std::chrono::milliseconds(100);

ESocketError SocketError(int error) {
  return ESocketError(
      FormatMessage("Socket Error # %d\r\n%s", {std::to_string(error), SocketErrorText(error)}));
}

}  // namespace

void TConnection::CloseGracefully() {
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

TCustomTCPServer::~TCustomTCPServer() { Stop(); }

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
    if (IPv6Offered()) FBindings.push_back({"", FDefaultPort, TIPVersion::ivIPv6, true, FUseNagle, {}});
  }
  try {
    for (TSocketHandle& binding : FBindings) {
      TSocketResult r;
      binding.Socket = CreateStreamSocket(binding.IPVersion, r);
      if (r.Ok()) r = PrepareListening(binding.Socket, binding.IPVersion, binding.UseNagle);
      if (!r.Ok()) throw SocketError(r.Error);
      // Whatever the reason the platform gives, a failed bind reads as a taken port.
      if (!BindAny(binding.Socket, binding.IPVersion, binding.Port).Ok()) throw ESocketError(kBindMessage);
    }
    for (size_t i = 0; i < FBindings.size(); ++i) {
      TSocketResult r = Listen(FBindings[i].Socket, FListenQueue);
      if (!r.Ok()) throw SocketError(r.Error);
      auto listener = std::make_unique<TListener>();
      TListener& ref = *listener;
      {
        std::lock_guard lock(FListenersLock);
        FListeners.push_back(std::move(listener));
      }
      ref.Thread = std::thread([this, i, &ref] { ListenerRun(i, ref); });
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
  std::vector<std::unique_ptr<TListener>> listeners;
  {
    std::lock_guard lock(FListenersLock);
    listeners.swap(FListeners);
  }
  // The listener notices within one poll; its socket is closed once it no longer polls it.
  for (auto& listener : listeners) listener->StopRequested = true;
  for (size_t i = 0; i < listeners.size(); ++i) {
    if (listeners[i]->Thread.joinable()) listeners[i]->Thread.join();
    if (i < FBindings.size()) FBindings[i].Socket.Close();
  }
  for (TSocketHandle& binding : FBindings) binding.Socket.Close();

  std::vector<std::unique_ptr<TConnectionContext>> contexts;
  {
    std::lock_guard lock(FContextsLock);
    for (auto& context : FContexts) context->Connection->Disconnect();
    contexts.swap(FContexts);
  }
  for (auto& context : contexts)
    if (context->Thread.joinable()) context->Thread.join();
}

uint16_t TCustomTCPServer::BoundPort(size_t binding) const {
  if (!FActive || binding >= FBindings.size()) return 0;
  return LocalPort(FBindings[binding].Socket);
}

size_t TCustomTCPServer::LiveConnectionCount() const {
  std::lock_guard lock(FContextsLock);
  size_t n = 0;
  for (auto& context : FContexts) n += context->Finished ? 0 : 1;
  return n;
}

void TCustomTCPServer::ListenerRun(size_t binding, TListener& listener) {
  SetCurrentThreadName(" Listener #" + std::to_string(binding + 1));
  const TSocket& socket = FBindings[binding].Socket;
  while (!listener.StopRequested) {
    ReapFinishedConnections();
    int ready = WaitReadable(socket, 250);
    if (listener.StopRequested) break;
    if (ready <= 0) continue;
    TSocketResult r;
    TSocket accepted = Accept(socket, r);
    if (!r.Ok()) {
      // A failed accept ends only this attempt; a shortage also pauses the listener.
      if (IsResourceShortage(r.Error)) std::this_thread::sleep_for(kShortageBackOff);
      continue;
    }
    if (FRunning >= HTTPLimits().MaxConnections) {
      Refuse(std::move(accepted));
      continue;
    }
    try {
      auto context = std::make_unique<TConnectionContext>();
      context->Connection = std::make_unique<TConnection>(std::move(accepted));
      std::lock_guard lock(FContextsLock);
      FContexts.reserve(FContexts.size() + 1);  // once the thread runs, adding it cannot fail
      TConnectionContext* running = context.get();
      ++FRunning;
      try {
        context->Thread = std::thread([this, running] { ConnectionRun(*running); });
      } catch (...) {
        --FRunning;
        throw;
      }
      FContexts.push_back(std::move(context));
    } catch (...) {
      // Out of threads or memory: this connection is dropped (closed with its context), the
      // listener pauses and carries on.
      std::this_thread::sleep_for(kShortageBackOff);
    }
  }
}

// Answered and closed on the listener's thread without waiting: the answer is short and the
// socket new, so it fits the send buffer. Request bytes already there are read first, so that
// closing does not reset the connection before the peer has read the answer.
void TCustomTCPServer::Refuse(TSocket socket) const {
  std::string answer = BusyAnswer();
  if (!answer.empty()) SendNoWait(socket, answer.data(), answer.size());
  DiscardWaiting(socket);
  ShutdownSend(socket);
}

void TCustomTCPServer::ConnectionRun(TConnectionContext& context) {
  SetCurrentThreadName("Scheduler User");
  try {
    DoExecute(*context.Connection);
  } catch (...) {
    // Nothing handles connection errors: the connection simply ends.
  }
  if (!context.Connection->Aborted()) context.Connection->CloseGracefully();
  {
    // Closed now rather than when reaped, so the descriptor is free at once; under the lock
    // because a stop may be disconnecting it meanwhile.
    std::lock_guard lock(FContextsLock);
    context.Connection->Close();
  }
  --FRunning;
  context.Finished = true;
}

void TCustomTCPServer::ReapFinishedConnections() {
  std::vector<std::unique_ptr<TConnectionContext>> finished;
  {
    std::lock_guard lock(FContextsLock);
    for (auto it = FContexts.begin(); it != FContexts.end();) {
      if ((*it)->Finished) {
        finished.push_back(std::move(*it));
        it = FContexts.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& context : finished) context->Thread.join();
}

}  // namespace quillara

#include "rest/TDSSessionManager.h"

#include <algorithm>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "platform/TSystem.h"

namespace quillara {

using Clock = std::chrono::steady_clock;

namespace {

thread_local std::shared_ptr<TDSSession> tCurrentSession;

int64_t Elapsed(Clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

}  // namespace

TDSSession::~TDSSession() = default;

TDSSessionStatus TDSSession::Status() {
  std::lock_guard lock(FLock);
  bool live = FStatus == TDSSessionStatus::Active || FStatus == TDSSessionStatus::Idle ||
              FStatus == TDSSessionStatus::Connected;
  if (live && FDuration > 0 && Elapsed(FLastActivity) > FDuration)
    FStatus = TDSSessionStatus::Expired;
  return FStatus;
}

void TDSSession::SetStatus(TDSSessionStatus status) {
  std::lock_guard lock(FLock);
  FStatus = status;
}

void TDSSession::MarkActivity() {
  std::lock_guard lock(FLock);
  FStatus = TDSSessionStatus::Active;
  FLastActivity = Clock::now();
}

int64_t TDSSession::ExpiresIn() const {
  std::lock_guard lock(FLock);
  int64_t idle = Elapsed(FLastActivity);
  return idle >= FDuration ? 0 : FDuration - idle;
}

bool TDSSession::InactiveTooLong() const {
  std::lock_guard lock(FLock);
  return FDuration > 0 && Elapsed(FLastActivity) > FDuration;
}

void TDSSession::PutData(const std::string& key, const std::string& value) {
  std::lock_guard lock(FLock);
  std::string name = LowerAscii(key);
  for (auto& item : FData)
    if (item.first == name) {
      item.second = value;
      return;
    }
  FData.emplace_back(std::move(name), value);
}

std::string TDSSession::GetData(const std::string& key) const {
  std::lock_guard lock(FLock);
  std::string name = LowerAscii(key);
  for (const auto& item : FData)
    if (item.first == name) return item.second;
  return "";
}

std::shared_ptr<TDSSessionCache> TDSSession::Cache() {
  std::lock_guard lock(FLock);
  if (!FCache) FCache = std::make_shared<TDSSessionCache>();
  return FCache;
}

void TDSSession::ClearCache() {
  std::shared_ptr<TDSSessionCache> cache;
  {
    std::lock_guard lock(FLock);
    cache = std::move(FCache);
  }
  // freed outside the lock; a request still reading an item keeps that item alive
}

void TDSSession::SetLastResult(std::shared_ptr<void> result) {
  std::shared_ptr<void> old;
  {
    std::lock_guard lock(FLock);
    old = std::move(FLastResult);
    FLastResult = std::move(result);
  }
  // released outside the lock; a request still sending it keeps its own reference
}

int TDSSessionCache::Add(std::shared_ptr<TDSCacheItem> item) {
  std::lock_guard lock(FLock);
  int id = FItems.empty() ? 0 : FItems.rbegin()->first + 1;
  FItems[id] = std::move(item);
  return id;
}

std::shared_ptr<TDSCacheItem> TDSSessionCache::Get(int id) const {
  std::lock_guard lock(FLock);
  auto it = FItems.find(id);
  return it == FItems.end() ? nullptr : it->second;
}

void TDSSessionCache::Remove(int id) {
  std::lock_guard lock(FLock);
  FItems.erase(id);
}

void TDSSessionCache::Clear() {
  std::lock_guard lock(FLock);
  FItems.clear();
}

std::vector<std::pair<int, std::shared_ptr<TDSCacheItem>>> TDSSessionCache::Items() const {
  std::lock_guard lock(FLock);
  return {FItems.begin(), FItems.end()};
}

int TDSSessionManager::AddSessionEvent(TSessionListener listener) {
  std::lock_guard lock(FListenersLock);
  FListeners[++FNextListener] = std::move(listener);
  return FNextListener;
}

void TDSSessionManager::RemoveSessionEvent(int id) {
  std::lock_guard lock(FListenersLock);
  FListeners.erase(id);
}

void TDSSessionManager::Notify(TSessionEvent event, TDSSession& session) {
  std::vector<int> ids;
  {
    std::lock_guard lock(FListenersLock);
    for (auto& [id, listener] : FListeners) ids.push_back(id);
  }
  for (int id : ids) {
    TSessionListener listener;
    {
      std::lock_guard lock(FListenersLock);
      auto it = FListeners.find(id);
      if (it == FListeners.end()) continue;  // unregistered meanwhile
      listener = it->second;
    }
    try {
      listener(event, session);
    } catch (...) {
    }
  }
}

TDSSessionManager& TDSSessionManager::Instance() {
  static TDSSessionManager manager;
  return manager;
}

TDSSessionManager::~TDSSessionManager() {
  TerminateAllSessions();
  {
    std::lock_guard lock(FSchedulerLock);
    FStopping = true;
  }
  FSchedulerWake.notify_all();
  if (FScheduler.joinable()) FScheduler.join();
}

uint64_t TDSSessionManager::NewKey() {
  // Drawn from the kernel's cryptographic generator: an id must not be guessable from others.
  auto part = [] {
    for (;;) {
      uint32_t r = 0;
      if (!platform::SecureRandom(&r, sizeof r)) continue;
      if (r < 4294000000u) return r % 1000000;  // no bias towards small numbers
    }
  };
  for (;;) {
    uint32_t a = part(), b = part(), c = part();
    uint64_t key = TDSSessionTable::KeyOf(a, b, c);
    if (!FSessions.Find(key)) return key;
  }
}

TDSSessionManager::TLoadResult TDSSessionManager::LoadRESTSession(
    const std::string& sessionId, const std::string& userName, int64_t timeoutMs,
    const std::map<std::string, std::string>& data) {
  SetCurrentSession(nullptr);
  if (!sessionId.empty()) {
    std::shared_ptr<TDSSession> session;
    {
      std::lock_guard lock(FLock);
      std::shared_ptr<TDSSession>* entry = FSessions.Find(TDSSessionTable::KeyOf(sessionId));
      if (!entry) return {};
      session = *entry;
      if (FByUse.Last != session.get()) {
        FByUse.Unlink(*session);
        FByUse.Append(*session);
      }
    }
    if (!session->IsValid()) return {};
    session->MarkActivity();
    SetCurrentSession(session);
    return {true, false};
  }
  std::shared_ptr<TDSSession> session;
  std::shared_ptr<TDSSession> evicted;            // nearly always the only one
  std::vector<std::shared_ptr<TDSSession>> more;  // when the bound was lowered
  {
    std::lock_guard lock(FLock);
    // A flood of calls without session id must not fill the memory: past the bound the sessions
    // unused longest end first. One a request is using right now is passed over when possible.
    while (FSessions.Size() >= FMaxSessions && FByUse.First) {
      TDSSession* oldest = FByUse.First;
      for (int tries = 0;
           tries < 8 && FSessions.Find(oldest->FKey)->use_count() != 1 && oldest->FNewer; ++tries)
        oldest = oldest->FNewer;
      FByUse.Unlink(*oldest);
      if (evicted) more.push_back(std::move(evicted));
      evicted = FSessions.Erase(oldest->FKey);
    }
    uint64_t key = NewKey();
    session = std::make_shared<TDSSession>(TDSSessionTable::IdOf(key));
    session->FKey = key;
    session->UserName = userName;
    session->FData.reserve(data.size());
    for (const auto& [name, value] : data)
      if (!value.empty() || name != "RemoteIP") session->PutData(name, value);
    session->SetDuration(timeoutMs);
    FSessions.Insert(key, session);
    FByUse.Append(*session);
  }
  if (evicted) more.push_back(std::move(evicted));
  for (auto& old : more) {
    old->SetStatus(TDSSessionStatus::Terminated);
    Finish(*old, false);
  }
  Notify(TSessionEvent::Created, *session);
  if (timeoutMs > 0) Schedule(*session, timeoutMs);
  SetCurrentSession(session);
  return {true, true};
}

std::shared_ptr<TDSSession> TDSSessionManager::GetSession(const std::string& id) {
  std::lock_guard lock(FLock);
  std::shared_ptr<TDSSession>* entry = FSessions.Find(TDSSessionTable::KeyOf(id));
  return entry ? *entry : nullptr;
}

std::shared_ptr<TDSSession> TDSSessionManager::Remove(const std::string& id) {
  std::lock_guard lock(FLock);
  std::shared_ptr<TDSSession> session = FSessions.Erase(TDSSessionTable::KeyOf(id));
  if (session) FByUse.Unlink(*session);
  return session;
}

size_t TDSSessionManager::MaxSessions() {
  std::lock_guard lock(FLock);
  return FMaxSessions;
}

void TDSSessionManager::SetMaxSessions(size_t count) {
  std::lock_guard lock(FLock);
  FMaxSessions = std::max<size_t>(1, count);
}

// Ends a session taken out of the map; a request still using it keeps the object alive.
void TDSSessionManager::Finish(TDSSession& session, bool notifyFirst) {
  Cancel(session);
  if (notifyFirst) Notify(TSessionEvent::Closed, session);
  session.SetStatus(TDSSessionStatus::Closed);
  if (!notifyFirst) Notify(TSessionEvent::Closed, session);
  session.SetLastResult(nullptr);
  session.ClearCache();
}

void TDSSessionManager::CloseSession(const std::string& id) {
  if (auto session = Remove(id)) Finish(*session, true);
}

void TDSSessionManager::TerminateSession(const std::string& id) {
  if (auto session = Remove(id)) Finish(*session, false);
}

void TDSSessionManager::TerminateAllSessions() {
  std::vector<std::shared_ptr<TDSSession>> all;
  {
    std::lock_guard lock(FLock);
    all = FSessions.TakeAll();
    for (auto& session : all) session->FOlder = session->FNewer = nullptr;
    FByUse = {};
  }
  {
    std::lock_guard lock(FSchedulerLock);  // every pending check goes at once
    for (auto& [wait, queue] : FTasks)
      for (TDSSession* task = queue.First; task; task = task->FLaterTask) task->FScheduled = false;
    FTasks.clear();
  }
  for (auto& session : all) Finish(*session, false);
}

size_t TDSSessionManager::Count() {
  std::lock_guard lock(FLock);
  return FSessions.Size();
}

std::shared_ptr<TDSSession> TDSSessionManager::CurrentSession() {
  return tCurrentSession;
}

void TDSSessionManager::SetCurrentSession(std::shared_ptr<TDSSession> session) {
  tCurrentSession = std::move(session);
}

void TDSSessionManager::Schedule(TDSSession& session, int64_t afterMs) {
  std::lock_guard lock(FSchedulerLock);
  if (FStopping || session.FEnded) return;
  if (session.FScheduled) Dequeue(session);
  // read under the lock, so that a queue's due times never go back
  session.FDue = Clock::now() + std::chrono::milliseconds(afterMs);
  session.FWait = afterMs;
  session.FScheduled = true;
  auto& queue = FTasks[afterMs];
  queue.Append(session);
  if (!FScheduler.joinable()) FScheduler = std::thread([this] { SchedulerRun(); });
  // a check behind another one of its queue is never the earliest
  if (queue.First == &session) FSchedulerWake.notify_all();
}

void TDSSessionManager::Dequeue(TDSSession& session) {
  auto queue = FTasks.find(session.FWait);
  queue->second.Unlink(session);
  session.FScheduled = false;
  if (!queue->second.First) FTasks.erase(queue);
}

// The scheduler may be about to check the session again, having found it before it was taken
// out: once ended, it is not queued again, as it would outlive its place in the queue.
void TDSSessionManager::Cancel(TDSSession& session) {
  std::lock_guard lock(FSchedulerLock);
  session.FEnded = true;
  if (session.FScheduled) Dequeue(session);
}

void TDSSessionManager::SchedulerRun() {
  platform::SetCurrentThreadName("DBXSchedulerThread");
  std::unique_lock lock(FSchedulerLock);
  while (!FStopping) {
    if (FTasks.empty()) {
      FSchedulerWake.wait(lock);
      continue;
    }
    TDSSession* dueSession = nullptr;
    for (auto& [wait, queue] : FTasks)
      if (!dueSession || queue.First->FDue < dueSession->FDue) dueSession = queue.First;
    auto due = dueSession->FDue;
    if (Clock::now() < due) {
      FSchedulerWake.wait_until(lock, due);
      continue;
    }
    // The session lives while its check is pending (finishing it cancels the check first), so
    // its name can be read here; after the unlock only the registry is asked for it.
    std::string id = dueSession->SessionName();
    Dequeue(*dueSession);
    lock.unlock();
    try {
      std::shared_ptr<TDSSession> session = GetSession(id);
      if (session) {
        if (session->InactiveTooLong()) {
          session->SetStatus(TDSSessionStatus::Terminated);
          TerminateSession(id);
        } else {
          Schedule(*session, session->Duration());
        }
      }
    } catch (...) {
      // a failing check is dropped
    }
    lock.lock();
  }
}

}  // namespace quillara

#pragma once
// The sessions of REST clients: one process-wide registry, ids in the "Pragma" header,
// inactivity expiry checked on read and by a scheduler thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/Text.h"
#include "rest/TDSServer.h"
#include "rest/TDSSessionTable.h"
#include "rest/TDSStreams.h"

namespace quillara {

enum class TDSSessionStatus { Active, Closed, Idle, Terminated, Connected, Expired };

// Results kept for clients that ask for cached results: per cache id the commands of one call,
// per command the values kept, each with its declared type.
struct TDSCachedValue {
  TDSParameterInfo Parameter;
  TDSValue Value;  // null for a stream, which is kept as its snapshot
  std::shared_ptr<const TDSStreamSnapshot> Snapshot;
};
struct TDSCacheItem {
  std::vector<std::vector<TDSCachedValue>> Commands;
};

class TDSSessionCache {
 public:
  // Adds an item under one more than the highest id present (0 when empty).
  int Add(std::shared_ptr<TDSCacheItem> item);
  std::shared_ptr<TDSCacheItem> Get(int id) const;
  void Remove(int id);
  void Clear();
  std::vector<std::pair<int, std::shared_ptr<TDSCacheItem>>> Items() const;

 private:
  mutable std::mutex FLock;
  std::map<int, std::shared_ptr<TDSCacheItem>> FItems;
};

class TDSSession {
 public:
  explicit TDSSession(std::string name) : FSessionName(std::move(name)) {}
  ~TDSSession();
  const std::string& SessionName() const { return FSessionName; }
  // The status as read now: an active session past its duration reads as Expired.
  TDSSessionStatus Status();
  void SetStatus(TDSSessionStatus status);
  bool IsValid() {
    TDSSessionStatus status = Status();
    return status == TDSSessionStatus::Active || status == TDSSessionStatus::Idle ||
           status == TDSSessionStatus::Connected;
  }
  void MarkActivity();
  int64_t Duration() const { return FDuration; }
  void SetDuration(int64_t ms) { FDuration = ms; }
  // Milliseconds left before the session expires, 0 when it has.
  int64_t ExpiresIn() const;
  bool InactiveTooLong() const;
  std::string UserName;
  void PutData(const std::string& key, const std::string& value);
  std::string GetData(const std::string& key) const;
  // The answer of the previous call that had to outlive its request; replacing it releases the
  // old one.
  void SetLastResult(std::shared_ptr<void> result);
  // Made at the first use: most sessions never cache anything. A request holds it while it uses
  // it, even if the session ends meanwhile.
  std::shared_ptr<TDSSessionCache> Cache();
  // Drops the cached results, if any.
  void ClearCache();

 private:
  friend class TDSSessionManager;
  std::string FSessionName;
  mutable std::mutex FLock;
  TDSSessionStatus FStatus = TDSSessionStatus::Idle;
  int64_t FDuration = 0;
  std::chrono::steady_clock::time_point FLastActivity = std::chrono::steady_clock::now();
  // A handful of items: a list costs a fraction of a tree's nodes.
  std::vector<std::pair<std::string, std::string>> FData;
  std::shared_ptr<void> FLastResult;
  std::shared_ptr<TDSSessionCache> FCache;
  // Its key in the manager's table and its place in the order of use, linked through the
  // sessions themselves (guarded by the manager's lock).
  uint64_t FKey = 0;
  TDSSession* FOlder = nullptr;
  TDSSession* FNewer = nullptr;
  // Its pending check, if it has one, in the queue of checks made after the same wait (guarded
  // by the scheduler's lock).
  bool FScheduled = false;
  bool FEnded = false;  // finished: a check made again by the scheduler meanwhile is dropped
  int64_t FWait = 0;
  std::chrono::steady_clock::time_point FDue;
  TDSSession* FEarlierTask = nullptr;
  TDSSession* FLaterTask = nullptr;
};

// A list linked through two pointers of the sessions themselves: adding and taking out one
// allocates and searches nothing. Used under the lock that guards those pointers.
template <TDSSession* TDSSession::*Before, TDSSession* TDSSession::*After>
struct TSessionList {
  TDSSession* First = nullptr;
  TDSSession* Last = nullptr;
  void Append(TDSSession& session) {
    session.*Before = Last;
    session.*After = nullptr;
    (Last ? Last->*After : First) = &session;
    Last = &session;
  }
  void Unlink(TDSSession& session) {
    (session.*Before ? session.*Before->*After : First) = session.*After;
    (session.*After ? session.*After->*Before : Last) = session.*Before;
    session.*Before = session.*After = nullptr;
  }
};

class TDSSessionManager {
 public:
  static TDSSessionManager& Instance();
  ~TDSSessionManager();

  struct TLoadResult {
    bool Ok = false;
    bool Created = false;
  };
  // With an id: that session if it is still valid. Without: a new session with the data items
  // of the request. The thread's current session is set on success.
  TLoadResult LoadRESTSession(const std::string& sessionId, const std::string& userName,
                              int64_t timeoutMs, const std::map<std::string, std::string>& data);
  std::shared_ptr<TDSSession> GetSession(const std::string& id);
  // At most this many sessions are kept: past it, a new session ends the one unused longest.
  static constexpr size_t kMaxSessions = 100000;
  size_t MaxSessions();
  void SetMaxSessions(size_t count);
  void CloseSession(const std::string& id);
  void TerminateSession(const std::string& id);
  void TerminateAllSessions();
  size_t Count();

  enum class TSessionEvent { Created, Closed };
  using TSessionListener = std::function<void(TSessionEvent, TDSSession&)>;
  // Receivers are called only while still registered; their exceptions are ignored.
  int AddSessionEvent(TSessionListener listener);
  void RemoveSessionEvent(int id);

  // The session of the request running on this thread; a request keeps it alive while it runs.
  static std::shared_ptr<TDSSession> CurrentSession();
  static void SetCurrentSession(std::shared_ptr<TDSSession> session);

 private:
  TDSSessionManager() = default;
  uint64_t NewKey();
  void Schedule(TDSSession& session, int64_t afterMs);
  void Cancel(TDSSession& session);
  void Dequeue(TDSSession& session);
  void SchedulerRun();

  void Notify(TSessionEvent event, TDSSession& session);
  std::shared_ptr<TDSSession> Remove(const std::string& id);
  void Finish(TDSSession& session, bool notifyFirst);

  std::recursive_mutex FLock;
  TDSSessionTable FSessions;
  // From the session unused longest to the one used last.
  TSessionList<&TDSSession::FOlder, &TDSSession::FNewer> FByUse;
  size_t FMaxSessions = kMaxSessions;
  std::mutex FListenersLock;
  std::map<int, TSessionListener> FListeners;
  int FNextListener = 0;

  // the scheduler: due time per session, one thread ("DBXSchedulerThread") created on first need
  std::mutex FSchedulerLock;
  std::condition_variable FSchedulerWake;
  // Pending checks, a queue per wait: checks made after the same wait fall due in the order they
  // were made, so a queue stays in order by itself and a check is added or taken out without a
  // search (a busy server holds many thousands of sessions, and only a few waits are in use).
  // A session is in here only until it is finished, which cancels its check first.
  std::map<int64_t, TSessionList<&TDSSession::FEarlierTask, &TDSSession::FLaterTask>> FTasks;
  std::thread FScheduler;
  bool FStopping = false;
};

}  // namespace quillara

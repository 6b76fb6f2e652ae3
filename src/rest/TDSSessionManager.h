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
#include <thread>

#include "base/Text.h"

namespace quillara {

enum class TDSSessionStatus { Active, Closed, Idle, Terminated, Connected, Expired };

class TDSSession {
 public:
  explicit TDSSession(std::string name) : FSessionName(std::move(name)) {}
  ~TDSSession();
  const std::string& SessionName() const { return FSessionName; }
  // The status as read now: an active session past its duration reads as Expired.
  TDSSessionStatus Status();
  void SetStatus(TDSSessionStatus status);
  bool IsValid() { return Status() == TDSSessionStatus::Active || Status() == TDSSessionStatus::Idle ||
                          Status() == TDSSessionStatus::Connected; }
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

 private:
  std::string FSessionName;
  mutable std::mutex FLock;
  TDSSessionStatus FStatus = TDSSessionStatus::Idle;
  int64_t FDuration = 0;
  std::chrono::steady_clock::time_point FLastActivity = std::chrono::steady_clock::now();
  std::map<std::string, std::string> FData;
  std::shared_ptr<void> FLastResult;
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
  TLoadResult LoadRESTSession(const std::string& sessionId, const std::string& userName, int64_t timeoutMs,
                              const std::map<std::string, std::string>& data);
  std::shared_ptr<TDSSession> GetSession(const std::string& id);
  void CloseSession(const std::string& id);
  void TerminateSession(const std::string& id);
  void TerminateAllSessions();
  size_t Count();

  // The session of the request running on this thread; a request keeps it alive while it runs.
  static std::shared_ptr<TDSSession> CurrentSession();
  static void SetCurrentSession(std::shared_ptr<TDSSession> session);

 private:
  TDSSessionManager() = default;
  std::string NewId();
  void Schedule(const std::string& id, int64_t afterMs);
  void Cancel(const std::string& id);
  void SchedulerRun();

  std::recursive_mutex FLock;
  std::map<std::string, std::shared_ptr<TDSSession>> FSessions;

  // the scheduler: due time per session, one thread ("DBXSchedulerThread") created on first need
  std::mutex FSchedulerLock;
  std::condition_variable FSchedulerWake;
  std::multimap<std::chrono::steady_clock::time_point, std::string> FTasks;
  std::thread FScheduler;
  bool FStopping = false;
};

}  // namespace quillara

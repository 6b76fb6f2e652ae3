#pragma once
// An append-only text file for logs, or standard output, written in whole lines.
#include <string>

namespace quillara::platform {

class TLogFile {
 public:
  // An empty name is standard output. Fails with std::runtime_error when the file cannot be
  // opened for appending.
  explicit TLogFile(std::string fileName);
  ~TLogFile();
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  // Writes the lines whole (a line never mixes with another writer's output of whole lines).
  void Write(const std::string& lines);
  // Opens the file by its name again, after log rotation has moved the old one away. Keeps the
  // old file when the new one cannot be opened.
  void Reopen();

 private:
  std::string FFileName;
  int FHandle = 1;
};

// SIGHUP asks the logs to reopen their files, as log rotation expects, instead of ending the
// process. TakeReopenRequest tells once whether it came since the last call.
void WatchReopenSignal();
bool TakeReopenRequest();

}  // namespace quillara::platform

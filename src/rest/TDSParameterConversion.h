#pragma once
// A call's inputs from its path segments and its JSON request body.
#include <cstddef>
#include <string>
#include <vector>

#include "rest/TDSServer.h"

namespace quillara {

// The most memory the JSON tree of one request body may take; a body whose tree would pass it
// is refused (an array of one-digit numbers takes about 56 bytes of tree per input byte).
constexpr size_t kMaxBodyTreeBytes = size_t(64) << 20;
// ...and all request bodies being served together, so that parallel requests cannot add up.
constexpr size_t kMaxBodyTreeBytesTotal = size_t(256) << 20;

// A share of the process-wide bound on body trees, held while the call's inputs live.
class TTreeReservation {
 public:
  TTreeReservation() = default;
  TTreeReservation(const TTreeReservation&) = delete;
  TTreeReservation& operator=(const TTreeReservation&) = delete;
  ~TTreeReservation();
  // Holds up to `wanted` bytes of the process-wide bound (less when others hold the rest);
  // returns what it holds.
  size_t Reserve(size_t wanted);
  // Gives back what the tree did not need.
  void KeepOnly(size_t bytes);
  size_t Bytes() const { return FBytes; }
  // Bytes held by all reservations alive now.
  static size_t TotalBytes();

 private:
  size_t FBytes = 0;
};

// Fills the in and in/out values from the segments first, then from the body; fails with the
// conversion messages, and when segments are left over.
void FillInputs(TTreeReservation& reservation, const std::string& methodName,
                const std::vector<std::string>& segments, const std::string& body,
                const std::vector<TDSParameterInfo>& declared, std::vector<TDSValue>& values);

}  // namespace quillara

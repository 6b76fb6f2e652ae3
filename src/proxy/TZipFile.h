#pragma once
// Zip archives of a folder (PKWARE APPNOTE, without ZIP64 and encryption): raw deflate
// entries with UTF-8 names, local headers completed in place, then the central directory.
#include <cstdint>
#include <string>

#include "base/Exceptions.h"

namespace quillara {

class EZipException : public Exception {
  using Exception::Exception;
};

enum class TZipCompression { zcDeflate };

// What the 32-bit format can hold. The all-ones values announce ZIP64 records to readers, so
// they are not used for real sizes, offsets or counts.
struct TZipLimits {
  uint64_t MaxFieldValue = 0xFFFFFFFEull;
  size_t MaxEntries = 0xFFFE;
};

class TZipFile {
 public:
  // Every file below path, depth first in enumeration order; folders get no entries. Fails
  // with "The specified path was not found", "Cannot open file "%s". %s", "Cannot create
  // file "%s". %s", "Error writing zip file", and refuses what the format cannot hold.
  static void ZipDirectoryContents(const std::string& zipFileName, const std::string& path,
                                   TZipCompression compression = TZipCompression::zcDeflate,
                                   const TZipLimits& limits = {});
};

class TDSProxyUtils {
 public:
  // The archive appears under outputFileName only once it is complete; a failed run leaves
  // an existing archive as it was.
  static bool CompressDirectory(const std::string& directoryName, const std::string& outputFileName,
                                const TZipLimits& limits = {});
  // Whether the end record, the central directory and every local header it points to are
  // where they claim to be.
  static bool IsValidZipFile(const std::string& fileName);
};

}  // namespace quillara

#include "proxy/TZipFile.h"

#include <zlib.h>

#include <filesystem>
#include <vector>

#include "base/TStream.h"
#include "platform/SystemText.h"
#include "platform/TFileSystem.h"
#include "proxy/Messages.h"

namespace quillara {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50, kCentralSignature = 0x02014b50,
                   kEndSignature = 0x06054b50;
constexpr uint16_t kVersion = 20;        // 2.0: deflate; made by MS-DOS (host 0)
constexpr uint16_t kUtf8Names = 0x0800;  // general purpose bit 11
constexpr uint16_t kDeflated = 8;
constexpr size_t kLocalHeaderSize = 30, kCentralHeaderSize = 46, kEndRecordSize = 22;
constexpr size_t kChunk = 256 * 1024;
constexpr const char* kArchiveTooLarge =
    "Zip file too large: the archive passes the format's 4 GB limit";

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
uint32_t Get16(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uint8_t* p) {
  return Get16(p) | Get16(p + 2) << 16;
}

class TDeflater {
 public:
  TDeflater() {
    if (deflateInit2(&FStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
      throw EZipException(kErrorWritingZip);
  }
  ~TDeflater() { deflateEnd(&FStream); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;
  z_stream& Stream() { return FStream; }

 private:
  z_stream FStream{};
};

struct TEntry {
  std::string Name;
  uint32_t DosTime = 0;
  uint32_t Crc = 0;
  uint64_t CompressedSize = 0;
  uint64_t Size = 0;
  uint64_t Offset = 0;
};

// Depth first, each folder in the order the file system lists it.
void CollectFiles(const fs::path& folder, std::vector<fs::path>& files) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    std::error_code typeError;
    if (entry.is_directory(typeError) && !entry.is_symlink(typeError))
      CollectFiles(entry.path(), files);
    else if (!entry.is_directory(typeError))
      files.push_back(entry.path());
  }
  if (ec) throw EZipException(kPathNotFound);
}

class TArchiveWriter {
 public:
  TArchiveWriter(const std::string& fileName, const TZipLimits& limits) : FLimits(limits) {
    std::string error;
    if (!FFile.Create(platform::PathFromUtf8(fileName), error))
      throw EFCreateError(FormatMessage(kCannotCreateFile, {fileName, error}));
    FBuffer.reserve(kChunk + 64 * 1024);
  }

  void AddFile(const fs::path& source, const std::string& name) {
    TFileStream input(platform::Utf8FromPath(source));
    TEntry entry;
    entry.Name = name;
    entry.Size = uint64_t(input.Size());
    if (auto time = platform::LastWriteTime(source))
      entry.DosTime = platform::LocalDosDateTime(time->Seconds);
    entry.Offset = FOffset;
    Check(entry.Size, "Zip file too large: \"%s\" is bigger than the archive format allows", name);
    Check(entry.Offset, kArchiveTooLarge, name);
    if (name.size() > 0xFFFF) throw EZipException(FormatMessage(kZipEntryNameTooLong, {name}));

    // CRC-32 and compressed size are filled in below, once the data is written.
    WriteLocalHeader(entry);
    z_stream& z = FDeflater.Stream();
    deflateReset(&z);
    std::vector<uint8_t> input_chunk(kChunk);
    uint32_t crc = uint32_t(crc32(0L, Z_NULL, 0));
    uint64_t dataStart = FOffset + FBuffer.size();
    uint64_t read = 0;
    int flush = Z_NO_FLUSH;
    do {
      size_t n = input.Read(input_chunk.data(), input_chunk.size());
      read += n;
      flush = (n == 0 || read >= entry.Size) ? Z_FINISH : Z_NO_FLUSH;
      crc = uint32_t(crc32(crc, input_chunk.data(), uInt(n)));
      z.next_in = input_chunk.data();
      z.avail_in = uInt(n);
      int status;
      do {
        size_t used = FBuffer.size();
        FBuffer.resize(used + 64 * 1024);
        z.next_out = FBuffer.data() + used;
        z.avail_out = 64 * 1024;
        status = deflate(&z, flush);
        FBuffer.resize(FBuffer.size() - z.avail_out);
        if (status == Z_STREAM_ERROR) throw EZipException(kErrorWritingZip);
        if (FBuffer.size() >= kChunk) Flush();
      } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    } while (flush != Z_FINISH);
    if (read != entry.Size)
      throw EZipException(FormatMessage(
          kCannotOpenFile, {platform::Utf8FromPath(source), "The file changed while it was read"}));
    Flush();
    entry.Crc = crc;
    entry.CompressedSize = FOffset - dataStart;
    Check(entry.CompressedSize,
          "Zip file too large: \"%s\" is bigger than the archive format allows", name);
    Check(FOffset, kArchiveTooLarge, name);
    std::vector<uint8_t> fields;
    Put32(fields, entry.Crc);
    Put32(fields, uint32_t(entry.CompressedSize));
    Put32(fields, uint32_t(entry.Size));
    if (!FFile.WriteAt(entry.Offset + 14, fields.data(), fields.size()))
      throw EZipException(kErrorWritingZip);
    FEntries.push_back(std::move(entry));
  }

  void Close() {
    uint64_t directoryStart = FOffset;
    for (const TEntry& e : FEntries) {
      Put32(FBuffer, kCentralSignature);
      Put16(FBuffer, kVersion);
      Put16(FBuffer, kVersion);
      Put16(FBuffer, kUtf8Names);
      Put16(FBuffer, kDeflated);
      Put32(FBuffer, e.DosTime);
      Put32(FBuffer, e.Crc);
      Put32(FBuffer, uint32_t(e.CompressedSize));
      Put32(FBuffer, uint32_t(e.Size));
      Put16(FBuffer, uint32_t(e.Name.size()));
      Put16(FBuffer, 0);  // extra field length
      Put16(FBuffer, 0);  // comment length
      Put16(FBuffer, 0);  // disk number start
      Put16(FBuffer, 0);  // internal attributes
      Put32(FBuffer, 0);  // external attributes
      Put32(FBuffer, uint32_t(e.Offset));
      FBuffer.insert(FBuffer.end(), e.Name.begin(), e.Name.end());
      if (FBuffer.size() >= kChunk) Flush();
    }
    Flush();
    uint64_t directorySize = FOffset - directoryStart;
    Check(directoryStart, kArchiveTooLarge, "");
    Check(FOffset + kEndRecordSize, kArchiveTooLarge, "");
    Put32(FBuffer, kEndSignature);
    Put16(FBuffer, 0);
    Put16(FBuffer, 0);
    Put16(FBuffer, uint32_t(FEntries.size()));
    Put16(FBuffer, uint32_t(FEntries.size()));
    Put32(FBuffer, uint32_t(directorySize));
    Put32(FBuffer, uint32_t(directoryStart));
    Put16(FBuffer, 0);
    Flush();
    FFile.Close();
  }

 private:
  void Check(uint64_t value, const char* message, const std::string& name) const {
    if (value > FLimits.MaxFieldValue) throw EZipException(FormatMessage(message, {name}));
  }

  void WriteLocalHeader(const TEntry& e) {
    Put32(FBuffer, kLocalSignature);
    Put16(FBuffer, kVersion);
    Put16(FBuffer, kUtf8Names);
    Put16(FBuffer, kDeflated);
    Put32(FBuffer, e.DosTime);
    Put32(FBuffer, 0);
    Put32(FBuffer, 0);
    Put32(FBuffer, uint32_t(e.Size));
    Put16(FBuffer, uint32_t(e.Name.size()));
    Put16(FBuffer, 0);
    FBuffer.insert(FBuffer.end(), e.Name.begin(), e.Name.end());
  }

  void Flush() {
    if (FBuffer.empty()) return;
    if (!FFile.Write(FBuffer.data(), FBuffer.size())) throw EZipException(kErrorWritingZip);
    FOffset += FBuffer.size();
    FBuffer.clear();
  }

  TZipLimits FLimits;
  platform::TWritableFile FFile;
  TDeflater FDeflater;
  std::vector<uint8_t> FBuffer;
  uint64_t FOffset = 0;
  std::vector<TEntry> FEntries;
};

}  // namespace

void TZipFile::ZipDirectoryContents(const std::string& zipFileName, const std::string& path,
                                    TZipCompression, const TZipLimits& limits) {
  fs::path root = platform::PathFromUtf8(path);
  if (!platform::DirectoryExists(root)) throw EZipException(kPathNotFound);
  std::vector<fs::path> files;
  CollectFiles(root, files);
  if (files.size() > limits.MaxEntries)
    throw EZipException(
        FormatMessage("Too many files for a zip archive: %s (at most %s)",
                      {std::to_string(files.size()), std::to_string(limits.MaxEntries)}));
  TArchiveWriter archive(zipFileName, limits);
  for (const fs::path& file : files) {
    // UTF-8 with "/" on both systems, as the names' flag says (APPNOTE 4.4.4, bit 11).
    std::u8string generic = file.lexically_relative(root).generic_u8string();
    std::string name(generic.begin(), generic.end());
    archive.AddFile(file, name);
  }
  archive.Close();
}

bool TDSProxyUtils::CompressDirectory(const std::string& directoryName,
                                      const std::string& outputFileName, const TZipLimits& limits) {
  std::string temporary = outputFileName + ".tmp-" + platform::UniqueFileSuffix();
  try {
    TZipFile::ZipDirectoryContents(temporary, directoryName, TZipCompression::zcDeflate, limits);
    std::string error;
    if (!platform::RenameFile(platform::PathFromUtf8(temporary),
                              platform::PathFromUtf8(outputFileName), error))
      throw EZipException(kErrorWritingZip);
  } catch (...) {
    platform::DeleteFile(platform::PathFromUtf8(temporary));
    throw;
  }
  return true;
}

bool TDSProxyUtils::IsValidZipFile(const std::string& fileName) {
  try {
    TFileStream file(fileName);
    int64_t size = file.Size();
    if (size < int64_t(kEndRecordSize)) return false;
    int64_t tail = std::min<int64_t>(size, kEndRecordSize + 0xFFFF);
    std::vector<uint8_t> buf(static_cast<size_t>(tail));
    file.SetPosition(size - tail);
    if (file.Read(buf.data(), buf.size()) != buf.size()) return false;
    for (int64_t i = tail - int64_t(kEndRecordSize); i >= 0; --i) {
      const uint8_t* end = buf.data() + i;
      if (Get32(end) != kEndSignature) continue;
      uint64_t count = Get16(end + 10), directorySize = Get32(end + 12),
               directoryStart = Get32(end + 16);
      uint64_t endOffset = uint64_t(size - tail + i);
      if (directoryStart + directorySize > endOffset) continue;
      std::vector<uint8_t> directory(static_cast<size_t>(directorySize));
      file.SetPosition(int64_t(directoryStart));
      if (file.Read(directory.data(), directory.size()) != directory.size()) return false;
      size_t at = 0;
      for (uint64_t n = 0; n < count; ++n) {
        if (at + kCentralHeaderSize > directory.size() ||
            Get32(&directory[at]) != kCentralSignature)
          return false;
        const uint8_t* h = &directory[at];
        uint64_t localOffset = Get32(h + 42);
        uint8_t local[4];
        file.SetPosition(int64_t(localOffset));
        if (localOffset + kLocalHeaderSize > directoryStart || file.Read(local, 4) != 4 ||
            Get32(local) != kLocalSignature)
          return false;
        at += kCentralHeaderSize + Get16(h + 28) + Get16(h + 30) + Get16(h + 32);
      }
      return at == directory.size();
    }
    return false;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace quillara

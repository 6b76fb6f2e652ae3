#include "proxy/TDSProxyGenerator.h"

#include <ctime>
#include <filesystem>

#include "base/CodePages.h"
#include "platform/SystemText.h"
#include "platform/TFileSystem.h"
#include "proxy/Messages.h"

namespace quillara {

namespace {

// An output file created for writing, replacing an existing one.
class TProxyFileStream : public TStream {
 public:
  explicit TProxyFileStream(const std::string& fileName) {
    std::string error;
    if (!FFile.Create(platform::PathFromUtf8(fileName), error))
      throw EFCreateError(FormatMessage(kCannotCreateFile, {fileName, error}));
  }
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t count) override {
    if (!FFile.Write(buffer, count)) return 0;
    FPosition += int64_t(count);
    return count;
  }
  int64_t Size() const override { return FPosition; }
  int64_t Position() const override { return FPosition; }
  void SetPosition(int64_t) override {}

 private:
  platform::TWritableFile FFile;
  int64_t FPosition = 0;
};

std::string Encode(const std::string& utf8, TDSProxyEncoding encoding) {
  if (encoding == TDSProxyEncoding::peAnsi) return EncodeText(Utf8ToText(utf8), kAnsiCodePage);
  return utf8;
}

}  // namespace

TDSProxyStreamWriter::TDSProxyStreamWriter(std::string id, TDSProxyEncoding encoding,
                                           TStream& stream)
    : FID(std::move(id)), FEncoding(encoding), FStream(stream) {
  if (FEncoding == TDSProxyEncoding::peUTF8 && FStream.Position() == 0) Put("\xEF\xBB\xBF");
}

void TDSProxyStreamWriter::Put(const std::string& bytes) {
  if (!bytes.empty() && FStream.Write(bytes.data(), bytes.size()) != bytes.size())
    throw EFCreateError(kStreamWriteError);
}

void TDSProxyStreamWriter::Write(const std::string& text) {
  Put(Encode(text, FEncoding));
}

void TDSProxyStreamWriter::WriteLine() {
  Put("\r\n");
}

std::vector<std::string> SplitProxyTextList(const std::string& list) {
  std::vector<std::string> items;
  std::string item;
  char quote = 0;
  for (char c : list) {
    if (quote) {
      item.push_back(c);
      if (c == quote) quote = 0;
    } else if (c == ',' || c == ';' || c == '\r' || c == '\n') {
      if (!item.empty()) items.push_back(std::move(item));
      item.clear();
    } else {
      if (c == '"' || c == '\'') quote = c;
      item.push_back(c);
    }
  }
  if (!item.empty()) items.push_back(std::move(item));
  return items;
}

TDSCustomProxyWriter::TDSCustomProxyWriter() = default;
TDSCustomProxyWriter::~TDSCustomProxyWriter() = default;

void TDSCustomProxyWriter::WriteProxy() {
  WriteFileHeader();
  WriteInterfacePart();
  WriteImplementationPart();
}

void TDSCustomProxyWriter::WriteFileHeader() {
  WriteLine("// ");
  WriteLine("// Created by the Quillara proxy generator.");
  std::string stamp = TimeStampText();
  if (!TrimBlanks(stamp).empty()) WriteLine("// " + stamp);
  WriteLine("// ");
  WriteLine();
}

std::string TDSCustomProxyWriter::TimeStampText() {
  // the regional short date and long time of the operators' machines
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[64];
  std::strftime(buf, sizeof buf, "%d/%m/%Y %H:%M:%S", &local);
  return buf;
}

bool TDSCustomProxyWriter::IsClassIncluded(const TDSProxyClass& proxyClass) {
  return Included(proxyClass.ProxyClassName, FIncludeClasses, FExcludeClasses);
}

bool TDSCustomProxyWriter::IsMethodIncluded(const TDSProxyMethod& proxyMethod) {
  return Included(proxyMethod.ProxyMethodName, FIncludeMethods, FExcludeMethods);
}

bool TDSCustomProxyWriter::IsTableTypeName(const std::string& name) {
  return name == "TDataSet" || name == "TParams";
}

bool TDSCustomProxyWriter::IsValueHolderTypeName(const std::string& name) {
  if (name.compare(0, 4, "TDBX") != 0) return false;
  size_t value = name.find("Value");
  return value != std::string::npos && value + 5 == name.size();
}

bool TDSCustomProxyWriter::IsJSONTypeName(const std::string& name) {
  return name.compare(0, 5, "TJSON") == 0;
}

std::string TDSCustomProxyWriter::SourceTypeName(const TDSProxyParameter& parameter) {
  auto custom = FCustomTypeMap.find(parameter.DataType);
  if (custom != FCustomTypeMap.end()) return custom->second;
  return parameter.TypeName;
}

std::string TDSCustomProxyWriter::GetAssignmentString(const TDSProxyParameter&) {
  return {};
}
std::string TDSCustomProxyWriter::GetCreateDataSetReader(const TDSProxyParameter&) {
  return {};
}

TDSProxyMetadata& TDSCustomProxyWriter::Metadata() {
  if (!FMetadata) {
    FMetadata = std::make_unique<TDSProxyMetadata>();
    if (MetaDataLoader) MetaDataLoader->Load(*FMetadata);
  }
  return *FMetadata;
}

void TDSCustomProxyWriter::SetIncludeClasses(std::vector<std::string> masks) {
  SetMasks(FIncludeClasses, std::move(masks));
}
void TDSCustomProxyWriter::SetExcludeClasses(std::vector<std::string> masks) {
  SetMasks(FExcludeClasses, std::move(masks));
}
void TDSCustomProxyWriter::SetIncludeMethods(std::vector<std::string> masks) {
  SetMasks(FIncludeMethods, std::move(masks));
}
void TDSCustomProxyWriter::SetExcludeMethods(std::vector<std::string> masks) {
  SetMasks(FExcludeMethods, std::move(masks));
}

void TDSCustomProxyWriter::SetMasks(std::vector<std::string>& list,
                                    std::vector<std::string> masks) {
  list = std::move(masks);
  FMaskCache.clear();
}

const TMask& TDSCustomProxyWriter::CachedMask(const std::string& maskText) {
  auto& slot = FMaskCache[maskText];
  if (!slot) slot = std::make_unique<TMask>(Utf8ToText(TrimBlanks(maskText)));
  return *slot;
}

bool TDSCustomProxyWriter::Included(const std::string& name,
                                    const std::vector<std::string>& include,
                                    const std::vector<std::string>& exclude) {
  Text text = Utf8ToText(name);
  auto any = [&](const std::vector<std::string>& masks) {
    for (const std::string& m : masks)
      if (CachedMask(m).Matches(text)) return true;
    return false;
  };
  bool result = true;
  if (!exclude.empty() && any(exclude)) result = false;
  if (!include.empty()) result = any(include);
  return result;
}

IDSProxyWriter* TDSCustomProxyWriter::Sink(const std::string& id) const {
  auto it = FProxyWriters.find(id);
  return it == FProxyWriters.end() ? nullptr : it->second.get();
}

void TDSCustomProxyWriter::WriteLine(const std::string& text) {
  EmitText(FIndentString + text);
  EmitLineEnd();
}

void TDSCustomProxyWriter::WriteLine() {
  EmitLineEnd();
}

void TDSCustomProxyWriter::Indent() {
  FIndentCount += FIndentIncrement;
  FIndentString.assign(size_t(FIndentCount), ' ');
}

void TDSCustomProxyWriter::Outdent() {
  FIndentCount = std::max(0, FIndentCount - FIndentIncrement);
  FIndentString.assign(size_t(FIndentCount), ' ');
}

void TDSCustomProxyWriter::ResetIndent() {
  FIndentCount = 0;
  FIndentString.clear();
}

TDSProxyWriterFactory& TDSProxyWriterFactory::Instance() {
  static TDSProxyWriterFactory instance;
  return instance;
}

namespace {

template <typename List>
auto FindWriter(List& list, const std::string& id) {
  for (auto it = list.begin(); it != list.end(); ++it)
    if (SameTextAscii(it->first, id)) return it;
  return list.end();
}

}  // namespace

void TDSProxyWriterFactory::RegisterWriter(const std::string& id, TWriterClass writerClass) {
  TDSProxyWriterFactory& self = Instance();
  std::lock_guard lock(self.FLock);
  auto it = FindWriter(self.FWriters, id);
  if (it != self.FWriters.end())
    it->second = std::move(writerClass);
  else
    self.FWriters.emplace_back(id, std::move(writerClass));
}

void TDSProxyWriterFactory::UnregisterWriter(const std::string& id) {
  TDSProxyWriterFactory& self = Instance();
  std::lock_guard lock(self.FLock);
  auto it = FindWriter(self.FWriters, id);
  if (it != self.FWriters.end()) self.FWriters.erase(it);
}

bool TDSProxyWriterFactory::HasWriter(const std::string& id) {
  TDSProxyWriterFactory& self = Instance();
  std::lock_guard lock(self.FLock);
  return FindWriter(self.FWriters, id) != self.FWriters.end();
}

std::unique_ptr<TDSProxyWriter> TDSProxyWriterFactory::GetWriter(const std::string& id) {
  if (id.empty()) throw TDSProxyException(kProxyWriterNotSpecified);
  TWriterClass writerClass;
  {
    TDSProxyWriterFactory& self = Instance();
    std::lock_guard lock(self.FLock);
    auto it = FindWriter(self.FWriters, id);
    if (it == self.FWriters.end())
      throw TDSProxyException(FormatMessage(kUnknownProxyWriter, {id}));
    writerClass = it->second;
  }
  try {
    return writerClass();
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::vector<std::string> TDSProxyWriterFactory::RegisteredWritersList() {
  TDSProxyWriterFactory& self = Instance();
  std::lock_guard lock(self.FLock);
  std::vector<std::string> names;
  for (const auto& entry : self.FWriters) names.push_back(entry.first);
  return names;
}

void TDSCustomProxyGenerator::SetMetaDataProvider(TDSCustomMetaDataProvider* provider) {
  FMetaDataProvider = provider;
  if (provider) MetaDataLoaderIntf.reset();
}

namespace {

std::unique_ptr<TDSProxyWriter> RequireWriter(const std::string& name) {
  std::unique_ptr<TDSProxyWriter> writer = TDSProxyWriterFactory::GetWriter(name);
  if (!writer) throw TDSProxyException(FormatMessage(kUnknownProxyWriter, {name}));
  return writer;
}

// The name with its extension (from the last "." of its last segment) replaced or appended.
std::string ChangeFileExt(const std::string& name, const std::string& extension) {
  size_t slash = name.find_last_of('/');
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return name + extension;
  return name.substr(0, dot) + extension;
}

bool HasFileExt(const std::string& name) {
  size_t slash = name.find_last_of('/');
  size_t dot = name.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

}  // namespace

TDSProxyWriterProperties TDSCustomProxyGenerator::WriterProperties() const {
  return RequireWriter(Writer)->Properties();
}

std::vector<TDSProxyFileDescription> TDSCustomProxyGenerator::FileDescriptions() const {
  return RequireWriter(Writer)->FileDescriptions();
}

std::shared_ptr<IDSProxyMetaDataLoader> TDSCustomProxyGenerator::GetMetaDataLoaderIntf() const {
  if (MetaDataLoaderIntf) return MetaDataLoaderIntf;
  if (FMetaDataProvider) return FMetaDataProvider->GetProvider();
  return nullptr;
}

void TDSCustomProxyGenerator::Write() {
  DoWrite(nullptr, false, nullptr);
}

void TDSCustomProxyGenerator::Write(std::shared_ptr<IDSProxyMetaDataLoader> connection) {
  DoWrite(std::move(connection), false, nullptr);
}

void TDSCustomProxyGenerator::WriteToStreams(std::map<std::string, TStream*>& streams) {
  DoWrite(nullptr, true, &streams);
}

void TDSCustomProxyGenerator::WriteToStreams(std::shared_ptr<IDSProxyMetaDataLoader> connection,
                                             std::map<std::string, TStream*>& streams) {
  DoWrite(std::move(connection), true, &streams);
}

void TDSCustomProxyGenerator::DoWrite(std::shared_ptr<IDSProxyMetaDataLoader> loader,
                                      bool toStreams,
                                      std::map<std::string, TStream*>* callerStreams) {
  if (toStreams) {
    if (!loader) loader = GetMetaDataLoaderIntf();
    if (!loader) throw TDSProxyException(kNoProxyMetaData);
    RunWriter(std::move(loader), *callerStreams);
    return;
  }
  std::vector<TDSProxyFileDescription> descriptions = FileDescriptions();
  std::vector<std::string> names;
  for (const TDSProxyFileDescription& description : descriptions) {
    // Backslashes are the folder separators of the configured paths.
    std::string name = TargetDirectory;
    if (name.empty() || (name.back() != '/' && name.back() != '\\')) name += '/';
    name += TargetUnitName;
    for (char& c : name)
      if (c == '\\') c = '/';
    if (descriptions.size() >= 2 || !HasFileExt(name))
      name = ChangeFileExt(name, description.DefaultFileExt);
    names.push_back(std::move(name));
  }
  bool cancel = false;
  if (OnCreatingFiles) OnCreatingFiles(names, cancel);
  if (cancel) return;
  for (std::string& name : names)
    if (!TrimBlanks(name).empty())
      name = platform::Utf8FromPath(
          std::filesystem::absolute(platform::PathFromUtf8(name)).lexically_normal());

  std::map<std::string, std::unique_ptr<TStream>> owned;
  std::vector<std::string> created;
  for (size_t i = 0; i < descriptions.size() && i < names.size(); ++i) {
    if (names[i].empty()) continue;
    std::unique_ptr<TStream> stream = OnCreateStream ? OnCreateStream(descriptions[i], names[i])
                                                     : std::make_unique<TProxyFileStream>(names[i]);
    owned[descriptions[i].ID] = std::move(stream);
    created.push_back(names[i]);
  }
  if (owned.empty()) throw TDSProxyException(kStreamNotFound);
  if (!loader) loader = GetMetaDataLoaderIntf();
  if (!loader) throw TDSProxyException(kNoProxyMetaData);
  std::map<std::string, TStream*> streams;
  for (auto& [id, stream] : owned) streams[id] = stream.get();
  RunWriter(std::move(loader), streams);
  if (!created.empty() && OnCreatedFiles) OnCreatedFiles(created);
}

void TDSCustomProxyGenerator::RunWriter(std::shared_ptr<IDSProxyMetaDataLoader> loader,
                                        const std::map<std::string, TStream*>& streams) {
  std::unique_ptr<TDSProxyWriter> factory = RequireWriter(Writer);
  std::unique_ptr<TDSCustomProxyWriter> writer = factory->CreateProxyWriter();
  if (!writer) throw TDSProxyException(FormatMessage(kUnknownProxyWriter, {Writer}));
  bool cancel = false;
  if (OnPrepareWriter) OnPrepareWriter(*writer, cancel);
  if (!cancel) {
    TDSProxyWriterProperties properties = factory->Properties();
    writer->UnitFileName = TargetUnitName;
    writer->SetIncludeClasses(SplitProxyTextList(IncludeClasses));
    writer->SetIncludeMethods(SplitProxyTextList(IncludeMethods));
    writer->SetExcludeClasses(SplitProxyTextList(
        TrimBlanks(ExcludeClasses).empty() ? properties.DefaultExcludeClasses : ExcludeClasses));
    writer->SetExcludeMethods(SplitProxyTextList(
        TrimBlanks(ExcludeMethods).empty() ? properties.DefaultExcludeMethods : ExcludeMethods));
    TDSProxyEncoding encoding = properties.DefaultEncoding.value_or(TDSProxyEncoding::peAnsi);
    writer->MetaDataLoader = std::move(loader);
    for (const auto& [id, stream] : streams)
      writer->ProxyWriters()[id] = std::make_unique<TDSProxyStreamWriter>(id, encoding, *stream);
    writer->WriteProxy();
  }
  if (OnFinishWriter) OnFinishWriter(*writer);
}

}  // namespace quillara

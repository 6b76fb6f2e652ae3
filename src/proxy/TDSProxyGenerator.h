#pragma once
// The proxy generator: picks a writer from the process-wide registry, names and opens its
// outputs, configures it and lets it write. Also the writer base every language writer
// derives from, and the text sink over one output stream.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/TMask.h"
#include "base/TStream.h"
#include "proxy/TDSProxyMetadata.h"

namespace quillara {

enum class TDSProxyEncoding { peUTF8, peUTF8NoBOM, peAnsi };

enum TDSProxyWriteFeature : unsigned {
  feConnectsWithDSRestConnection = 1,
  feConnectsWithDBXConnection = 2,
  feRESTClient = 4,
  feDBXClient = 8
};

struct TDSProxyWriterProperties {
  std::string UsesUnits;
  std::string DefaultExcludeClasses;
  std::string DefaultExcludeMethods;
  std::optional<TDSProxyEncoding> DefaultEncoding;
  std::string Author;
  std::string Comment;  // the package folder of the output, for writers that have one
  std::string Language;
  unsigned Features = 0;
};

struct TDSProxyFileDescription {
  std::string ID;
  std::string DefaultFileExt;
};

// The text sink of one output.
class IDSProxyWriter {
 public:
  virtual ~IDSProxyWriter() = default;
  virtual std::string ID() const = 0;
  // UTF-8 in, encoded on the way out.
  virtual void Write(const std::string& text) = 0;
  virtual void WriteLine() = 0;
};

class TDSProxyStreamWriter : public IDSProxyWriter {
 public:
  // Writes the encoding's preamble when the stream stands at its start.
  TDSProxyStreamWriter(std::string id, TDSProxyEncoding encoding, TStream& stream);
  std::string ID() const override { return FID; }
  void Write(const std::string& text) override;
  void WriteLine() override;

 private:
  void Put(const std::string& bytes);

  std::string FID;
  TDSProxyEncoding FEncoding;
  TStream& FStream;
};

// Splits a text list at "," ";" and line breaks, keeping quoted stretches whole; empty items
// are dropped, the others are not trimmed.
std::vector<std::string> SplitProxyTextList(const std::string& list);

class TDSCustomProxyWriter {
 public:
  TDSCustomProxyWriter();
  virtual ~TDSCustomProxyWriter();

  virtual void WriteProxy();
  virtual void WriteImplementationPart() = 0;
  virtual void WriteInterfacePart() = 0;
  virtual void WriteFileHeader();
  virtual std::string TimeStampText();
  virtual void EmitText(const std::string& text) = 0;
  virtual void EmitLineEnd() = 0;
  virtual std::string AssignmentOperator() = 0;
  virtual bool IsClassIncluded(const TDSProxyClass& proxyClass);
  virtual bool IsMethodIncluded(const TDSProxyMethod& proxyMethod);
  virtual bool IsTableTypeName(const std::string& name);
  virtual bool IsValueHolderTypeName(const std::string& name);
  virtual bool IsJSONTypeName(const std::string& name);
  virtual std::string SourceTypeName(const TDSProxyParameter& parameter);
  virtual std::string GetAssignmentString(const TDSProxyParameter& parameter);
  virtual std::string GetCreateDataSetReader(const TDSProxyParameter& parameter);

  // Loaded through MetaDataLoader on first access.
  TDSProxyMetadata& Metadata();
  std::shared_ptr<IDSProxyMetaDataLoader> MetaDataLoader;
  std::string UnitFileName;

  void SetIncludeClasses(std::vector<std::string> masks);
  void SetExcludeClasses(std::vector<std::string> masks);
  void SetIncludeMethods(std::vector<std::string> masks);
  void SetExcludeMethods(std::vector<std::string> masks);
  const std::vector<std::string>& IncludeClasses() const { return FIncludeClasses; }
  const std::vector<std::string>& ExcludeClasses() const { return FExcludeClasses; }
  const std::vector<std::string>& IncludeMethods() const { return FIncludeMethods; }
  const std::vector<std::string>& ExcludeMethods() const { return FExcludeMethods; }

  std::map<std::string, std::unique_ptr<IDSProxyWriter>>& ProxyWriters() { return FProxyWriters; }
  // The sink of an output, or none.
  IDSProxyWriter* Sink(const std::string& id) const;

  // Indent text, text, line end; without text only a line end.
  void WriteLine(const std::string& text);
  void WriteLine();
  void Indent();
  void Outdent();
  int IndentIncrement() const { return FIndentIncrement; }
  void SetIndentIncrement(int step) { FIndentIncrement = step; }
  // Back to column 0, as at the start of each output part.
  void ResetIndent();

 protected:
  // Whether a name passes an include and an exclude list of masks.
  bool Included(const std::string& name, const std::vector<std::string>& include,
                const std::vector<std::string>& exclude);

  std::map<int, std::string> FCustomTypeMap;

 private:
  // Compiled masks are keyed by their text, so any list change drops them.
  void SetMasks(std::vector<std::string>& list, std::vector<std::string> masks);
  const TMask& CachedMask(const std::string& maskText);

  std::unique_ptr<TDSProxyMetadata> FMetadata;
  std::vector<std::string> FIncludeClasses, FExcludeClasses, FIncludeMethods, FExcludeMethods;
  std::map<std::string, std::unique_ptr<TMask>> FMaskCache;
  std::string FIndentString;
  int FIndentCount = 0;
  int FIndentIncrement = 2;
  std::map<std::string, std::unique_ptr<IDSProxyWriter>> FProxyWriters;
};

// A registry entry: makes writers and describes them. Each call works on a fresh instance.
class TDSProxyWriter {
 public:
  virtual ~TDSProxyWriter() = default;
  virtual std::unique_ptr<TDSCustomProxyWriter> CreateProxyWriter() = 0;
  virtual TDSProxyWriterProperties Properties() = 0;
  virtual std::vector<TDSProxyFileDescription> FileDescriptions() = 0;
};

class TDSProxyWriterFactory {
 public:
  using TWriterClass = std::function<std::unique_ptr<TDSProxyWriter>()>;

  static TDSProxyWriterFactory& Instance();
  static void RegisterWriter(const std::string& id, TWriterClass writerClass);
  static void UnregisterWriter(const std::string& id);
  static bool HasWriter(const std::string& id);
  // Fails with "Proxy writer not specified" and "Unknown proxy writer: %s"; none when the
  // factory cannot be made.
  static std::unique_ptr<TDSProxyWriter> GetWriter(const std::string& id);
  static std::vector<std::string> RegisteredWritersList();

 private:
  std::mutex FLock;
  std::vector<std::pair<std::string, TWriterClass>> FWriters;  // registration order
};

// All writers of this program, in their registration order; called once at start.
void RegisterProxyWriters();
void UnregisterProxyWriters();

class TDSCustomProxyGenerator {
 public:
  virtual ~TDSCustomProxyGenerator() = default;

  std::string Writer;
  std::string TargetDirectory;
  std::string TargetUnitName;
  std::string IncludeClasses;
  std::string ExcludeClasses;
  std::string IncludeMethods;
  std::string ExcludeMethods;

  TDSCustomMetaDataProvider* MetaDataProvider() const { return FMetaDataProvider; }
  void SetMetaDataProvider(TDSCustomMetaDataProvider* provider);
  // Takes precedence over the provider.
  std::shared_ptr<IDSProxyMetaDataLoader> MetaDataLoaderIntf;

  std::function<void(std::vector<std::string>& fileNames, bool& cancel)> OnCreatingFiles;
  std::function<void(const std::vector<std::string>& fileNames)> OnCreatedFiles;
  std::function<std::unique_ptr<TStream>(const TDSProxyFileDescription& description,
                                         const std::string& fileName)>
      OnCreateStream;
  std::function<void(TDSCustomProxyWriter& writer, bool& cancel)> OnPrepareWriter;
  std::function<void(TDSCustomProxyWriter& writer)> OnFinishWriter;

  void Write();
  void Write(std::shared_ptr<IDSProxyMetaDataLoader> connection);
  void WriteToStreams(std::map<std::string, TStream*>& streams);
  void WriteToStreams(std::shared_ptr<IDSProxyMetaDataLoader> connection,
                      std::map<std::string, TStream*>& streams);

  TDSProxyWriterProperties WriterProperties() const;
  std::vector<TDSProxyFileDescription> FileDescriptions() const;
  std::shared_ptr<IDSProxyMetaDataLoader> GetMetaDataLoaderIntf() const;

 private:
  void DoWrite(std::shared_ptr<IDSProxyMetaDataLoader> loader, bool toStreams,
               std::map<std::string, TStream*>* callerStreams);
  void RunWriter(std::shared_ptr<IDSProxyMetaDataLoader> loader,
                 const std::map<std::string, TStream*>& streams);

  TDSCustomMetaDataProvider* FMetaDataProvider = nullptr;
};

class TDSProxyGenerator : public TDSCustomProxyGenerator {};

}  // namespace quillara

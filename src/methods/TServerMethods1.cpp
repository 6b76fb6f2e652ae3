#include "methods/TServerMethods1.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "base/CodePages.h"
#include "base/TFileFunctions.h"
#include "methods/Messages.h"
#include "platform/SystemText.h"
#include "platform/TDrivePath.h"
#include "platform/TProcess.h"

namespace quillara {

std::function<TMethodFolders()> TServerMethods1::Folders = [] { return TMethodFolders(); };
std::function<void(std::weak_ptr<TStream>)> TServerMethods1::StreamHandedOver;
std::chrono::milliseconds TServerMethods1::ProductListTimeout{60000};

namespace fs = std::filesystem;

namespace {

// An unset folder would put the client's name at the root of the file system.
const Text& RequireFolder(const char* setting, const Text& folder) {
  std::string text = TrimBlanks(TextToUtf8(folder));
  if (text.empty()) throw EArgumentException(FormatMessage(kFolderSettingNotSet, {setting}));
  if (!platform::IsFullPath(text))
    throw EArgumentException(FormatMessage(kFolderSettingNotFullPath, {setting, text}));
  return folder;
}

const Text& ExportFolder(const TMethodFolders& folders) {
  return RequireFolder("ExportPath", folders.ExportPath);
}
const Text& ImportFolder(const TMethodFolders& folders) {
  return RequireFolder("ImportPath", folders.ImportPath);
}

}  // namespace

Text TServerMethods1::EchoString(const Text& Value) {
  return Value;
}

Text TServerMethods1::ReverseString(const Text& Value) {
  return Text(Value.rbegin(), Value.rend());
}

int32_t TServerMethods1::SommaNumeri(int32_t n1, int32_t n2) {
  return int32_t(uint32_t(n1) + uint32_t(n2));  // two's-complement wrap, no error
}

// Has no effect; its result is fixed to false so that clients always see the same answer.
bool TServerMethods1::SalvaDB(const Text&, const Text&) {
  return false;
}

Text TServerMethods1::ListaFiles494() {
  std::vector<Text> names = FindFiles(ExportFolder(Folders()), u"*.xml");
  if (names.empty()) return u"0";
  auto files = std::make_unique<TJSONArray>();
  for (const Text& name : names) {
    auto entry = std::make_unique<TJSONObject>();
    entry->AddPair(u"nome", std::make_unique<TJSONString>(name));
    files->AddElement(std::move(entry));
  }
  TJSONObject result;
  result.AddPair(u"file", std::move(files));
  return result.ToString();
}

Text TServerMethods1::LeggiFile494(const Text& cFile) {
  Text content = ReadAllText(JoinInsideFolder(ExportFolder(Folders()), cFile));
  auto entry = std::make_unique<TJSONObject>();
  entry->AddPair(u"contenuto", std::make_unique<TJSONString>(content));
  auto files = std::make_unique<TJSONArray>();
  files->AddElement(std::move(entry));
  TJSONObject result;
  result.AddPair(u"file", std::move(files));
  return result.ToString();
}

Text TServerMethods1::PutFile(const Text& cFileName, TJSONObject* jJson) {
  try {
    if (!jJson) throw EArgumentException(kPutFileNeedsContent);
    TJSONPair* first = jJson->Get(0);
    if (!first || !first->JsonValue()) throw EArgumentException(kPutFileNeedsContent);
    TJSONValue* value = first->JsonValue();
    Text content;
    if (dynamic_cast<TJSONString*>(value) && !dynamic_cast<TJSONNumber*>(value)) {
      content = value->Value();
    } else {
      Text text = value->ToString();
      content = text.size() >= 2 ? text.substr(1, text.size() - 2) : Text();
    }
    WriteAllText(JoinInsideFolder(ImportFolder(Folders()), cFileName), content);
    return u"OK";
  } catch (const std::exception& e) {
    return Utf8ToText(e.what());
  }
}

std::shared_ptr<TStream> TServerMethods1::GetFile(const Text& cFileName) {
  std::shared_ptr<TStream> stream;
  try {
    Text full = JoinInsideFolder(ExportFolder(Folders()), cFileName, false);
    try {
      stream = std::make_shared<TFileStream>(platform::Utf8FromPath(LocalPath(full)), true);
    } catch (const EFOpenError& e) {
      // the message names the path as the client knows it, not where it lies on this machine
      std::string message = e.what();
      size_t close = message.find("\". ");
      throw EFOpenError(FormatMessage(
          kCannotOpenFile,
          {TextToUtf8(full), close == std::string::npos ? "" : message.substr(close + 3)}));
    }
  } catch (const std::exception& e) {
    stream = std::make_shared<TMemoryStream>(
        EncodeText(u"Errore: " + Utf8ToText(e.what()), kAnsiCodePage));
  }
  if (StreamHandedOver) StreamHandedOver(stream);
  return stream;
}

namespace {

const char16_t* const kProductListFile = u"C:\\orsolan\\Pellandro\\STIVALO\\json\\prodotti.json";
const char* const kExporter = "c:\\orsolan\\pellandro\\stivalo\\stivalo.exe";
// A list file that stops changing for this long while the exporter still runs is judged as it is.
constexpr std::chrono::seconds kProductListQuietTime{10};
// Callers that may wait for one run of the exporter, so that waiting never takes every module.
constexpr int kProductListCallers = 8;

// One run of the exporter; every caller that arrives while it runs shares its outcome.
struct TProductListRun {
  bool Done = false;
  Text Result;
  std::string Error;
};

std::mutex gProductListLock;
std::condition_variable gProductListDone;
std::shared_ptr<TProductListRun> gProductListRun;
int gProductListCallers = 0;

Text ExportProductList() {
  std::error_code ec;
  fs::remove(LocalPath(kProductListFile), ec);
  platform::TStartedProgram exporter = platform::ShellOpen(platform::MapWindowsPath(kExporter));
  if (!exporter) throw Exception(FormatMessage(kExporterNotStarted, {kExporter}));
  // The list counts as written once it parses. Text that does not parse is judged malformed
  // only once the exporter has ended, or after a long quiet time in case it never seems to end.
  auto start = std::chrono::steady_clock::now();
  std::unique_ptr<TJSONValue> value;
  std::string lastText;
  auto unchangedSince = start;
  for (;;) {
    bool ended = !exporter.Running();  // before reading, so that what is read then is final
    fs::path listFile = LocalPath(kProductListFile);  // the folders may appear only now
    if (fs::is_regular_file(listFile, ec)) {
      std::optional<Text> text;
      try {
        text = ReadAllText(kProductListFile);
      } catch (const EFOpenError&) {
        // still held by the exporter
      }
      if (text) {
        std::string ascii = EncodeText(*text, TCodePage::cpUSASCII);
        value = TJSONObject::ParseJSONValue(ascii);
        if (value) break;
        auto now = std::chrono::steady_clock::now();
        if (ascii != lastText) {
          lastText = ascii;
          unchangedSince = now;
        }
        if (ended || (!ascii.empty() && now - unchangedSince > kProductListQuietTime)) {
          fs::remove(listFile, ec);
          throw Exception(kProductListNotJSON);
        }
      }
    } else if (ended) {
      throw Exception(kProductListNotWritten);
    }
    if (std::chrono::steady_clock::now() - start > TServerMethods1::ProductListTimeout)
      throw Exception(kProductListLate);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!dynamic_cast<TJSONObject*>(value.get())) throw Exception(kInvalidClassTypecast);
  fs::remove(LocalPath(kProductListFile), ec);
  return value->ToString();
}

}  // namespace

Text TServerMethods1::ListaProdotti() {
  std::unique_lock lock(gProductListLock);
  if (gProductListCallers >= kProductListCallers) throw Exception(kProductListBusy);
  ++gProductListCallers;
  std::shared_ptr<TProductListRun> run = gProductListRun;
  if (run) {
    gProductListDone.wait(lock, [&] { return run->Done; });
  } else {
    run = gProductListRun = std::make_shared<TProductListRun>();
    lock.unlock();
    try {
      run->Result = ExportProductList();
    } catch (const std::exception& e) {
      run->Error = e.what();
    }
    lock.lock();
    run->Done = true;
    gProductListRun.reset();
    gProductListDone.notify_all();
  }
  --gProductListCallers;
  if (!run->Error.empty()) throw Exception(run->Error);
  return run->Result;
}

const TDSClassDescriptor& TServerMethods1::Descriptor() {
  static const TDSClassDescriptor descriptor = [] {
    TDSClassDescriptor d;
    d.ClassName = "TServerMethods1";
    d.UnitName = "ServerMethodsUnit1";
    d.Create = [] { return std::make_unique<TServerMethods1>(); };
    auto self = [](TDSServerObject& o) -> TServerMethods1& {
      return static_cast<TServerMethods1&>(o);
    };
    using P = std::vector<TDSValue>;
    using C = TDSCallContext;
    d.Methods = {
        DeclareMethod(
            "EchoString", {{"Value", "string"}}, "string",
            [=](TDSServerObject& o, P& p, C&) { p.back().Set(self(o).EchoString(p[0].AsText())); }),
        DeclareMethod("ReverseString", {{"Value", "string"}}, "string",
                      [=](TDSServerObject& o, P& p, C&) {
                        p.back().Set(self(o).ReverseString(p[0].AsText()));
                      }),
        DeclareMethod("SommaNumeri", {{"n1", "Integer"}, {"n2", "Integer"}}, "Integer",
                      [=](TDSServerObject& o, P& p, C&) {
                        p.back().Set(int64_t(
                            self(o).SommaNumeri(int32_t(p[0].AsInt()), int32_t(p[1].AsInt()))));
                      }),
        DeclareMethod("SalvaDB", {{"cTabella", "string"}, {"cDescrizione", "string"}}, "Boolean",
                      [=](TDSServerObject& o, P& p, C&) {
                        p.back().Set(self(o).SalvaDB(p[0].AsText(), p[1].AsText()));
                      }),
        DeclareMethod("ListaProdotti", {}, "string",
                      [=](TDSServerObject& o, P& p, C&) { p.back().Set(self(o).ListaProdotti()); }),
        DeclareMethod("ListaFiles494", {}, "string",
                      [=](TDSServerObject& o, P& p, C&) { p.back().Set(self(o).ListaFiles494()); }),
        DeclareMethod("LeggiFile494", {{"cFile", "string"}}, "string",
                      [=](TDSServerObject& o, P& p, C&) {
                        p.back().Set(self(o).LeggiFile494(p[0].AsText()));
                      }),
        DeclareMethod("PutFile", {{"cFileName", "string"}, {"jJson", "TJSONObject"}}, "string",
                      [=](TDSServerObject& o, P& p, C&) {
                        p.back().Set(self(o).PutFile(p[0].AsText(),
                                                     dynamic_cast<TJSONObject*>(p[1].AsJSON())));
                      }),
        DeclareMethod(
            "GetFile", {{"cFileName", "string"}}, "TStream",
            [=](TDSServerObject& o, P& p, C&) { p.back().Set(self(o).GetFile(p[0].AsText())); }),
    };
    for (auto& m : d.Methods)
      for (auto& param : m.Parameters) param.TypeUnit = "System";
    return d;
  }();
  return descriptor;
}

}  // namespace quillara

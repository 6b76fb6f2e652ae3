#pragma once
// The remote methods mobile clients call: Brontal's export folder listed, read and downloaded,
// uploads written into its import folder, the product list, and three small methods.
#include <chrono>
#include <functional>
#include <memory>

#include "base/TStream.h"
#include "base/Text.h"
#include "json/TJSON.h"
#include "rest/TDSServer.h"

namespace quillara {

// The folders the methods work in; the application publishes its registry settings here.
struct TMethodFolders {
  Text ImportPath;
  Text ExportPath;
};

class TServerMethods1 : public TDSServerObject {
 public:
  // Where the folder settings come from, and who is told of a downloaded stream (the control
  // window keeps a weak reference to it and lets go of it a second later).
  static std::function<TMethodFolders()> Folders;
  static std::function<void(std::weak_ptr<TStream>)> StreamHandedOver;
  // How long ListaProdotti waits for the exporter's file.
  static std::chrono::milliseconds ProductListTimeout;

  Text EchoString(const Text& Value);
  Text ReverseString(const Text& Value);
  int32_t SommaNumeri(int32_t n1, int32_t n2);
  bool SalvaDB(const Text& cTabella, const Text& cDescrizione);
  Text ListaProdotti();
  Text ListaFiles494();
  Text LeggiFile494(const Text& cFile);
  Text PutFile(const Text& cFileName, TJSONObject* jJson);
  std::shared_ptr<TStream> GetFile(const Text& cFileName);

  // The class as the remoting server registers it.
  static const TDSClassDescriptor& Descriptor();
};

}  // namespace quillara

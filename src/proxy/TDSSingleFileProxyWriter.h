#pragma once
// How the writers route their lines: to the "implementation" output, which is the only one
// of the one-file writers.
#include <string>

#include "proxy/TDSConnectorProxyWriter.h"

namespace quillara {

// Sends everything to the output OutputID names, or to TextWriter when one is attached.
template <typename TBase>
class TDSImplementationOutput : public TBase {
 public:
  void EmitText(const std::string& text) override { Current().Write(text); }
  void EmitLineEnd() override { Current().WriteLine(); }
  // Takes precedence over the outputs when set; the generator never sets it.
  IDSProxyWriter* TextWriter = nullptr;

 protected:
  virtual std::string OutputID() { return "implementation"; }

 private:
  IDSProxyWriter& Current() {
    if (TextWriter) return *TextWriter;
    IDSProxyWriter* sink = this->Sink(OutputID());
    if (!sink) throw TDSProxyException("Stream not found");
    return *sink;
  }
};

}  // namespace quillara

#pragma once
// What the one-file language writers share: routing every line to the "implementation"
// output.
#include <string>

#include "proxy/TDSConnectorProxyWriter.h"

namespace quillara {

// Sends everything to the "implementation" output, or to TextWriter when one is attached.
template <typename TBase>
class TDSImplementationOutput : public TBase {
 public:
  void EmitText(const std::string& text) override { Current().Write(text); }
  void EmitLineEnd() override { Current().WriteLine(); }
  // Takes precedence over the output when set; the generator never sets it.
  IDSProxyWriter* TextWriter = nullptr;

 private:
  IDSProxyWriter& Current() {
    if (TextWriter) return *TextWriter;
    IDSProxyWriter* sink = this->Sink("implementation");
    if (!sink) throw TDSProxyException("Stream not found");
    return *sink;
  }
};

}  // namespace quillara

#pragma once
// HTML templates: the template copied with each <#tag params> replaced by its handler's text.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/TStream.h"
#include "base/TStrings.h"
#include "base/Text.h"
#include "platform/TFileSystem.h"
#include "web/TCustomWebDispatcher.h"

namespace quillara {

enum class TTag { tgCustom, tgLink, tgImage, tgTable, tgImageMap, tgObject, tgEmbed };

class TBasePageProducer : public IProduceContent {
 public:
  using THTMLTagEvent =
      std::function<void(TBasePageProducer& sender, TTag tag, const Text& tagString,
                         const TStrings& tagParams, Text& replaceText)>;
  explicit TBasePageProducer(std::string name) : FName(std::move(name)) {}
  std::string Name() const override { return FName; }
  THTMLTagEvent OnHTMLTag;
  bool StripParamQuotes = true;

  // The page of a template given as bytes: UTF-8 after a byte-order mark, else ANSI (or always
  // UTF-8 when utf8 is set).
  Text ContentFromBytes(const std::string& bytes, bool utf8);
  Text ContentFromString(const Text& text) { return ContentFromBytes(TextToUtf8(text), true); }
  Text ContentFromStream(TStream& stream) { return ContentFromBytes(stream.ReadRest(), false); }

 private:
  std::string FName;
};

class TCustomPageProducer : public TBasePageProducer {
 public:
  using TBasePageProducer::TBasePageProducer;
  const std::string& HTMLFile() const { return FHTMLFile; }
  void SetHTMLFile(const std::string& name) {
    if (name != FHTMLFile) HTMLDoc.clear();
    FHTMLFile = name;
  }
  std::vector<Text> HTMLDoc;
  // Fails with "Cannot open file "%s". %s", "Line too long on line %d" or a decoding error.
  Text Content() override;
  // Where the template file lies: relative names beside the executable, letter case ignored.
  std::string TemplatePath() const;

 private:
  std::string ResolveTemplatePath() const;
  const std::string& TemplateBytes();
  std::string FHTMLFile;
  // The last path found for FHTMLFile, and the name it was found for.
  mutable std::string FResolved;
  mutable std::string FResolvedFor;
  // The template's bytes as last read from FResolved, and the file's stamp then when the bytes
  // may be used again.
  std::string FBytes;
  std::optional<platform::TFileStamp> FBytesStamp;
};

class TPageProducer : public TCustomPageProducer {
 public:
  using TCustomPageProducer::TCustomPageProducer;
};

}  // namespace quillara

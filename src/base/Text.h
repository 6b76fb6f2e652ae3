#pragma once
// UTF-16 text, as the system counts characters, and its conversions to bytes.
#include <string>
#include <string_view>

namespace quillara {

using Text = std::u16string;

// Invalid UTF-8 becomes U+FFFD per bad byte; a lone surrogate becomes U+FFFD in UTF-8.
Text Utf8ToText(std::string_view utf8);
std::string TextToUtf8(std::u16string_view text);

// ASCII-only: for literals and numbers.
Text AsciiToText(std::string_view ascii);

// Text that is safe inside an HTML element or a quoted attribute: & < > " ' as references.
Text EscapeHTML(std::u16string_view text);

}  // namespace quillara

#pragma once
// UTF-8 and UTF-16 texts at the edge of the wide Win32 calls.
#include <string>
#include <string_view>

namespace quillara::platform {

std::wstring WideOf(std::string_view utf8);
std::string Utf8Of(std::wstring_view wide);
// The system's message for an error code, without the trailing line break.
std::string SystemErrorText(unsigned long error);

}  // namespace quillara::platform

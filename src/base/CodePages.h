#pragma once
// Conversions between UTF-16 text and the byte encodings the server meets: the system's ANSI code
// page, Windows-1252, UTF-8, ISO-8859-1 and US-ASCII. A character the target cannot hold becomes
// "?".
#include <optional>
#include <string>
#include <string_view>

#include "base/Text.h"

namespace quillara {

// cpAnsi is the system's ANSI code page; where the system has none, Windows-1252 stands in.
enum class TCodePage { cpWindows1252, cpUTF8, cpISO88591, cpUSASCII, cpAnsi };

constexpr TCodePage kAnsiCodePage = TCodePage::cpAnsi;

std::string EncodeText(std::u16string_view text, TCodePage codePage);
Text DecodeBytes(std::string_view bytes, TCodePage codePage);
// The code page an HTTP charset name stands for (case-insensitive), or none when unknown.
std::optional<TCodePage> CodePageOfCharSet(std::string_view charSet);

}  // namespace quillara

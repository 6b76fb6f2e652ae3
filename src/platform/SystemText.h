#pragma once
// Texts at the edge of the system's calls: file paths and the ANSI code page. The program keeps
// text as UTF-8 or UTF-16; the Windows file system names files in UTF-16, and a narrow string
// handed to it is read in the ANSI code page, so paths cross through these two functions only.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillara::platform {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// The program's arguments in UTF-8: on Windows main's narrow ones are in the ANSI code page, so
// they are taken from the wide command line instead.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The system's ANSI code page (GetACP); 1252 on Linux, where base's own Windows-1252 tables
// stand in for it.
uint32_t AnsiCodePage();
// Conversions with the system's own tables: a character the code page cannot hold becomes "?".
// False where the system has none (Linux), and the caller converts by itself.
bool EncodeAnsi(std::u16string_view text, std::string& bytes);
bool DecodeAnsi(std::string_view bytes, std::u16string& text);

}  // namespace quillara::platform

#pragma once
// The texts base/ puts into its errors, each written once. They are behaviour: clients and
// operators see them byte for byte. The layers above reuse them where they report the same
// failure.
namespace quillara {

// Templates, filled by FormatMessage.
inline constexpr char kInvalidInteger[] = "'%s' is not a valid integer value";
inline constexpr char kInvalidFloat[] = "'%s' is not a valid floating point value";
inline constexpr char kInvalidMask[] = "'%s' is an invalid mask at (%d)";
inline constexpr char kCannotOpenFile[] = "Cannot open file \"%s\". %s";
inline constexpr char kCannotCreateFile[] = "Cannot create file \"%s\". %s";
inline constexpr char kNameOutsideFolder[] = "The file name must name a file inside the folder: %s";

inline constexpr char kNotARegularFile[] = "The file is not a regular file";
inline constexpr char kPathTooLong[] = "The specified path is too long";
inline constexpr char kPathFormatNotSupported[] = "The path format is not supported";
inline constexpr char kInvalidPathCharacters[] = "Invalid characters in path";
inline constexpr char kPathNotFound[] = "The specified path was not found";
inline constexpr char kFileNotFound[] = "The specified file was not found";
inline constexpr char kNoUnicodeMapping[] =
    "No mapping for the Unicode character exists in the target multi-byte code page";

}  // namespace quillara

#pragma once
// The texts the JSON library puts into its errors, each written once. They are behaviour: the
// REST layer answers with them. Templates are filled by FormatMessage.
namespace quillara {

inline constexpr char kUtf8StartByte[] =
    "UTF8: A start byte not followed by enough continuation bytes in position %s";
inline constexpr char kUtf8Continuation[] =
    "UTF8: An unexpected continuation byte in %s-byte UTF8 in position %s";
inline constexpr char kUtf8Header[] =
    "UTF8: Type cannot be determined out of header byte at position %s";
inline constexpr char kJSONBufferTooSmall[] = "Buffer too small for the JSON bytes";
inline constexpr char kPairWithoutJSONForm[] = "A pair without a name or a value has no JSON form";

}  // namespace quillara

#pragma once
// The texts the HTTP layer puts into its errors, each written once. They are behaviour: the
// window's error box and the request loop's answers show them byte for byte.
namespace quillara {

inline constexpr char kSocketErrorText[] = "Socket Error # %d\r\n%s";
inline constexpr char kCouldNotBind[] =
    "Could not bind socket. Address and port are already in use.";
inline constexpr char kClosedWhileWriting[] = "Connection closed while writing";
inline constexpr char kHeaderAlreadyWritten[] = "Header has already been written.";

}  // namespace quillara

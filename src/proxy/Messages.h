#pragma once
// The texts the proxy generator and the zip writer put into their errors, each written once.
// They are behaviour: the /proxy/ answers and the tests show them. Templates are filled by
// FormatMessage.
namespace quillara {

inline constexpr char kParamDirectionNotAllowed[] = "Param direction not allowed";
inline constexpr char kStreamWriteError[] = "Stream write error";
inline constexpr char kProxyWriterNotSpecified[] = "Proxy writer not specified";
inline constexpr char kUnknownProxyWriter[] = "Unknown proxy writer: %s";
inline constexpr char kNoProxyMetaData[] = "No proxy meta data";
inline constexpr char kStreamNotFound[] = "Stream not found";
inline constexpr char kNoConnection[] = "No connection";
inline constexpr char kErrorWritingZip[] = "Error writing zip file";
inline constexpr char kZipEntryNameTooLong[] = "Zip entry name too long: \"%s\"";

}  // namespace quillara

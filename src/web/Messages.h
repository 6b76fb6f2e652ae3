#pragma once
// The texts the web layer answers with or puts into its errors, each written once. They are
// behaviour: clients see them byte for byte. Templates are filled by FormatMessage.
namespace quillara {

inline constexpr char kTooManyConcurrentConnections[] =
    "Maximum number of concurrent connections exceeded.  Please try again later";
inline constexpr char kNoDataModules[] = "No data modules registered";
inline constexpr char kInternalApplicationErrorPage[] =
    "<html><body><h1>Internal Application Error</h1>\r\n<p>%0:s\r\n<p><hr "
    "width=\"100%%\"><i>%1:s</i></body></html>";
inline constexpr char kDuplicateActionName[] = "Duplicate action name";
inline constexpr char kDuplicateMimeTypes[] = "Duplicate mime types for extension: %s";
inline constexpr char kURLEncodingIncomplete[] =
    "Error decoding URL style (%%XX) encoded string at position %d";
inline constexpr char kURLEncodingInvalid[] = "Invalid URL encoded character (%s) at position %d";
inline constexpr char kInvalidResponseIndex[] = "Invalid Index %s in THTTPAppResponse.%s";
inline constexpr char kTemplateLineTooLong[] = "Line too long on line %d";

}  // namespace quillara

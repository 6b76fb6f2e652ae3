#pragma once
// The texts the remoting layer answers with; those it shares with base (the integer and floating
// point conversions, the file errors) are base's, in base/Messages.h. Templates keep their
// placeholders ("%s", "%d",
// "%0:s") and are filled by FormatMessage.

namespace quillara::TDSMessages {

// Routing
inline constexpr const char* kContextExpected = "Expected dataserver context in request %s";
inline constexpr const char* kProtocolNotSupported =
    "Specified protocol in request %s is not supported. Current supported protocols are: %s, "
    "json, tunnel";
inline constexpr const char* kNoRESTContext = "none specified (uses rest)";
inline constexpr const char* kTunnelNotServed = "The tunnel is not served by this server";
inline constexpr const char* kUnknownCommandType = "Unknown command type";
inline constexpr const char* kCommandNotSupported =
    "Command %s in request is not supported. Accepted commands are: GET, POST, PUT and DELETE";
inline constexpr const char* kInvalidRequestFormat =
    "Invalid request format. /className/methodName and eventual parameters expected.";

// Sessions
inline constexpr const char* kSessionExpired =
    "The specified session has expired due to inactivity or was an invalid Session ID";
inline constexpr const char* kSessionExpiredReason = "Session has expired";
inline constexpr const char* kSessionClosed = "{\"result\":[true]}";

// Query parameters
inline constexpr const char* kConverterNotAccepted =
    "Query parameter %0:s (%1:s) is not accepted as a valid converter. The converter type might "
    "not be registered yet hence the request is rejected";
inline constexpr const char* kConvertersConflict =
    "Query parameters are conflicting. This is usually due to references on the same output "
    "parameter";
inline constexpr const char* kOutputNotConvertible =
    "The output parameter (%d) cannot be converted by the selected converter (%s)";

// Conversions
inline constexpr const char* kInvalidBoolean = "'%s' is not a valid boolean value";
inline constexpr const char* kCannotConvertJSONInput = "Cannot convert JSON value %s input into %s";
inline constexpr const char* kCannotConvertToStream = "Cannot convert JSON input into a stream";
inline constexpr const char* kCannotConvertToJSON = "Cannot convert DBX type %s into a JSON value";
inline constexpr const char* kNotValidJSON = "Message content is not a valid JSON value.";
inline constexpr const char* kContentMemoryTaken =
    "Message content cannot be read now: the memory for request contents is taken by other "
    "requests.";
inline constexpr const char* kContentTooLarge =
    "Message content is too large: its JSON value would take more than %d bytes of memory.";
inline constexpr const char* kInputsNotConsumed =
    "Server method %0:s consumed only %1:d input parameters out of %2:d. Either call with more "
    "parameters or change method definition.";
inline constexpr const char* kCommandClosed = "Command closed or unassigned.";

// Result cache
inline constexpr const char* kInvalidCachePath = "Invalid request format. (%s)";
inline constexpr const char* kNoCachedItem = "There is no cached item with ID: %d";
inline constexpr const char* kNoCachedParameter =
    "There is no parameter for command %d, parameter index %d.";
inline constexpr const char* kStreamTooLargeForCache =
    "The stream result is too large to be kept in the cache (at most %d bytes)";

// Server classes and methods
inline constexpr const char* kClassAlreadyAdded =
    "%s class has already been added to the server class list";
inline constexpr const char* kMethodAlreadyAdded =
    "%s method has already been added to the server method list";
inline constexpr const char* kNoClassReference =
    "OnGetClass event not set or it did not provide a class reference";
inline constexpr const char* kMethodNotFound = "%s method not found in the server method list";
inline constexpr const char* kUnknownLifeCycle = "Unknown LifeCycle:  ";
inline constexpr const char* kRegistryIsFixed =
    "The server class and method lists cannot be changed while the server runs";
inline constexpr const char* kNoDatabaseConnection =
    "No database connection is available on this server";

}  // namespace quillara::TDSMessages

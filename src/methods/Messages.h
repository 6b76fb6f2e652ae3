#pragma once
// The texts the remote methods answer with, each written once. They are behaviour: clients see
// them byte for byte. Templates are filled by FormatMessage.
namespace quillara {

inline constexpr char kFolderSettingNotSet[] = "The folder setting %s is not set";
inline constexpr char kFolderSettingNotFullPath[] = "The folder setting %s is not a full path: %s";
inline constexpr char kPutFileNeedsContent[] =
    "PutFile needs a JSON object with the content as its first member";
inline constexpr char kExporterNotStarted[] = "The product list exporter could not be started: %s";
inline constexpr char kProductListNotJSON[] = "The product list is not valid JSON";
inline constexpr char kProductListNotWritten[] =
    "The product list exporter ended without writing the product list";
inline constexpr char kProductListLate[] =
    "The product list was not written by the exporter in time";
inline constexpr char kInvalidClassTypecast[] = "Invalid class typecast";
inline constexpr char kProductListBusy[] =
    "The product list is being exported for other callers; please try again shortly";

}  // namespace quillara

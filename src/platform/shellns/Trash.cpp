#include "platform/shellns/TrashInternal.h"

#include <gio/gio.h>

#include <memory>

namespace shellns::detail {
namespace {

struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GioPtr = std::unique_ptr<T, Unref>;

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

HResult FromGioError(const GError& error)
{
    if (error.domain != G_IO_ERROR)
        return E_FAIL;
    switch (error.code) {
    case G_IO_ERROR_NOT_FOUND:
        return FromSystemError(kErrorFileNotFound);
    case G_IO_ERROR_NO_SPACE:
        return FromSystemError(kErrorDiskFull);
    case G_IO_ERROR_FILENAME_TOO_LONG:
        return FromSystemError(kErrorFilenameTooLong);
    case G_IO_ERROR_TOO_MANY_OPEN_FILES:
        return FromSystemError(kErrorTooManyOpenFiles);
    default:
        // Refused permissions, and a volume without a trash it may use: either way the item stays.
        return FromSystemError(kErrorAccessDenied);
    }
}

} // namespace

bool TrashAvailable(const std::string& path)
{
    if (path.empty())
        return false;
    const GioPtr<GFile> file(g_file_new_for_path(path.c_str()));
    const GioPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH,
                                                   G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, nullptr));
    return info && g_file_info_get_attribute_boolean(info.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH);
}

HResult MoveToTrash(const std::string& path)
{
    if (path.empty())
        return FromSystemError(kErrorFileNotFound);
    const GioPtr<GFile> file(g_file_new_for_path(path.c_str()));
    GError* failure = nullptr;
    if (g_file_trash(file.get(), nullptr, &failure))
        return S_OK;
    const std::unique_ptr<GError, ErrorFree> error(failure);
    return error ? FromGioError(*error) : E_FAIL;
}

} // namespace shellns::detail

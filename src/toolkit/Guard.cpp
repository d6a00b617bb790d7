#include "toolkit/Guard.h"

#include "toolkit/Exceptions.h"

#include <QtGlobal>

namespace {

TExceptionHandler& Installed()
{
    static TExceptionHandler handler;
    return handler;
}

}  // namespace

TExceptionHandler SetExceptionHandler(TExceptionHandler handler)
{
    return std::exchange(Installed(), std::move(handler));
}

void HandleEscapedException(std::exception_ptr error) noexcept
{
    try {
        if (Installed()) {
            Installed()(error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        qWarning("Unhandled exception: %s", qUtf8Printable(e.Message()));
    } catch (const std::exception& e) {
        qWarning("Unhandled exception: %s", e.what());
    } catch (...) {
        qWarning("Unhandled exception of unknown type");
    }
}

#pragma once
// Every entry from Qt into the toolkit's code (event handlers, slots, timers) runs inside
// Guard: an exception that escapes becomes the application's standard error box and never
// unwinds through a Qt frame.

#include <exception>
#include <functional>
#include <utility>

// Shows or otherwise reports an exception caught at an entry from Qt; the application
// installs its own. Returns the previous handler.
using TExceptionHandler = std::function<void(std::exception_ptr)>;
TExceptionHandler SetExceptionHandler(TExceptionHandler handler);

// Passes the exception to the installed handler (without one: a warning on stderr).
void HandleEscapedException(std::exception_ptr error) noexcept;

template <class F>
void Guard(F&& body) noexcept
{
    try {
        std::forward<F>(body)();
    } catch (...) {
        HandleEscapedException(std::current_exception());
    }
}

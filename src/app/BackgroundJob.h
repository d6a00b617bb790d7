#pragma once
// Long jobs (a scan, a removal) run on a worker thread so the windows keep drawing, while the
// click handler that started one waits for it: handlers still never overlap.
//
//   std::atomic<bool> cancel{false};
//   app::RunJob([&] { result = replays::FindReplays(catalogue, folder, {&counter, &cancel}); },
//               cancel, QStringLiteral("Поиск реплеев"), [&] { return counter.Status(); });
//
// The worker reaches the windows only through RunOnUiThread; its progress goes into atomics
// that the progress window reads on a timer.

#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>

namespace app {

// A job that ends sooner shows no progress window at all.
inline constexpr std::chrono::milliseconds kProgressDelay{500};

// Runs work on a worker thread and returns once it has ended; what escaped the work is thrown
// again here. Meanwhile this, the user-interface thread, serves the worker's RunOnUiThread
// calls and takes no user input: after kProgressDelay a modal progress window titled title
// shows the lines status() gives, read again ten times a second, with a Cancel button that
// sets cancel (as does closing it).
void RunJob(const std::function<void()>& work, std::atomic<bool>& cancel, const QString& title,
            const std::function<QStringList()>& status);

// Runs call on the user-interface thread and returns when it has; an exception it throws is
// thrown again here. On the user-interface thread it just runs call.
void RunOnUiThread(const std::function<void()>& call);

// Asks the running job to stop; waiters on the flag wake.
void RequestCancel(std::atomic<bool>& cancel);

} // namespace app

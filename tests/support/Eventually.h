#pragma once
// Waiting in a test, with events processed meanwhile, the one way tests wait: for a condition,
// or for a window to be shown or made active. Qt's own QTRY_ macros tell a timeout only to Qt's
// test log, which a GoogleTest program never reads, and a bare wait lets a test go on after a
// timeout; these fail the test and stop it there. The rule test (tests/rules) flags any other wait.
//
//   ASSERT_EVENTUALLY(notifier->Watching());
//   ASSERT_EVENTUALLY_EQ(desktop.Opened(), std::vector<std::string>{folder});
//   ASSERT_EVENTUALLY_EXPOSED(&form);   // and ASSERT_EVENTUALLY_ACTIVE, in programs with widgets

#include <QtCore/qtestsupport_core.h>
#ifdef QT_WIDGETS_LIB
#include <QtWidgets/qtestsupport_widgets.h>
#endif
#include <gtest/gtest.h>

namespace testsupport {
// Long enough for a loaded machine running the sanitizer build; a passing wait ends at once.
inline constexpr int kEventuallyMs = 10000;
} // namespace testsupport

#define ASSERT_EVENTUALLY_WITHIN(condition, ms)                                                    \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, ms))                \
        << "never came true: " #condition

#define ASSERT_EVENTUALLY(condition) ASSERT_EVENTUALLY_WITHIN(condition, testsupport::kEventuallyMs)

#define ASSERT_EVENTUALLY_EQ(actual, expected)                                                     \
    do {                                                                                           \
        (void)QTest::qWaitFor([&] { return (actual) == (expected); }, testsupport::kEventuallyMs); \
        ASSERT_EQ(actual, expected);                                                               \
    } while (false)

// Qt's own waits for a window, which know what each platform can tell of it.
#define ASSERT_EVENTUALLY_EXPOSED(widget)                                                          \
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget, testsupport::kEventuallyMs))                  \
        << "never shown: " #widget
#define ASSERT_EVENTUALLY_ACTIVE(widget)                                                           \
    ASSERT_TRUE(QTest::qWaitForWindowActive(widget, testsupport::kEventuallyMs))                   \
        << "never active: " #widget

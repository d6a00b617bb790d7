#pragma once
// Waiting for a condition in a test, with events processed meanwhile. Qt's own QTRY_ macros tell
// a timeout only to Qt's test log, which a GoogleTest program never reads, so the test would pass;
// these fail it, and stop it there as Qt's do.

#include <QTest>
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

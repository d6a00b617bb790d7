#include "platform/gdi/SystemMetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

using namespace gdi;

TEST(SystemMetrics, ScreenComesFromThePrimaryScreenAndCanBeOverridden)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.width());
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), screen.height());
    SetSystemMetricOverride(SM_CXSCREEN, 640);
    SetSystemMetricOverride(SM_CYCAPTION, 25);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 25);
    ClearSystemMetricOverrides();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.width());
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
}

TEST(SystemMetrics, ClassicFrameSizes)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXDLGFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CYFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMCAPTION), 15);
    EXPECT_EQ(GetSystemMetrics(9999), 0);
}

}  // namespace

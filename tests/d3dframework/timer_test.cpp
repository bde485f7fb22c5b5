// The frame clock, driven by a hand-moved clock.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "d3dframework/app_timer.h"

namespace {

TEST(AppTimer, CountsFromTheFirstStartAndStandsStillWhileStopped) {
    double now = 100.0;
    d3dframework::AppTimer timer([&] { return now; });
    EXPECT_TRUE(timer.Stopped());
    timer.Start();
    EXPECT_FLOAT_EQ(timer.ApplicationTime(), 0.0f);
    now = 101.5;
    EXPECT_FLOAT_EQ(timer.ApplicationTime(), 1.5f);
    EXPECT_FLOAT_EQ(timer.ElapsedTime(), 1.5f);
    EXPECT_FLOAT_EQ(timer.ElapsedTime(), 0.0f);

    timer.Stop();
    now = 110.0;
    EXPECT_FLOAT_EQ(timer.ApplicationTime(), 1.5f);
    EXPECT_FLOAT_EQ(timer.ElapsedTime(), 0.0f);
    timer.Stop();  // a second stop keeps the first stop moment
    now = 120.0;
    timer.Start();
    EXPECT_FLOAT_EQ(timer.ApplicationTime(), 1.5f);
    now = 120.25;
    EXPECT_FLOAT_EQ(timer.ApplicationTime(), 1.75f);
    EXPECT_FLOAT_EQ(timer.ElapsedTime(), 0.25f);

    timer.Start();  // starting a running timer only restarts the elapsed measure
    now = 121.0;
    EXPECT_FLOAT_EQ(timer.ApplicationTime(), 2.5f);
    EXPECT_FLOAT_EQ(timer.ElapsedTime(), 0.75f);
}

TEST(AppTimer, TheSteadyClockCountsSeconds) {
    // A clock in the wrong unit (milliseconds, ticks) would make this 50 ms look like
    // minutes; the bound above is loose enough for a loaded machine.
    const double before = d3dframework::AppTimer::SteadySeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double slept = d3dframework::AppTimer::SteadySeconds() - before;
    EXPECT_GE(slept, 0.05);
    EXPECT_LT(slept, 5.0);
}

}  // namespace

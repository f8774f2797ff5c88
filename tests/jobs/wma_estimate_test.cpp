// The WMA step's read-outs, driven by a fake clock and made-up output sizes.

#include "jobs/wma_estimate.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kStart = 1'000'000; // any origin; only differences count

struct Tick {
    qint64 ms;            // clock reading, from kStart
    qint64 outputSize;    // -1: no output file yet
    const char* elapsed;  // Label1
    const char* estimate; // Label2, or null when it is left alone
    int gauge;
};

void runTicks(const char* name, qint64 inputSize, qint32 bitRate, std::initializer_list<Tick> ticks)
{
    TWmaTimeEstimate estimate;
    estimate.start(kStart, inputSize);
    for (const Tick& t : ticks) {
        qint32 setting = bitRate;
        const TWmaEstimateTick r = estimate.tick(kStart + t.ms, true, t.outputSize, setting);
        const std::string where = std::string(name) + " at " + std::to_string(t.ms) + " ms";
        EXPECT_EQ(r.ElapsedText, QLatin1String(t.elapsed)) << where;
        EXPECT_TRUE(r.HideInitLabel) << where;
        EXPECT_EQ(r.HasEstimate, t.estimate != nullptr) << where;
        if (t.estimate) {
            EXPECT_EQ(r.EstimatedText, QLatin1String(t.estimate)) << where;
        }
        EXPECT_EQ(r.GaugePosition, t.gauge) << where;
    }
}

} // namespace

TEST(WmaEstimate, SmallInputsCountOneSecondAhead)
{
    runTicks("under 2000000 bytes", 1999999, 8,
             {
                 {1000, 0, "00:01", "00:02", 50},
                 {2000, 100, "00:02", "00:03", 67},
                 {3000, 100, "00:03", "00:04", 75},
                 {3400, 100, "00:03", "00:04", 75},
                 {10000, 100, "00:10", "00:11", 91},
             });
}

TEST(WmaEstimate, LargeInputsExtrapolateFromTheOutputsGrowth)
{
    // 21790 for the default profile: 10 MB in, about 458922 bytes expected.
    const qint64 in = 10'000'000;
    runTicks("profile 8", in, 8,
             {
                 {500, 0, "00:00", nullptr, 0},        // nothing written yet
                 {1000, -1, "00:01", nullptr, 0},      // no file yet
                 {1000, 45892, "00:01", "00:10", 10},  // a tenth of it
                 {2000, 229461, "00:02", "00:04", 50}, // half
                 {3000, 229461, "00:03", "00:06", 50}, // stalled: estimate grows, gauge holds
                 {4000, 600000, "00:04", "00:05", 80}, // beyond expectation: output is the goal
             });
    // A stored 40 is out of the table: the default's ratio applies.
    runTicks("profile 40", in, 40, {{2000, 229461, "00:02", "00:04", 50}});
    // The first profile expects a larger output (ratio 7315).
    runTicks("profile 0", in, 0, {{2000, 683527, "00:02", "00:04", 50}});
}

TEST(WmaEstimate, CorrectsTheSettingAndOnlyShowsElapsedWhenIdle)
{
    TWmaTimeEstimate estimate;
    estimate.start(kStart, 10'000'000);
    qint32 setting = 40;
    TWmaEstimateTick r = estimate.tick(kStart + 2500, true, 1000, setting);
    EXPECT_EQ(setting, 8);
    EXPECT_EQ(r.ElapsedText, QStringLiteral("00:02")); // 2.5 rounds to even

    setting = 33;
    r = estimate.tick(kStart + 3500, false, 1000, setting);
    EXPECT_EQ(r.ElapsedText, QStringLiteral("00:04"));
    EXPECT_FALSE(r.HideInitLabel);
    EXPECT_FALSE(r.HasEstimate);
    EXPECT_EQ(setting, 33); // the idle tick reads nothing else

    // A new step puts the gauge back to 0.
    estimate.tick(kStart + 5000, true, 10'000'000, setting);
    EXPECT_GT(estimate.gaugePosition(), 0);
    estimate.start(kStart + 6000, 100);
    EXPECT_EQ(estimate.gaugePosition(), 0);
}

TEST(WmaEstimate, TableMatchesTheProfiles)
{
    EXPECT_EQ(kWmaSizeRatio.size(), 33u);
    EXPECT_EQ(kWmaSizeRatio[0], 7315);
    EXPECT_EQ(kWmaSizeRatio[8], 21790);
    EXPECT_EQ(kWmaSizeRatio[32], 261485);
    for (int ratio : kWmaSizeRatio)
        EXPECT_GT(ratio, 1000);
}

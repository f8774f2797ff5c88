// The stream component framework: runs, stops, pauses, failures, input swaps
// and removal, and destruction while running.

#include "audio_test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace audiotest;
using namespace std::chrono_literals;

namespace {

// The counters outlive the output: a handler may still be returning on the
// worker when a waiting test goes on.
struct Watched {
    EventCounter done, failed, progress;
    CollectingOut out;
    Watched()
    {
        out.OnDone = [this](QObject* sender) {
            EXPECT_EQ(sender, &out);
            done.hit();
        };
        out.OnThreadException = [this](QObject*, const std::exception& e) { failed.hit(e.what()); };
        out.OnProgress = [this](QObject*) { progress.hit(); };
    }
};

std::string messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EPcmException& e) {
        return e.what();
    }
    return "(no exception)";
}

} // namespace

TEST(PcmOutput, MisuseRaisesTheDesignedMessages)
{
    Watched w;
    EXPECT_EQ(messageOf([&] { w.out.Run(); }), "Input is not assigned");
    ByteSource endless('x', -1);
    w.out.SetInput(&endless);
    w.out.Run();
    EXPECT_EQ(messageOf([&] { w.out.Run(); }), "Component is buisy");
    w.out.Stop();
    ASSERT_TRUE(w.done.waitFor(1));
}

TEST(PcmOutput, RunToTheEndDeliversEveryByteAndReportsProgress)
{
    Watched w;
    ByteSource source('a', 100000);
    w.out.SetInput(&source);
    w.out.Run();
    ASSERT_TRUE(w.done.waitFor(1));
    EXPECT_EQ(w.out.data(), QByteArray(100000, 'a'));
    EXPECT_EQ(w.failed.count(), 0);
    EXPECT_GT(w.progress.count(), 5);
    EXPECT_EQ(w.out.Status(), osIdle);
    EXPECT_EQ(source.endCount, 1);
    // A second run on the same output works the same way.
    w.out.Run();
    ASSERT_TRUE(w.done.waitFor(2));
    EXPECT_EQ(w.out.data().size(), 200000);
}

TEST(PcmOutput, StopEndsWithOnDoneNotAnException)
{
    Watched w;
    ByteSource endless('x', -1);
    w.out.SetInput(&endless);
    w.out.Run();
    EXPECT_EQ(w.out.Progress(), -1);
    std::this_thread::sleep_for(10ms);
    w.out.Stop();
    ASSERT_TRUE(w.done.waitFor(1));
    EXPECT_EQ(w.failed.count(), 0);
    EXPECT_EQ(endless.endCount, 1);
}

TEST(PcmOutput, FailingPrepareRunReachesOnThreadException)
{
    Watched w;
    ByteSource source('a', 10);
    w.out.SetInput(&source);
    w.out.failPrepare = true;
    w.out.Run(); // not raised to the caller
    ASSERT_TRUE(w.failed.waitFor(1));
    EXPECT_EQ(w.failed.last(), "prepare failed");
    EXPECT_EQ(w.done.count(), 0);
    EXPECT_EQ(w.out.Status(), osIdle);
    EXPECT_FALSE(w.out.Busy());
}

TEST(PcmOutput, FailingReadEndsTheRunThroughOnThreadException)
{
    Watched w;
    ByteSource source('a', -1);
    source.failReads = true;
    w.out.SetInput(&source);
    w.out.Run();
    ASSERT_TRUE(w.failed.waitFor(1));
    EXPECT_EQ(w.failed.last(), "read failed");
    EXPECT_EQ(w.out.finishCount, 1); // cleaned up
    EXPECT_EQ(w.out.Status(), osIdle);
}

TEST(PcmOutput, PauseReallyStopsTheFlowAndStopEndsAPausedRun)
{
    Watched w;
    ByteSource endless('x', -1);
    w.out.SetInput(&endless);
    w.out.Run();
    ASSERT_TRUE(waitUntil([&] { return endless.reads > 0; }));
    w.out.Pause();
    EXPECT_EQ(w.out.Status(), osPaused);
    const int reads = endless.reads;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(endless.reads, reads);
    w.out.Resume();
    EXPECT_EQ(w.out.Status(), osBusy);
    EXPECT_TRUE(waitUntil([&] { return endless.reads > reads; }));
    w.out.Pause();
    w.out.Stop();
    ASSERT_TRUE(w.done.waitFor(1));
    EXPECT_EQ(w.out.Status(), osIdle);
}

TEST(PcmOutput, SwappingTheInputDuringARunNeverMixesBlocks)
{
    Watched w;
    ByteSource first('A', -1), second('B', -1);
    w.out.SetInput(&first);
    w.out.Run();
    ASSERT_TRUE(waitUntil([&] { return first.reads > 2; }));
    w.out.SetInput(&second);
    EXPECT_EQ(first.endCount, 1);
    EXPECT_EQ(second.beginCount, 1);
    const int readsOfFirst = first.reads;
    ASSERT_TRUE(waitUntil([&] { return second.reads > 2; }));
    w.out.Stop();
    ASSERT_TRUE(w.done.waitFor(1));
    EXPECT_EQ(first.reads, readsOfFirst);
    const QByteArray data = w.out.data();
    const qsizetype firstB = data.indexOf('B');
    ASSERT_GT(firstB, 0);
    EXPECT_EQ(data.indexOf('A', firstB), -1);
    EXPECT_EQ(firstB % 4096, 0);
    EXPECT_EQ(second.endCount, 1);
}

TEST(PcmOutput, RemovedInputLeavesTheOutputWithoutInput)
{
    Watched w;
    auto source = std::make_unique<ByteSource>('x', -1);
    w.out.SetInput(source.get());
    w.out.Run();
    std::this_thread::sleep_for(5ms);
    source.reset();
    EXPECT_EQ(w.out.Input(), nullptr);
    ASSERT_TRUE(w.done.waitFor(1)); // the next block finds no input: a normal end
    EXPECT_EQ(w.failed.count(), 0);
}

TEST(PcmOutput, RemovingAFilterInTheMiddleOfAChain)
{
    Watched w;
    ByteSource source('x', -1);
    auto filter = std::make_unique<PassThrough>();
    filter->SetInput(&source);
    w.out.SetInput(filter.get());
    w.out.Run();
    std::this_thread::sleep_for(5ms);
    filter.reset();
    EXPECT_EQ(w.out.Input(), nullptr);
    ASSERT_TRUE(w.done.waitFor(1));
    EXPECT_EQ(source.endCount, 1);
}

TEST(PcmOutput, DestroyingARunningOutputRepeatedlyNeverHangs)
{
    for (int i = 0; i < 100; ++i) {
        ByteSource endless('x', -1);
        auto out = std::make_unique<CollectingOut>();
        EventCounter done;
        out->OnDone = [&](QObject*) { done.hit(); };
        out->SetInput(&endless);
        out->Run();
        if (i % 2)
            std::this_thread::sleep_for(1ms);
        if (i % 3 == 0)
            out->Pause();
        out.reset();
        // Finished quietly: the input was ended, no event fired from a dying object.
        EXPECT_EQ(endless.endCount, 1);
        EXPECT_EQ(done.count(), 0);
    }
}

TEST(PcmOutput, ANewRunStartedFromOnDoneKeepsGoing)
{
    EventCounter done;
    ByteSource source('a', 5000);
    CollectingOut out;
    out.OnDone = [&](QObject*) {
        done.hit();
        if (done.count() < 3)
            out.Run();
    };
    out.SetInput(&source);
    out.Run();
    ASSERT_TRUE(done.waitFor(3));
    EXPECT_EQ(out.data().size(), 15000);
}

TEST(PcmOutput, ProgressFollowsTheInputSize)
{
    struct Case {
        qint64 size, position;
        int expected;
    };
    const Case cases[] = {{-1, 0, -1},  {0, 0, 0},     {200, 1, 0},   {200, 3, 2},
                          {1000, 5, 0}, {1000, 15, 2}, {1000, 25, 2}, {1000, 1000, 100}};
    for (const Case& c : cases) {
        struct Fixed : ByteSource {
            Fixed(qint64 size, qint64 position) : ByteSource('x', size)
            {
                m_size = size;
                m_position = position;
            }
        } input(c.size, c.position);
        CollectingOut out;
        EXPECT_EQ(out.Progress(), 0); // no input
        out.SetInput(&input);
        EXPECT_EQ(out.Progress(), c.expected) << c.size << " " << c.position;
    }
}

TEST(PcmOutput, DelaySetterAndSelfInput)
{
    CollectingOut out;
    out.SetDelay(6);
    EXPECT_EQ(out.Delay(), 6);
    out.SetDelay(101);
    EXPECT_EQ(out.Delay(), 6);
    out.SetDelay(100);
    EXPECT_EQ(out.Delay(), 100);

    PassThrough filter;
    ByteSource source('x', 1);
    filter.SetInput(&source);
    filter.SetInput(&filter);
    EXPECT_EQ(filter.Input(), &source);
}

TEST(PcmOutput, ADelayedRunStillDeliversEverything)
{
    Watched w;
    ByteSource source('a', 3 * 4096);
    w.out.SetDelay(6);
    w.out.SetInput(&source);
    w.out.Run();
    ASSERT_TRUE(w.done.waitFor(1));
    EXPECT_EQ(w.out.data().size(), 3 * 4096);
}

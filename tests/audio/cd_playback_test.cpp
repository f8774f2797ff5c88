// CD playback: TCDPlayer reading the in-memory drive through TCDSource into
// ALSA's file plugin, so the bytes played are compared with the sectors.

#include "alsa_test_util.h"
#include "audio_test_util.h"

#include "jobs/cd_player.h"
#include "support/memory_cd_drive.h"

#include <gtest/gtest.h>

using namespace audiotest;
using quillon::test::MemoryCDDrive;
using quillon::test::ScopedCDAccess;

namespace {

// The default memory disc: tracks of 375, 225 and 150 sectors from LBA 0.
class CDPlayback : public testing::Test {
protected:
    CDPlayback() : m_scoped(m_drive)
    {
        m_handle = m_drive.GetCDHandle(m_drive.GetCDList().at(0));
        m_toc = m_drive.toc();
        m_player.SetIdleStatus(QStringLiteral("Memory CD-DRIVE"));
    }
    bool playToEnd(int row)
    {
        if (!m_player.Play(m_handle, m_toc, row, QStringLiteral("Song")))
            return false;
        return processEventsUntil([&] { return !m_player.IsPlaying(); });
    }

    AlsaPlayback m_alsa;
    MemoryCDDrive m_drive;
    ScopedCDAccess m_scoped;
    HCDROM m_handle = 0;
    TTOC m_toc;
    TCDPlayer m_player;
};

} // namespace

TEST_F(CDPlayback, TrackPlaysExactlyItsSectors)
{
    struct Case {
        int row;
        std::int32_t first, count;
    } cases[] = {{0, 0, 375}, {1, 375, 225}, {2, 600, 150}}; // the last one ends at the lead-out
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const size_t earlierReads = m_drive.reads().size();
        ASSERT_TRUE(playToEnd(c.row)) << m_player.LastError().toStdString();
        EXPECT_EQ(m_alsa.played(), m_drive.expectedAudio(c.first, c.count));
        EXPECT_EQ(m_player.LastError(), QString());
        EXPECT_EQ(m_player.StatusText(), QStringLiteral("Memory CD-DRIVE"));
        EXPECT_FALSE(m_player.IsPaused());
        const auto reads = m_drive.reads();
        for (size_t i = earlierReads; i < reads.size(); ++i) {
            const auto [start, count] = reads[i];
            EXPECT_GE(start, c.first);
            EXPECT_LE(start + count, c.first + c.count);
        }
    }
}

TEST_F(CDPlayback, PauseResumeLosesNothing)
{
    int changes = 0;
    QObject::connect(&m_player, &TCDPlayer::stateChanged, [&] { ++changes; });
    ASSERT_TRUE(m_player.Play(m_handle, m_toc, 0, QStringLiteral("Intro")));
    EXPECT_EQ(m_player.StatusText(), QStringLiteral("Play Intro"));
    ASSERT_TRUE(waitUntil([&] { return m_alsa.playedSize() > 0; }));
    m_player.Pause();
    EXPECT_TRUE(m_player.IsPlaying());
    EXPECT_TRUE(m_player.IsPaused());
    const qint64 size = m_alsa.playedSize();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(m_alsa.playedSize(), size);
    EXPECT_LT(size, 375 * kSectorSize);

    // Play while paused resumes the paused track, whichever row is asked for.
    ASSERT_TRUE(m_player.Play(m_handle, m_toc, 2, QStringLiteral("Other")));
    EXPECT_FALSE(m_player.IsPaused());
    EXPECT_EQ(m_player.StatusText(), QStringLiteral("Play Intro"));
    ASSERT_TRUE(processEventsUntil([&] { return !m_player.IsPlaying(); }));
    EXPECT_EQ(m_alsa.played(), m_drive.expectedAudio(0, 375));
    EXPECT_EQ(changes, 4); // play, pause, resume, end
}

TEST_F(CDPlayback, StopDuringPlayNeverHangs)
{
    for (int i = 0; i < 50; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(m_player.Play(m_handle, m_toc, i % 3, QStringLiteral("T")));
        if (i % 5 == 0)
            m_player.Pause();
        if (i % 7 == 0) { // another track while one plays: the first one stops
            ASSERT_TRUE(m_player.Play(m_handle, m_toc, (i + 1) % 3, QStringLiteral("U")));
        }
        m_player.Stop();
        EXPECT_FALSE(m_player.IsPlaying());
        EXPECT_FALSE(m_player.IsPaused());
        EXPECT_EQ(m_player.Output().Status(), osIdle);
        EXPECT_EQ(m_player.StatusText(), QStringLiteral("Memory CD-DRIVE"));
    }
    // A late end of a stopped run changes nothing about the next one.
    ASSERT_TRUE(playToEnd(1));
    EXPECT_EQ(m_alsa.played(), m_drive.expectedAudio(375, 225));
}

TEST_F(CDPlayback, WhatCannotPlay)
{
    m_drive.setDataTrack(3);
    m_toc = m_drive.toc();
    struct Case {
        int row;
        const char* device;
        const char* error; // in LastError; empty for a plain refusal
    } cases[] = {
        {2, "quillon_play", ""}, // a data track
        {3, "quillon_play", ""}, // no such row
        {-1, "quillon_play", ""},
        {0, "quillon_missing", "Cannot open sound device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        AlsaPlayback::useDevice(c.device);
        EXPECT_FALSE(m_player.Play(m_handle, m_toc, c.row, QStringLiteral("X")));
        EXPECT_FALSE(m_player.IsPlaying());
        EXPECT_TRUE(m_player.LastError().contains(QString::fromLatin1(c.error)))
            << m_player.LastError().toStdString();
    }
    AlsaPlayback::useDevice("quillon_play");
}

TEST_F(CDPlayback, UnreadableSectorEndsPlayback)
{
    // Reads go 10 sectors at a time: the one holding sector 400 fails, so the
    // first 20 sectors of track 2 are all that plays.
    m_drive.failReadAt(375 + 25);
    ASSERT_TRUE(playToEnd(1));
    EXPECT_TRUE(
        m_player.LastError().startsWith(QStringLiteral("Cannot read CD sectors 395 to 404")))
        << m_player.LastError().toStdString();
    EXPECT_EQ(m_alsa.played(), m_drive.expectedAudio(375, 20));
    EXPECT_EQ(m_player.StatusText(), QStringLiteral("Memory CD-DRIVE"));
}

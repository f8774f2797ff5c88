// The in-memory drive other tests build on: its failures must be the ones asked for.
#include "support/memory_cd_drive.h"

#include <gtest/gtest.h>

using quillon::test::MemoryCDDrive;
using quillon::test::readRequest;

namespace {

TEST(MemoryCDDrive, ReadsFailExactlyWhereAsked)
{
    MemoryCDDrive drive; // 375 + 225 + 150 = 750 sectors
    drive.failReadAt(500);
    const HCDROM h = drive.GetCDHandle(drive.GetCDList().front());
    ASSERT_NE(h, 0u);
    struct Case {
        std::int32_t start, count;
        bool ok;
        int error;
    };
    const Case cases[] = {
        {0, 10, true, CDERR_NONE},     {490, 10, true, CDERR_NONE},  {491, 10, false, CDERR_READ},
        {500, 1, false, CDERR_READ},   {501, 10, true, CDERR_NONE},  {740, 10, true, CDERR_NONE},
        {741, 10, false, CDERR_RANGE}, {750, 1, false, CDERR_RANGE}, {-1, 1, false, CDERR_RANGE},
        {0, 0, false, CDERR_RANGE},
    };
    for (const Case& c : cases) {
        TTRACKBUF buf = readRequest(c.start, c.count);
        EXPECT_EQ(drive.ReadCDAudioLBA(h, buf), c.ok) << c.start << "+" << c.count;
        EXPECT_EQ(drive.GetAspiLibError(), c.error) << c.start << "+" << c.count;
        EXPECT_EQ(buf.Status, c.ok ? kReadStatusOk : kReadStatusError);
        EXPECT_EQ(buf.Len, c.ok ? c.count * kSectorSize : 0);
        if (c.ok) {
            EXPECT_EQ(buf.Buf.left(buf.Len), drive.expectedAudio(c.start, c.count));
        }
    }
    EXPECT_EQ(drive.reads().size(), std::size(cases));
}

TEST(MemoryCDDrive, RefusalsAndMissingDisc)
{
    struct Case {
        const char* what;
        void (*setUp)(MemoryCDDrive&);
        bool open, mode, toc;
    };
    const Case cases[] = {
        {"healthy", [](MemoryCDDrive&) {}, true, true, true},
        {"handle refused", [](MemoryCDDrive& d) { d.setFailGetHandle(true); }, false, false, false},
        {"address mode refused", [](MemoryCDDrive& d) { d.setRefuseAddressMode(true); }, true,
         false, true},
        {"TOC unreadable", [](MemoryCDDrive& d) { d.setFailReadTOC(true); }, true, true, false},
        {"no disc", [](MemoryCDDrive& d) { d.setTracks({}); }, true, true, false},
    };
    for (const Case& c : cases) {
        MemoryCDDrive drive;
        c.setUp(drive);
        const HCDROM h = drive.GetCDHandle(drive.GetCDList().front());
        EXPECT_EQ(h != 0, c.open) << c.what;
        EXPECT_EQ(drive.ModifyCDParms(h, kCDParmAddressMode, kAddressModeMsf), c.mode) << c.what;
        EXPECT_EQ(drive.isMsfMode(), c.mode) << c.what;
        TTOC toc;
        EXPECT_EQ(drive.ReadTOC(h, toc), c.toc) << c.what;
        if (!c.toc) {
            EXPECT_NE(drive.GetAspiLibError(), CDERR_NONE) << c.what;
        }
    }
}

TEST(MemoryCDDrive, TocAudioAndTray)
{
    MemoryCDDrive drive;
    drive.setTracks({300, 200}, 32);
    drive.setDataTrack(2);
    QByteArray audio(500 * kSectorSize, '\0');
    for (qsizetype i = 0; i < audio.size(); ++i)
        audio[i] = char(i % 251);
    drive.setDiscAudio(audio);
    const HCDROM h = drive.GetCDHandle(drive.GetCDList().front());
    TTOC toc;
    ASSERT_TRUE(drive.ReadTOC(h, toc));
    ASSERT_EQ(toc.TrackCount(), 2);
    EXPECT_EQ(toc.Entries[0].Lba(), 32);
    EXPECT_EQ(toc.Entries[1].Lba(), 332);
    EXPECT_FALSE(toc.Entries[1].IsAudio());
    EXPECT_EQ(toc.Entries[2].TrackNumber, 0xAA);
    EXPECT_EQ(toc.Entries[2].Lba(), 532);

    TTRACKBUF buf = readRequest(33, 2);
    ASSERT_TRUE(drive.ReadCDAudioLBA(h, buf));
    EXPECT_EQ(buf.Buf, audio.mid(kSectorSize, 2 * kSectorSize));

    EXPECT_TRUE(drive.EjectMedia(h));
    EXPECT_FALSE(drive.ReadTOC(h, toc)) << "no disc after eject";
    EXPECT_TRUE(drive.CloseTray(h));
    EXPECT_TRUE(drive.ReadTOC(h, toc));
    EXPECT_TRUE(drive.CloseCDHandle(h));
    EXPECT_FALSE(drive.ReadTOC(h, toc));
    EXPECT_EQ(drive.GetAspiLibError(), CDERR_BAD_HANDLE);
}

} // namespace

// Disc key, audio-CD test and the small helpers around the CD access interface.
#include "cdaccess/cd_access.h"
#include "support/memory_cd_drive.h"

#include <gtest/gtest.h>

namespace {

// A TOC from absolute start frames (LBA + 150) of the tracks, then the lead-out.
TTOC tocFromFrames(const std::vector<std::int32_t>& frames, std::uint8_t dataTrack = 0)
{
    TTOC toc;
    toc.FirstTrack = 1;
    toc.LastTrack = std::uint8_t(frames.size() - 1);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        TTOCTRACK e;
        e.TrackNumber = i + 1 == frames.size() ? 0xAA : std::uint8_t(i + 1);
        e.Control = e.TrackNumber == dataTrack ? 0x04 : 0x00;
        e.Minute = std::uint8_t(frames[i] / 4500);
        e.Second = std::uint8_t(frames[i] / 75 % 60);
        e.Frame = std::uint8_t(frames[i] % 75);
        toc.Entries.push_back(e);
    }
    return toc;
}

TEST(DiscKey, FromToc)
{
    struct Case {
        const char* what;
        std::vector<std::int32_t> frames; // absolute starts, lead-out last
        QString key;
    };
    const Case cases[] = {
        // 00:02:00 + 00:05:00 + 00:11:00 = 0x200 + 0x500 + 0xB00
        {"three tracks at LBA 0, 225, 675", {150, 375, 825, 2000}, QStringLiteral("4608")},
        // One track: 0x200 + (lead-out 10150 - 150 frames).
        {"one track adds its length", {150, 10150}, QStringLiteral("10512")},
        // Two tracks: 0x200 + 0x70000 + (40150 - 150).
        {"two tracks add the disc length", {150, 7 * 4500, 40150}, QStringLiteral("499264")},
        // 00:02:07 + 00:05:25 + 00:06:50 = 0x207 + 0x519 + 0x632; three tracks add no length.
        {"frames in the low byte", {157, 400, 500, 900}, QStringLiteral("3410")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DiscKeyFromTOC(tocFromFrames(c.frames)), c.key) << c.what;
}

TEST(DiscKey, WrapsAndPrintsSigned)
{
    // No real disc reaches the top bit (99 tracks of at most 255 minutes stay
    // below 2^31), so the entries are set directly: 200 tracks at 200:00:00.
    TTOC toc;
    toc.FirstTrack = 1;
    toc.LastTrack = 200;
    TTOCTRACK e;
    e.Minute = 200;
    toc.Entries.assign(201, e);
    const std::uint32_t sum = 200u * (200u << 16); // 2621440000, past 2^31
    EXPECT_EQ(DiscKeyFromTOC(toc), QStringLiteral("-1673527296"));
    EXPECT_EQ(QString::number(std::int32_t(sum)), QStringLiteral("-1673527296"));

    // Wrap-around past 2^32 keeps the low 32 bits: 512 entries of 255:255:255
    // give 512 * 0xFFFFFF = 0x1FFFFFE00, kept as 0xFFFFFE00, i.e. -512.
    TTOC wrapped;
    wrapped.FirstTrack = 1;
    TTOCTRACK full;
    full.Minute = full.Second = full.Frame = 255;
    wrapped.Entries.assign(513, full);
    EXPECT_EQ(DiscKeyFromTOC(wrapped), QStringLiteral("-512"));
}

TEST(DiscKey, EmptyTocHasNoKey)
{
    EXPECT_TRUE(DiscKeyFromTOC(TTOC{}).isEmpty());
}

TEST(AudioCDPresent, NeedsOneAudioTrack)
{
    EXPECT_FALSE(AudioCDPresent(TTOC{}));
    EXPECT_TRUE(AudioCDPresent(tocFromFrames({150, 1000, 2000})));
    EXPECT_FALSE(AudioCDPresent(tocFromFrames({150, 1000}, 1))) << "a data-only disc";
    EXPECT_TRUE(AudioCDPresent(tocFromFrames({150, 1000, 2000}, 1))) << "mixed mode";
    // The lead-out never counts as a track, whatever its control bits.
    TTOC onlyLeadout;
    onlyLeadout.Entries.resize(1);
    EXPECT_FALSE(AudioCDPresent(onlyLeadout));
}

TEST(TCDREC, NameIsVendorAndProductCutAt26)
{
    TCDREC rec;
    rec.Vendor = QStringLiteral("PIONEER ");
    rec.Product = QStringLiteral("DVD-RW  DVR-221L");
    EXPECT_EQ(rec.Name(), QStringLiteral("PIONEER DVD-RW  DVR-221L"));
    rec.Product = QStringLiteral("A PRODUCT NAME THAT IS LONG");
    EXPECT_EQ(rec.Name().size(), 26);
}

TEST(CloseCDDrive, ZeroIsClosedOtherwiseAsksTheDrive)
{
    quillon::test::MemoryCDDrive drive;
    quillon::test::ScopedCDAccess installed(drive);
    EXPECT_TRUE(CloseCDDrive(0));
    const HCDROM h = drive.GetCDHandle(drive.GetCDList().front());
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(CloseCDDrive(h));
    EXPECT_EQ(drive.openHandleCount(), 0);
    EXPECT_FALSE(CloseCDDrive(h)) << "a handle closes once";
}

} // namespace

#include "cdaccess/disc_layout.h"
#include "verify/accuraterip_disc_id.h"
#include "verify/ctdb_answer.h"

#include <gtest/gtest.h>

namespace {

struct Start {
    Start(std::int32_t l) : lsn(l) {}
    std::int32_t lsn;
    bool data = false;
};
Start data(std::int32_t lsn)
{
    Start s(lsn);
    s.data = true;
    return s;
}

TTOC tocOf(std::initializer_list<Start> starts, std::int32_t leadout)
{
    TTOC toc;
    toc.FirstTrack = 1;
    std::uint8_t n = 0;
    for (const Start& s : starts)
        toc.Entries.push_back(
            TTOCTRACK::FromFrames(++n, s.lsn + kLeadInFrames, s.data ? 0x04 : 0x00));
    toc.LastTrack = n;
    toc.Entries.push_back(TTOCTRACK::FromFrames(0xAA, leadout + kLeadInFrames));
    return toc;
}

} // namespace

TEST(AccurateRipDiscId, IdsFileNamesAndTocTexts)
{
    struct Case {
        const char* name;
        TTOC toc;
        const char* file;
        const char* path;
        const char* ctdbToc;
    };
    const Case cases[] = {
        // The published check value.
        {"audio CD", tocOf({32, 96985, 166422}, 264957), "dBAR-003-0008100c-001ac008-190dcc03.bin",
         "c/0/0/", "32:96985:166422:264957"},
        // Enhanced CD: the data track is left out of the sums, the real
        // lead-out counts. id1 = 0 + 20000 + 70000, id2 = 1 + 40000 + 210000.
        {"enhanced CD", tocOf({0, 20000, data(50000)}, 70000),
         "dBAR-002-00015f90-0003d091-2603a503.bin", "0/9/f/", "0:20000:-50000:70000"},
        // Data first: audio tracks count from 1. id2 = 30000 + 80000 + 180000.
        {"data first", tocOf({data(0), 30000, 40000}, 60000),
         "dBAR-002-0001fbd0-00046cd0-15032003.bin", "0/d/b/", "-0:30000:40000:60000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TAccurateRipDiscId id = AccurateRipDiscIdOf(c.toc);
        EXPECT_EQ(id.fileName(), QLatin1String(c.file));
        EXPECT_EQ(id.path(), QLatin1String(c.path) + QLatin1String(c.file));
        EXPECT_EQ(CtdbTocText(c.toc), QLatin1String(c.ctdbToc));
    }
    EXPECT_EQ(
        AccurateRipUrl(QStringLiteral("http://127.0.0.1:8080/"), AccurateRipDiscIdOf(cases[0].toc)),
        QStringLiteral("http://127.0.0.1:8080/accuraterip/c/0/0/"
                       "dBAR-003-0008100c-001ac008-190dcc03.bin"));
    EXPECT_EQ(
        CtdbLookupUrl(QStringLiteral("http://db.example"), tocOf({0, 11413, 25024, 45713}, 55220)),
        QStringLiteral("http://db.example/lookup2.php?version=3&ctdb=1&fuzzy=1"
                       "&metadata=none&toc=0:11413:25024:45713:55220"));
    EXPECT_FALSE(AccurateRipDiscIdOf(tocOf({data(0)}, 1000)).isValid());
    EXPECT_FALSE(AccurateRipDiscIdOf(TTOC()).isValid());
}

TEST(DiscLayout, SpansEnhancedCdDataFirstAndHiddenTrack)
{
    // Pregaps belong to the track before; the last audio track of an enhanced
    // CD ends 11400 sectors before the data track.
    const TDiscLayout enhanced = DiscLayoutOf(tocOf({0, 20000, data(50000)}, 70000));
    ASSERT_EQ(enhanced.Tracks.size(), 2u);
    EXPECT_EQ(enhanced.Tracks[0].Sectors, 20000);
    EXPECT_EQ(enhanced.Tracks[1].Sectors, 50000 - 11400 - 20000);
    EXPECT_EQ(enhanced.AudioEnd, 38600);
    EXPECT_TRUE(enhanced.Enhanced);

    const TDiscLayout dataFirst = DiscLayoutOf(tocOf({data(0), 30000, 40000}, 60000));
    ASSERT_EQ(dataFirst.Tracks.size(), 2u);
    EXPECT_EQ(dataFirst.Tracks[0].Number, 2);
    EXPECT_TRUE(dataFirst.DataFirst);
    EXPECT_EQ(dataFirst.HiddenSectors, 0);
    EXPECT_EQ(dataFirst.AudioEnd, 60000);

    const TDiscLayout hidden = DiscLayoutOf(tocOf({2250, 9000}, 12000));
    EXPECT_EQ(hidden.HiddenSectors, 2250);
    EXPECT_EQ(hidden.AudioSamples(), std::int64_t(12000 - 2250) * 588);
    EXPECT_EQ(hidden.indexOf(2), 1);
    EXPECT_EQ(hidden.indexOf(3), -1);

    EXPECT_TRUE(DiscLayoutOf(tocOf({5000, 100}, 6000)).isEmpty()); // starts go backwards
}

#include "verify/accuraterip_answer.h"
#include "verify/ctdb_answer.h"

#include <gtest/gtest.h>

#include <QtEndian>

namespace {

const TAccurateRipDiscId kDisc{3, 0x0008100c, 0x001ac008, 0x190dcc03};

struct Entry {
    int confidence;
    std::uint32_t crc;
    std::uint32_t crc450;
};

QByteArray record(const TAccurateRipDiscId& id, const std::vector<Entry>& entries)
{
    QByteArray out(13 + 9 * qsizetype(entries.size()), '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    p[0] = uchar(entries.size());
    qToLittleEndian<quint32>(id.Id1, p + 1);
    qToLittleEndian<quint32>(id.Id2, p + 5);
    qToLittleEndian<quint32>(id.Id3, p + 9);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        uchar* e = p + 13 + 9 * i;
        e[0] = uchar(entries[i].confidence);
        qToLittleEndian<quint32>(entries[i].crc, e + 1);
        qToLittleEndian<quint32>(entries[i].crc450, e + 5);
    }
    return out;
}

} // namespace

TEST(AccurateRipAnswer, RecordsOfOtherDiscsSkippedTruncatedFilesRefused)
{
    TAccurateRipDiscId other = kDisc;
    other.Id2 ^= 1;
    TAccurateRipDiscId fewer = kDisc;
    fewer.AudioTracks = 2;
    const QByteArray file = record(kDisc, {{5, 0x11, 0xa1}, {5, 0x12, 0xa2}, {4, 0x13, 0xa3}}) +
                            record(other, {{99, 0x21, 0}, {99, 0x22, 0}, {99, 0x23, 0}}) +
                            record(fewer, {{99, 0x31, 0}, {99, 0x32, 0}}) +
                            record(kDisc, {{12, 0x41, 0xb1}, {0, 0, 0}, {2, 0x43, 0}});
    const auto answer = ParseAccurateRipAnswer(file, kDisc);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->Records.size(), 2u);
    EXPECT_EQ(answer->SkippedRecords, 2);
    EXPECT_EQ(answer->Records[1][0].Confidence, 12);
    EXPECT_EQ(answer->Records[1][2].Crc, 0x43u);
    EXPECT_EQ(answer->crc450s(0), (std::vector<std::uint32_t>{0xa1, 0xb1}));
    EXPECT_EQ(answer->crc450s(2), (std::vector<std::uint32_t>{0xa3}));

    for (const QByteArray& bad : {file.chopped(1), file.left(10), QByteArray(),
                                  record(kDisc, {{1, 2, 3}}).left(13) + QByteArray(8, '\0')}) {
        QString error;
        EXPECT_FALSE(ParseAccurateRipAnswer(bad, kDisc, &error)) << bad.size();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(AccurateRipAnswer, TrackVerdictsAndConfidences)
{
    const auto answer =
        ParseAccurateRipAnswer(record(kDisc, {{5, 0x11, 0}, {3, 0x12, 0}, {0, 0, 0}}) +
                                   record(kDisc, {{12, 0x99, 0}, {7, 0x22, 0}, {0, 0, 0}}),
                               kDisc);
    ASSERT_TRUE(answer);
    struct Case {
        int track;
        std::uint32_t v1, v2;
        TTrackVerdict verdict;
        int confidence, max;
        bool onV2;
    } const cases[] = {
        {0, 0x11, 0x55, TTrackVerdict::Accurate, 5, 12, false}, // v1 in the weaker record
        {0, 0x98, 0x99, TTrackVerdict::Accurate, 12, 12, true}, // v2 in the stronger one
        {1, 0x12, 0x22, TTrackVerdict::Accurate, 7, 7, true},   // both: the higher confidence
        {1, 0x01, 0x02, TTrackVerdict::NotAccurate, 0, 7, false},
        {2, 0x00, 0x00, TTrackVerdict::NotInDatabase, 0, 0, false}, // empty slots only
        {3, 0x11, 0x11, TTrackVerdict::NotInDatabase, 0, 0, false}, // past the records
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "track " << c.track << " v1 " << c.v1);
        const TAccurateRipMatch m = MatchAccurateRip(*answer, c.track, c.v1, c.v2);
        EXPECT_EQ(m.Verdict, c.verdict);
        EXPECT_EQ(m.Confidence, c.confidence);
        EXPECT_EQ(m.MaxConfidence, c.max);
        EXPECT_EQ(m.V2, c.onV2);
    }
    using V = TTrackVerdict;
    EXPECT_EQ(DiscVerdict({V::Accurate, V::Accurate}), V::Accurate);
    EXPECT_EQ(DiscVerdict({V::Accurate, V::NotAccurate}), V::NotAccurate);
    EXPECT_EQ(DiscVerdict({V::NotInDatabase, V::NotInDatabase}), V::NotInDatabase);
    EXPECT_EQ(DiscVerdict({V::NotChecked}), V::NotChecked);
}

TEST(CtdbAnswer, EntriesParsedAndMatched)
{
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\">\n"
        "  <entry confidence=\"12\" crc32=\"4a3d408c\" id=\"1\" npar=\"8\" stride=\"5880\"\n"
        "         toc=\"0:100:137:257\" trackcrcs=\"92999127 38d60248 45d17a1c\"/>\n"
        "  <entry confidence=\"3\" crc32=\"deadbeef\" trackcrcs=\"92999127 00000001 zz\"/>\n"
        "  <entry confidence=\"x\" crc32=\"12345678\"/>\n"
        "  <entry confidence=\"4\" crc32=\"123456789\"/>\n"
        "</ctdb>\n";
    const auto entries = ParseCtdbAnswer(xml);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u); // unreadable numbers drop an entry
    EXPECT_EQ((*entries)[0].TrackCrcs.size(), 3u);
    EXPECT_TRUE((*entries)[1].TrackCrcs.empty()); // a bad track CRC drops them all

    const TCtdbMatch disc = MatchCtdbDisc(*entries, 0x4a3d408c);
    EXPECT_EQ(disc.Verdict, TTrackVerdict::Accurate);
    EXPECT_EQ(disc.Confidence, 12);
    EXPECT_EQ(disc.TotalConfidence, 15);
    EXPECT_EQ(MatchCtdbDisc(*entries, 1).Verdict, TTrackVerdict::NotAccurate);
    EXPECT_EQ(MatchCtdbTrack(*entries, 1, 0x38d60248).Verdict, TTrackVerdict::Accurate);
    EXPECT_EQ(MatchCtdbTrack(*entries, 1, 0x38d60249).Verdict, TTrackVerdict::NotAccurate);
    EXPECT_EQ(MatchCtdbTrack(*entries, 5, 0).Verdict, TTrackVerdict::NotInDatabase);

    const auto none = ParseCtdbAnswer("<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\"/>");
    ASSERT_TRUE(none);
    EXPECT_EQ(MatchCtdbDisc(*none, 0).Verdict, TTrackVerdict::NotInDatabase);

    for (const QByteArray& bad : {QByteArray("<html><body>busy</body></html>"), QByteArray(""),
                                  QByteArray("<ctdb><entry crc32=\"1\" confidence=\"1\">"),
                                  QByteArray("\x00\xff garbage", 10)}) {
        QString error;
        EXPECT_FALSE(ParseCtdbAnswer(bad, &error)) << bad.constData();
        EXPECT_FALSE(error.isEmpty());
    }
}

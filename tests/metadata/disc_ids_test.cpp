// Disc ids through libdiscid: the published check values, Enhanced CDs, and
// generated images read through libcdio, checked against the algorithm
// written out here with Qt's SHA-1 and against the program's own CDDB id.
#include "cdaccess/cdio_access.h"
#include "cddb/cddb_disc_id.h"
#include "disc_image_writer.h"
#include "metadata/disc_ids.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The MusicBrainz disc id as its documentation defines it.
QString referenceId(int first, int last, const std::vector<int>& offsets /* [0] lead-out */)
{
    QByteArray text = QByteArray::number(first, 16).toUpper().rightJustified(2, '0') +
                      QByteArray::number(last, 16).toUpper().rightJustified(2, '0');
    for (int i = 0; i < 100; ++i) {
        const int value = i < int(offsets.size()) ? offsets[size_t(i)] : 0;
        text += QByteArray::number(value, 16).toUpper().rightJustified(8, '0');
    }
    QByteArray id = QCryptographicHash::hash(text, QCryptographicHash::Sha1).toBase64();
    id.replace('+', '.').replace('/', '_').replace('=', '-');
    return QString::fromLatin1(id);
}

TEST(DiscIds, PublishedCheckValues)
{
    struct Case {
        int last;
        std::vector<int> offsets; // lead-out first
        const char* musicBrainz;
        const char* freedb; // checked when given
    } cases[] = {
        {6, {95462, 150, 15363, 32314, 46592, 63414, 80489}, "49HHV7Eb8UKF3aQiNmu1GR8vKTY-", ""},
        {22,
         {303602, 150,    9700,   25887,  39297,  53795,  63735,  77517,
          94877,  107270, 123552, 135522, 148422, 161197, 174790, 192022,
          205545, 218010, 228700, 239590, 255470, 266932, 288750},
         "xUp1F2NkfP8s8jaeFn_Av3jNEI4-",
         "370fce16"},
    };
    for (const Case& c : cases) {
        int offsets[100] = {};
        std::copy(c.offsets.begin(), c.offsets.end(), offsets);
        const auto ids = DiscIdsOfOffsets(1, c.last, offsets);
        ASSERT_TRUE(ids);
        EXPECT_EQ(ids->MusicBrainz, QString::fromLatin1(c.musicBrainz));
        EXPECT_EQ(referenceId(1, c.last, c.offsets), QString::fromLatin1(c.musicBrainz));
        if (*c.freedb) {
            EXPECT_EQ(ids->Freedb, QString::fromLatin1(c.freedb));
        }
        EXPECT_EQ(ids->AudioTracks, c.last);
        EXPECT_TRUE(ids->TocArgument.startsWith(
            QStringLiteral("1+%1+%2+150+").arg(c.last).arg(c.offsets[0])));
    }
}

TTOC tocOf(const std::vector<std::pair<int, bool>>& starts /* frames, audio */, int leadout)
{
    TTOC toc;
    toc.FirstTrack = 1;
    toc.LastTrack = std::uint8_t(starts.size());
    for (size_t i = 0; i < starts.size(); ++i)
        toc.Entries.push_back(
            TTOCTRACK::FromFrames(std::uint8_t(i + 1), starts[i].first, starts[i].second ? 0 : 4));
    toc.Entries.push_back(TTOCTRACK::FromFrames(0xAA, leadout));
    return toc;
}

TEST(DiscIds, OnlyTheAudioSessionCounts)
{
    // Enhanced CD: the audio session ends 11400 sectors before the data track.
    const TTOC enhanced = tocOf({{150, true}, {20000, true}, {60000, false}}, 90000);
    const auto ids = DiscIdsOf(enhanced);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->MusicBrainz, referenceId(1, 2, {60000 - 11400, 150, 20000}));
    EXPECT_EQ(ids->AudioTracks, 2);
    // Audio only: the lead-out as it stands.
    EXPECT_EQ(DiscIdsOf(tocOf({{150, true}, {20000, true}}, 90000))->MusicBrainz,
              referenceId(1, 2, {90000, 150, 20000}));
    EXPECT_FALSE(DiscIdsOf(tocOf({{150, false}}, 90000)));
    EXPECT_FALSE(DiscIdsOf(TTOC{}));
}

TEST(DiscIds, GeneratedImagesReadThroughLibcdio)
{
    const QList<QList<discgen::TrackSpec>> discs = {
        {{375, discgen::Signal::Silence}},
        {{1000, discgen::Signal::Silence},
         {2222, discgen::Signal::Silence},
         {75, discgen::Signal::Silence}},
    };
    for (const auto& tracks : discs) {
        QTemporaryDir dir;
        const QString cue = dir.filePath(QStringLiteral("d.cue"));
        ASSERT_TRUE(discgen::WriteCueBin(cue, tracks));
        TCdioAccess access;
        TCDREC drive;
        drive.Device = cue;
        drive.IsImage = true;
        const HCDROM handle = access.GetCDHandle(drive);
        TTOC toc;
        ASSERT_TRUE(access.ReadTOC(handle, toc));
        access.CloseCDHandle(handle);

        std::vector<int> offsets = {toc.Entries.back().MsfFrames()};
        for (int k = 0; k < toc.TrackCount(); ++k)
            offsets.push_back(toc.Entries[size_t(k)].MsfFrames());
        const auto ids = DiscIdsOf(toc);
        ASSERT_TRUE(ids);
        EXPECT_EQ(ids->MusicBrainz, referenceId(1, toc.TrackCount(), offsets));
        EXPECT_EQ(ids->MusicBrainz.size(), 28);
        EXPECT_EQ(ids->Freedb, CddbDiscIdText(CddbDiscId(toc)));
    }
}

} // namespace

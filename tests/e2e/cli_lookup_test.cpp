// quillon lookup and quillon extract --metadata against web services started
// here on 127.0.0.1 (MusicBrainz and the cover archive in one), answering
// JSON the test wrote; CD-Text from the image's cue sheet.
#include "../audio/vorbis_test_util.h"
#include "../metadata/mb_answers.h"
#include "cli_disc_fixture.h"
#include "disc_image_writer.h"
#include "metadata/disc_ids.h"
#include "support/cddb_test_server.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

const QByteArray kJpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(3000, 'j');

struct CliLookupE2E : CliDiscE2E {
    QString discId;
    QString outDir;

    void SetUp() override
    {
        // CD-Text written in UTF-8 beside the stored titles.
        makeDisc({QStringLiteral("--artist"), QStringLiteral("Ça va, Straße"),
                  QStringLiteral("--album"), QStringLiteral("Disc Text"),
                  QStringLiteral("--cd-text"), QStringLiteral("utf-8")});
        outDir = work.filePath(QStringLiteral("out"));
        discId = DiscIdsOf(discgen::TocOfTracks(
                               {{75, discgen::Signal::Tone}, {75, discgen::Signal::Tone}}))
                     ->MusicBrainz;
    }
    // The web services of the tests: MusicBrainz answers mb, the cover
    // archive redirects to a picture.
    CddbTestServer::Handler services(std::function<TestHttpReply()> mb) const
    {
        return [mb](const QByteArray& line) {
            if (line.contains("/caa/release/"))
                return TestHttpReply{{}, 307, false, "Location: /pictures/front.jpg\r\n"};
            if (line.contains("/pictures/front.jpg"))
                return TestHttpReply{kJpeg};
            return mb();
        };
    }
    void useServer(const CddbTestServer& server) const
    {
        ASSERT_TRUE(
            writeFile(home + QStringLiteral("/options.ini"),
                      QStringLiteral("[MusicBrainz]\nServer=http://%1\n"
                                     "CoverArtServer=http://%1/caa\nContact=e2e@example.org\n"
                                     "[QueryCDDB]\nServer=%1\n[ID3]\nUse=1\n")
                              .arg(server.address())
                              .toUtf8() +
                          quillon::test::kPlainReadsIni));
    }
    QStringList extract(const QStringList& more, QString* err = nullptr) const
    {
        QDir(outDir).removeRecursively();
        QString out;
        const int code =
            quillon(QStringList{QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                                QStringLiteral("--format"), QStringLiteral("ogg"),
                                QStringLiteral("--output"), outDir} +
                        more,
                    &out, err);
        EXPECT_EQ(code, 0) << (err ? err->toStdString() : std::string());
        QStringList files = QDir(outDir).entryList(QDir::Files);
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(CliLookupE2E, LookupListsTheCandidatesAndExtractTakesTheOneAsked)
{
    CddbTestServer server(services([this] { return TestHttpReply{mbtest::twoReleases(discId)}; }));
    useServer(server);

    QString out, err;
    ASSERT_EQ(quillon({QStringLiteral("lookup"), QStringLiteral("--cd-image"), cue}, &out, &err), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("MusicBrainz disc id: ") + discId))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral(
        "1. MusicBrainz: Anna & Bo feat. Cy / Live Set (1994, GB, CD, medium 2 of 2)")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("    2  東京の夜 (Dee)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("2. MusicBrainz: Anna / Ça va (Single)")));
    // The disc's CD-Text differs from both releases: it is the third candidate.
    EXPECT_TRUE(out.contains(QStringLiteral("3. CD-Text: Ça va, Straße / Disc Text")))
        << out.toStdString();
    EXPECT_EQ(server.received().front().header("User-Agent"),
              "Quillon/" QUILLON_VERSION " ( e2e@example.org )");

    // Without --release: the first whose medium matches; the others are listed.
    EXPECT_EQ(extract({QStringLiteral("--metadata"), QStringLiteral("auto")}, &err),
              (QStringList{QStringLiteral("cover.jpg"), QStringLiteral("Ça va, Straße.ogg"),
                           QStringLiteral("東京の夜.ogg")}));
    EXPECT_TRUE(err.contains(QStringLiteral("Other candidates"))) << err.toStdString();
    EXPECT_EQ(readFile(outDir + QStringLiteral("/cover.jpg")), kJpeg);
    const QStringList comments = vorbistest::listComments(outDir + QStringLiteral("/東京の夜.ogg"));
    for (const char* line :
         {"TITLE=東京の夜", "ARTIST=Dee", "ALBUMARTIST=Anna & Bo feat. Cy", "ALBUM=Live Set",
          "DATE=1994-05-02", "TRACKNUMBER=2", "DISCNUMBER=2", "DISCTOTAL=2",
          "MUSICBRAINZ_ALBUMID=11111111-1111-1111-1111-111111111111"})
        EXPECT_TRUE(comments.contains(QString::fromUtf8(line)))
            << line << " in " << comments.join(QLatin1Char('|')).toStdString();

    // --release 2 alone counts as lookup does (the disc has stored titles
    // by now; that release has no front cover, so none comes), then the
    // CD-Text: the titles name the files and stay stored.
    EXPECT_EQ(extract({QStringLiteral("--release"), QStringLiteral("2")}),
              (QStringList{QStringLiteral("B-Side.ogg"), QStringLiteral("Ça va.ogg")}));
    EXPECT_EQ(extract({QStringLiteral("--metadata"), QStringLiteral("cdtext")}),
              (QStringList{QStringLiteral("Stored One.ogg"), QStringLiteral("Stored Two.ogg")}));
    ASSERT_EQ(quillon({QStringLiteral("toc"), QStringLiteral("--cd-image"), cue}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("Title: Ça va, Straße / Disc Text")))
        << out.toStdString();
    // A candidate the lookup did not find is refused before anything is read.
    EXPECT_EQ(quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                       QStringLiteral("--metadata"), QStringLiteral("musicbrainz"),
                       QStringLiteral("--release"), QStringLiteral("7")},
                      nullptr, &err),
              1);
    EXPECT_TRUE(err.contains(QStringLiteral("--release 7"))) << err.toStdString();
}

TEST_F(CliLookupE2E, AFailedLookupSaysWhyAndKeepsTheStoredTitles)
{
    struct Case {
        const char* name;
        TestHttpReply reply;
        const char* said;
    } cases[] = {
        {"unknown disc", {"{}", 404}, "no titles found"},
        {"busy twice", {"", 503}, "MusicBrainz is busy"},
        {"malformed", {"{\"releases\": [{\"media\": "}, "cannot be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CddbTestServer server(services([&] { return c.reply; }));
        useServer(server);
        QString err;
        EXPECT_EQ(
            extract({QStringLiteral("--metadata"), QStringLiteral("musicbrainz")}, &err),
            (QStringList{QStringLiteral("Stored One.ogg"), QStringLiteral("Stored Two.ogg")}));
        EXPECT_TRUE(err.contains(QLatin1String(c.said))) << err.toStdString();
    }
}

TEST_F(CliLookupE2E, TitleOptionsThatDoNotFit)
{
    struct Case {
        QStringList args;
        const char* says;
    } cases[] = {
        {{u"lookup"_s, u"--metadata"_s, u"stored"_s}, "auto, musicbrainz, cdtext or cddb"},
        {{u"extract"_s, u"--metadata"_s, u"web"_s}, "stored"},
        {{u"extract"_s, u"--release"_s, u"0"_s}, "--release takes a number"},
        {{u"extract"_s, u"--metadata"_s, u"stored"_s, u"--release"_s, u"1"_s}, "does not go with"},
        {{u"extract"_s, u"--cddb"_s, u"--metadata"_s, u"musicbrainz"_s}, "only one"},
        {{u"lookup"_s, u"--release"_s, u"1"_s}, "unknown option --release"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QString out, err;
        EXPECT_EQ(quillon(c.args + QStringList{QStringLiteral("--cd-image"), cue}, &out, &err), 2);
        EXPECT_TRUE(err.contains(QLatin1String(c.says))) << err.toStdString();
        EXPECT_TRUE(out.isEmpty());
    }
    QString out;
    EXPECT_EQ(quillon({QStringLiteral("lookup"), QStringLiteral("--help")}, &out), 0);
    EXPECT_TRUE(out.startsWith(QStringLiteral("Usage: quillon lookup"))) << out.toStdString();
}

} // namespace

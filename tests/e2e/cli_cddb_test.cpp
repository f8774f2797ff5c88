// quillon extract --cddb against a CDDB server on 127.0.0.1 started here: the
// titles found name the files and go into the disc store; a server without a
// match leaves the stored titles in use.
#include "support/cddb_test_server.h"

#include "cli_disc_fixture.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

struct CliCddbE2E : CliDiscE2E {
    void SetUp() override { makeDisc(); }
    QString discId() const
    {
        QString out;
        quillon({QStringLiteral("toc"), QStringLiteral("--cd-image"), cue}, &out);
        return QRegularExpression(QStringLiteral("CDDB disc id: ([0-9a-f]{8})"))
            .match(out)
            .captured(1);
    }
    void useServer(const QString& address) const
    {
        ASSERT_TRUE(writeFile(home + QStringLiteral("/options.ini"),
                              (QStringLiteral("[QueryCDDB]\nServer=%1\n").arg(address) +
                               QLatin1String(quillon::test::kPlainReadsIni))
                                  .toUtf8()));
    }
};

TEST_F(CliCddbE2E, TitlesFromTheServerNameTheFilesOrTheStoredOnesStay)
{
    const QString id = discId();
    ASSERT_EQ(id.size(), 8);
    struct Case {
        QByteArray query;
        QStringList files;
    } cases[] = {
        {"202 No match found\r\n", {u"Stored One.wav"_s, u"Stored Two.wav"_s}},
        {"200 rock " + id.toLatin1() + " Net Band / Net Album\r\n",
         {u"Net First.wav"_s, u"Net- Second.wav"_s}}, // a safe file name; the title stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        CddbTestServer server(CddbServerHandler(
            c.query,
            {{"rock+" + id.toLatin1(),
              "DTITLE=Net Band / Net Album\r\nTTITLE0=Net First\r\nTTITLE1=Net: Second\r\n"}}));
        useServer(server.address());
        const QString outDir = work.filePath(QStringLiteral("out"));
        QDir(outDir).removeRecursively();
        QString out;
        QString err;
        ASSERT_EQ(quillon({QStringLiteral("extract"), QStringLiteral("--cd-image"), cue,
                           QStringLiteral("--format"), QStringLiteral("wav"),
                           QStringLiteral("--cddb"), QStringLiteral("--output"), outDir},
                          &out, &err),
                  0)
            << err.toStdString();
        EXPECT_GE(server.requests().size(), 1u);
        for (const QString& f : c.files)
            EXPECT_TRUE(QFile::exists(outDir + QLatin1Char('/') + f))
                << f.toStdString() << out.toStdString();
    }
    // What the server said is kept for the next run.
    QString toc;
    quillon({QStringLiteral("toc"), QStringLiteral("--cd-image"), cue}, &toc);
    EXPECT_TRUE(toc.contains(QStringLiteral("Net: Second"))) << toc.toStdString();
    EXPECT_TRUE(toc.contains(QStringLiteral("Net Band / Net Album"))) << toc.toStdString();
}

} // namespace

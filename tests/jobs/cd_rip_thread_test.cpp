#include "cdaccess/cd_rip_thread.h"

#include "settings/options_setting.h"
#include "settings/process_info.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace quillon::test;

namespace {

// Collects what a rip thread posts.
class Collector : public QObject {
public:
    struct Report {
        int message;
        qintptr wParam;
        TProcessInfo info;
    };
    std::vector<Report> reports;

    bool event(QEvent* e) override
    {
        auto* m = dynamic_cast<TMessageEvent*>(e);
        if (!m)
            return QObject::event(e);
        Report r{m->message(), m->wParam(), {}};
        if (auto info = m->takeInfo())
            r.info = *info;
        reports.push_back(std::move(r));
        return true;
    }

    std::vector<Report> finals() const
    {
        std::vector<Report> out;
        for (const auto& r : reports)
            if (r.message == WM_PROCESSINFO && r.info.Percent == scRipDone)
                out.push_back(r);
        return out;
    }
    std::vector<int> progress() const
    {
        std::vector<int> out;
        for (const auto& r : reports)
            if (r.message == WM_PROCESSINFO && r.info.Percent <= 100)
                out.push_back(r.info.Percent);
        return out;
    }
};

quint32 le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// Options for one test: output into a fresh folder, no limit, no normalising.
struct RipFixture : ::testing::Test {
    QTemporaryDir out;
    TCommonOptions saved = OptionsSetting.CommonOptions;
    Collector collector;

    void SetUp() override
    {
        OptionsSetting.CommonOptions = TCommonOptions{};
        OptionsSetting.CommonOptions.OutputFolder = out.path();
    }
    void TearDown() override { OptionsSetting.CommonOptions = saved; }

    // Runs one track into <title>.wav to its end and delivers the reports.
    void rip(int track, const QString& title, bool stopFirst = false)
    {
        TCDRipThread thread(track, path(title + QStringLiteral(".wav")));
        thread.CDHandle = 1;
        thread.Window = &collector;
        thread.Options = OptionsSetting.CommonOptions;
        thread.StopRequested = stopFirst;
        thread.Resume();
        thread.Wait();
        QCoreApplication::sendPostedEvents(&collector);
    }
    QString path(const QString& name) const { return out.filePath(name); }
};

TEST(CDRipThreadHelpers, HeaderHoldsCdAudioFormatAndSizes)
{
    const QByteArray h = CDWavHeader(1234 * 2352);
    ASSERT_EQ(h.size(), 44);
    EXPECT_EQ(h.left(4), "RIFF");
    EXPECT_EQ(le32(h, 4), 1234u * 2352 + 36);
    EXPECT_EQ(h.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(h, 16), 16u);
    EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 20), 1);
    EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 22), 2);
    EXPECT_EQ(le32(h, 24), 44100u);
    EXPECT_EQ(le32(h, 28), 176400u);
    EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 32), 4);
    EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 34), 16);
    EXPECT_EQ(h.mid(36, 4), "data");
    EXPECT_EQ(le32(h, 40), 1234u * 2352);
}

TEST(CDRipThreadHelpers, ScaleSampleRoundsTiesToEvenAndClamps)
{
    struct Case {
        qint16 in;
        float factor;
        qint16 out;
    } cases[] = {
        {1000, 0.5f, 500},      {-1001, 0.5f, -500},  {1001, 0.5f, 500},      {1003, 0.5f, 502},
        {-32768, 1.0f, -32768}, {20000, 2.0f, 32767}, {-20000, 2.0f, -32768}, {0, 3.0f, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScaleSample(c.in, c.factor), c.out) << c.in << " * " << c.factor;
}

TEST(CDRipThreadHelpers, GainBringsPeakToTarget)
{
    EXPECT_FLOAT_EQ(NormalizeGain(16384, 100), 2.0f);
    EXPECT_FLOAT_EQ(NormalizeGain(32768, 50), 0.5f);
    EXPECT_FLOAT_EQ(NormalizeGain(0, 95), 1.0f); // silent: unchanged
}

TEST(CDRipThreadHelpers, TimeTexts)
{
    struct Case {
        double elapsed;
        int percent;
        const char* elapsedText;
        const char* estimatedText;
    } cases[] = {
        {65.0, 100, "01:05", "01:05"}, {2.5, 50, "00:02", "00:04"},     {3.5, 50, "00:04", "00:08"},
        {10.0, 3, "00:10", "05:33"},   {6000, 100, "100:00", "100:00"}, {12.0, 0, "", ""},
    };
    for (const auto& c : cases) {
        QString e, s;
        ProgressTimeTexts(c.elapsed, c.percent, e, s);
        EXPECT_EQ(e, QString::fromLatin1(c.elapsedText)) << c.elapsed << " " << c.percent;
        EXPECT_EQ(s, QString::fromLatin1(c.estimatedText)) << c.elapsed << " " << c.percent;
    }
}

TEST_F(RipFixture, ReadsWholeTracksAndTimeLimits)
{
    struct Case {
        int sectors;
        bool limitOn;
        int ripTime;
        int expectSectors;
        int expectReads;
    } cases[] = {
        {1234, false, 0, 1234, 124}, // 123 reads of 10 and one of 4
        {3000, true, 30, 2250, 225}, // limited to 30 s
        {1000, true, 30, 1000, 100}, // shorter than the limit: whole
        {95, true, -5, 95, 10},      // a negative limit is no limit
        {95, true, 0, 0, 0},         // a zero limit: an empty WAV file
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        OpenMemoryDrive drive({150, c.sectors, 200}, 32);
        OptionsSetting.CommonOptions.EnableRipTime = c.limitOn;
        OptionsSetting.CommonOptions.RipTime = c.ripTime;
        collector.reports.clear();
        const QString title = QStringLiteral("Track %1").arg(n++);
        rip(2, title);

        EXPECT_EQ(drive.readCount(), c.expectReads);
        const auto finals = collector.finals();
        ASSERT_EQ(finals.size(), 1u);
        EXPECT_EQ(finals[0].info.StepResult, rrOk);
        const auto progress = collector.progress();
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back(), 100);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

        const QByteArray wav = readFile(path(title + QStringLiteral(".wav")));
        ASSERT_EQ(wav.size(), 44 + qsizetype(c.expectSectors) * 2352);
        EXPECT_EQ(le32(wav, 40), quint32(c.expectSectors) * 2352);
        EXPECT_EQ(le32(wav, 4), quint32(c.expectSectors) * 2352 + 36);
        EXPECT_TRUE(wav.mid(44) == drive.trackAudio(2, c.expectSectors));
    }
}

TEST_F(RipFixture, FailuresBeforeReading)
{
    struct Case {
        bool refuseMode;
        bool failTOC;
        int track;
        int message;
        qintptr code;
    } cases[] = {
        {true, false, 1, WM_RIPFAILED, rfAddressMode},
        {false, true, 1, WM_RIPFAILED, rfReadTOC},
        {false, false, 3, WM_PROCESSINFO, 0}, // beyond the last track
        {false, false, 0, WM_PROCESSINFO, 0},
    };
    for (const auto& c : cases) {
        OpenMemoryDrive drive({100, 100});
        drive.setRefuseAddressMode(c.refuseMode);
        drive.setFailReadTOC(c.failTOC);
        collector.reports.clear();
        rip(c.track, QStringLiteral("T"));
        ASSERT_EQ(collector.reports.size(), 1u);
        EXPECT_EQ(collector.reports[0].message, c.message);
        if (c.message == WM_RIPFAILED) {
            EXPECT_EQ(collector.reports[0].wParam, c.code);
        } else {
            EXPECT_EQ(collector.reports[0].info.Percent, scRipDone);
            EXPECT_EQ(collector.reports[0].info.StepResult, rrReadFailed);
        }
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("T.wav"))));
        EXPECT_EQ(drive.readCount(), 0);
    }
}

TEST_F(RipFixture, ReadFailureKeepsWhatWasReadWithEmptyHeader)
{
    OpenMemoryDrive drive({100});
    drive.failReadAt(55);
    rip(1, QStringLiteral("Broken"));
    const auto finals = collector.finals();
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_EQ(finals[0].info.StepResult, rrReadFailed);
    EXPECT_EQ(collector.progress().back(), 60); // the failed round is reported
    const QByteArray wav = readFile(path(QStringLiteral("Broken.wav")));
    ASSERT_EQ(wav.size(), 44 + 50 * 2352);
    EXPECT_EQ(le32(wav, 40), 0u);
    EXPECT_TRUE(wav.mid(44) == drive.trackAudio(1, 50));
}

TEST_F(RipFixture, WriteFailuresEndInAReportNamingFileAndReason)
{
    OpenMemoryDrive drive({40});
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path(QStringLiteral("Full.wav"))));
    rip(1, QStringLiteral("Full"));
    const auto finals = collector.finals();
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_EQ(finals[0].info.StepResult, rrWriteFailed);
    // The system's own reason, with the file.
    EXPECT_EQ(finals[0].info.Message, QStringLiteral("cannot write %1: No space left on device")
                                          .arg(path(QStringLiteral("Full.wav"))));
}

TEST_F(RipFixture, StopEndsAfterTheReadInHandWithoutFinalReport)
{
    OpenMemoryDrive drive({500});
    OptionsSetting.CommonOptions.IsNormalize = true;
    rip(1, QStringLiteral("Stopped"), /*stopFirst=*/true);
    EXPECT_TRUE(collector.finals().empty());
    EXPECT_EQ(drive.readCount(), 1);
    for (const auto& r : collector.reports)
        EXPECT_NE(r.info.Percent, scNormalizeStarts);
}

TEST_F(RipFixture, NormalizeBringsPeakToTargetAndLeavesSilenceAlone)
{
    struct Case {
        int peak; // of the generated tone
        int percent;
        int expectPeak;
    } cases[] = {
        {8192, 50, 16384},  // gain 2
        {32000, 50, 16384}, // gain 0.512
        {0, 95, 0},         // silent: left as it is
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.peak);
        OpenMemoryDrive drive({30});
        drive.setSectorContent([&](std::int32_t lba, char* sector) {
            for (int i = 0; i < kSectorSize / 2; ++i) {
                // A sawtooth that touches +peak once and stays below elsewhere.
                const int v = (lba == 7 && i == 100) ? c.peak : (i % 200) * c.peak / 400;
                qToLittleEndian<qint16>(qint16(i % 2 ? -v : v), sector + 2 * i);
            }
        });
        OptionsSetting.CommonOptions.IsNormalize = true;
        OptionsSetting.CommonOptions.NormalizePercent = c.percent;
        collector.reports.clear();
        rip(1, QStringLiteral("Loud"));
        const auto finals = collector.finals();
        ASSERT_EQ(finals.size(), 1u);
        EXPECT_EQ(finals[0].info.StepResult, rrOk);
        bool sawNormalize = false;
        for (const auto& r : collector.reports)
            sawNormalize |= r.info.Percent == scNormalizeStarts;
        EXPECT_TRUE(sawNormalize);

        const QByteArray original = drive.trackAudio(1);
        const QByteArray wav = readFile(path(QStringLiteral("Loud.wav")));
        ASSERT_EQ(wav.size(), 44 + original.size()); // same length, header copied
        EXPECT_EQ(le32(wav, 40), quint32(original.size()));
        int peak = 0;
        for (qsizetype i = 44; i < wav.size(); i += 2)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(wav.constData() + i))));
        EXPECT_EQ(peak, c.expectPeak);
        if (c.peak == 0) {
            EXPECT_TRUE(wav.mid(44) == original);
        }
    }
}

} // namespace

#include "jobs/job_engine.h"

#include "cdaccess/cd_rip_thread.h"
#include "encoders/encoder_fixtures.h"
#include "job_test_support.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/memory_cd_drive.h"
#include "support/test_support.h"
#include "tags/tag_writer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace quillon::test;

namespace {

struct EngineFixture : ::testing::Test {
    QTemporaryDir out;
    QTemporaryDir in;
    TOptionsSetting saved = OptionsSetting;
    RecordingView view;
    ScriptedEncoder encoder;
    ScopedPrompts prompts;

    void SetUp() override
    {
        OptionsSetting = TOptionsSetting{};
        quillon::test::UsePlainReads(OptionsSetting);
        OptionsSetting.CommonOptions.OutputFolder = out.path();
    }
    void TearDown() override { OptionsSetting = saved; }
    QString path(const QString& name) const { return out.filePath(name); }
    // A short 16-bit WAV file among the inputs.
    QString wav(const QString& name, int rate = 44100)
    {
        const QString file = in.filePath(name);
        EXPECT_TRUE(writeWav(file, rate, 2, 16, 0.05));
        return file;
    }
    std::vector<TItemOutcome> outcomes(const TJobEngine& engine) const
    {
        std::vector<TItemOutcome> o;
        for (const auto& item : engine.Summary().items())
            o.push_back(item.Outcome);
        return o;
    }
};

constexpr auto Made = TItemOutcome::Made;
constexpr auto Skipped = TItemOutcome::Skipped;
constexpr auto Failed = TItemOutcome::Failed;
constexpr auto Pending = TItemOutcome::Pending;

TEST_F(EngineFixture, ExtractionStepsAlternateAndWorkFilesGoAsSoonAsTheirTrackIsDone)
{
    struct Case {
        int format;
        bool keepWav;
        QStringList statuses;
        int encodes;
        bool wavsRemain;
    } cases[] = {
        {ofWAV, false, {u"Extracting(01/02): One"_s, u"Extracting(02/02): Two"_s}, 0, true},
        {ofMP3,
         false,
         {u"Extracting(01/02): One"_s, u"Encoding(01/02): One"_s, u"Extracting(02/02): Two"_s,
          u"Encoding(02/02): Two"_s},
         2,
         false},
        {ofMP3,
         true,
         {u"Extracting(01/02): One"_s, u"Encoding(01/02): One"_s, u"Extracting(02/02): Two"_s,
          u"Encoding(02/02): Two"_s},
         2,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format * 10 + c.keepWav);
        OpenMemoryDrive drive({40, 30});
        OptionsSetting.CommonOptions.OutputFormat = c.format;
        OptionsSetting.CommonOptions.IsKeepWav = c.keepWav;
        OptionsSetting.ReplayGain = false; // the scripted encoder makes no real files
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        bool firstWavGoneBeforeSecondRip = true;
        encoder.onStart = [&](const ScriptedEncoder::Call& call) {
            // The encoder reads the ripped track under its hidden name.
            EXPECT_TRUE(QFileInfo(call.input).fileName().startsWith(QLatin1Char('.')));
            EXPECT_TRUE(call.input.endsWith(QStringLiteral(".part")));
            if (encoder.calls.size() == 2)
                firstWavGoneBeforeSecondRip = partFiles(out.path()).size() == 2;
        };
        TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01One"), QStringLiteral("02Two")},
                          view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_EQ(view.closed, 1);
        EXPECT_TRUE(engine.Finished());
        EXPECT_EQ(view.statusLines, c.statuses);
        ASSERT_EQ(int(encoder.calls.size()), c.encodes);
        EXPECT_TRUE(firstWavGoneBeforeSecondRip);
        const QString ext = c.format == ofWAV ? QStringLiteral(".wav") : QStringLiteral(".mp3");
        for (int i = 0; i < 2; ++i) {
            const QString stem = path(i ? QStringLiteral("Two") : QStringLiteral("One"));
            EXPECT_EQ(engine.OutputPath(i), stem + ext);
            EXPECT_TRUE(QFile::exists(stem + ext));
            EXPECT_EQ(QFile::exists(stem + QStringLiteral(".wav")), c.wavsRemain);
        }
        if (c.encodes) {
            EXPECT_TRUE(readFile(path(QStringLiteral("One.mp3"))).endsWith(fakeMp3Frames()));
        }
        EXPECT_EQ(outcomes(engine), (std::vector<TItemOutcome>{Made, Made}));
        EXPECT_TRUE(engine.Summary().clean());
        EXPECT_TRUE(partFiles(out.path()).isEmpty());
        EXPECT_TRUE(prompts.shown.empty());
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }
}

TEST_F(EngineFixture, ConversionsNameTheirOutputsAndSteps)
{
    struct Case {
        TJobKind kind;
        QStringList items;
        QStringList outputs;
        bool encode;
        QStringList captions;
        QStringList statuses;
    };
    const QString song = in.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(writeFakeMp3(song));
    const QString ab = wav(QStringLiteral("a.b.wav"));
    const QString noext = wav(QStringLiteral("noext"));
    QDir().mkpath(out.path() + QStringLiteral("/rec"));
    const QString take = out.path() + QStringLiteral("/rec/take.wav");
    ASSERT_TRUE(writeWav(take, 44100, 1, 16, 0.05));
    const Case cases[] = {
        {TJobKind::WavToMp3,
         {ab, noext},
         {path(QStringLiteral("a.b.mp3")), path(QStringLiteral("noext.mp3"))},
         true,
         {u"Encoding WAV to MP3"_s, u"Encoding"_s},
         {QStringLiteral("Encoding(01/02): ") + ab, QStringLiteral("Encoding(02/02): ") + noext}},
        {TJobKind::Mp3ToWav,
         {song},
         {path(QStringLiteral("song.wav"))},
         false,
         {u"Decoding MP3 to WAV"_s},
         {QStringLiteral("Decoding(01/01): ") + song}},
        {TJobKind::RecordToMp3,
         {take},
         {out.path() + QStringLiteral("/rec/take.mp3")},
         true,
         {u"Encoding WAV to MP3"_s},
         {QStringLiteral("Encoding(01/01): ") + take}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.kind));
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        TJobEngine engine(c.kind, 0, c.items, view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        ASSERT_EQ(encoder.calls.size(), size_t(c.items.size()));
        for (int i = 0; i < c.items.size(); ++i) {
            EXPECT_EQ(encoder.calls[i].input, c.items[i]);
            // The encoder writes a hidden file beside the output, which then
            // takes the output's name.
            EXPECT_EQ(QFileInfo(encoder.calls[i].output).path(), QFileInfo(c.outputs[i]).path());
            EXPECT_EQ(engine.OutputPath(i), c.outputs[i]);
            EXPECT_TRUE(readFile(c.outputs[i]).endsWith(fakeMp3Frames()));
            EXPECT_EQ(encoder.calls[i].encode, c.encode);
            EXPECT_EQ(encoder.calls[i].kind, c.kind);
        }
        EXPECT_EQ(view.captions, c.captions);
        EXPECT_EQ(view.statusLines, c.statuses);
        EXPECT_EQ(engine.Summary().madeFiles(), c.outputs);
    }
}

TEST_F(EngineFixture, TitlesBecomeSafeDistinctFileNamesAndTagsKeepThem)
{
    OpenMemoryDrive drive({10, 10, 10, 10, 10});
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    const QStringList items = {QStringLiteral("01AC/DC"), QStringLiteral("02Intro"),
                               QStringLiteral("03intro"), QStringLiteral("04. . ."),
                               QStringLiteral("05Static: Weather?")};
    TJobEngine engine(TJobKind::Extract, 1, items, view, &encoder);
    const QStringList names = {u"AC-DC.wav"_s, u"Intro.wav"_s, u"intro (2).wav"_s, u"Track04.wav"_s,
                               u"Static- Weather-.wav"_s};
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(engine.OutputPath(i), path(names[i]));
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_EQ(engine.Summary().count(Made), 5);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 5);
    // The status line keeps the real title.
    EXPECT_TRUE(view.statusLines.contains(QStringLiteral("Extracting(01/05): AC/DC")));
}

TEST_F(EngineFixture, ExistingFilesAreReplacedOnlyAfterAYes)
{
    struct Case {
        const char* name;
        TJobKind kind;
        int format;
        PromptButton answer;
        bool asked;
        TItemOutcome outcome;
        bool inUse;
    } cases[] = {
        {"extraction, yes", TJobKind::Extract, ofMP3, pbYes, true, Made, false},
        {"extraction, no", TJobKind::Extract, ofMP3, pbNo, true, Skipped, false},
        {"extraction to WAV, no", TJobKind::Extract, ofWAV, pbNo, true, Skipped, false},
        {"conversion, yes", TJobKind::WavToMp3, ofMP3, pbYes, true, Made, false},
        {"conversion, no", TJobKind::WavToMp3, ofMP3, pbNo, true, Skipped, false},
        {"conversion, yes but in use", TJobKind::WavToMp3, ofMP3, pbYes, true, Failed, true},
        {"the recorder has asked already", TJobKind::RecordToMp3, ofMP3, pbNo, false, Made, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenMemoryDrive drive({10, 10});
        OptionsSetting.CommonOptions.OutputFormat = c.format;
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        prompts.shown.clear();
        prompts.answers = {c.answer};
        const bool extract = c.kind == TJobKind::Extract;
        const QString source = wav(QStringLiteral("Same.wav"));
        const QString ext = c.format == ofWAV ? QStringLiteral(".wav") : QStringLiteral(".mp3");
        const QString existing = c.kind == TJobKind::RecordToMp3
                                     ? in.filePath(QStringLiteral("Same.mp3"))
                                     : path(QStringLiteral("Same") + ext);
        ASSERT_TRUE(writeFile(existing, "the user's own"));
        QFile holder(existing);
        if (c.inUse) {
            ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
        }
        const QStringList items =
            extract ? QStringList{QStringLiteral("01Same"), QStringLiteral("02Other")}
                    : QStringList{source};
        TJobEngine engine(c.kind, 1, items, view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        ASSERT_EQ(prompts.shown.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(prompts.shown[0].text, existing + QStringLiteral(" has existed,overite it?"));
            EXPECT_EQ(prompts.shown[0].buttons, unsigned(pbYes | pbNo));
        }
        EXPECT_EQ(outcomes(engine)[0], c.outcome);
        if (c.inUse) {
            EXPECT_EQ(engine.Summary().items()[0].Reason,
                      existing + QStringLiteral("maybe be used,operate fail!"));
        }
        if (c.outcome != Made) {
            EXPECT_EQ(readFile(existing), "the user's own");
        } else {
            EXPECT_NE(readFile(existing), "the user's own");
        }
        // A skipped track is not even read; the job goes on with the next.
        if (extract) {
            EXPECT_EQ(outcomes(engine)[1], Made);
            EXPECT_EQ(drive.readCount(), c.outcome == Skipped ? 1 : 2);
        }
        EXPECT_TRUE(partFiles(out.path()).isEmpty());
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }
}

TEST_F(EngineFixture, FailedItemsAreCollectedAndTheJobGoesOn)
{
    OpenMemoryDrive drive({20, 20, 20});
    drive.failReadAt(25);
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    TJobEngine engine(TJobKind::Extract, 1,
                      {QStringLiteral("01Good"), QStringLiteral("02Bad"), QStringLiteral("03Last")},
                      view, &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    // Nothing is shown while the job runs; the summary says it once.
    EXPECT_TRUE(prompts.shown.empty());
    ASSERT_EQ(encoder.calls.size(), 2u); // the bad track is not encoded
    EXPECT_EQ(engine.ExtractedCount(), 3);
    EXPECT_EQ(engine.EncodedCount(), 3);
    EXPECT_EQ(outcomes(engine), (std::vector<TItemOutcome>{Made, Failed, Made}));
    EXPECT_EQ(engine.Summary().headline(), QStringLiteral("2 of 3 tracks made; 1 failed"));
    EXPECT_TRUE(engine.Summary().items()[1].Reason.startsWith(
        QStringLiteral("Error while reading CD information! (track 2, sectors 20 to 29)")))
        << engine.Summary().items()[1].Reason.toStdString();
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Bad.mp3"))));
    EXPECT_TRUE(partFiles(out.path()).isEmpty());
}

TEST_F(EngineFixture, EncoderResultsAndFailures)
{
    struct Case {
        ScriptedEncoder::Script script;
        TItemOutcome first;
        const char* reason;
        size_t calls;
    } cases[] = {
        {{false, true, 2, {}}, Made, "", 2},
        {{false, true, 2, QStringLiteral("lame failed with exit code 1: Error writing mp3 output")},
         Failed,
         "lame failed with exit code 1: Error writing mp3 output",
         2},
        {{false, false, 2, {}, false}, Failed, "Create MP3 file error!", 2}, // no output
        // A step that could not start ends the job: every item would fail alike.
        {{true, false, 0, {}}, Failed, "Error while creating mp3 encoding process!2", 1},
    };
    int n = 0;
    const QStringList items = {wav(QStringLiteral("a.wav")), wav(QStringLiteral("b.wav"))};
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        encoder.scripts = {c.script};
        TJobEngine engine(TJobKind::WavToMp3, 0, items, view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_TRUE(prompts.shown.empty());
        EXPECT_EQ(encoder.calls.size(), c.calls);
        EXPECT_EQ(outcomes(engine)[0], c.first);
        EXPECT_EQ(engine.Summary().items()[0].Reason.left(int(strlen(c.reason))),
                  QLatin1String(c.reason));
        EXPECT_EQ(outcomes(engine)[1], c.calls == 2 ? Made : Pending);
        EXPECT_EQ(QFile::exists(path(QStringLiteral("a.mp3"))), c.first == Made);
        EXPECT_TRUE(partFiles(out.path()).isEmpty());
        EXPECT_TRUE(engine.Finished());
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
    }
}

TEST_F(EngineFixture, InputsThatAreNotWhatTheySeemAreRefused)
{
    const QString text = in.filePath(QStringLiteral("notes.wav"));
    ASSERT_TRUE(writeFile(text, "just some text, no RIFF header at all"));
    const QString mp3 = in.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(writeFakeMp3(mp3));
    const QString empty = in.filePath(QStringLiteral("empty.wav"));
    ASSERT_TRUE(writeWav(empty, 44100, 2, 16, 0));
    struct Case {
        TJobKind kind;
        QString input;
        const char* says;
    } cases[] = {
        {TJobKind::WavToMp3, text, " is not a WAV file"},
        {TJobKind::WavToWma, mp3, " is an MP3 file, not a WAV file: convert it to WAV first"},
        {TJobKind::WavToMp3, empty, " holds no audio"},
        {TJobKind::Mp3ToWav, text, " is not an MP3 file"},
        {TJobKind::WavToMp3, in.filePath(QStringLiteral("absent.wav")), "cannot read "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        view = RecordingView{};
        encoder = ScriptedEncoder{};
        TJobEngine engine(c.kind, 0, {c.input}, view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_TRUE(encoder.calls.empty());
        EXPECT_EQ(outcomes(engine), std::vector<TItemOutcome>{Failed});
        EXPECT_TRUE(engine.Summary().items()[0].Reason.contains(QLatin1String(c.says)))
            << engine.Summary().items()[0].Reason.toStdString();
        // Nothing at all is left behind, not even an empty file.
        EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST_F(EngineFixture, AnUnusableOutputFolderIsSaidOnceBeforeAnythingStarts)
{
    OpenMemoryDrive drive({10, 10});
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    const QString missing = out.filePath(QStringLiteral("not/there"));
    OptionsSetting.CommonOptions.OutputFolder = missing;
    TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01A"), QStringLiteral("02B")}, view,
                      &encoder);
    engine.Start();
    EXPECT_EQ(view.closed, 1);
    EXPECT_EQ(drive.readCount(), 0);
    EXPECT_EQ(engine.Summary().jobError(),
              QStringLiteral("cannot write into %1: No such file or directory").arg(missing));
    EXPECT_EQ(engine.Summary().headline(),
              QStringLiteral("cannot write into %1: No such file or directory; 0 of 2 tracks made")
                  .arg(missing));
}

TEST_F(EngineFixture, ProgressOfTheWholeJobAndOfEachStep)
{
    OptionsSetting.Encoders = 2;
    encoder.scripts = {{false, true, -1, {}}, {false, false, -1, {}}};
    const QStringList items = {wav(QStringLiteral("a.wav")), wav(QStringLiteral("b.wav")),
                               wav(QStringLiteral("c.wav"))};
    TJobEngine engine(TJobKind::WavToMp3, 0, items, view, &encoder);
    view.initializingVisible = true;
    engine.Start();
    // Two items run at once; the first has said 50 %, the second nothing yet.
    QCoreApplication::processEvents();
    ASSERT_EQ(encoder.calls.size(), 2u);
    ASSERT_FALSE(view.stepLines.empty());
    const std::vector<TStepLine> expected = {{QStringLiteral("Encoding(01/03): ") + items[0], 50},
                                             {QStringLiteral("Encoding(02/03): ") + items[1], 0}};
    EXPECT_EQ(view.stepLines.back(), expected);
    EXPECT_FALSE(view.initializingVisible);
    // Half of one item of three.
    EXPECT_EQ(engine.OverallPercent(), 16);
    ASSERT_FALSE(view.gauge.empty());
    EXPECT_EQ(view.gauge.back(), 16);
    // The times are the job's own: elapsed, and the estimate of the whole.
    ASSERT_FALSE(view.times.isEmpty());
    EXPECT_TRUE(view.times.back().startsWith(QStringLiteral("00:00|00:0")))
        << view.times.back().toStdString();
    engine.Stop();
    EXPECT_EQ(encoder.stops, 2);
    EXPECT_TRUE(engine.Summary().stopped());
    EXPECT_EQ(engine.Summary().count(Pending), 3);
}

TEST_F(EngineFixture, StopDuringRipRemovesWhatIsUnfinishedAndGoesNoFurther)
{
    OpenMemoryDrive drive({30, 3000, 30});
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    ASSERT_TRUE(writeFile(path(QStringLiteral("B.mp3")), "an older B"));
    std::atomic<bool> inSecondTrack{false};
    drive.setBeforeRead([&](std::int32_t lba) {
        if (lba >= 30 + 100) {
            inSecondTrack = true;
            // Slow the reads down so that Stop lands in the middle.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    prompts.answers = {pbYes};
    TJobEngine engine(TJobKind::Extract, 1,
                      {QStringLiteral("01A"), QStringLiteral("02B"), QStringLiteral("03C")}, view,
                      &encoder);
    engine.Start();
    // Track 1 is encoded and measured (its file waits for the album gain,
    // which a stopped job does not get).
    ASSERT_TRUE(runUntilClosed(view, 60000,
                               [&] { return inSecondTrack.load() && engine.EncodedCount() == 1; }));
    engine.Stop();
    EXPECT_EQ(view.closed, 1);
    EXPECT_TRUE(engine.Finished());
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("A.mp3"))));
    // The previous B is untouched, no WAV or temporary file is left, and
    // track 3 was never started.
    EXPECT_EQ(readFile(path(QStringLiteral("B.mp3"))), "an older B");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("A.mp3"), QStringLiteral("B.mp3")}));
    EXPECT_EQ(outcomes(engine), (std::vector<TItemOutcome>{Made, Pending, Pending}));
    EXPECT_EQ(engine.Summary().headline(), QStringLiteral("Stopped; 1 of 3 tracks made"));
    // Reports still queued for the ended job are ignored.
    QCoreApplication::processEvents();
    EXPECT_EQ(view.closed, 1);
}

TEST_F(EngineFixture, ADriveThatCannotBeReadEndsTheJobWithItsReason)
{
    struct Case {
        bool refuseMode;
        const char* text;
    } cases[] = {
        {true, "CD extract failed!Please try again."},
        {false, "Error while reading TOC information!"},
    };
    for (const auto& c : cases) {
        OpenMemoryDrive drive({10, 10});
        drive.setRefuseAddressMode(c.refuseMode);
        drive.setFailReadTOC(!c.refuseMode);
        view = RecordingView{};
        TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01A"), QStringLiteral("02B")},
                          view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        EXPECT_TRUE(prompts.shown.empty());
        EXPECT_EQ(outcomes(engine), (std::vector<TItemOutcome>{Failed, Pending}));
        EXPECT_EQ(engine.Summary().items()[0].Reason, QString::fromLatin1(c.text));
        EXPECT_TRUE(partFiles(out.path()).isEmpty());
    }
}

TEST_F(EngineFixture, NormalizingShowsInTheStatusLine)
{
    OpenMemoryDrive drive({20});
    OptionsSetting.CommonOptions.OutputFormat = ofWAV;
    OptionsSetting.CommonOptions.IsNormalize = true;
    TJobEngine engine(TJobKind::Extract, 1, {QStringLiteral("01Seven")}, view, &encoder);
    engine.Start();
    ASSERT_TRUE(runUntilClosed(view));
    EXPECT_EQ(view.statusLines, QStringList({QStringLiteral("Extracting(01/01): Seven"),
                                             QStringLiteral("Normalizing(01/01): Seven")}));
}

TEST_F(EngineFixture, FlacAndOpusExtractionsAreTaggedFiledByTemplateAndGainedPerAlbum)
{
    struct Case {
        int format;
        bool replayGain;
    } cases[] = {{ofFLAC, true}, {ofOpus, true}, {ofFLAC, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format * 10 + c.replayGain);
        QDir(out.path()).removeRecursively();
        QDir().mkpath(out.path());
        OpenMemoryDrive drive({60, 45});
        OptionsSetting.CommonOptions.OutputFormat = c.format;
        OptionsSetting.CommonOptions.NameTemplate = QStringLiteral("%artist%/%track% %title%");
        OptionsSetting.ReplayGain = c.replayGain;
        OptionsSetting.CDInfo.Artist = QStringLiteral("AC/DC");
        OptionsSetting.CDInfo.Album = QStringLiteral("Живьём");
        view = RecordingView{};
        // A title that would climb out of the folder stays a file name in it.
        TJobEngine engine(TJobKind::Extract, 1,
                          {QStringLiteral("01Один"), QStringLiteral("02../../x")}, view, &encoder);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view));
        ASSERT_TRUE(engine.Summary().clean()) << engine.Summary().text().toStdString();
        const TTagFormat format = c.format == ofFLAC ? TTagFormat::Flac : TTagFormat::Opus;
        TGainValue album;
        for (int i = 0; i < 2; ++i) {
            const QString file = engine.OutputPath(i);
            EXPECT_EQ(QFileInfo(file).absolutePath(),
                      QDir(out.path()).filePath(QStringLiteral("AC-DC")));
            TTrackTags tags;
            QString error;
            ASSERT_TRUE(ReadTrackTags(file, format, &tags, &error)) << error.toStdString();
            EXPECT_EQ(tags.Title, i == 0 ? QStringLiteral("Один") : QStringLiteral("../../x"));
            EXPECT_EQ(tags.Album, QStringLiteral("Живьём"));
            EXPECT_EQ(tags.TrackNumber, i + 1);
            EXPECT_EQ(tags.TrackGain.Valid, c.replayGain);
            EXPECT_EQ(tags.AlbumGain.Valid, c.replayGain);
            if (i == 0)
                album = tags.AlbumGain;
            else
                EXPECT_NEAR(tags.AlbumGain.Gain, album.Gain, 0.005);
        }
        EXPECT_TRUE(partFiles(out.path() + QStringLiteral("/AC-DC")).isEmpty());
        EXPECT_EQ(
            QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{QStringLiteral("AC-DC")});
    }
}

TEST_F(EngineFixture, StoppedFlacAndOpusConversionsEndAtOnceAndLeaveNoFile)
{
    struct Case {
        TJobKind kind;
        const char* output;
    } cases[] = {{TJobKind::WavToFlac, "Long.flac"}, {TJobKind::WavToOpus, "Long.opus"}};
    // Noise, long enough that the encoder is still at it when Stop comes.
    const QString input = in.filePath(QStringLiteral("Long.wav"));
    ASSERT_TRUE(writeWav(input, 44100, 2, 16, 120, true));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        view = RecordingView{};
        OptionsSetting.ReplayGain = true; // the meter beside the encoder stops too
        TJobEngine engine(c.kind, 0, {input}, view);
        engine.Start();
        ASSERT_TRUE(runUntilClosed(view, 60000, [&] {
            return !engine.RunningSteps().empty() && engine.RunningSteps()[0]->percent() > 0;
        }));
        ASSERT_LT(engine.RunningSteps()[0]->percent(), 100);
        QElapsedTimer stopping;
        stopping.start();
        engine.Stop();
        EXPECT_LT(stopping.elapsed(), 1000);
        EXPECT_TRUE(engine.Finished());
        EXPECT_EQ(engine.Summary().headline(), QStringLiteral("Stopped; 0 of 1 file made"));
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }
}

TEST(JobSummary, TextSaysWhatWasNotMadeAndWhy)
{
    TJobSummary s;
    s.reset(true, {QStringLiteral("Intro"), QStringLiteral("Song"), QStringLiteral("Outro")},
            {QStringLiteral("/o/Intro.mp3"), QStringLiteral("/o/Song.mp3"),
             QStringLiteral("/o/Outro.mp3")});
    s.made(0);
    s.skipped(1, QStringLiteral("/o/Song.mp3 exists and was kept"));
    s.failed(2, QStringLiteral("cannot write /o/Outro.mp3: No space left on device"));
    s.note(0, QStringLiteral("Error #300! Could not save Tag!"));
    EXPECT_FALSE(s.clean());
    EXPECT_EQ(s.madeFiles(), QStringList{QStringLiteral("/o/Intro.mp3")});
    EXPECT_EQ(s.text(),
              QStringLiteral("1 of 3 tracks made; 1 skipped; 1 failed\n"
                             "Intro: Error #300! Could not save Tag!\n"
                             "Song: /o/Song.mp3 exists and was kept\n"
                             "Outro: cannot write /o/Outro.mp3: No space left on device"));
    // Files are named by their reasons when these name them.
    s.reset(false, {QStringLiteral("/i/a.txt")}, {QStringLiteral("/o/a.mp3")});
    s.failed(0, QStringLiteral("/i/a.txt is not a WAV file"));
    EXPECT_EQ(s.text(), QStringLiteral("0 of 1 file made; 1 failed\n/i/a.txt is not a WAV file"));
    // Items a failure left unbegun are counted, unless a stop explains them.
    s.reset(false, {QStringLiteral("/i/a.wav"), QStringLiteral("/i/b.wav")}, {});
    s.failed(0, QStringLiteral("lame is missing"));
    EXPECT_EQ(s.headline(), QStringLiteral("0 of 2 files made; 1 failed; 1 not begun"));
    s.setStopped();
    EXPECT_EQ(s.headline(), QStringLiteral("Stopped; 0 of 2 files made; 1 failed"));
}

} // namespace

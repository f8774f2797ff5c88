#pragma once
// The common ground of the end-to-end job tests: a disc image made by
// quillon-discgen and opened through libcdio, an empty output folder, and
// settings that are put back afterwards.

#include "../jobs/job_test_support.h"
#include "cdaccess/cd_access.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

struct DiscImageFixture : ::testing::Test {
    QTemporaryDir work;
    QString outDir;
    QString cue;
    TTOC toc;
    HCDROM handle = 0;
    TOptionsSetting saved = OptionsSetting;
    quillon::test::RecordingView view;
    ScopedPrompts prompts;

    // Writes a disc of the given track specs ("2s:tone:440", ...), opens it in
    // MSF mode with its TOC read, and starts from default settings writing into
    // outDir. Skips the test when quillon-discgen is not built; callers check
    // IsSkipped() / HasFatalFailure() after it.
    void makeDisc(const QStringList& tracks)
    {
        const QString discgen = quillon::test::binDir() + QStringLiteral("/quillon-discgen");
        if (!QFile::exists(discgen))
            GTEST_SKIP() << "quillon-discgen is not built";
        cue = work.filePath(QStringLiteral("disc.cue"));
        ASSERT_EQ(QProcess::execute(discgen, QStringList{cue} + tracks), 0);
        outDir = work.filePath(QStringLiteral("out"));
        QDir().mkpath(outDir);
        OptionsSetting = TOptionsSetting{};
        quillon::test::UsePlainReads(OptionsSetting);
        OptionsSetting.CommonOptions.OutputFolder = outDir;
        TCDREC drive;
        drive.Device = cue;
        drive.IsImage = true;
        handle = cdAccess().GetCDHandle(drive);
        ASSERT_NE(handle, 0u);
        ASSERT_TRUE(cdAccess().ModifyCDParms(handle, kCDParmAddressMode, kAddressModeMsf));
        ASSERT_TRUE(cdAccess().ReadTOC(handle, toc));
        ASSERT_EQ(toc.TrackCount(), int(tracks.size()));
    }

    void TearDown() override
    {
        if (handle)
            CloseCDDrive(handle);
        OptionsSetting = saved;
    }
};

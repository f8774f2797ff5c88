// quillon-bench-extract IMAGE OUTDIR [wav|mp3]
// Opens the disc image as a drive and extracts all its audio tracks through
// the job engine (rip thread, then lame, track after track), with the
// default MP3 settings and no tag. Prints the wall time in seconds.
#include "cdaccess/cd_access.h"
#include "jobs/job_engine.h"
#include "settings/options_setting.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>

#include <cstdio>

namespace {

class LoopView : public IJobView {
public:
    QEventLoop loop;
    bool closed = false;
    void setStatusLine(const QString&) override {}
    void setFrameCaption(const QString&) override {}
    void setInitializing(const QString&, bool) override {}
    void setProgress(int, bool) override {}
    void setTimes(const QString&, const QString&) override {}
    void closeJob() override
    {
        closed = true;
        loop.quit();
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: quillon-bench-extract IMAGE OUTDIR [wav|mp3]\n";
        return 2;
    }
    QDir().mkpath(args[2]);
    OptionsSetting.CommonOptions.OutputFolder = QDir(args[2]).absolutePath();
    OptionsSetting.CommonOptions.OutputFormat =
        args.size() > 3 && args[3] == QLatin1String("wav") ? ofWAV : ofMP3;
    OptionsSetting.CommonOptions.IsKeepWav = false;
    OptionsSetting.UseID3 = false;

    TCDREC drive;
    drive.Device = QDir(args[1]).absolutePath();
    drive.IsImage = true;
    const HCDROM handle = cdAccess().GetCDHandle(drive);
    TTOC toc;
    if (!handle || !cdAccess().ModifyCDParms(handle, 36, 1) || !cdAccess().ReadTOC(handle, toc)) {
        err << "cannot read the disc image " << args[1] << "\n";
        return 1;
    }
    QStringList items;
    for (int t = 1; t <= toc.TrackCount(); ++t)
        items << QStringLiteral("%1Track %1").arg(t, 2, 10, QLatin1Char('0'));

    LoopView view;
    QElapsedTimer clock;
    clock.start();
    {
        TJobEngine engine(TJobKind::Extract, handle, items, view);
        engine.Start();
        if (!view.closed)
            view.loop.exec();
    }
    std::printf("%.3f\n", clock.elapsed() / 1000.0);
    CloseCDDrive(handle);
    return 0;
}

// Quillon's entry point.
//
// Options: --cd-image FILE (repeatable) adds a disc image as a drive, as do the
// files in $QUILLON_CD_IMAGES; --list-drives prints the drives and the first
// drive's table of contents and exits without opening a window. A command
// (drives, toc, extract, convert; see --help) runs without windows (cli.h).
#include "cli.h"

#include "cdaccess/cdio_access.h"
#include "cdaccess/drive_report.h"
#include "ui/common/qt_prompts.h"
#include "ui/main/main_form.h"
#include "ui/main/window_commands.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

bool hasOption(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return true;
    }
    return false;
}

// Takes the image options out of the arguments. An image that is not there
// is said on standard error as well, for whoever started us from a terminal;
// false then.
bool addImageDrives()
{
    QStringList args = QCoreApplication::arguments();
    AddImageDrives(TakeImageDriveArguments(args));
    bool allThere = true;
    for (const QString& image : ImageDrivePaths()) {
        if (!QFileInfo(image).isFile()) {
            QTextStream(stderr) << "quillon: cannot read the disc image " << image
                                << ": no such file\n";
            allThere = false;
        }
    }
    return allThere;
}

// True when Qt has something to show windows on: a display, or a platform
// chosen by the user (offscreen, vnc...).
bool haveDisplay(int argc, char** argv)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return hasOption(argc, argv, "-platform");
}

} // namespace

int main(int argc, char** argv)
{
    // A file size limit makes writes fail with "File too large" instead of
    // killing the program halfway through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    if (IsCliInvocation(argc, argv))
        return RunCli(argc, argv);
    // The text run needs no display.
    if (hasOption(argc, argv, "--list-drives")) {
        QCoreApplication app(argc, argv);
        const bool imagesThere = addImageDrives();
        QTextStream(stdout) << DriveReport(cdAccess()) << Qt::flush;
        // As "quillon drives": no drive, or a missing image, is a failure.
        return imagesThere && !cdAccess().GetCDList().empty() ? 0 : 1;
    }
    if (!haveDisplay(argc, argv)) {
        std::fputs("quillon: there is no display to show the windows on; give a command "
                   "to work without windows (see quillon --help)\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QtPrompts qtPrompts;
    setPrompts(&qtPrompts);
    addImageDrives();
    int rc = 0;
    {
        TMainForm form(DefaultMainFormServices());
        AttachWindowCommands(form);
        form.show();
        rc = QApplication::exec();
    }
    setPrompts(nullptr);
    return rc;
}

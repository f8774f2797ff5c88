// Quillon's entry point.
//
// Options: --cd-image FILE (repeatable) adds a disc image as a drive, as do the
// files in $QUILLON_CD_IMAGES; --list-drives prints the drives and the first
// drive's table of contents and exits without opening a window.
#include "cdaccess/cdio_access.h"
#include "cdaccess/drive_report.h"
#include "common/qt_prompts.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QTextStream>

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

// Takes the image options out of the arguments and prints the drive report.
QString announceDrives()
{
    QStringList args = QCoreApplication::arguments();
    AddImageDrives(TakeImageDriveArguments(args));
    const QString report = DriveReport(cdAccess());
    QTextStream(stdout) << report << Qt::flush;
    return report;
}

} // namespace

int main(int argc, char** argv)
{
    // The text run needs no display.
    if (hasOption(argc, argv, "--list-drives")) {
        QCoreApplication app(argc, argv);
        announceDrives();
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QtPrompts qtPrompts;
    setPrompts(&qtPrompts);
    const QString report = announceDrives();
    QLabel label(report);
    label.setWindowTitle(QStringLiteral("Quillon"));
    label.setTextFormat(Qt::PlainText);
    label.setFont(QFont(QStringLiteral("monospace")));
    label.setMargin(12);
    label.show();
    const int rc = QApplication::exec();
    setPrompts(nullptr);
    return rc;
}

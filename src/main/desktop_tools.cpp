#include "desktop_tools.h"

#include "settings/language.h"

#include <QDir>
#include <QFile>

QStringList VolumeControlCommand(const std::function<QString(const QString&)>& findProgram)
{
    const QString pavucontrol = findProgram(QStringLiteral("pavucontrol"));
    if (!pavucontrol.isEmpty())
        return {pavucontrol};
    if (findProgram(QStringLiteral("alsamixer")).isEmpty())
        return {};
    // Terminals differ in how they take the command to run.
    const struct {
        const char* program;
        const char* option;
    } terminals[] = {
        {"x-terminal-emulator", "-e"}, {"xterm", "-e"},          {"konsole", "-e"},
        {"gnome-terminal", "--"},      {"xfce4-terminal", "-x"},
    };
    for (const auto& terminal : terminals) {
        const QString path = findProgram(QString::fromLatin1(terminal.program));
        if (!path.isEmpty())
            return {path, QString::fromLatin1(terminal.option), QStringLiteral("alsamixer")};
    }
    return {};
}

QString HelpPagePath()
{
    return FindDataFile(QStringLiteral("help"), QStringLiteral("docs/help"),
                        QStringLiteral("index.html"));
}

QUrl HelpPageUrl(const QString& anchor)
{
    const QString page = HelpPagePath();
    if (page.isEmpty())
        return {};
    QUrl url = QUrl::fromLocalFile(page);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

bool IsWindowsProgramRunning(const QString& exe)
{
    const QDir proc(QStringLiteral("/proc"));
    const QStringList pids = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile cmdline(proc.filePath(pid + QStringLiteral("/cmdline")));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        // Wine shows the Windows path of the program as the first argument.
        const QString first = QString::fromLocal8Bit(cmdline.readAll().split('\0').value(0));
        const QString base = first.section(QLatin1Char('\\'), -1).section(QLatin1Char('/'), -1);
        if (base.compare(exe, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

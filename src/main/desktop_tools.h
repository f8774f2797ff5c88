#pragma once
// Small bridges to the desktop: the volume control, the help page and the
// players' recent-file lists kept in Wine's per-user registry.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// The command that opens the mixer: pavucontrol when installed, else
// alsamixer inside a terminal; empty when neither can be started. findProgram
// returns the full path of a program on PATH, or empty.
QStringList VolumeControlCommand(const std::function<QString(const QString&)>& findProgram);

// The HTML help page, or empty when it is not installed.
QString HelpPagePath();
// The help page as a URL, at an anchor of it ("languages") when given; empty
// when the page is not installed.
QUrl HelpPageUrl(const QString& anchor = {});

// True when a process runs the Windows program exe (e.g. "realplay.exe"),
// compared ignoring case, as Wine shows it in /proc/<pid>/cmdline.
bool IsWindowsProgramRunning(const QString& exe);

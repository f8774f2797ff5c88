#pragma once
// THelpWindow: the installed help page in a window of the program, for
// desktops where no browser takes a local page (no xdg-open, no default
// browser). ShowHelpPage tries the desktop first.

#include "main/desktop_tools.h"

#include <QDialog>
#include <QUrl>

#include <functional>

class QTextBrowser;

class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    void showPage(const QUrl& page);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

// Shows the help page: through openUrl (the desktop's browser), else in the
// program's help window (one for the program, raised when already open).
// False when the page is not installed.
bool ShowHelpPage(QWidget* parent, const std::function<bool(const QUrl&)>& openUrl);

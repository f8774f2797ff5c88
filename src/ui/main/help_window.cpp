#include "help_window.h"

#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Quillon Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("Browser"));
    // Links out of the page go to the desktop; links inside it stay here.
    m_browser->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(640, 560);
}

void THelpWindow::showPage(const QUrl& page)
{
    m_browser->setSource(page);
    if (!m_browser->documentTitle().isEmpty())
        setWindowTitle(m_browser->documentTitle());
}

bool ShowHelpPage(QWidget* parent, const std::function<bool(const QUrl&)>& openUrl)
{
    const QUrl page = HelpPageUrl();
    if (page.isEmpty())
        return false;
    if (openUrl && openUrl(page))
        return true;
    static QPointer<THelpWindow> window;
    if (!window) {
        window = new THelpWindow(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->showPage(page);
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

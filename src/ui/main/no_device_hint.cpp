#include "no_device_hint.h"

#include "settings/language.h"
#include "settings/options_setting.h"
#include "ui/common/translate_form.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QLabel* addLabel(QDialog* dialog, QVBoxLayout* layout, const char* name, const QString& text)
{
    auto* label = new QLabel(text, dialog);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    layout->addWidget(label);
    return label;
}

QLabel* addLink(QDialog* dialog, QVBoxLayout* layout, const char* name, const char* url)
{
    // The address is the link; the caption (translatable) is the visible text.
    auto* label = addLabel(dialog, layout, name, QString::fromLatin1(url));
    label->setTextFormat(Qt::PlainText);
    label->setProperty("url", QString::fromLatin1(url));
    label->setCursor(Qt::PointingHandCursor);
    label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 200); text-decoration: underline;"));
    label->installEventFilter(dialog);
    return label;
}
} // namespace

TfrmNoDeviceHint::TfrmNoDeviceHint(QWidget* parent, const QString& imageProblem) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNoDeviceHint"));
    setWindowTitle(QStringLiteral("Quillon"));
    auto* layout = new QVBoxLayout(this);
    addLabel(this, layout, "lbHint",
             QStringLiteral("Quillon could not find any CD device. This usually has one of "
                            "these causes:"));
    addLabel(this, layout, "lbCause1",
             QStringLiteral("1. The CD drive is locked by another application."));
    addLabel(this, layout, "lbCause2",
             QStringLiteral("2. You have no rights for direct access to the drive (on most "
                            "systems the user must belong to the group \"cdrom\")."));
    addLabel(this, layout, "lbCause3",
             QStringLiteral("3. The drive's low-level driver (SCSI generic, sr_mod) is missing "
                            "or wrong."));
    addLabel(this, layout, "lbMore", QStringLiteral("More about drive access:"));
    addLink(this, layout, "lbLink1", "https://www.gnu.org/software/libcdio/");
    addLink(this, layout, "lbLink2", "https://wiki.debian.org/SystemGroups");
    if (!imageProblem.isEmpty()) {
        for (QLabel* label : findChildren<QLabel*>())
            label->hide();
        QLabel* image =
            addLabel(this, layout, "lbImage",
                     imageProblem + QStringLiteral("\n\nCheck the file named with --cd-image or "
                                                   "in QUILLON_CD_IMAGES."));
        image->setTextFormat(Qt::PlainText);
        image->setProperty("quillonNoTranslate", true);
    }
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("btClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    setMinimumWidth(420);
}

void TfrmNoDeviceHint::showEvent(QShowEvent* event)
{
    if (!IsEnglishLanguage(OptionsSetting.Lan))
        TranslateForm(this, OptionsSetting.Lan);
    QDialog::showEvent(event);
}

bool TfrmNoDeviceHint::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const QString url = watched->property("url").toString();
        if (!url.isEmpty())
            QDesktopServices::openUrl(QUrl(url));
    }
    return QDialog::eventFilter(watched, event);
}

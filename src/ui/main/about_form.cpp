#include "about_form.h"

#include "main_form.h"
#include "settings/language.h"
#include "settings/options_setting.h"
#include "ui/common/translate_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quillon"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Quillon"), this);
    name->setObjectName(QStringLiteral("lbName"));
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    auto* version =
        new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kVersionText), this);
    version->setObjectName(QStringLiteral("lbVersion"));
    layout->addWidget(version, 0, Qt::AlignHCenter);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setMinimumWidth(260);
}

void TfrmAbout::showEvent(QShowEvent* event)
{
    if (!IsEnglishLanguage(OptionsSetting.Lan))
        TranslateForm(this, OptionsSetting.Lan);
    QDialog::showEvent(event);
}

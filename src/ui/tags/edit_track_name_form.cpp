#include "edit_track_name_form.h"

#include "ui/common/form_texts.h"
#include "ui/options/form_widgets.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmEditTrackName::TfrmEditTrackName(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditTrackName"));
    setWindowTitle(QStringLiteral("Rename Track Title"));
    setFixedSize(340, 130);

    auto* GroupBox1 = new QGroupBox(QStringLiteral("Please enter the new track title"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    eName = NewFormEdit("eName", 0, GroupBox1);
    auto* box = new QVBoxLayout(GroupBox1);
    box->addWidget(eName);

    aOK = new QAction(QStringLiteral("&OK"), this);
    aOK->setObjectName(QStringLiteral("aOK"));
    // Neither button is a default button: Enter is handled by the field
    // alone, so that it never confirms an empty title.
    bOK = NewFormButton("bOK", aOK->text(), this);
    bCancel = NewFormButton("bCancel", QStringLiteral("&Cancel"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);

    connect(aOK, &QAction::triggered, this, &TfrmEditTrackName::aOKExecute);
    connect(aOK, &QAction::changed, this, [this] { bOK->setEnabled(aOK->isEnabled()); });
    connect(bOK, &QPushButton::clicked, aOK, &QAction::trigger);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(eName, &QLineEdit::textChanged, this, &TfrmEditTrackName::aOKUpdate);
    // eNameKeyDown: Enter acts as OK (a disabled action does nothing).
    connect(eName, &QLineEdit::returnPressed, aOK, &QAction::trigger);
    aOKUpdate();
}

void TfrmEditTrackName::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmEditTrackName::FormShow()
{
    eName->selectAll();
    eName->setFocus();
    TranslateFormIfNeeded(this);
    aOKUpdate();
}

void TfrmEditTrackName::aOKUpdate()
{
    aOK->setEnabled(!eName->text().isEmpty());
}

void TfrmEditTrackName::aOKExecute()
{
    accept();
}

bool ExecEditTrackName(QWidget* parent, QString& title)
{
    TfrmEditTrackName form(parent);
    form.eName->setText(title);
    if (form.exec() != QDialog::Accepted)
        return false;
    title = form.eName->text();
    return true;
}

#include "form_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

QComboBox* NewFormComboBox(const char* name, const QStringList& items, bool editable,
                           QWidget* parent)
{
    auto* cb = new QComboBox(parent);
    cb->setObjectName(QLatin1String(name));
    cb->addItems(items);
    cb->setEditable(editable);
    cb->setInsertPolicy(QComboBox::NoInsert);
    return cb;
}

QCheckBox* NewFormCheckBox(const char* name, const QString& text, QWidget* parent)
{
    auto* ck = new QCheckBox(text, parent);
    ck->setObjectName(QLatin1String(name));
    return ck;
}

QLineEdit* NewFormEdit(const char* name, int maxLength, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

QPushButton* NewFormButton(const char* name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

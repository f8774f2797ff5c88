#include "translate_form.h"

#include "settings/language.h"
#include "status_bar.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSet>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

namespace {
class Translator {
public:
    Translator(QWidget* window, const TLanguageFile& file)
        : m_file(file), m_section(window->objectName()),
          m_menuSection(MenuSection(window->objectName()))
    {}

    void walk(QObject* parent)
    {
        for (QObject* child : parent->children()) {
            if (child->property("quillonNoTranslate").toBool())
                continue;
            if (auto* widget = qobject_cast<QWidget*>(child);
                widget != nullptr && widget->isWindow() && qobject_cast<QMenu*>(widget) == nullptr)
                continue; // a dialog of its own
            translate(child);
            walk(child);
        }
    }

private:
    QString text(const QString& key, const QString& current) const
    {
        return m_file.value(m_section, key, current);
    }

    void translate(QObject* object)
    {
        const QString name = object->objectName();
        if (auto* action = qobject_cast<QAction*>(object)) {
            if (!name.isEmpty() && !action->isSeparator() && !m_done.contains(action)) {
                m_done.insert(action);
                action->setText(m_file.value(m_menuSection, name, action->text()));
            }
            return;
        }
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            return;
        if (auto* menu = qobject_cast<QMenu*>(object)) {
            menu->setTitle(m_file.value(m_menuSection, name, menu->title()));
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            label->setText(text(name, label->text()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
            button->setText(text(name, button->text()));
        } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
            group->setTitle(text(name, group->title()));
        } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
            if (combo->isEditable())
                combo->setEditText(text(TextKey(name), combo->currentText()));
            for (int i = 0; i < combo->count(); ++i)
                combo->setItemText(i, text(ItemKey(name, i), combo->itemText(i)));
        } else if (auto* bar = qobject_cast<TStatusBar*>(object)) {
            if (bar->simplePanel()) {
                bar->setSimpleText(text(name, bar->simpleText()));
            } else {
                for (int i = 0; i < bar->panelCount(); ++i)
                    bar->setPanelText(i, text(PanelKey(name, i), bar->panelText(i)));
            }
        } else if (auto* tree = qobject_cast<QTreeWidget*>(object)) {
            QTreeWidgetItem* header = tree->headerItem();
            for (int i = 0; i < tree->columnCount(); ++i)
                header->setText(i, text(ColumnKey(name, i), header->text(i)));
        } else if (auto* table = qobject_cast<QTableWidget*>(object)) {
            for (int i = 0; i < table->columnCount(); ++i) {
                if (QTableWidgetItem* item = table->horizontalHeaderItem(i))
                    item->setText(text(ColumnKey(name, i), item->text()));
            }
        } else if (auto* tabs = qobject_cast<QTabWidget*>(object)) {
            for (int i = 0; i < tabs->count(); ++i)
                tabs->setTabText(i, text(PageKey(name, i), tabs->tabText(i)));
        }
    }

    const TLanguageFile& m_file;
    QString m_section;
    QString m_menuSection;
    QSet<QAction*> m_done;
};
} // namespace

void TranslateForm(QWidget* window, const TLanguageFile& file)
{
    if (window == nullptr || !file.isLoaded())
        return;
    const QString name = window->objectName();
    window->setWindowTitle(file.value(name, name, window->windowTitle()));
    Translator(window, file).walk(window);
}

void TranslateForm(QWidget* window, const QString& language)
{
    TranslateForm(window, TLanguageFile(FindLanguageFile(language)));
}

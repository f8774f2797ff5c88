// The rename dialog: OK only with a title, Enter confirms, Cancel keeps it.

#include "support/widget_checks.h"
#include "ui/tags/edit_track_name_form.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

template <typename T> T* child(QWidget* form, const char* name)
{
    T* w = form->findChild<T*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace

TEST(EditTrackName, OkOnlyWithATitle)
{
    TfrmEditTrackName form;
    form.show();
    EXPECT_EQ(form.objectName(), QStringLiteral("frmEditTrackName"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Rename Track Title"));
    auto* ok = child<QPushButton>(&form, "bOK");
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(form.eName, QStringLiteral("A"));
    EXPECT_TRUE(ok->isEnabled());
    QTest::keyClick(form.eName, Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled());
    form.eName->setText(QStringLiteral(" "));
    EXPECT_TRUE(ok->isEnabled()); // a blank is a title, as typed
}

TEST(EditTrackName, EnterConfirmsOnlyANonEmptyTitle)
{
    const struct {
        const char* text;
        Qt::Key key;
        bool accepted;
    } cases[] = {
        {"", Qt::Key_Return, false},
        {"", Qt::Key_Enter, false},
        {"Song", Qt::Key_Return, true},
        {"Song", Qt::Key_Enter, true},
    };
    for (const auto& c : cases) {
        TfrmEditTrackName form;
        form.eName->setText(QString::fromLatin1(c.text));
        form.show();
        QTest::keyClick(form.eName, c.key);
        EXPECT_EQ(form.isVisible(), !c.accepted) << c.text;
        EXPECT_EQ(form.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected) << c.text;
    }
}

TEST(EditTrackName, ExecWritesTheTitleBackOnlyAfterOk)
{
    const struct {
        const char* what;
        std::function<void(TfrmEditTrackName*)> act;
        bool ok;
        const char* title;
    } cases[] = {
        {"OK after typing",
         [](TfrmEditTrackName* f) {
             // The whole old title is selected, so typing replaces it.
             QTest::keyClicks(f->eName, QStringLiteral("New"));
             child<QPushButton>(f, "bOK")->click();
         },
         true, "New"},
        {"Cancel",
         [](TfrmEditTrackName* f) {
             QTest::keyClicks(f->eName, QStringLiteral("New"));
             child<QPushButton>(f, "bCancel")->click();
         },
         false, "Old title"},
        {"Escape", [](TfrmEditTrackName* f) { QTest::keyClick(f->eName, Qt::Key_Escape); }, false,
         "Old title"},
    };
    for (const auto& c : cases) {
        QString title = QStringLiteral("Old title");
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TfrmEditTrackName*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            EXPECT_EQ(form->eName->selectedText(), QStringLiteral("Old title"));
            c.act(form);
        });
        EXPECT_EQ(ExecEditTrackName(nullptr, title), c.ok) << c.what;
        EXPECT_EQ(title, QString::fromLatin1(c.title)) << c.what;
    }
}

TEST(EditTrackName, ShowsATypicalTitleWhole)
{
    TfrmEditTrackName form;
    const QString title = QStringLiteral("02 Some Track Title (Extended Mix)");
    form.eName->setText(title);
    form.show();
    EXPECT_EQ(quillon::test::cutOffControls(&form), "");
    EXPECT_GE(form.eName->width(), form.eName->fontMetrics().horizontalAdvance(title));
}

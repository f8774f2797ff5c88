#pragma once
// The rename dialog: edits the title of one track of the main window's list.
// OK is possible only with a non-empty title; Enter in the field confirms.

#include <QDialog>

class QAction;
class QLineEdit;
class QPushButton;

class TfrmEditTrackName : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditTrackName(QWidget* parent = nullptr);

    QLineEdit* eName = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void aOKExecute();
    void aOKUpdate();

    QAction* aOK = nullptr;
    QPushButton* bOK = nullptr;
    QPushButton* bCancel = nullptr;
};

// Shows the dialog with title in the field; after OK, title := the field's
// text and the result is true. Cancel leaves title as it was.
bool ExecEditTrackName(QWidget* parent, QString& title);

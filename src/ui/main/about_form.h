#pragma once
// The About box: the program's name and version.

#include <QDialog>

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

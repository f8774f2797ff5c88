#pragma once
// Shown when no CD drive could be opened: why that happens and where to look.
// When the drive was a disc image, the image's own problem is shown instead
// of the causes that concern real drives.

#include <QDialog>

class TfrmNoDeviceHint : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNoDeviceHint(QWidget* parent = nullptr, const QString& imageProblem = {});

protected:
    void showEvent(QShowEvent* event) override;
    // A click on a link label opens its address in the browser.
    bool eventFilter(QObject* watched, QEvent* event) override;
};

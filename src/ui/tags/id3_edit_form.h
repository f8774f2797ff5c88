#pragma once
// The tag editor: loads the ID3v1 tag of an MP3 file the user picks, saves it
// back or onto another MP3 file, or removes it. The caption names the file the
// editor works on; Save and Remove are possible only while there is one.

#include "settings/id3_edit_fields.h"

#include <QDialog>

#include <memory>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;
class Tid3tag;

class TfrmID3Edit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmID3Edit(QWidget* parent = nullptr);
    ~TfrmID3Edit() override;

    TId3EditFields fields() const;
    void setFields(const TId3EditFields& fields);
    // The file the caption names; empty before the first Load or Save As.
    QString fileName() const { return m_fileName; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void bLoadTagClick();
    void aSaveTagExecute();
    void aSaveTagUpdate();
    void aRemoveTagExecute();
    void bSaveASClick();
    QString pickMp3File();
    void setFileName(const QString& fileName);
    void saveFailed();

    QString plainCaption() const;

    QLineEdit* ID3title = nullptr;
    QLineEdit* ID3artist = nullptr;
    QLineEdit* ID3album = nullptr;
    QLineEdit* ID3year = nullptr;
    QComboBox* ID3genre = nullptr;
    QLineEdit* ID3comment = nullptr;
    QLineEdit* ID3track = nullptr;
    QPushButton* bLoadTag = nullptr;
    QPushButton* bSaveTag = nullptr;
    QPushButton* bSaveAS = nullptr;
    QPushButton* bRemoveTag = nullptr;
    QPushButton* bClose = nullptr;
    QAction* aSaveTag = nullptr;
    QAction* aRemoveTag = nullptr;

    std::unique_ptr<Tid3tag> m_tag;
    QString m_fileName;
};

// Opens the tag editor modally.
void ExecId3EditDialog(QWidget* parent);

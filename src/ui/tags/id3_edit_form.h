#pragma once
// The tag editor: loads the tags of an MP3 file the user picks, saves them
// back or onto another MP3 file, or removes them. The fields are Unicode and
// go whole into the ID3v2.4 tag; the ID3v1 tag beside it gets what it can
// hold, and the window says which texts it cannot. Files are changed through
// a copy that replaces them, so a failed save leaves them as they were. The
// caption names the file the editor works on; Save and Remove are possible
// only while there is one.

#include "settings/id3_edit_fields.h"
#include "tags/track_tags.h"

#include <QDialog>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
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
    // What the window says about the ID3v1 tag (empty when everything fits).
    QString id3v1Note() const;
    // The size of the cover shown; empty without a cover.
    QSize coverShown() const;

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
    void bCoverClick();
    QString pickMp3File();
    bool refuseIfNotMp3(const QString& file);
    bool saveTo(const QString& file, const TTrackTags& base);
    void setFileName(const QString& fileName);
    void showCover();
    void updateId3v1Note();
    void saveFailed();

    QString plainCaption() const;

    QLineEdit* ID3title = nullptr;
    QLineEdit* ID3artist = nullptr;
    QLineEdit* ID3albumArtist = nullptr;
    QLineEdit* ID3album = nullptr;
    QLineEdit* ID3year = nullptr;
    QComboBox* ID3genre = nullptr;
    QLineEdit* ID3comment = nullptr;
    QLineEdit* ID3track = nullptr;
    QLineEdit* ID3disc = nullptr;
    QLabel* m_coverView = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* bLoadTag = nullptr;
    QPushButton* bSaveTag = nullptr;
    QPushButton* bSaveAS = nullptr;
    QPushButton* bRemoveTag = nullptr;
    QPushButton* bCover = nullptr;
    QPushButton* bClose = nullptr;
    QAction* aSaveTag = nullptr;
    QAction* aRemoveTag = nullptr;

    std::unique_ptr<Tid3tag> m_tag; // the ID3v1 tag of the file
    TTrackTags m_tags;              // its ID3v2 tag, with what the window does not show
    QByteArray m_cover;
    QString m_coverMime;
    QString m_fileName;
};

// Opens the tag editor modally.
void ExecId3EditDialog(QWidget* parent);

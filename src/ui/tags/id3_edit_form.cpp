#include "id3_edit_form.h"

#include "settings/prompts.h"
#include "tags/cover_image.h"
#include "tags/genres.h"
#include "tags/id3_tag.h"
#include "tags/tag_writer.h"
#include "ui/common/form_texts.h"
#include "ui/options/form_widgets.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QValidator>

namespace {

// Only digits reach the track field, also when text is pasted or dropped:
// every other character is taken out instead of refusing the whole input.
class TrackDigitsValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        input = Id3TrackDigits(input, 2, &pos);
        return Acceptable;
    }
};

// A button that shows and runs an action, as the action's buttons do.
void bindButton(QPushButton* button, QAction* action)
{
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
}

const QString kMp3Filter = QStringLiteral("MP3 files (*.mp3)");
const QString kImageFilter = QStringLiteral("Images (*.jpg *.jpeg *.png)");
constexpr int kCoverSide = 120;

} // namespace

TfrmID3Edit::TfrmID3Edit(QWidget* parent) : QDialog(parent), m_tag(std::make_unique<Tid3tag>())
{
    setObjectName(QStringLiteral("frmID3Edit"));
    setFixedSize(560, 360);

    // No length limits: the ID3v2 tag holds any text; the note below says
    // what the ID3v1 tag cannot.
    ID3title = NewFormEdit("ID3title", 0, this);
    ID3artist = NewFormEdit("ID3artist", 0, this);
    ID3album = NewFormEdit("ID3album", 0, this);
    ID3year = NewFormEdit("ID3year", Tid3tag::YearFieldSize, this);
    ID3year->setFixedWidth(60);
    // Editable: the ID3v2 tag may name a genre the ID3v1 list lacks.
    ID3genre = NewFormComboBox("ID3genre", GenreSelectorItems(), true, this);
    ID3genre->setMaxVisibleItems(16);
    ID3comment = NewFormEdit("ID3comment", 0, this);
    // No length limit here: the validator keeps two digits after taking out
    // the rest, so pasting "a1b2" gives "12" rather than "1".
    ID3track = NewFormEdit("ID3track", 0, this);
    ID3track->setValidator(new TrackDigitsValidator(ID3track));
    ID3track->setFixedWidth(40);
    ID3albumArtist = NewFormEdit("ID3albumArtist", 0, this);
    ID3disc = NewFormEdit("ID3disc", 7, this);
    ID3disc->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d*(/\\d*)?")), ID3disc));
    ID3disc->setFixedWidth(60);

    aSaveTag = new QAction(QStringLiteral("&Save Tag"), this);
    aSaveTag->setObjectName(QStringLiteral("aSaveTag"));
    aRemoveTag = new QAction(QStringLiteral("&Remove Tag"), this);
    aRemoveTag->setObjectName(QStringLiteral("aRemoveTag"));

    bLoadTag = NewFormButton("bLoadTag", QStringLiteral("&Load Tag..."), this);
    bSaveTag = NewFormButton("bSaveTag", QString(), this);
    bSaveAS = NewFormButton("bSaveAS", QStringLiteral("Save &As..."), this);
    bRemoveTag = NewFormButton("bRemoveTag", QString(), this);
    bCover = NewFormButton("bCover", QStringLiteral("C&over..."), this);
    bClose = NewFormButton("bClose", QStringLiteral("&Close"), this);
    bindButton(bSaveTag, aSaveTag);
    bindButton(bRemoveTag, aRemoveTag);

    int labels = 0;
    const auto label = [&](const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QStringLiteral("Label%1").arg(++labels));
        return l;
    };
    auto* form = new QFormLayout;
    form->addRow(label(QStringLiteral("Title:")), ID3title);
    form->addRow(label(QStringLiteral("Artist:")), ID3artist);
    form->addRow(label(QStringLiteral("Album:")), ID3album);
    form->addRow(label(QStringLiteral("Year:")), ID3year);
    form->addRow(label(QStringLiteral("Genre:")), ID3genre);
    form->addRow(label(QStringLiteral("Comment:")), ID3comment);
    form->addRow(label(QStringLiteral("Track #:")), ID3track);
    // Numbered after the first seven, which the language files name.
    form->insertRow(2, label(QStringLiteral("Album artist:")), ID3albumArtist);
    form->addRow(label(QStringLiteral("Disc #:")), ID3disc);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for two lines up front: a wrapped label asks for too little.
    m_note->setMinimumHeight(2 * m_note->fontMetrics().lineSpacing() + 4);

    m_coverView = new QLabel(this);
    m_coverView->setFixedSize(kCoverSide, kCoverSide);
    m_coverView->setAlignment(Qt::AlignCenter);
    m_coverView->setFrameShape(QFrame::StyledPanel);

    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(m_note);
    left->addStretch(1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {bLoadTag, bSaveTag, bSaveAS, bRemoveTag}) {
        b->setMinimumWidth(104);
        buttons->addWidget(b);
    }
    buttons->addSpacing(8);
    buttons->addWidget(m_coverView, 0, Qt::AlignHCenter);
    buttons->addWidget(bCover);
    buttons->addStretch(1);
    buttons->addWidget(bClose);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(bLoadTag, &QPushButton::clicked, this, &TfrmID3Edit::bLoadTagClick);
    connect(aSaveTag, &QAction::triggered, this, &TfrmID3Edit::aSaveTagExecute);
    connect(aRemoveTag, &QAction::triggered, this, &TfrmID3Edit::aRemoveTagExecute);
    connect(bSaveAS, &QPushButton::clicked, this, &TfrmID3Edit::bSaveASClick);
    connect(bCover, &QPushButton::clicked, this, &TfrmID3Edit::bCoverClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QWidget::windowTitleChanged, this, &TfrmID3Edit::aSaveTagUpdate);
    for (QLineEdit* edit : {ID3title, ID3artist, ID3album, ID3comment, ID3track})
        connect(edit, &QLineEdit::textChanged, this, &TfrmID3Edit::updateId3v1Note);

    FormCreate();
}

TfrmID3Edit::~TfrmID3Edit() = default;

QString TfrmID3Edit::plainCaption() const
{
    return FormResString("RES_ID3Edit_Caption", QStringLiteral("ID3 Tag Edit"));
}

void TfrmID3Edit::FormCreate()
{
    setWindowTitle(plainCaption());
    aSaveTagUpdate();
    showCover();
}

void TfrmID3Edit::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmID3Edit::FormShow()
{
    TranslateFormIfNeeded(this);
    // The language file holds the plain caption; keep naming the file.
    setWindowTitle(Id3EditCaption(m_fileName, plainCaption()));
}

TId3EditFields TfrmID3Edit::fields() const
{
    TId3EditFields f;
    f.Title = ID3title->text();
    f.Artist = ID3artist->text();
    f.Album = ID3album->text();
    f.Year = ID3year->text();
    // A typed genre that is not in the list has no ID3v1 number; an empty
    // text with nothing chosen is no choice at all.
    f.GenreText = ID3genre->currentText().trimmed();
    const int listed = ID3genre->findText(ID3genre->currentText(), Qt::MatchExactly);
    f.Genre = listed == 0 && ID3genre->currentIndex() < 0 ? -1 : listed;
    f.Comment = ID3comment->text();
    f.Track = ID3track->text();
    f.AlbumArtist = ID3albumArtist->text();
    f.Disc = ID3disc->text();
    f.Cover = m_cover;
    f.CoverMime = m_coverMime;
    return f;
}

void TfrmID3Edit::setFields(const TId3EditFields& f)
{
    ID3title->setText(f.Title);
    ID3artist->setText(f.Artist);
    ID3album->setText(f.Album);
    ID3year->setText(f.Year);
    ID3genre->setCurrentIndex(f.Genre >= 0 && f.Genre < ID3genre->count() ? f.Genre : -1);
    if (!f.GenreText.isEmpty())
        ID3genre->setEditText(f.GenreText);
    ID3comment->setText(f.Comment);
    ID3track->setText(f.Track);
    ID3albumArtist->setText(f.AlbumArtist);
    ID3disc->setText(f.Disc);
    m_cover = f.Cover;
    m_coverMime = f.CoverMime;
    showCover();
    updateId3v1Note();
}

QString TfrmID3Edit::id3v1Note() const
{
    return m_note->text();
}

QSize TfrmID3Edit::coverShown() const
{
    const QPixmap pixmap = m_coverView->pixmap();
    return pixmap.isNull() ? QSize() : pixmap.size();
}

void TfrmID3Edit::updateId3v1Note()
{
    const QStringList misfits = Id3v1Misfits(fields());
    m_note->setText(misfits.isEmpty()
                        ? QString()
                        : QStringLiteral("Does not fit the ID3v1 tag (too long or not Latin-1), "
                                         "kept whole in the ID3v2 tag: ") +
                              misfits.join(QStringLiteral(", ")));
}

void TfrmID3Edit::showCover()
{
    QPixmap image;
    if (!m_cover.isEmpty() && image.loadFromData(m_cover)) {
        m_coverView->setPixmap(image.scaled(m_coverView->size() - QSize(4, 4), Qt::KeepAspectRatio,
                                            Qt::SmoothTransformation));
        m_coverView->setToolTip(QStringLiteral("%1 x %2, %3 KB")
                                    .arg(image.width())
                                    .arg(image.height())
                                    .arg((m_cover.size() + 1023) / 1024));
    } else {
        m_coverView->clear();
        m_coverView->setText(m_cover.isEmpty() ? QStringLiteral("No cover") : QStringLiteral("?"));
        m_coverView->setToolTip(QString());
    }
}

void TfrmID3Edit::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    setWindowTitle(Id3EditCaption(m_fileName, plainCaption()));
}

void TfrmID3Edit::aSaveTagUpdate()
{
    const bool haveFile = !m_fileName.isEmpty();
    aSaveTag->setEnabled(haveFile);
    aRemoveTag->setEnabled(haveFile);
}

QString TfrmID3Edit::pickMp3File()
{
    const QStringList picked = prompts().openFiles(QString(), kMp3Filter, QString(), false);
    return picked.isEmpty() ? QString() : picked.first();
}

bool TfrmID3Edit::refuseIfNotMp3(const QString& file)
{
    // A file that is not there yet is no MP3 file either, but Load names it
    // and Save then fails; only an existing other file is refused here.
    if (!QFileInfo(file).isFile() || IsMp3File(file))
        return false;
    prompts().message(
        QStringLiteral("%1 is not an MP3 file. The tag editor works on MP3 files only.")
            .arg(QDir::toNativeSeparators(file)),
        PromptIcon::Warning, pbOk);
    return true;
}

void TfrmID3Edit::bLoadTagClick()
{
    const QString file = pickMp3File();
    if (file.isEmpty() || refuseIfNotMp3(file))
        return;
    *m_tag = Tid3tag();
    m_tags = TTrackTags();
    const bool hasV1 = m_tag->ReadTag(file) < 0x100;
    QString error;
    if (!ReadTrackTags(file, TTagFormat::Mp3, &m_tags, &error))
        m_tags = TTrackTags();
    setFields(Id3EditFieldsFromTags(m_tags, hasV1 ? m_tag.get() : nullptr));
    setFileName(file);
}

void TfrmID3Edit::saveFailed()
{
    prompts().message(FormResString("RES_SaveTag_Error", QStringLiteral("Could not save Tag!")),
                      PromptIcon::Information, pbOk);
}

// Both tags of file from the fields, base holding the ID3v2 fields the
// window does not show. The file is replaced by a tagged copy.
bool TfrmID3Edit::saveTo(const QString& file, const TTrackTags& base)
{
    const TId3EditFields f = fields();
    TTrackTags v2 = base;
    MoveId3EditFieldsToTags(f, v2);
    TTagWriteOptions options;
    options.Id3v1 = *m_tag;
    MoveId3EditFieldsToTag(f, *options.Id3v1);
    QString error;
    if (!RetagFile(file, TTagFormat::Mp3, v2, options, &error)) {
        saveFailed();
        return false;
    }
    m_tags = v2;
    *m_tag = *options.Id3v1;
    return true;
}

void TfrmID3Edit::aSaveTagExecute()
{
    if (!m_fileName.isEmpty())
        saveTo(m_fileName, m_tags);
}

void TfrmID3Edit::bSaveASClick()
{
    const QString file = pickMp3File();
    if (file.isEmpty() || refuseIfNotMp3(file))
        return;
    // The other file keeps its own ids and gains: they describe its audio.
    TTrackTags base;
    QString error;
    if (!ReadTrackTags(file, TTagFormat::Mp3, &base, &error))
        base = TTrackTags();
    if (saveTo(file, base))
        setFileName(file);
}

void TfrmID3Edit::bCoverClick()
{
    const QStringList picked = prompts().openFiles(QString(), kImageFilter, QString(), false);
    if (picked.isEmpty())
        return;
    QFile file(picked.first());
    const bool small = file.size() <= kMaxCoverBytes;
    const QByteArray image =
        small && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const QString mime = ImageMimeType(image);
    if (mime.isEmpty()) {
        prompts().message(QStringLiteral("%1 is no JPEG or PNG image of at most 16 MB.")
                              .arg(QDir::toNativeSeparators(picked.first())),
                          PromptIcon::Warning, pbOk);
        return;
    }
    m_cover = image;
    m_coverMime = mime;
    showCover();
}

void TfrmID3Edit::aRemoveTagExecute()
{
    if (m_fileName.isEmpty())
        return;
    const PromptButton answer = prompts().message(
        FormResString("RES_Ask_RemoveTag", QStringLiteral("Do you want to remove these tags?")),
        PromptIcon::Question, pbYes | pbNo);
    if (answer != pbYes)
        return;
    // Only the file the caption names loses its tags; one that is not there
    // (a load that found nothing) has none to lose.
    QString error;
    if (QFileInfo(m_fileName).isFile() && !RemoveMp3Tags(m_fileName, &error))
        prompts().message(error, PromptIcon::Warning, pbOk);
    *m_tag = Tid3tag();
    m_tags = TTrackTags();
    setFields(TId3EditFields{});
}

void ExecId3EditDialog(QWidget* parent)
{
    TfrmID3Edit form(parent);
    form.exec();
}

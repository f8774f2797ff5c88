#include "id3_edit_form.h"

#include "settings/prompts.h"
#include "tags/genres.h"
#include "tags/id3_tag.h"
#include "common/form_texts.h"
#include "ui/options/form_widgets.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

const QString kMp3Filter = QStringLiteral("Index files (*.mp3)");

} // namespace

TfrmID3Edit::TfrmID3Edit(QWidget* parent) : QDialog(parent), m_tag(std::make_unique<Tid3tag>())
{
    setObjectName(QStringLiteral("frmID3Edit"));
    setFixedSize(410, 250);

    ID3title = NewFormEdit("ID3title", Tid3tag::TextFieldSize, this);
    ID3artist = NewFormEdit("ID3artist", Tid3tag::TextFieldSize, this);
    ID3album = NewFormEdit("ID3album", Tid3tag::TextFieldSize, this);
    ID3year = NewFormEdit("ID3year", Tid3tag::YearFieldSize, this);
    ID3year->setFixedWidth(60);
    ID3genre = new QComboBox(this);
    ID3genre->setObjectName(QStringLiteral("ID3genre"));
    ID3genre->addItems(GenreSelectorItems());
    ID3genre->setMaxVisibleItems(16);
    ID3comment = NewFormEdit("ID3comment", Tid3tag::TextFieldSize, this);
    // No length limit here: the validator keeps two digits after taking out
    // the rest, so pasting "a1b2" gives "12" rather than "1".
    ID3track = NewFormEdit("ID3track", 0, this);
    ID3track->setValidator(new TrackDigitsValidator(ID3track));
    ID3track->setFixedWidth(40);

    aSaveTag = new QAction(QStringLiteral("&Save Tag"), this);
    aSaveTag->setObjectName(QStringLiteral("aSaveTag"));
    aRemoveTag = new QAction(QStringLiteral("&Remove Tag"), this);
    aRemoveTag->setObjectName(QStringLiteral("aRemoveTag"));

    bLoadTag = NewFormButton("bLoadTag", QStringLiteral("&Load Tag..."), this);
    bSaveTag = NewFormButton("bSaveTag", QString(), this);
    bSaveAS = NewFormButton("bSaveAS", QStringLiteral("&Save As..."), this);
    bRemoveTag = NewFormButton("bRemoveTag", QString(), this);
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

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {bLoadTag, bSaveTag, bSaveAS, bRemoveTag}) {
        b->setMinimumWidth(104);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    buttons->addWidget(bClose);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addLayout(buttons);

    connect(bLoadTag, &QPushButton::clicked, this, &TfrmID3Edit::bLoadTagClick);
    connect(aSaveTag, &QAction::triggered, this, &TfrmID3Edit::aSaveTagExecute);
    connect(aRemoveTag, &QAction::triggered, this, &TfrmID3Edit::aRemoveTagExecute);
    connect(bSaveAS, &QPushButton::clicked, this, &TfrmID3Edit::bSaveASClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QWidget::windowTitleChanged, this, &TfrmID3Edit::aSaveTagUpdate);

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
    f.Genre = ID3genre->currentIndex();
    f.Comment = ID3comment->text();
    f.Track = ID3track->text();
    return f;
}

void TfrmID3Edit::setFields(const TId3EditFields& f)
{
    ID3title->setText(f.Title);
    ID3artist->setText(f.Artist);
    ID3album->setText(f.Album);
    ID3year->setText(f.Year);
    ID3genre->setCurrentIndex(f.Genre >= 0 && f.Genre < ID3genre->count() ? f.Genre : -1);
    ID3comment->setText(f.Comment);
    ID3track->setText(f.Track);
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

void TfrmID3Edit::bLoadTagClick()
{
    const QString file = pickMp3File();
    if (file.isEmpty())
        return;
    if (m_tag->ReadTag(file) < 0x100)
        setFields(Id3EditFieldsFromTag(*m_tag));
    else
        setFields(TId3EditFields{});
    setFileName(file);
}

void TfrmID3Edit::saveFailed()
{
    prompts().message(FormResString("RES_SaveTag_Error", QStringLiteral("Could not save Tag!")),
                      PromptIcon::Information, pbOk);
}

void TfrmID3Edit::aSaveTagExecute()
{
    if (m_fileName.isEmpty())
        return;
    MoveId3EditFieldsToTag(fields(), *m_tag);
    // Written to the file the caption names. That is the file the tag object
    // holds, except after a load that could not open the picked file: then
    // the object still holds the previous one, which must not be overwritten.
    if (m_tag->WriteTag(m_fileName) >= 0x100)
        saveFailed();
}

void TfrmID3Edit::bSaveASClick()
{
    const QString file = pickMp3File();
    if (file.isEmpty())
        return;
    MoveId3EditFieldsToTag(fields(), *m_tag);
    if (m_tag->WriteTag(file) >= 0x100) {
        saveFailed();
        return;
    }
    setFileName(file);
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
    // Only the file the caption names loses its tag (see aSaveTagExecute).
    if (m_tag->fileName() == m_fileName)
        m_tag->RemoveTag();
    setFields(TId3EditFields{});
}

void ExecId3EditDialog(QWidget* parent)
{
    TfrmID3Edit form(parent);
    form.exec();
}

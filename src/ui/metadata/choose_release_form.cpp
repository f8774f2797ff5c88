#include "choose_release_form.h"

#include "settings/language.h"
#include "settings/options_setting.h"
#include "ui/common/translate_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmChooseRelease::TfrmChooseRelease(QWidget* parent, std::vector<TDiscCandidate> candidates,
                                     const QStringList& problems)
    : QDialog(parent), m_list(std::move(candidates))
{
    setObjectName(QStringLiteral("frmChooseRelease"));
    setWindowTitle(QStringLiteral("Choose the titles"));
    setModal(true);

    lHint = new QLabel(QStringLiteral("More than one source knows this disc. Which titles are "
                                      "right?"),
                       this);
    lHint->setObjectName(QStringLiteral("lHint"));

    lvCandidates = new QTreeWidget(this);
    lvCandidates->setObjectName(QStringLiteral("lvCandidates"));
    lvCandidates->setHeaderLabels(TCandidateList::Columns());
    lvCandidates->setRootIsDecorated(false);
    lvCandidates->setUniformRowHeights(true);
    lvCandidates->setAllColumnsShowFocus(true);
    lvCandidates->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < m_list.count(); ++i)
        new QTreeWidgetItem(lvCandidates, m_list.row(i));
    for (int c = 0; c < lvCandidates->columnCount(); ++c) {
        lvCandidates->resizeColumnToContents(c);
        lvCandidates->setColumnWidth(c, lvCandidates->columnWidth(c) + 12);
    }
    lvCandidates->setMinimumHeight(110);

    // The tracks of the highlighted candidate: text from the network, never markup.
    lbTracks = new QListWidget(this);
    lbTracks->setObjectName(QStringLiteral("lbTracks"));
    lbTracks->setSelectionMode(QAbstractItemView::NoSelection);

    lProblems = new QLabel(problems.join(QLatin1Char('\n')), this);
    lProblems->setObjectName(QStringLiteral("lProblems"));
    lProblems->setProperty("quillonNoTranslate", true);
    lProblems->setTextFormat(Qt::PlainText);
    lProblems->setWordWrap(true);
    lProblems->setVisible(!problems.isEmpty());

    btUse = new QPushButton(QStringLiteral("&Use"), this);
    btUse->setObjectName(QStringLiteral("btUse"));
    btUse->setDefault(true);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btUse);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lHint);
    layout->addWidget(lvCandidates, 2);
    layout->addWidget(lbTracks, 3);
    layout->addWidget(lProblems);
    layout->addLayout(buttons);

    connect(lvCandidates, &QTreeWidget::currentItemChanged, this, [this] { showTracks(); });
    connect(lvCandidates, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
    connect(btUse, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (!IsEnglishLanguage(OptionsSetting.Lan))
        TranslateForm(this, OptionsSetting.Lan);
    choose(m_list.defaultIndex());
    resize(640, 420);
}

int TfrmChooseRelease::chosenIndex() const
{
    return lvCandidates->indexOfTopLevelItem(lvCandidates->currentItem());
}

void TfrmChooseRelease::choose(int index)
{
    lvCandidates->setCurrentItem(lvCandidates->topLevelItem(index));
    showTracks();
}

void TfrmChooseRelease::showTracks()
{
    lbTracks->clear();
    const int index = chosenIndex();
    btUse->setEnabled(index >= 0);
    if (index >= 0)
        lbTracks->addItems(m_list.trackLines(index));
}

int ExecChooseRelease(QWidget* parent, const std::vector<TDiscCandidate>& candidates,
                      const QStringList& problems)
{
    TfrmChooseRelease form(parent, candidates, problems);
    return form.exec() == QDialog::Accepted ? form.chosenIndex() : -1;
}

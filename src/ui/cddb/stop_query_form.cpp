#include "stop_query_form.h"

#include "cddb/query_cddb_thread.h"
#include "cddb_texts.h"
#include "metadata/source_candidates.h"
#include "net/http_client.h"
#include "settings/disc_info.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"
#include "ui/metadata/choose_release_form.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmStopQuery::TfrmStopQuery(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack,
                             HCDROM cdHandle, TSetRowTitle setRowTitle)
    : QDialog(owner), m_firstTrack(firstTrack), m_lastTrack(lastTrack), m_cdHandle(cdHandle),
      m_setRowTitle(std::move(setRowTitle))
{
    setObjectName(QStringLiteral("frmStopQuery"));
    setWindowTitle(QStringLiteral("Query CDDB..."));
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    lHint = named(new QLabel(QStringLiteral("Query CDDB..."), this), "lHint");
    bStop = named(new QPushButton(QStringLiteral("Stop"), this), "bStop");
    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Label1 = named(new QLabel(QStringLiteral("No match found,perhaps:\n"
                                             "1.No information in CDDB server\n"
                                             "2.error CDDB options\n"
                                             "3.check the network"),
                              Panel1),
                   "Label1");
    lReason = named(new QLabel(Panel1), "lReason");
    lReason->setProperty("quillonNoTranslate", true);
    // The answer comes from the network: shown as plain text, never as markup.
    lReason->setTextFormat(Qt::PlainText);
    lReason->setWordWrap(true);
    lReason->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(Label1);
    panelLayout->addWidget(lReason);
    Panel1->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bStop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lHint);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    connect(bStop, &QPushButton::clicked, this, &TfrmStopQuery::bStopClick);
    setMinimumWidth(300);
}

TfrmStopQuery::~TfrmStopQuery()
{
    // Abandons a query still running and joins its worker before the window
    // it reports to goes away.
    m_thread.reset();
}

bool TfrmStopQuery::queryRunning() const
{
    return m_thread && !m_over && !m_thread->Stopped();
}

void TfrmStopQuery::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmStopQuery::FormShow()
{
    // Retitled first: the "Close" of a disc that cannot be read is not
    // taken from the language file.
    RetitleCddbWindow(this);
    // The thread needs the whole table of contents for the disc id. A disc
    // that cannot be read now, or that is no longer the one whose tracks the
    // list shows, is not looked up: its titles would land on the wrong rows.
    TTOC toc;
    if (!cdAccess().ReadTOC(m_cdHandle, toc) || toc.FirstTrack != m_firstTrack ||
        toc.LastTrack != m_lastTrack || toc.TrackCount() <= 0) {
        m_over = true;
        showNoMatch(CddbText("RES_ReadTocError", "Error while reading TOC information!"), true);
    } else {
        m_thread =
            std::make_unique<TQueryCDDBThread>(this, toc, OptionsSetting.QueryCDDB, TCddbTimeouts{},
                                               UserAgentText(OptionsSetting.MusicBrainz.Contact));
    }
}

bool TfrmStopQuery::event(QEvent* e)
{
    if (e->type() == messageEventType(WM_CDDBFINISHED)) {
        cddbMessage(int(static_cast<TMessageEvent*>(e)->wParam()));
        return true;
    }
    return QDialog::event(e);
}

void TfrmStopQuery::cddbMessage(int wParam)
{
    // A message of an abandoned query, or a second one, takes no effect.
    if (!m_thread || m_thread->Stopped() || m_over)
        return;
    if (wParam == cddbFinished) {
        m_over = true;
        TCddbResult result = m_thread->takeResult();
        if (result.Choices.size() > 1) {
            // Several entries have titles: the user says which is this disc.
            std::vector<TDiscCandidate> candidates;
            for (const TCddbEntry& entry : result.Choices)
                candidates.push_back(CddbCandidate(entry, m_lastTrack - m_firstTrack + 1));
            const int chosen = ExecChooseRelease(this, candidates);
            if (chosen < 0) {
                done(mrCancel);
                return;
            }
            result = CddbResultOfChoice(result, size_t(chosen));
        }
        ApplyCddbResult(result, OptionsSetting.CDInfo, GenreIndex,
                        [this](int row, const QString& title) {
                            if (m_setRowTitle)
                                m_setRowTitle(row, title);
                        });
        done(mrYes);
    } else if (wParam == cddbNoMatch) {
        m_over = true;
        // Server answers carry their own codes; the client's failures are negative.
        showNoMatch(m_thread->ErrorText(), m_thread->ErrorCode() < 0);
    }
}

void TfrmStopQuery::showNoMatch(const QString& reason, bool failure)
{
    auto* panel = static_cast<QVBoxLayout*>(Panel1->layout());
    panel->removeWidget(lReason);
    panel->insertWidget(failure ? 0 : 1, lReason);
    lHint->hide();
    lReason->setText(reason);
    lReason->setVisible(!reason.isEmpty());
    Panel1->show();
    bStop->setText(QStringLiteral("Close"));
    adjustSize();
}

void TfrmStopQuery::reject()
{
    if (m_over)
        done(mrCancel);
}

void TfrmStopQuery::bStopClick()
{
    done(mrCancel);
}

void TfrmStopQuery::done(int result)
{
    // However the window ends, a query still running is abandoned first so
    // that nothing it finds later is stored.
    if (m_thread && !m_over)
        m_thread->Stop();
    QDialog::done(result);
}

#include "rip_form.h"

#include "jobs/job_texts.h"
#include "jobs/rip_verification.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Title bars draw their text in a bold face of about the program's size;
// the reserve is the icon and the buttons beside it.
QFontMetrics titleMetrics()
{
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font);
}

int titleWidth(const QString& text)
{
    return titleMetrics().horizontalAdvance(text);
}

// "Encoding(01/05): " and the track title (or file) after it.
std::pair<QString, QString> splitStatusLine(const QString& line)
{
    const QString separator = QStringLiteral("): ");
    const qsizetype cut = line.indexOf(separator);
    const qsizetype nameStart = cut < 0 ? 0 : cut + separator.size();
    return {line.left(nameStart), line.mid(nameStart)};
}

constexpr int kTitleBarReserve = 120;
constexpr int kMaxTitledWidth = 560;

} // namespace

TRipForm::TRipForm(QWidget* owner, TJobKind kind, HCDROM cdHandle, const QStringList& items,
                   IJobEncoder* mp3)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("RipForm"));
    setModal(true);
    setFont(QFont(QStringLiteral("Verdana"), font().pointSize()));

    GroupBox1 = named(new QGroupBox(QStringLiteral("Extracting"), this), "GroupBox1");
    Label3 = named(new QLabel(QStringLiteral("Initializing..."), GroupBox1), "Label3");
    FlatGauge1 = named(new QProgressBar(GroupBox1), "FlatGauge1");
    FlatGauge1->setRange(0, 100);
    FlatGauge1->setValue(0);
    Label10 = named(new QLabel(QStringLiteral("Time elapsed:"), GroupBox1), "Label10");
    Label1 = named(new QLabel(GroupBox1), "Label1");
    Label20 = named(new QLabel(QStringLiteral("Time estimated:"), GroupBox1), "Label20");
    Label2 = named(new QLabel(GroupBox1), "Label2");
    btStop = named(new QPushButton(QStringLiteral("Stop"), this), "btStop");
    StepList = named(new QWidget(GroupBox1), "StepList");
    m_stepRows = new QVBoxLayout(StepList);
    m_stepRows->setContentsMargins(0, 0, 0, 0);
    SummaryLabel = named(new QLabel(this), "SummaryLabel");
    SummaryLabel->setWordWrap(true);
    SummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SummaryLabel->hide();
    VerifyLabel = named(new QLabel(GroupBox1), "VerifyLabel");
    VerifyLabel->setTextFormat(Qt::RichText);
    VerifyLabel->hide();
    btOpenLog = named(new QPushButton(QStringLiteral("Open rip log"), this), "btOpenLog");
    btOpenLog->hide();
    connect(btOpenLog, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(m_engine->LogPath())); });

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(Label3, 0, 0, 1, 2);
    grid->addWidget(StepList, 1, 0, 1, 2);
    grid->addWidget(FlatGauge1, 2, 0, 1, 2);
    grid->addWidget(Label10, 3, 0);
    grid->addWidget(Label1, 3, 1);
    grid->addWidget(Label20, 4, 0);
    grid->addWidget(Label2, 4, 1);
    grid->addWidget(VerifyLabel, 5, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(SummaryLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOpenLog);
    buttons->addWidget(btStop);
    layout->addLayout(buttons);
    connect(btStop, &QPushButton::clicked, this, &TRipForm::btStopClick);

    m_engine = std::make_unique<TJobEngine>(kind, cdHandle, items, *this, mp3);
    m_engine->Start();
    Label1->clear();
    Label2->clear();
    FlatGauge1->setTextVisible(false);

    setMinimumSize(273, 117);
    adjustSize();
    setStatusLine(m_statusLine); // the first step's line, now that the size is known
    if (owner) {
        const QRect o = owner->frameGeometry();
        move(o.left() + (o.width() - width()) / 2, o.top() + (o.height() - height()) / 2);
    }
}

TRipForm::~TRipForm()
{
    // The engine joins its rip thread and stops a running encoder.
    m_engine->FinishJob();
}

void TRipForm::setStatusLine(const QString& text)
{
    m_statusLine = text;
    // Wide enough for the line up to a limit, growing about the centre;
    // never narrower than the user made it.
    const auto [head, name] = splitStatusLine(text);
    const int wanted =
        std::min(titleWidth(head) + titleWidth(name) + kTitleBarReserve + 1, kMaxTitledWidth);
    if (wanted > width()) {
        const int grow = wanted - width();
        setGeometry(x() - grow / 2, y(), wanted, height());
    }
    fitTitle();
}

void TRipForm::fitTitle()
{
    // What does not fit is cut from the middle of the track title (or file
    // path), never from the step and count before it: the window manager
    // would cut wherever it likes.
    const auto [head, name] = splitStatusLine(m_statusLine);
    const int room = width() - kTitleBarReserve - titleWidth(head);
    setWindowTitle(head + titleMetrics().elidedText(name, Qt::ElideMiddle, std::max(room, 0)));
}

void TRipForm::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    fitTitle();
}

void TRipForm::setFrameCaption(const QString& text)
{
    GroupBox1->setTitle(text);
}

void TRipForm::setInitializing(const QString& text, bool visible)
{
    Label3->setText(text);
    Label3->setVisible(visible);
}

void TRipForm::setProgress(int percent, bool showText)
{
    FlatGauge1->setTextVisible(showText);
    FlatGauge1->setValue(percent);
}

void TRipForm::setTimes(const QString& elapsed, const QString& estimated)
{
    Label1->setText(elapsed);
    Label2->setText(estimated);
}

void TRipForm::setStepLines(const std::vector<TStepLine>& lines)
{
    // Rows are kept and reused: a step ending and the next starting is the
    // common case, and the window should not jump.
    while (m_stepRows->count() < int(lines.size())) {
        auto* row = new QWidget(StepList);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(row);
        label->setMinimumWidth(1);
        auto* gauge = new QProgressBar(row);
        gauge->setRange(0, 100);
        gauge->setMaximumWidth(90);
        rowLayout->addWidget(label, 1);
        rowLayout->addWidget(gauge);
        m_stepRows->addWidget(row);
    }
    for (int i = 0; i < m_stepRows->count(); ++i) {
        QWidget* row = m_stepRows->itemAt(i)->widget();
        const bool used = i < int(lines.size());
        row->setVisible(used);
        if (!used)
            continue;
        const TStepLine& line = lines[size_t(i)];
        auto* label = row->findChild<QLabel*>();
        label->setText(label->fontMetrics().elidedText(line.Text, Qt::ElideMiddle,
                                                       std::max(label->width(), 200)));
        label->setToolTip(line.Text);
        auto* gauge = row->findChild<QProgressBar*>();
        gauge->setTextVisible(line.Percent >= 0);
        gauge->setValue(std::clamp(line.Percent, 0, 100));
    }
}

void TRipForm::closeJob()
{
    if (m_closing || m_ended)
        return;
    const TJobSummary& summary = m_engine ? m_engine->Summary() : TJobSummary();
    if (!m_engine || summary.stopped()) {
        // Queued, so that a job that ends while the window is being created
        // (or inside a report handler) closes once the modal loop runs.
        m_closing = true;
        QMetaObject::invokeMethod(
            this, [this] { done(QDialog::Accepted); }, Qt::QueuedConnection);
        return;
    }
    // The job ran to its end: say what became of it, and wait for Close.
    m_ended = true;
    Label3->hide();
    QString text = summary.text();
    if (const TRipVerification* v = m_engine->Verification(); v && v->rip()) {
        QStringList numbers;
        for (int n : v->rip()->doubtfulTracks())
            numbers << QString::number(n);
        if (!numbers.isEmpty())
            text += QStringLiteral("\nTracks that did not verify: %1")
                        .arg(numbers.join(QStringLiteral(", ")));
        if (!v->rip()->tracks().empty())
            text += QStringLiteral("\nCTDB: %1").arg(v->rip()->ctdbResultText());
    }
    SummaryLabel->setText(text);
    SummaryLabel->show();
    btOpenLog->setVisible(!m_engine->LogPath().isEmpty());
    btStop->setText(JobText("RES_Close", "Close"));
    btStop->setDefault(true);
    btStop->setFocus();
    // Room for the summary, never narrower than before (the title stays whole).
    const QSize hint = sizeHint();
    resize(std::max(width(), hint.width()), std::max(height(), hint.height()));
}

void TRipForm::trackVerified(int, const QString& line, bool doubtful)
{
    const QString shown = line.toHtmlEscaped();
    m_verifyLines << (doubtful ? QStringLiteral("<b style=\"color:#b00000\">%1</b>").arg(shown)
                               : shown);
    // The last few: a long disc would grow the window past the screen.
    VerifyLabel->setText(
        m_verifyLines.mid(std::max(0, int(m_verifyLines.size()) - 6)).join(QStringLiteral("<br>")));
    VerifyLabel->show();
}

void TRipForm::verificationWarning(const QString& text)
{
    m_verifyLines << QStringLiteral("<i>%1</i>").arg(text.toHtmlEscaped());
    VerifyLabel->setText(m_verifyLines.join(QStringLiteral("<br>")));
    VerifyLabel->show();
}

void TRipForm::btStopClick()
{
    if (m_ended) {
        accept();
        return;
    }
    m_engine->Stop();
}

void TRipForm::closeEvent(QCloseEvent* e)
{
    m_engine->Stop();
    QDialog::closeEvent(e);
}

void TRipForm::reject()
{
    // Escape or the close box end the job like Stop.
    m_engine->Stop();
    QDialog::reject();
}

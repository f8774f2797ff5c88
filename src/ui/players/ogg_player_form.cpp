#include "ui/players/ogg_player_form.h"

#include "audio/audio_out.h"
#include "audio/sound_indicator.h"
#include "audio/stereo_balance.h"
#include "audio/vorbis_in.h"
#include "settings/prompts.h"
#include "ui/common/form_texts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSlider>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cmath>

namespace {

const QString kOggFilter = QStringLiteral("Sound file(*.ogg);;Any file(*)");
constexpr int kPictureWidth = 288; // 32 bars of 9 pixels
constexpr int kPictureHeight = 80;

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString minutesSeconds(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

TfrmOggPlayer::TfrmOggPlayer(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOggPlayer"));
    setWindowTitle(QStringLiteral("Ogg Player"));

    // The chain, wired once.
    VorbisIn1 = named(new TVorbisIn(this), "VorbisIn1");
    VorbisIn1->SetStartSample(0);
    VorbisIn1->SetEndSample(-1);
    VorbisIn1->SetLoop(false);
    SoundIndicator1 = named(new TSoundIndicator(this), "SoundIndicator1");
    SoundIndicator1->SetInput(VorbisIn1);
    StereoBalance1 = named(new TStereoBalance(this), "StereoBalance1");
    StereoBalance1->SetInput(SoundIndicator1);
    StereoBalance1->SetBalance(0.5f);
    AudioOut1 = named(new TAudioOut(this), "AudioOut1");
    AudioOut1->SetInput(StereoBalance1);
    AudioOut1->SetBaseChannel(0);
    AudioOut1->SetVolume(255);
    // The output's events come on its worker: hand them to the window.
    AudioOut1->OnDone = [this](QObject*) {
        QMetaObject::invokeMethod(
            this, [this] { AudioOut1Done(); }, Qt::QueuedConnection);
    };
    AudioOut1->OnProgress = [this](QObject*) {
        QMetaObject::invokeMethod(
            this, [this] { AudioOut1Progress(); }, Qt::QueuedConnection);
    };
    AudioOut1->OnThreadException = [this](QObject*, const std::exception& e) {
        const QString error = QString::fromLocal8Bit(e.what());
        if (QThread::currentThread() == thread()) {
            // Raised inside Run (the sound device did not open): PlayFile says it.
            m_startError = error;
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, error] { AudioOut1Failed(error); }, Qt::QueuedConnection);
    };

    auto* Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setToolTip(QStringLiteral("Press 'Play' button to open and play ogg file."));
    lFileName = named(new QLabel(QStringLiteral("OGG"), Panel1), "lFileName");
    lSampleRate = named(new QLabel(QStringLiteral("Hz"), Panel1), "lSampleRate");
    lCurrentTime = named(new QLabel(QStringLiteral("0:00"), Panel1), "lCurrentTime");
    Label1 = named(new QLabel(QStringLiteral("/"), Panel1), "Label1");
    lTotalTime = named(new QLabel(QStringLiteral("0:00"), Panel1), "lTotalTime");
    auto* times = new QHBoxLayout;
    times->addWidget(lSampleRate);
    times->addStretch(1);
    times->addWidget(lCurrentTime);
    times->addWidget(Label1);
    times->addWidget(lTotalTime);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(lFileName);
    panelLayout->addLayout(times);

    auto* Panel2 = named(new QFrame(this), "Panel2");
    Panel2->setStyleSheet(QStringLiteral("background-color: black;"));
    Image1 = named(new QLabel(Panel2), "Image1");
    Image1->setFixedSize(kPictureWidth, kPictureHeight);
    auto* imageLayout = new QHBoxLayout(Panel2);
    imageLayout->setContentsMargins(4, 4, 4, 4);
    imageLayout->addWidget(Image1);

    ScrollBar1 = named(new QScrollBar(Qt::Horizontal, this), "ScrollBar1");
    ScrollBar1->setRange(0, 100);
    ScrollBar1->setEnabled(false);

    BitBtn1 = named(new QPushButton(this), "BitBtn1");
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    BitBtn1->setToolTip(QStringLiteral("Press to open and play ogg file."));
    BitBtn2 = named(new QPushButton(this), "BitBtn2");
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    bStop = named(new QPushButton(this), "bStop");
    bStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    TrackBar1 = named(new QSlider(Qt::Horizontal, this), "TrackBar1");
    TrackBar1->setRange(0, 10);
    TrackBar1->setValue(5);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    bClose = named(new QPushButton(QStringLiteral("Close"), this), "bClose");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(bStop);
    buttons->addSpacing(12);
    buttons->addWidget(TrackBar1, 1);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(bClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2, 0, Qt::AlignHCenter);
    layout->addWidget(ScrollBar1);
    layout->addLayout(buttons);
    layout->addLayout(closeRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(50);
    Timer2 = named(new QTimer(this), "Timer2");
    Timer2->setInterval(500);

    connect(BitBtn1, &QPushButton::clicked, this, &TfrmOggPlayer::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmOggPlayer::BitBtn2Click);
    connect(bStop, &QPushButton::clicked, this, &TfrmOggPlayer::bStopClick);
    connect(bClose, &QPushButton::clicked, this, &TfrmOggPlayer::bCloseClick);
    connect(TrackBar1, &QSlider::valueChanged, this, &TfrmOggPlayer::TrackBar1Change);
    connect(Timer1, &QTimer::timeout, this, &TfrmOggPlayer::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TfrmOggPlayer::Timer2Timer);
    // A drag jumps once, where it is let go; clicks and keys jump at once.
    connect(ScrollBar1, &QScrollBar::sliderReleased, this,
            [this] { ScrollBar1Scroll(ScrollBar1->sliderPosition()); });
    connect(ScrollBar1, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            ScrollBar1Scroll(ScrollBar1->sliderPosition());
    });

    FormCreate();
}

TfrmOggPlayer::~TfrmOggPlayer()
{
    // The output first: its worker is joined before the chain it pulls goes.
    delete AudioOut1;
    delete StereoBalance1;
    delete SoundIndicator1;
    delete VorbisIn1;
}

void TfrmOggPlayer::FormCreate()
{
    m_picture = QImage(Image1->size(), QImage::Format_RGB32);
    m_picture.fill(palette().color(QPalette::Window));
    Image1->setPixmap(QPixmap::fromImage(m_picture));
    m_closing = false;
}

void TfrmOggPlayer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmOggPlayer::FormShow()
{
    TranslateFormIfNeeded(this);
}

QImage TfrmOggPlayer::Picture() const
{
    return m_picture;
}

void TfrmOggPlayer::BitBtn1Click()
{
    try {
        const QStringList files = prompts().openFiles(QString(), kOggFilter, QString(), false);
        if (files.isEmpty())
            return;
        PlayFile(files.first());
    } catch (...) {
        // The player stays as it was.
    }
}

void TfrmOggPlayer::PlayFile(const QString& path)
{
    VorbisIn1->SetFileName(path);
    if (path.right(4).toUpper() != QStringLiteral(".OGG") || !VorbisIn1->Valid()) {
        prompts().message(QStringLiteral("Ogg file is not valid."), PromptIcon::None, pbOk);
        return;
    }
    BitBtn1->setEnabled(false);
    lFileName->setText(QFileInfo(path).fileName().chopped(4));
    m_startError.clear();
    AudioOut1->Run();
    if (!m_startError.isEmpty()) {
        BitBtn1->setEnabled(true);
        prompts().message(m_startError, PromptIcon::Error, pbOk);
        return;
    }
    Timer1->start();
    Timer2->start();
    m_playClock = 0;
    lSampleRate->setText(QString::number(VorbisIn1->GetSampleRate()) + QStringLiteral(" Hz"));
    m_totalSeconds = VorbisIn1->GetTotalTime();
    lTotalTime->setText(minutesSeconds(m_totalSeconds));
    ScrollBar1->setEnabled(true);
}

void TfrmOggPlayer::AudioOut1Progress()
{
    // Not while the user holds the bar: the drag wins.
    if (!ScrollBar1->isSliderDown())
        ScrollBar1->setValue(std::max(0, AudioOut1->Progress()));
}

void TfrmOggPlayer::AudioOut1Done()
{
    BitBtn1->setEnabled(true);
    ScrollBar1->setEnabled(false);
    Timer1->stop();
    Timer2->stop();
    if (m_closing)
        reject();
}

void TfrmOggPlayer::AudioOut1Failed(const QString& error)
{
    // A run that failed (the sound device, a broken file) ends like one that
    // finished, so another file can be opened.
    if (AudioOut1->Status() == osIdle)
        AudioOut1Done();
    if (!m_closing)
        prompts().message(error, PromptIcon::Error, pbOk);
}

void TfrmOggPlayer::Timer1Timer()
{
    double values[TSoundIndicator::kBands];
    SoundIndicator1->GetValues(values);
    m_picture.fill(Qt::black);
    QPainter painter(&m_picture);
    painter.setPen(QPen(QColor(0, 128, 0), 4));
    const int height = m_picture.height();
    const int step = m_picture.width() / TSoundIndicator::kBands;
    for (int i = 0; i < TSoundIndicator::kBands; ++i) {
        const int x = step * i + 1;
        painter.drawLine(x, height, x, height - int(std::lround(values[i])));
    }
    painter.end();
    Image1->setPixmap(QPixmap::fromImage(m_picture));
}

void TfrmOggPlayer::Timer2Timer()
{
    if (m_playClock < m_totalSeconds * 1000) {
        m_playClock += 500;
        lCurrentTime->setText(QStringLiteral("%1:%2")
                                  .arg(m_playClock / 60000)
                                  .arg((m_playClock / 1000) % 60, 2, 10, QLatin1Char('0')));
    }
}

void TfrmOggPlayer::ScrollBar1Scroll(int position)
{
    VorbisIn1->Jump(position - AudioOut1->Progress());
    m_playClock = m_totalSeconds * position * 10;
}

void TfrmOggPlayer::BitBtn2Click()
{
    if (AudioOut1->Status() == osBusy) {
        AudioOut1->Pause();
        Timer1->stop();
        Timer2->stop();
    } else {
        AudioOut1->Resume();
        Timer1->start();
        Timer2->start();
    }
}

void TfrmOggPlayer::bStopClick()
{
    if (AudioOut1->Status() == osPaused)
        AudioOut1->Resume();
    AudioOut1->Stop();
    Timer1->stop();
    Timer2->stop();
}

void TfrmOggPlayer::TrackBar1Change()
{
    StereoBalance1->SetBalance(float(TrackBar1->value()) / 10.0f);
}

void TfrmOggPlayer::bCloseClick()
{
    if (m_closing)
        return;
    bStopClick();
    m_closing = true;
    if (AudioOut1->Status() == osIdle) {
        QMetaObject::invokeMethod(this, &TfrmOggPlayer::reject, Qt::QueuedConnection);
        return;
    }
    // The output goes idle once the queued blocks have played (well under a
    // second) and its end report closes the window; the timer only guards
    // against a device that never returns.
    QTimer::singleShot(std::chrono::seconds(10), this, &TfrmOggPlayer::reject);
}

void TfrmOggPlayer::closeEvent(QCloseEvent* event)
{
    if (!m_closing) {
        // Closing from the title bar stops playback first.
        event->ignore();
        bCloseClick();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmOggPlayer::reject()
{
    if (!m_closing) {
        bCloseClick();
        return;
    }
    QDialog::reject();
}

void ExecOggPlayer(QWidget* parent)
{
    try {
        TfrmOggPlayer form(parent);
        form.exec();
    } catch (...) {
    }
}

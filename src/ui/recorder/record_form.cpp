#include "record_form.h"

#include "new_record_file_form.h"
#include "recorder/recorder_rules.h"
#include "settings/global.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "ui/common/form_texts.h"
#include "ui/jobs/job_dialogs.h"
#include "ui/main/help_window.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kIdle = QStringLiteral("-----------");
const QString kSoundFilter = QStringLiteral("Sound file(*.wav);;All files(*.*)");

template <typename T> T* named(T* object, const char* name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QString text(const char* key, const char* english)
{
    return RecorderText(key, english);
}

// A path the user typed without an extension gets ".wav".
QString withDefaultExtension(const QString& path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".wav") : path;
}
} // namespace

void ExecRecorder(QWidget* parent, HCDROM cdHandle)
{
    TfrmRecord form(parent, cdHandle);
    form.exec();
}

TfrmRecord::TfrmRecord(QWidget* parent, HCDROM cdHandle)
    : QDialog(parent), m_cdHandle(cdHandle), m_stopWaiter(WaitMilliseconds)
{
    setObjectName(QStringLiteral("frmRecord"));
    setWindowTitle(QStringLiteral("Record"));

    lbState = named(new QLabel(kIdle, this), "lbState");
    panRecordTime = named(new QLabel(QStringLiteral("00:00:00.0"), this), "panRecordTime");
    panRecordTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panRecordTime->setAlignment(Qt::AlignCenter);
    QFont clockFont = panRecordTime->font();
    clockFont.setPointSize(clockFont.pointSize() * 2);
    panRecordTime->setFont(clockFont);
    GroupBox1 = named(new QGroupBox(QStringLiteral("Position"), this), "GroupBox1");
    lbPosition = named(new QLabel(QStringLiteral("0.00Sec"), GroupBox1), "lbPosition");
    GroupBox2 = named(new QGroupBox(QStringLiteral("Length"), this), "GroupBox2");
    lbLength = named(new QLabel(QStringLiteral("0.00Sec"), GroupBox2), "lbLength");
    (new QVBoxLayout(GroupBox1))->addWidget(lbPosition);
    (new QVBoxLayout(GroupBox2))->addWidget(lbLength);
    TrackBar1 = named(new QSlider(Qt::Horizontal, this), "TrackBar1");
    TrackBar1->setRange(0, kTrackBarMax);
    TrackBar1->setTickInterval(40);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    MediaPlayer1 = named(new TMediaPlayerBar(this), "MediaPlayer1");
    btStart = named(new QPushButton(QStringLiteral("Start"), this), "btStart");
    // The program's page is its help page, shown like Help in the main window;
    // without it the link is left out.
    const QUrl help = HelpPageUrl();
    lbWeb =
        named(new QLabel(
                  QStringLiteral("<a href=\"%1\">Quillon</a>").arg(help.toString().toHtmlEscaped()),
                  this),
              "lbWeb");
    lbWeb->setVisible(!help.isEmpty());
    connect(lbWeb, &QLabel::linkActivated, this, [this] {
        ShowHelpPage(this, [](const QUrl& url) { return QDesktopServices::openUrl(url); });
    });

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    miNew = named(PopupMenu1->addAction(QStringLiteral("&New...")), "miNew");
    miOpen = named(PopupMenu1->addAction(QStringLiteral("&Open...")), "miOpen");
    miSave = named(PopupMenu1->addAction(QStringLiteral("&Save")), "miSave");
    miSaveAs = named(PopupMenu1->addAction(QStringLiteral("Save &As...")), "miSaveAs");
    miUndo = named(PopupMenu1->addAction(QStringLiteral("&Undo")), "miUndo");
    PopupMenu1->addSeparator();
    miRecordOptionSet =
        named(PopupMenu1->addAction(QStringLiteral("&Recording Control...")), "miRecordOptionSet");
    PopupMenu1->addSeparator();
    miSaveMp3 = named(PopupMenu1->addAction(QStringLiteral("&MP3 format")), "miSaveMp3");
    miSaveMp3->setCheckable(true);
    PopupMenu1->addSeparator();
    pmExit = named(PopupMenu1->addAction(QStringLiteral("&Exit")), "pmExit");
    btStart->setMenu(PopupMenu1);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(500);
    TimerRecord = named(new QTimer(this), "TimerRecord");
    TimerRecord->setInterval(100);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(lbState, 1);
    top->addWidget(panRecordTime);
    layout->addLayout(top);
    auto* times = new QHBoxLayout;
    times->addWidget(GroupBox1);
    times->addWidget(GroupBox2);
    layout->addLayout(times);
    layout->addWidget(TrackBar1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(MediaPlayer1, 1);
    bottom->addWidget(btStart);
    layout->addLayout(bottom);
    layout->addWidget(lbWeb, 0, Qt::AlignRight);

    connect(TrackBar1, &QSlider::valueChanged, this, &TfrmRecord::TrackBar1Change);
    connect(MediaPlayer1, &TMediaPlayerBar::Click, this, [this](TMPBtnType b) {
        MediaPlayer1Click(b);
        mediaAction(b);
        updateActions();
    });
    connect(Timer1, &QTimer::timeout, this, &TfrmRecord::Timer1Timer);
    connect(TimerRecord, &QTimer::timeout, this, &TfrmRecord::TimerRecordTimer);
    connect(miNew, &QAction::triggered, this, &TfrmRecord::miNewClick);
    connect(miOpen, &QAction::triggered, this, &TfrmRecord::miOpenClick);
    connect(miSave, &QAction::triggered, this, &TfrmRecord::actSaveExecute);
    connect(miSaveAs, &QAction::triggered, this, &TfrmRecord::actSaveAsExecute);
    connect(miUndo, &QAction::triggered, this, &TfrmRecord::actUndoExecute);
    connect(miRecordOptionSet, &QAction::triggered, this, &TfrmRecord::miRecordOptionSetClick);
    connect(pmExit, &QAction::triggered, this, &TfrmRecord::pmExitClick);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TfrmRecord::updateActions);
    FormCreate();
}

TfrmRecord::~TfrmRecord() = default;

void TfrmRecord::FormCreate()
{
    miSaveMp3->setChecked(OptionsSetting.SaveMp3);
    updateActions();
}

void TfrmRecord::showEvent(QShowEvent* e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TfrmRecord::FormShow()
{
    TranslateFormIfNeeded(this);
}

void TfrmRecord::reject()
{
    // Every way out (Exit, the title bar, Escape) passes here once.
    if (m_waitingForStop) {
        m_closeAfterStop = true;
        return;
    }
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    QDialog::reject();
}

void TfrmRecord::FormClose()
{
    OptionsSetting.SaveMp3 = miSaveMp3->isChecked();
    Timer1->stop();
    saveFile(true); // closing goes on whatever the answer
    m_files.Close();
}

void TfrmRecord::pmExitClick()
{
    close();
}

qint64 TfrmRecord::trackBarTime() const
{
    return TrackBarTime(m_device.Length(), TrackBar1->value());
}

QString TfrmRecord::caption(const QString& name) const
{
    return text("RES_TitleStr", "Record") + QLatin1Char('(') + name + QLatin1Char(')');
}

void TfrmRecord::TrackBar1Change(int position)
{
    if (m_device.IsOpen() && m_device.Length() > 0)
        lbPosition->setText(RecordTimeLabel(TrackBarTime(m_device.Length(), position)));
}

void TfrmRecord::MediaPlayer1Click(TMPBtnType button)
{
    switch (button) {
    case btPlay:
        if (TrackBar1->value() == kTrackBarMax)
            TrackBar1->setValue(0);
        if (!Timer1->isActive()) {
            m_startPosition = trackBarTime();
            m_playClock = m_startPosition;
        }
        lbState->setText(QStringLiteral("Playing..."));
        Timer1->start();
        MediaPlayer1->SetEnabledButtons({btPause, btStop, btNext, btPrev});
        break;
    case btStop:
        stopHandling();
        MediaPlayer1->SetEnabledButtons({btPlay, btNext, btPrev, btRecord});
        break;
    case btNext:
        TrackBar1->setValue(kTrackBarMax);
        MediaPlayer1->SetEnabledButtons({btPlay, btPrev, btRecord});
        break;
    case btPrev:
        TrackBar1->setValue(0);
        MediaPlayer1->SetEnabledButtons({btPlay, btNext, btRecord});
        break;
    case btRecord:
        // An opened file records from the track bar's place; a new one from
        // where the device stands.
        m_startPosition = m_files.HasWorkCopy() ? trackBarTime() : -1;
        m_recordStart.start();
        TimerRecord->start();
        lbState->setText(text("RES_RecordingStr", "Recording..."));
        m_files.TakeStarts();
        MediaPlayer1->SetEnabledButtons({btStop});
        break;
    case btPause:
    case btStep:
    case btBack:
        break;
    }
}

void TfrmRecord::mediaAction(TMPBtnType button)
{
    if (!m_device.IsOpen())
        return;
    try {
        switch (button) {
        case btPlay:
            m_device.Play(m_startPosition);
            break;
        case btPause:
        case btStop:
            m_device.Stop();
            break;
        case btNext:
            m_device.SeekToEnd();
            break;
        case btPrev:
            m_device.SeekToStart();
            break;
        case btStep:
            m_device.Step();
            break;
        case btBack:
            m_device.Back();
            break;
        case btRecord:
            m_device.Record(m_startPosition);
            break;
        }
    } catch (const EWaveDeviceError& e) {
        // The window stays usable: back to a stopped file.
        Timer1->stop();
        TimerRecord->stop();
        lbState->setText(kIdle);
        setButtonsOpened();
        if (button == btRecord) {
            // A take that never started recorded nothing.
            m_files.TakeFailed();
            prompts().message(text("RES_MCI_Init_Fail", "Error while initializing MCI device!") +
                                  QLatin1Char('\n') + QString::fromStdString(e.what()),
                              PromptIcon::Error);
        } else {
            showDeviceError(e);
        }
    }
}

void TfrmRecord::stopHandling()
{
    TrackBar1->setValue(0);
    Timer1->stop();
    if (TimerRecord->isActive()) {
        // The recording goes on to the next whole second. The window keeps
        // painting meanwhile; a close that comes then waits for the end.
        TimerRecord->stop();
        if (const qint64 wait = RecordStopWait(m_recordMilliseconds); wait > 0) {
            m_waitingForStop = true;
            m_stopWaiter(wait);
            m_waitingForStop = false;
            if (m_closeAfterStop) {
                m_closeAfterStop = false;
                QMetaObject::invokeMethod(this, &TfrmRecord::reject, Qt::QueuedConnection);
            }
        }
        TimerRecordTimer();
    }
    lbState->setText(kIdle);
    if (m_device.Mode() == TWaveMode::Recording || m_device.HasUnsavedRecording()) {
        m_device.Stop();
        const QString failure = m_device.LastError();
        try {
            m_device.Save();
        } catch (const EWaveDeviceError&) {
            prompts().message(text("RES_Save_Error", "Error while saving sound file!"),
                              PromptIcon::Error);
        }
        TrackBar1->setValue(kTrackBarMax);
        lbLength->setText(RecordTimeLabel(m_device.Length()));
        lbState->setText(QStringLiteral("Record over!"));
        if (!failure.isEmpty())
            prompts().message(failure, PromptIcon::Error);
    }
}

void TfrmRecord::Timer1Timer()
{
    m_playClock += 500;
    const qint64 length = m_device.Length();
    if (m_playClock < length) {
        TrackBar1->setValue(int(m_playClock * kTrackBarMax / length));
        return;
    }
    TrackBar1->setValue(kTrackBarMax);
    Timer1->stop();
    MediaPlayer1->SetEnabledButtons({btPlay, btPrev, btRecord});
    lbState->setText(kIdle);
    updateActions();
}

void TfrmRecord::TimerRecordTimer()
{
    const qint64 elapsed = m_recordStart.elapsed();
    panRecordTime->setText(RecordClockText(elapsed));
    m_recordMilliseconds = elapsed % 1000;
    // A capture that ended on its own (the device failed, the disk filled):
    // keep what was recorded and say why.
    if (TimerRecord->isActive() && m_device.Mode() != TWaveMode::Recording) {
        MediaPlayer1Click(btStop);
        updateActions();
    }
}

void TfrmRecord::miRecordOptionSetClick()
{
    const auto mixer = FindRecordingControl();
    if (!mixer) {
        prompts().message(text("RES_No_Mixer", "No volume control program was found. Install "
                                               "pavucontrol, or alsamixer and a terminal."),
                          PromptIcon::Warning);
        return;
    }
    if (!QProcess::startDetached(mixer->program, mixer->arguments))
        prompts().message(QStringLiteral("Could not start %1.").arg(mixer->program),
                          PromptIcon::Error);
}

void TfrmRecord::miNewClick()
{
    if (!saveFile(true))
        return;
    TfrmNewRecordFile dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        m_files.StartNew(dialog.Channels(), dialog.Bits(), dialog.Rate());
        MediaPlayer1->SetEnabledButtons({btRecord});
    } catch (const EWaveDeviceError&) {
        MediaPlayer1->SetEnabledButtons({});
        prompts().message(text("RES_MCI_Init_Fail", "Error while initializing MCI device!"),
                          PromptIcon::Error);
    }
    panRecordTime->setText(QStringLiteral("00:00:00.0"));
    lbLength->setText(QStringLiteral("0.00 Sec"));
    lbPosition->setText(QStringLiteral("0.00 Sec"));
    setWindowTitle(caption(text("RES_NoNameStr", "NoName")));
    TrackBar1->setValue(0);
    m_mp3Made = false;
    updateActions();
}

void TfrmRecord::miOpenClick()
{
    if (!saveFile(true))
        return;
    for (;;) {
        const QStringList chosen =
            prompts().openFiles(QStringLiteral("Please select a sound file to open"), kSoundFilter,
                                ProgramFolder(), false);
        if (chosen.isEmpty())
            return;
        QString path = chosen.first();
        if (!QFileInfo::exists(path) && QFileInfo(path).suffix().isEmpty())
            path = withDefaultExtension(path);
        if (path == m_files.CurrentFile())
            return;
        if (QFileInfo::exists(path)) {
            setWindowTitle(caption(path));
            TrackBar1->setValue(0);
            m_mp3Made = false;
            openAsCurrent(path);
            updateActions();
            return;
        }
        prompts().message(
            path + QLatin1Char('\n') + QStringLiteral("Could not be found\uFF01") +
                QLatin1Char('\n') +
                text("RES_Check_FileName", "Please check the filename correct or not"),
            PromptIcon::Warning);
    }
}

bool TfrmRecord::openAsCurrent(const QString& path)
{
    try {
        m_files.Open(path);
    } catch (const EWaveDeviceError& e) {
        MediaPlayer1->SetEnabledButtons({});
        showDeviceError(e);
        return false;
    }
    setButtonsOpened();
    lbLength->setText(RecordTimeLabel(m_device.Length()));
    setWindowTitle(caption(m_files.CurrentFile()));
    return true;
}

void TfrmRecord::setButtonsOpened()
{
    if (m_device.IsOpen())
        MediaPlayer1->SetEnabledButtons({btPlay, btNext, btRecord});
    else
        MediaPlayer1->SetEnabledButtons({});
}

void TfrmRecord::showDeviceError(const std::exception& e)
{
    prompts().message(QString::fromStdString(e.what()), PromptIcon::Error);
}

QString TfrmRecord::askSaveTarget(bool deleteExisting)
{
    QString target = prompts().saveFile(QString(), kSoundFilter, ProgramFolder(), QString());
    if (target.isEmpty())
        return {};
    target = withDefaultExtension(target);
    if (QFileInfo(target).suffix().toLower() != QStringLiteral("wav")) {
        prompts().message(text("RES_Wav_File", "The save file should be WAV!"),
                          PromptIcon::Information);
        return {};
    }
    if (QFileInfo::exists(target)) {
        if (prompts().message(target + text("RES_File_Exist", " has existed,overite it?"),
                              PromptIcon::Information, pbYes | pbNo) != pbYes)
            return {};
        // The old file is replaced only by a complete new one, in one step;
        // it is never deleted first.
        if (deleteExisting && IsFileInUse(target)) {
            prompts().message(text("RES_Delete_Fail", "Error when deleting file, please check if "
                                                      "the file is being uesd."),
                              PromptIcon::Error);
            return {};
        }
    }
    return target;
}

bool TfrmRecord::saveFile(bool ask)
{
    if (m_files.CurrentFile().isEmpty())
        return true;
    if (MediaPlayer1->IsEnabled(btStop)) {
        MediaPlayer1Click(btStop);
        mediaAction(btStop);
    }
    if (m_files.NothingToSave(ask))
        return true;
    if (m_files.Modified() && ask) {
        const QString name =
            m_files.IsNew() ? text("RES_NoNameStr", "NoName") : m_files.CurrentFile();
        const PromptButton answer =
            prompts().message(name + text("RES_Have_Modify", " has been modified,Save it?"),
                              PromptIcon::Information, pbYes | pbNo | pbCancel);
        if (answer == pbCancel)
            return false;
        if (answer == pbNo) {
            m_files.SetModified(false);
            return true;
        }
    }
    const QString saveFail =
        text("RES_Save_Fail", "Error when saving WAV file,please check if the file is being uesd.");
    if (!m_files.IsNew()) {
        if (!m_files.SaveInPlace()) {
            prompts().message(saveFail, PromptIcon::Error);
            return false;
        }
        convertToMp3();
        m_files.SetModified(false);
        return true;
    }
    const QString target = askSaveTarget(true);
    if (target.isEmpty())
        return false;
    QString reason;
    if (!m_files.MoveNewTo(target, &reason)) {
        MediaPlayer1->SetEnabledButtons({});
        prompts().message(saveFail + QLatin1Char('\n') + reason, PromptIcon::Error);
        return false;
    }
    openAsCurrent(target);
    convertToMp3();
    m_files.SetModified(false);
    return true;
}

void TfrmRecord::actSaveExecute()
{
    saveFile(false);
    updateActions();
}

void TfrmRecord::actSaveAsExecute()
{
    const QString target = askSaveTarget(false);
    if (target.isEmpty())
        return;
    const QString saveFail =
        text("RES_Save_Fail", "Error when saving WAV file,please check if the file is being uesd.");
    if (m_files.IsNew()) {
        QString reason;
        if (!m_files.MoveNewTo(target, &reason)) {
            MediaPlayer1->SetEnabledButtons({});
            prompts().message(saveFail + QLatin1Char('\n') + reason, PromptIcon::Error);
            updateActions();
            return;
        }
    } else if (!m_files.CopyWorkTo(target)) {
        // Nothing was lost: go on with the work copy as it was.
        prompts().message(saveFail, PromptIcon::Error);
        try {
            m_files.ReopenWorkCopy();
        } catch (const EWaveDeviceError& e) {
            showDeviceError(e);
        }
        setButtonsOpened();
        updateActions();
        return;
    }
    openAsCurrent(target);
    convertToMp3();
    m_files.SetModified(false);
    updateActions();
}

void TfrmRecord::actUndoExecute()
{
    if (prompts().message(
            text("RES_Discard_Modify", "Discard the modification since last save file."),
            PromptIcon::Information, pbYes | pbNo) != pbYes)
        return;
    try {
        m_files.Revert();
    } catch (const EWaveDeviceError& e) {
        MediaPlayer1->SetEnabledButtons({});
        showDeviceError(e);
        updateActions();
        return;
    }
    setButtonsOpened();
    lbLength->setText(RecordTimeLabel(m_device.Length()));
    lbPosition->setText(lbLength->text());
    updateActions();
}

void TfrmRecord::actSaveUpdate()
{
    const bool enabled = MediaPlayer1->IsEnabled(btRecord);
    miSave->setEnabled(enabled);
    miSaveAs->setEnabled(enabled);
}

void TfrmRecord::actUndoUpdate()
{
    miUndo->setEnabled(m_files.CanUndo() &&
                       lbState->text() != text("RES_RecordingStr", "Recording..."));
}

void TfrmRecord::updateActions()
{
    actSaveUpdate();
    actUndoUpdate();
}

void TfrmRecord::convertToMp3()
{
    if (!miSaveMp3->isChecked() || m_files.CurrentFile().isEmpty())
        return;
    if (m_cdHandle == 0) {
        prompts().message(text("RES_Get_CDHandle", "Please access CD devices rightly above all!"),
                          PromptIcon::Information);
        // Closed once the save that got here has finished.
        if (!m_closing)
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    const QFileInfo info(m_files.CurrentFile());
    const QString target =
        info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".mp3");
    if (!m_mp3Made && QFileInfo::exists(target)) {
        if (prompts().message(target + text("RES_File_Exist", " has existed,overite it?"),
                              PromptIcon::Information, pbYes | pbNo) != pbYes)
            return;
        if (IsFileInUse(target)) {
            prompts().message(target + text("RES_File_Cannot_Create", " maybe be used!"),
                              PromptIcon::Error);
            return;
        }
    }
    m_mp3Made = true;
    OptionsSetting.CommonOptions.OutputFormat = ofMP3;
    RunJobDialog(this, TJobKind::RecordToMp3, m_cdHandle, {m_files.CurrentFile()});
}

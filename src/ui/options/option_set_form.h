#pragma once
// The options dialog: eleven pages of settings, copied from OptionsSetting when
// shown and back on OK. It never opens a drive itself: after OK,
// driveMustReopen() tells the opener whether the drive choice changed.

#include "cdaccess/cd_access.h"
#include "settings/options_form_values.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QWidget;
class TReadOffsetTask;
struct TReadOffsetFinding;

class TOptionSetForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionSetForm(QWidget* parent = nullptr);
    ~TOptionSetForm() override;

    // The controls as values (what OK would store).
    TOptionsFormValues values() const;
    // True after OK when the opener must reopen the drive and reread the disc.
    bool driveMustReopen() const { return m_driveMustReopen; }

    int ShownCDIndex = 0;
    bool ShownCDDb = false;
    // The open drive whose read offset "Find..." looks for (0: none).
    HCDROM OffsetDrive = 0;

    // Closing the dialog stops a read offset search first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void TabSheet3Show();
    void btBrowserClick();
    void bDefaultClick();
    void bWMADefaultClick();
    void btOkClick();
    void updateEnabling();
    void updateNameExample();
    void refuse(const QString& text, int page, QWidget* focus);
    void btFindOffsetClick();
    void offsetSearchEnded(const TReadOffsetFinding& finding);
    void stopOffsetSearch();
    // The Find button disabled, Stop and the search's state shown, or not.
    void showOffsetSearch(bool running);

    QWidget* buildOutputPage();
    QWidget* buildLamePage();
    QWidget* buildOggPage();
    QWidget* buildWmaPage();
    QWidget* buildId3Page();
    QWidget* buildCdRomPage();
    QWidget* buildLookupPage();
    QWidget* buildVerifyPage();
    QWidget* buildFlacPage();
    QWidget* buildOpusPage();
    QWidget* buildNamesPage();

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* TabSheet5 = nullptr;
    QWidget* TabSheet6 = nullptr;
    QWidget* TabSheet7 = nullptr;
    QWidget* TabSheet8 = nullptr;
    QWidget* TabSheet9 = nullptr;
    QWidget* TabSheet10 = nullptr;
    QWidget* TabSheet11 = nullptr;

    QLineEdit* editOutputDir = nullptr;
    QPushButton* btBrowser = nullptr;
    QCheckBox* ckbKeepWav = nullptr;
    QComboBox* cbOutputFormat = nullptr;
    QCheckBox* ckNormalize = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QCheckBox* ckReplayGain = nullptr;
    QCheckBox* cbRipTime = nullptr;
    QLineEdit* eRipTime = nullptr;

    QCheckBox* ckbSelectVBR = nullptr;
    QCheckBox* ckbVBRHead = nullptr;
    QPushButton* bDefault = nullptr;
    QComboBox* cbBitRate = nullptr;
    QComboBox* cbMaxBitRate = nullptr;
    QComboBox* cbVBRQuality = nullptr;
    QComboBox* cbMpegQuality = nullptr;
    QComboBox* cbStereoMode = nullptr;

    QCheckBox* cbUseCompress = nullptr;
    QSlider* tbCompression = nullptr;
    QComboBox* cbOggNomBit = nullptr;
    QComboBox* cbOggMaxBit = nullptr;
    QComboBox* cbOggMinBit = nullptr;

    QComboBox* cbWMABitrate = nullptr;
    QPushButton* bWMADefault = nullptr;

    QCheckBox* cbUseID3 = nullptr;
    QLineEdit* ID3artist = nullptr;
    QLineEdit* ID3album = nullptr;
    QLineEdit* ID3year = nullptr;
    QComboBox* ID3genre = nullptr;
    QLineEdit* ID3comment = nullptr;

    QSpinBox* seFlacLevel = nullptr;
    QSpinBox* seOpusBitRate = nullptr;
    QLineEdit* editNameTemplate = nullptr;
    QLineEdit* editNameExample = nullptr;

    QComboBox* cbCDList = nullptr;
    QCheckBox* ckbCDDb = nullptr;

    QCheckBox* ckbAutoLookup = nullptr;
    QLineEdit* eSources = nullptr;
    QLineEdit* eMusicBrainz = nullptr;
    QLineEdit* eCoverArt = nullptr;
    QCheckBox* ckbSaveCover = nullptr;
    QLineEdit* eContact = nullptr;
    QLineEdit* eCddbEmail = nullptr;
    QLineEdit* eCddbClient = nullptr;
    QComboBox* cbReadMode = nullptr;
    QSpinBox* seReadOffset = nullptr;
    QPushButton* btFindOffset = nullptr;
    QPushButton* btStopOffset = nullptr;
    QLabel* lbOffsetState = nullptr;
    QCheckBox* ckRipHiddenTrack = nullptr;
    QCheckBox* ckCueSheet = nullptr;
    QCheckBox* ckAccurateRip = nullptr;
    QLineEdit* eAccurateRipServer = nullptr;
    QCheckBox* ckCTDB = nullptr;
    QLineEdit* eCTDBServer = nullptr;

    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;

    int m_labelCount = 0;
    bool m_driveMustReopen = false;
    std::unique_ptr<TReadOffsetTask> m_offsetTask;

    QLabel* newLabel(const QString& text, QWidget* parent);
};

// Opens the options dialog modally 50 pixels right of and below the parent's
// top-left corner. Returns true when the user pressed OK; *reopenDrive (when
// given) tells whether the drive must be reopened and the disc reread.
// drive: the open drive, whose read offset the dialog may look for.
bool ExecOptionsDialog(QWidget* parent, bool* reopenDrive = nullptr, HCDROM drive = 0);

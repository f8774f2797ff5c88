#include "main_form_model.h"

#include "disc_lookup.h"
#include "main/desktop_tools.h"
#include "metadata/candidate_apply.h"
#include "settings/disc_info.h"
#include "settings/language.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

namespace {
constexpr int kDriveListCapacity = 8;
constexpr int kMaxStaleHandle = 10;

QString res(const char* key)
{
    return GetResString(QString::fromLatin1(key));
}

bool folderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}
} // namespace

QString LanguageOfMenuItem(const QString& itemName)
{
    return itemName.mid(2);
}

TMainFormModel::TMainFormModel(TMainFormServices services, QObject* parent)
    : QObject(parent), m_services(std::move(services)),
      m_lookup(new TDiscLookup(m_services.cd, this))
{
    connect(m_lookup, &TDiscLookup::finished, this, &TMainFormModel::lookupFinished);
    connect(m_lookup, &TDiscLookup::notice, this, &TMainFormModel::setStatusText);
}

void TMainFormModel::setStatusText(const QString& text)
{
    if (text == m_status)
        return;
    m_status = text;
    emit statusChanged(text);
}

HCDROM TMainFormModel::OpenDrive(int index)
{
    m_imageProblem.clear();
    std::vector<TCDREC> drives = cd().GetCDList();
    if (drives.size() > kDriveListCapacity)
        drives.resize(kDriveListCapacity);
    if (drives.empty()) {
        setStatusText(res("RES_NotFound_CDRom"));
        return 0;
    }
    if (index < 0 || index >= int(drives.size())) {
        setStatusText(res("RES_Config_Error"));
        return 0;
    }
    const TCDREC& drive = drives[size_t(index)];
    m_driveName = drive.Name();
    setStatusText(m_driveName);
    HCDROM handle = cd().GetCDHandle(drive);
    m_imageProblem = handle == 0 && drive.IsImage ? cd().LastErrorText() : QString();
    if (handle == 0) {
        // A handle left open elsewhere in the program can block the drive:
        // free the first one that closes and try once more.
        for (HCDROM stale = 1; stale <= kMaxStaleHandle; ++stale) {
            if (cd().CloseCDHandle(stale)) {
                handle = cd().GetCDHandle(drive);
                break;
            }
        }
    }
    if (handle == 0)
        setStatusText(res("RES_NotFound_CDRom"));
    else
        m_imageProblem.clear();
    return handle;
}

void TMainFormModel::SwitchDrive(int index)
{
    if (StopPlayback)
        StopPlayback();
    clearRows();
    if (m_handle != 0) {
        cd().CloseCDHandle(m_handle);
        m_handle = 0;
    }
    m_handle = OpenDrive(index);
    if (m_handle != 0)
        ReadDisc();
    m_idleStatus = m_status;
}

QString TMainFormModel::presentDiscKey()
{
    if (m_handle == 0)
        return {};
    TTOC toc;
    if (!cd().ReadTOC(m_handle, toc) || !::AudioCDPresent(toc))
        return {};
    return m_services.discKey(toc);
}

bool TMainFormModel::AudioCDPresent()
{
    return !presentDiscKey().isEmpty();
}

void TMainFormModel::keepTitles()
{
    // Titles typed for a disc are kept when that disc leaves the list, not
    // only at close, so that a removed or swapped disc loses nothing.
    if (m_discKey.isEmpty() || m_rows.empty() || !CurrentTitles)
        return;
    StoreTitles(CurrentTitles(), OptionsSetting.CDInfo);
    try {
        m_services.discInfo(m_discKey, false);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void TMainFormModel::clearRows()
{
    m_lookup->Cancel();
    keepTitles();
    m_rows.clear();
    m_discKey.clear();
    emit rowsChanged();
}

void TMainFormModel::ReadDisc()
{
    if (m_handle == 0)
        return;
    cd().ModifyCDParms(m_handle, kCDParmAddressMode, kAddressModeMsf);
    clearRows();
    TTOC toc;
    if (!cd().ReadTOC(m_handle, toc)) {
        setStatusText(res("RES_NotRead_Cd"));
        return;
    }
    const QString key = m_services.discKey(toc);
    OptionsSetting.CDInfo = TCDInfo{};
    if (!key.isEmpty()) {
        try {
            m_services.discInfo(key, true);
        } catch (const std::exception&) {
            OptionsSetting.CDInfo = TCDInfo{}; // an unreadable store gives blank titles
        }
    }
    m_discKey = key;
    m_rows = TrackRowsFromTOC(toc, OptionsSetting.CDInfo);
    emit rowsChanged();
    setStatusText(m_driveName);
    m_noDiscAtStart = false;
    // Titles the user typed (or a lookup brought earlier) always win.
    if (OptionsSetting.Lookup.Auto && !HasStoredTitles(OptionsSetting.CDInfo))
        startLookup(false);
}

// --- titles from the lookup ----------------------------------------------------

void TMainFormModel::LookUpTitles()
{
    startLookup(true);
}

bool TMainFormModel::LookupRunning() const
{
    return m_lookup->running();
}

void TMainFormModel::startLookup(bool manual)
{
    TTOC toc;
    if (!m_services.lookups || m_handle == 0 || m_rows.empty() || !cd().ReadTOC(m_handle, toc))
        return;
    m_lookupKey = m_discKey;
    m_lookup->Start(toc, m_handle, CurrentTitles ? CurrentTitles() : QStringList(), manual);
    setStatusText(QStringLiteral("Looking up the titles of the disc..."));
}

void TMainFormModel::lookupFinished()
{
    const TLookupResult& result = m_lookup->result();
    if (m_lookupKey != m_discKey)
        return;
    if (result.Candidates.empty()) {
        QString text = QStringLiteral("No titles found for this disc");
        if (!result.Problems.isEmpty())
            text += QStringLiteral(" (%1)").arg(result.Problems.join(QStringLiteral("; ")));
        setStatusText(text);
        if (m_lookup->manual())
            prompts().message(text, PromptIcon::Information, pbOk);
        return;
    }
    if (!m_lookup->manual() && CurrentTitles && CurrentTitles() != m_lookup->titlesAtStart()) {
        // The user typed titles while the lookup ran: theirs stay.
        setStatusText(QStringLiteral("Titles were found; yours are kept (Edit > Look up titles "
                                     "offers them)"));
        return;
    }
    setStatusText(m_driveName);
    if (result.Candidates.size() == 1)
        ApplyLookedUpCandidate(0);
    else
        emit choiceNeeded();
}

const std::vector<TDiscCandidate>& TMainFormModel::LookupCandidates() const
{
    return m_lookup->result().Candidates;
}

QStringList TMainFormModel::LookupProblems() const
{
    return m_lookup->result().Problems;
}

void TMainFormModel::ApplyLookedUpCandidate(int index)
{
    const std::vector<TDiscCandidate>& candidates = LookupCandidates();
    if (m_lookupKey != m_discKey || index < 0 || index >= int(candidates.size()))
        return;
    const TDiscCandidate& chosen = candidates[size_t(index)];
    TCDInfo& info = OptionsSetting.CDInfo;
    ApplyCandidate(chosen, int(m_rows.size()), info, GenreIndex);
    for (size_t row = 0; row < m_rows.size(); ++row) {
        const QString& title = info.Tracks[row + 1];
        m_rows[row].Title = title.isEmpty() ? DefaultTrackTitle(int(row) + 1) : title;
        info.Tracks[row + 1] = m_rows[row].Title;
    }
    emit titlesChanged();
    try {
        m_services.discInfo(m_discKey, false);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    setStatusText(QStringLiteral("Titles from %1").arg(MetadataSourceLabel(chosen.Source)));
    if (chosen.HasFrontCover)
        m_lookup->FetchCover();
}

void TMainFormModel::SaveCoverInto(const QString& folder)
{
    m_lookup->SaveCoverInto(folder);
}

QString TMainFormModel::DiscTitle() const
{
    if (m_rows.empty())
        return {};
    const TCDInfo& info = OptionsSetting.CDInfo;
    const QString artist = info.Artist.trimmed();
    const QString album = info.Album.trimmed();
    if (artist.isEmpty() || album.isEmpty())
        return artist + album;
    return artist + QStringLiteral(" \u2013 ") + album;
}

void TMainFormModel::Refresh()
{
    if (AudioCDPresent()) {
        ReadDisc();
        if (m_status == res("RES_Check_CDRom"))
            setStatusText(m_driveName);
    } else {
        clearRows();
        setStatusText(res("RES_Check_CDRom"));
    }
}

void TMainFormModel::PollDisc()
{
    if (m_handle == 0)
        return;
    const QString key = presentDiscKey();
    if (key == m_discKey)
        return;
    if (key.isEmpty())
        clearRows();
    else
        ReadDisc();
}

bool TMainFormModel::Start()
{
    m_handle = OpenDrive(0);
    if (m_handle == 0)
        return false;
    if (AudioCDPresent())
        ReadDisc();
    else
        m_noDiscAtStart = true;
    m_idleStatus = m_status;
    return true;
}

void TMainFormModel::Activated()
{
    if (m_noDiscAtStart)
        setStatusText(res("RES_Check_CDRom"));
}

void TMainFormModel::showError(const QString& text)
{
    prompts().message(text, PromptIcon::Error, pbOk);
}

bool TMainFormModel::CheckOutputFolder()
{
    if (folderExists(OptionsSetting.CommonOptions.OutputFolder))
        return true;
    prompts().message(res("RES_Directory_Not_Exist") + res("RES_Check_Output"),
                      PromptIcon::Information, pbOk);
    return false;
}

std::optional<QStringList> TMainFormModel::PrepareExtract(const QStringList& titles,
                                                          const std::vector<bool>& checked)
{
    if (m_handle == 0) {
        prompts().message(res("RES_Get_CDHandle"), PromptIcon::Information, pbOk);
        return std::nullopt;
    }
    QStringList items = CheckedItems(titles, checked);
    if (items.isEmpty()) {
        prompts().message(res("RES_Select_Track"), PromptIcon::Information, pbOk);
        return std::nullopt;
    }
    const TCommonOptions& common = OptionsSetting.CommonOptions;
    if (!folderExists(common.OutputFolder)) {
        const QString question = common.OutputFolder + QLatin1Char(',') +
                                 res("RES_Directory_Not_Exist") + QLatin1Char('\n') +
                                 res("RES_Create_Directory");
        if (prompts().message(question, PromptIcon::Information, pbYes | pbNo) != pbYes)
            return std::nullopt;
        if (common.OutputFolder.isEmpty() || !QDir().mkdir(common.OutputFolder)) {
            showError(QStringLiteral("Cannot create ") + common.OutputFolder);
            return std::nullopt;
        }
    }
    if (StopPlayback)
        StopPlayback();
    if (common.EnableRipTime && common.RipTime == 0) {
        prompts().message(res("RES_Select_0"), PromptIcon::Information, pbOk);
        return std::nullopt;
    }
    if (!CheckOutputFolder())
        return std::nullopt;
    return items;
}

void TMainFormModel::OpenOutputDirectory(const std::function<void(const QString&)>& opener)
{
    const QString& folder = OptionsSetting.CommonOptions.OutputFolder;
    if (folderExists(folder))
        opener(folder);
    else
        showError(folder + QLatin1Char(',') + res("RES_Directory_Not_Exist"));
}

bool TMainFormModel::SwitchLanguage(const QString& itemName)
{
    const QString language = LanguageOfMenuItem(itemName);
    if (FindLanguageFile(language).isEmpty()) {
        QString text = ExpectedLanguageFilePath(language) + QStringLiteral(" can not be found.");
        const QUrl howTo = HelpPageUrl(QStringLiteral("languages"));
        if (itemName == QLatin1String("miOther") && !howTo.isEmpty())
            text += QStringLiteral("\n\nTo translate Quillon into your language, please visit ") +
                    howTo.toString();
        prompts().message(text, PromptIcon::None, pbOk);
        return false;
    }
    OptionsSetting.Lan = language;
    return true;
}

bool TMainFormModel::EjectCD()
{
    return m_handle != 0 && cd().EjectMedia(m_handle);
}

bool TMainFormModel::CloseCD()
{
    return m_handle != 0 && cd().CloseTray(m_handle);
}

void TMainFormModel::Close(const QStringList& titles)
{
    StoreTitles(titles, OptionsSetting.CDInfo);
    try {
        m_services.discInfo(m_discKey, false);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    if (m_handle != 0) {
        if (!cd().CloseCDHandle(m_handle))
            showError(res("RES_Close_CD_Error"));
        m_handle = 0;
    }
    if (StopPlayback)
        StopPlayback();
    try {
        m_services.options(false);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

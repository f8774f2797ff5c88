#include "disc_lookup.h"

#include "metadata/cover_art_file.h"
#include "settings/options_setting.h"
#include "settings/process_info.h"

TDiscLookup::TDiscLookup(ICDAccess* cd, QObject* parent) : QObject(parent), m_cd(cd) {}

// The workers are joined before the object they report to goes away.
TDiscLookup::~TDiscLookup() = default;

void TDiscLookup::Start(const TTOC& toc, HCDROM handle, const QStringList& titlesNow, bool manual)
{
    m_titles.reset();
    m_result = {};
    m_manual = manual;
    m_titlesAtStart = titlesNow;
    m_toc = toc;
    const auto sources = ParseMetadataSources(OptionsSetting.Lookup.Sources, nullptr)
                             .value_or(*ParseMetadataSources(TLookupOptions{}.Sources, nullptr));
    m_titles = std::make_unique<TMetadataLookupThread>(
        this, kTitles,
        TMetadataLookupThread::TitleLookup(toc, m_cd, handle, LookupSettingsFrom(OptionsSetting),
                                           sources));
}

void TDiscLookup::Cancel()
{
    m_titles.reset();
    m_cover.reset();
    m_coverRelease.clear();
    m_coverFolder.clear();
}

void TDiscLookup::FetchCover()
{
    const TCDInfo& info = OptionsSetting.CDInfo;
    if (!OptionsSetting.MusicBrainz.SaveCover || info.MusicBrainzReleaseId.isEmpty() ||
        !info.FrontCover.isEmpty() || (m_cover && m_coverRelease == info.MusicBrainzReleaseId))
        return;
    m_coverRelease = info.MusicBrainzReleaseId;
    m_cover = std::make_unique<TMetadataLookupThread>(
        this, kCover,
        TMetadataLookupThread::CoverFetch(LookupSettingsFrom(OptionsSetting), m_coverRelease));
}

void TDiscLookup::SaveCoverInto(const QString& folder)
{
    if (!OptionsSetting.MusicBrainz.SaveCover || folder.isEmpty())
        return;
    if (!OptionsSetting.CDInfo.FrontCover.isEmpty()) {
        saveCover(folder);
        return;
    }
    m_coverFolder = folder;
    FetchCover();
}

void TDiscLookup::saveCover(const QString& folder)
{
    QString path;
    QString problem;
    switch (SaveFrontCover(folder, OptionsSetting.CDInfo.FrontCover, &path, &problem)) {
    case TCoverSave::Saved:
        emit notice(QStringLiteral("Front cover saved as %1").arg(path));
        break;
    case TCoverSave::Kept:
        break; // a picture of the user's, or of an earlier rip, stays
    case TCoverSave::Failed:
        emit notice(problem);
        break;
    }
}

bool TDiscLookup::event(QEvent* e)
{
    if (e->type() != messageEventType(WM_LOOKUPFINISHED))
        return QObject::event(e);
    const auto kind = static_cast<TMessageEvent*>(e)->wParam();
    if (kind == kTitles && m_titles) {
        m_result = m_titles->takeResult();
        m_titles.reset();
        emit finished();
    } else if (kind == kCover && m_cover) {
        const TLookupResult cover = m_cover->takeResult();
        m_cover.reset();
        // Only for the release the record still names.
        if (m_coverRelease == OptionsSetting.CDInfo.MusicBrainzReleaseId) {
            OptionsSetting.CDInfo.FrontCover = cover.FrontCover;
            if (!cover.FrontCover.isEmpty() && !m_coverFolder.isEmpty())
                saveCover(m_coverFolder);
        }
        m_coverRelease.clear();
        m_coverFolder.clear();
    }
    return true;
}

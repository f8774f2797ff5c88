#include "cli_metadata.h"

#include "metadata/candidate_apply.h"
#include "metadata/candidate_list.h"
#include "metadata/cover_art_file.h"
#include "metadata/disc_ids.h"
#include "metadata/metadata_lookup.h"
#include "settings/disc_info.h"
#include "settings/options_setting.h"

#include <cstdio>
#include <exception>

namespace {

void print(std::FILE* f, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), f);
    std::fflush(f);
}

// The sources a --metadata value names; auto: those of the settings (their
// default when the settings name none that is known).
std::vector<TMetadataSource> sourcesOf(const QString& metadata)
{
    const QString text = metadata.isEmpty() || metadata == QLatin1String("auto")
                             ? OptionsSetting.Lookup.Sources
                             : metadata;
    if (auto sources = ParseMetadataSources(text, nullptr))
        return *sources;
    return *ParseMetadataSources(TLookupOptions{}.Sources, nullptr);
}

TLookupResult lookUp(const QString& metadata, const TTOC& toc, HCDROM handle)
{
    const std::vector<TMetadataSource> sources = sourcesOf(metadata);
    std::optional<TCdText> cdText;
    TCdText text;
    if (std::find(sources.begin(), sources.end(), TMetadataSource::CdText) != sources.end() &&
        cdAccess().ReadCDText(handle, text))
        cdText = std::move(text);
    print(stderr, QStringLiteral("Looking the titles up (%1)...\n")
                      .arg(metadata.isEmpty() ? QStringLiteral("auto") : metadata));
    return TMetadataLookup(LookupSettingsFrom(OptionsSetting)).Run(toc, cdText, sources);
}

QString headline(const TCandidateList& list, int index)
{
    const TDiscCandidate& c = list.at(index);
    QStringList details;
    for (const QString& d :
         {c.Year(), c.Country, c.Format,
          c.MediumText().isEmpty() ? QString() : QStringLiteral("medium ") + c.MediumText()}) {
        if (!d.isEmpty())
            details << d;
    }
    QString line = QStringLiteral("%1. %2: %3 / %4")
                       .arg(index + 1)
                       .arg(MetadataSourceLabel(c.Source), c.Artist, c.Album);
    if (!details.isEmpty())
        line += QStringLiteral(" (%1)").arg(details.join(QStringLiteral(", ")));
    if (c.Source == TMetadataSource::MusicBrainz && !c.MediumMatches)
        line += QStringLiteral(" [by durations]");
    return line;
}

void printProblems(const TLookupResult& result)
{
    for (const QString& p : result.Problems)
        print(stderr, QStringLiteral("quillon: %1\n").arg(p));
}

} // namespace

int RunLookupCommand(const TCliRequest& request, const TTOC& toc, HCDROM handle)
{
    if (const std::optional<TDiscIds> ids = DiscIdsOf(toc))
        print(stdout, QStringLiteral("MusicBrainz disc id: %1\n").arg(ids->MusicBrainz));
    const TLookupResult result = lookUp(request.Metadata, toc, handle);
    printProblems(result);
    if (result.Candidates.empty()) {
        print(stderr, QStringLiteral("quillon: no titles found for this disc\n"));
        return 1;
    }
    const TCandidateList list(result.Candidates);
    QString text;
    for (int i = 0; i < list.count(); ++i) {
        text += headline(list, i) + QLatin1Char('\n');
        for (const QString& line : list.trackLines(i))
            text += QStringLiteral("   ") + line + QLatin1Char('\n');
    }
    print(stdout, text);
    return 0;
}

bool ChooseExtractTitles(const TCliRequest& request, const TTOC& toc, HCDROM handle,
                         const QString& key, const QString& coverFolder, QString& error)
{
    TCDInfo& info = OptionsSetting.CDInfo;
    QString metadata = request.Metadata;
    if (metadata.isEmpty()) {
        // --release names a candidate of "quillon lookup", whose default is auto.
        const bool keepStored =
            request.Release == 0 && (HasStoredTitles(info) || !OptionsSetting.Lookup.Auto);
        metadata = keepStored ? QStringLiteral("stored") : QStringLiteral("auto");
    }
    if (metadata == QLatin1String("stored"))
        return true;

    const TLookupResult result = lookUp(metadata, toc, handle);
    printProblems(result);
    const TCandidateList list(result.Candidates);
    if (list.count() == 0) {
        if (request.Release > 0) {
            error = QStringLiteral("--release %1: the lookup found no titles").arg(request.Release);
            return false;
        }
        print(stderr, QStringLiteral("quillon: no titles found; using the stored ones\n"));
        return true;
    }
    if (request.Release > list.count()) {
        error =
            QStringLiteral("--release %1: the lookup found %2 candidate(s) (see quillon lookup)")
                .arg(request.Release)
                .arg(list.count());
        return false;
    }
    const int chosen = request.Release > 0 ? request.Release - 1 : list.defaultIndex();
    print(stderr, QStringLiteral("Titles: %1\n").arg(headline(list, chosen)));
    if (request.Release == 0 && list.count() > 1) {
        print(stderr, QStringLiteral("Other candidates (take one with --release N):\n"));
        for (int i = 0; i < list.count(); ++i) {
            if (i != chosen)
                print(stderr, QStringLiteral("  %1\n").arg(headline(list, i)));
        }
    }
    const TDiscCandidate& candidate = list.at(chosen);
    ApplyCandidate(candidate, toc.TrackCount(), info, GenreIndex);
    try {
        LoadSaveDiscInfo(key, false);
    } catch (const std::exception& e) {
        print(stderr, QStringLiteral("quillon: %1\n").arg(QString::fromLocal8Bit(e.what())));
    }

    if (OptionsSetting.MusicBrainz.SaveCover && candidate.HasFrontCover &&
        !candidate.ReleaseId.isEmpty()) {
        const TLookupResult cover = TMetadataLookup(LookupSettingsFrom(OptionsSetting))
                                        .FetchFrontCover(candidate.ReleaseId);
        printProblems(cover);
        info.FrontCover = cover.FrontCover;
        if (!cover.FrontCover.isEmpty()) {
            QString path;
            QString problem;
            switch (SaveFrontCover(coverFolder, cover.FrontCover, &path, &problem)) {
            case TCoverSave::Saved:
                print(stderr, QStringLiteral("Front cover: %1\n").arg(path));
                break;
            case TCoverSave::Kept:
                print(stderr, QStringLiteral("quillon: %1 exists and is kept\n").arg(path));
                break;
            case TCoverSave::Failed:
                print(stderr, QStringLiteral("quillon: %1\n").arg(problem));
                break;
            }
        }
    }
    return true;
}

#pragma once
// The title lookup of the main window's disc, without widgets: it runs the
// lookup chain and the cover fetch on worker threads and reports by signals,
// so that the window never waits for the network. What was found is applied
// by ApplyCandidate on the UI thread.
//
// Threads: UI thread only (the workers post WM_LOOKUPFINISHED to this object).
// Work for a disc that left the drive is abandoned (Cancel), and nothing it
// finds arrives afterwards.

#include "cdaccess/cd_access.h"
#include "metadata/metadata_lookup_thread.h"

#include <QObject>
#include <QStringList>

#include <memory>

class TDiscLookup : public QObject {
    Q_OBJECT
public:
    explicit TDiscLookup(ICDAccess* cd, QObject* parent = nullptr);
    ~TDiscLookup() override;

    // Looks the disc up in the order of [Lookup] Sources. titlesNow: the
    // titles the list shows, to tell later whether the user changed them.
    void Start(const TTOC& toc, HCDROM handle, const QStringList& titlesNow, bool manual);
    // Abandons the lookup and the cover fetch (the disc left or changed).
    void Cancel();
    bool running() const { return m_titles != nullptr; }

    // After finished(): what the lookup found, whether the user asked for it,
    // and the titles shown when it started.
    const TLookupResult& result() const { return m_result; }
    bool manual() const { return m_manual; }
    QStringList titlesAtStart() const { return m_titlesAtStart; }
    TTOC toc() const { return m_toc; }

    // Saves the disc record's front cover into folder: at once when its bytes
    // are here, else when the fetch of the record's release ends. Nothing
    // when covers are not to be saved or the release has no cover.
    void SaveCoverInto(const QString& folder);
    // Fetches the front cover of the record's release into the record.
    void FetchCover();

signals:
    void finished();
    // A line for the status bar (a cover saved, a cover that could not be).
    void notice(const QString& text);

protected:
    bool event(QEvent* e) override;

private:
    enum Kind : qintptr { kTitles = 1, kCover = 2 };
    void saveCover(const QString& folder);

    ICDAccess* m_cd;
    std::unique_ptr<TMetadataLookupThread> m_titles;
    std::unique_ptr<TMetadataLookupThread> m_cover;
    QString m_coverRelease; // of the fetch running
    QString m_coverFolder;  // where the fetched cover goes; empty: nowhere yet
    TLookupResult m_result;
    bool m_manual = false;
    QStringList m_titlesAtStart;
    TTOC m_toc;
};

#pragma once
// The rows of the track list, built from a disc's table of contents and its
// disc record. No widgets here: the main window only shows these rows.

#include "cdaccess/cd_access.h"
#include "settings/options_setting.h"

#include <QString>
#include <QStringList>

#include <vector>

struct TTrackRow {
    int TrackNumber = 0; // as the table of contents numbers it
    QString Caption;     // the track number in decimal
    QString Title;
    QString Length; // "MM:SS"
    QString Size;   // megabytes, "MM.HH"
};

// The most rows a disc can have: the disc record holds titles 1..100.
constexpr int kMaxTrackRows = 100;

// Length of a track between two table entries, in whole seconds; frames are
// ignored (only minutes and seconds count) and a backwards step gives 0.
int TrackSeconds(const TTOCTRACK& start, const TTOCTRACK& next);
// "04:59" for 299 seconds.
QString LengthText(int seconds);
// Size of that many seconds of CD audio in megabytes with two decimals,
// rounded half to even: "50.30" for 299 seconds.
QString SizeText(int seconds);

// One row per table entry before the lead-out, in order, at most
// kMaxTrackRows. Row k (from 1) takes its title from info.Tracks[k]; an empty
// title becomes "Track" + two digits of k and is written back into info, so
// that rows and titles always pair the same way when the record is saved.
std::vector<TTrackRow> TrackRowsFromTOC(const TTOC& toc, TCDInfo& info);

// Copies row titles into the record: TrackNumber := count, Tracks[k] := titles[k-1].
void StoreTitles(const QStringList& titles, TCDInfo& info);

// The items a job receives: for every checked row, in order, the row number
// (from 1) in two digits followed directly by the title.
QStringList CheckedItems(const QStringList& titles, const std::vector<bool>& checked);

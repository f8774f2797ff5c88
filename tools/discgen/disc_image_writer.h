#pragma once
// Writes audio-CD images (.cue sheet + raw .bin of 2352-byte sectors) whose
// tracks hold simple, reproducible signals, and the matching title section for
// cdinfo.dat. Used by the quillon-discgen tool and by tests that need a disc.

#include "cdaccess/cd_access.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace discgen {

enum class Signal { Tone, Noise, Silence };

struct TrackSpec {
    std::int32_t frames = 0; // length in sectors (1/75 s)
    Signal signal = Signal::Silence;
    double frequency = 0;   // tone: Hz
    std::uint32_t seed = 0; // noise: seed of the generator
};

// The longest disc the writer makes (80 minutes) and the most tracks.
constexpr std::int32_t kMaxDiscFrames = 80 * 60 * kFramesPerSecond;
constexpr int kMaxTracks = 99;

// Parses "LENGTH:SIGNAL[:PARAM]": LENGTH is seconds with an "s" suffix ("3.2s",
// rounded to whole frames) or frames ("375", "375f"); SIGNAL is "tone:HZ",
// "noise:SEED" or "silence". Returns nothing and sets *error on bad text.
std::optional<TrackSpec> ParseTrackSpec(const QString& text, QString* error = nullptr);

// The track's audio: frames * 2352 bytes of 44.1 kHz 16-bit little-endian
// stereo. A tone has its left channel at sine phase and its right channel at
// cosine phase so that swapped channels show; noise draws both channels from
// the seeded generator, restarted for each track.
QByteArray TrackAudio(const TrackSpec& track);

// The TOC a disc of these tracks has: track 1 at LBA 0, the others following
// without gaps, the lead-out after the last.
TTOC TocOfTracks(const QList<TrackSpec>& tracks);

// CD-Text for the cue sheet: PERFORMER and TITLE lines of the disc (before
// the first track) and of each track, with ISRC lines, in the encoding asked
// for. Empty texts give no line.
struct CueText {
    enum class Encoding { Utf8, Latin1 };
    QString Performer;
    QString Title;
    QStringList TrackTitles;     // track 1 first
    QStringList TrackPerformers; // track 1 first
    QStringList TrackIsrcs;      // track 1 first
    Encoding TextEncoding = Encoding::Utf8;
};

// One sample to change: its left channel's lowest bit is flipped.
struct SampleChange {
    int track = 1;           // numbered from 1
    std::int64_t sample = 0; // from the track's INDEX 01
};

// "TRACK:SAMPLE"; nothing, with *error, for bad text.
std::optional<SampleChange> ParseSampleChange(const QString& text, QString* error = nullptr);

// A disc with the extras that verification tests need.
struct DiscSpec {
    QList<TrackSpec> tracks;
    // Audio before track 1's INDEX 01 (track 1's INDEX 00 at the disc's start).
    std::optional<TrackSpec> pregap;
    // The disc as a drive with this read offset delivers it: the image's
    // sample j is sample j - shift of the intended audio (silence where that
    // lies outside the disc). Reading with the offset corrected gives the
    // intended audio back.
    std::int64_t shift = 0;
    QList<SampleChange> changes; // applied before the shift
    CueText text;                // CD-Text lines of the cue sheet
};

TTOC TocOfDisc(const DiscSpec& disc);
// The bytes of the .bin: the pregap, then the tracks, changed and shifted.
QByteArray DiscAudio(const DiscSpec& disc);

// What the verification databases hold for the disc as it should be (without
// its changes and its shift): an AccurateRip answer file with one record of
// each confidence given, and a CTDB lookup answer with one entry (the disc
// CRC and the track CRCs) of that confidence.
QByteArray AccurateRipAnswerOf(const DiscSpec& disc, const QList<int>& confidences);
QByteArray CtdbAnswerOf(const DiscSpec& disc, int confidence);

// Writes cuePath and, beside it, the .bin of the same base name. False with
// *error on an empty or oversized track list, a change outside its track, a
// shift of a whole disc or more, a text a cue sheet cannot hold (a '"', a line
// break, or a character outside Latin-1 for a Latin-1 sheet) or when a file
// cannot be written.
bool WriteCueBin(const QString& cuePath, const QList<TrackSpec>& tracks, QString* error = nullptr,
                 const CueText& text = {});
bool WriteCueBin(const QString& cuePath, const DiscSpec& disc, QString* error = nullptr);

// A readable default title: "Tone 440 Hz", "Noise 7", "Silence".
QString DefaultTitle(const TrackSpec& track);

struct DiscTitles {
    QString Artist;
    QString Album;
    QString Year;
    int Genre = -1;
    QString Comment;
    QStringList Titles; // track 1 first
};

// Adds (or replaces) the section named key in the INI file iniPath, keeping
// every other section; the file is replaced atomically.
bool WriteTitlesSection(const QString& iniPath, const QString& key, const DiscTitles& titles,
                        QString* error = nullptr);

} // namespace discgen

#pragma once
// Loudness of one track after EBU R128 (libebur128), for ReplayGain 2.0:
// the integrated loudness of everything added, and the sample peak. The
// measurements of the tracks of one disc give the album's gain together.
//
// The peak is the highest sample, which ReplayGain 2.0 allows: the true
// peak (oversampled) would triple the time the meter takes, too much for a
// measurement that runs along every extraction.
//
// Threads: one thread at a time; a finished measurement may be handed on.

#include "tags/track_tags.h"

#include <ebur128.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The loudness ReplayGain 2.0 brings every track to, in LUFS.
constexpr double kReplayGainReference = -18.0;

class TLoudness {
public:
    // Throws std::runtime_error when the library refuses the format.
    TLoudness(int channels, int sampleRate);
    ~TLoudness();
    TLoudness(const TLoudness&) = delete;
    TLoudness& operator=(const TLoudness&) = delete;

    int channels() const { return m_channels; }
    // Interleaved frames of 16-bit samples.
    void add(const std::int16_t* frames, std::size_t count);
    // Integrated loudness in LUFS; false for silence (nothing above the gate).
    bool loudness(double* lufs) const;
    // The highest sample value, 1.0 = full scale.
    double peak() const;
    // -18 - L and the peak; not Valid for silence.
    TGainValue gain() const;

private:
    friend TGainValue AlbumGain(const std::vector<const TLoudness*>& tracks);
    ebur128_state* m_state = nullptr;
    int m_channels = 0;
};

// The gain of all tracks played as one (the album gain) and the highest of
// their peaks; not Valid when there is no track or only silence.
TGainValue AlbumGain(const std::vector<const TLoudness*>& tracks);

#include "audio/loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

TLoudness::TLoudness(int channels, int sampleRate) : m_channels(channels)
{
    if (channels >= 1 && channels <= 8 && sampleRate >= 8000)
        m_state = ebur128_init(unsigned(channels), (unsigned long)(sampleRate),
                               EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK);
    if (!m_state)
        throw std::runtime_error("Cannot measure the loudness of this audio format.");
    // A mono track is heard from both speakers: count it twice, as players do.
    if (channels == 1)
        ebur128_set_channel(m_state, 0, EBUR128_DUAL_MONO);
}

TLoudness::~TLoudness()
{
    ebur128_destroy(&m_state);
}

void TLoudness::add(const std::int16_t* frames, std::size_t count)
{
    if (count > 0)
        ebur128_add_frames_short(m_state, frames, count);
}

bool TLoudness::loudness(double* lufs) const
{
    double value = 0;
    if (ebur128_loudness_global(m_state, &value) != EBUR128_SUCCESS || !std::isfinite(value))
        return false;
    *lufs = value;
    return true;
}

double TLoudness::peak() const
{
    double peak = 0;
    for (int c = 0; c < m_channels; ++c) {
        double value = 0;
        if (ebur128_sample_peak(m_state, unsigned(c), &value) == EBUR128_SUCCESS)
            peak = std::max(peak, value);
    }
    return peak;
}

TGainValue TLoudness::gain() const
{
    double lufs = 0;
    if (!loudness(&lufs))
        return {};
    return {true, kReplayGainReference - lufs, peak()};
}

TGainValue AlbumGain(const std::vector<const TLoudness*>& tracks)
{
    std::vector<ebur128_state*> states;
    double peak = 0;
    for (const TLoudness* track : tracks) {
        states.push_back(track->m_state);
        peak = std::max(peak, track->peak());
    }
    double lufs = 0;
    if (states.empty() ||
        ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS ||
        !std::isfinite(lufs))
        return {};
    return {true, kReplayGainReference - lufs, peak};
}

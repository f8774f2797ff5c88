#pragma once
// A pass-through filter that measures the loudness of the audio flowing
// through it: placed between a source and an encoder, the track's
// ReplayGain is known when the encoder has read the last block, without a
// second read of the file. 8- and 16-bit PCM pass unchanged.
//
// Threads: see TPcmConverter. TrackGain and TakeLoudness are for the owner
// once the run has ended (after the output's OnDone).

#include "audio/loudness.h"
#include "audio/pcm_converter.h"

#include <memory>
#include <vector>

class TReplayGainMeter : public TPcmConverter {
    Q_OBJECT
public:
    explicit TReplayGainMeter(QObject* owner = nullptr);
    ~TReplayGainMeter() override;

    int GetBitsPerSample() override;
    int GetChannels() override;
    int GetSampleRate() override;
    int GetTotalTime() override;
    qint64 ReadData(char* buffer, qint64 size) override;
    void BeginRead() override;
    void EndRead() override;

    // The gain of what the last run delivered; not Valid before a run, for
    // silence, or after TakeLoudness.
    TGainValue TrackGain() const;
    // Hands the last run's measurement on (for the album gain); null when
    // there is none.
    std::unique_ptr<TLoudness> TakeLoudness() { return std::move(m_loudness); }

private:
    TPcmInput* requireInput() const;
    void measure(const char* data, qint64 size);

    std::unique_ptr<TLoudness> m_loudness;
    int m_bits = 16;
    int m_frameBytes = 4;
    std::vector<char> m_partial;      // bytes of a frame split between two reads
    std::vector<std::int16_t> m_wide; // 8-bit samples widened for the meter
};

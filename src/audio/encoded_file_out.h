#pragma once
// The frame of an output that encodes PCM into a tagged file (FLAC, Opus):
// the file is written under a hidden temporary name beside FileName; when
// the input has ended, the encoder is finished, the track's ReplayGain (from
// a TReplayGainMeter the audio passed through) is added to the tags, and
// only then does the file take its name. A run that is stopped or fails
// leaves no file behind and FileName as it was.
//
// A concrete output opens its encoder on the temporary path, encodes
// interleaved 16-bit frames, and finishes or frees the encoder.
//
// Threads: see TPcmOutput. The setters are for the owner's thread between
// runs; Completed for the owner after OnDone.

#include "audio/pcm_output.h"
#include "jobs/part_file.h"
#include "tags/track_tags.h"

#include <cstdint>
#include <vector>

class TReplayGainMeter;

class TEncodedFileOut : public TPcmFileOut {
    Q_OBJECT
public:
    explicit TEncodedFileOut(QObject* owner = nullptr);

    const TTrackTags& Tags() const { return m_tags; }
    void SetTags(const TTrackTags& tags) { m_tags = tags; }
    // The meter the audio passes through on its way here (or null): its
    // gain goes into the tags before the file takes its name.
    void SetGainMeter(TReplayGainMeter* meter) { m_meter = meter; }
    // The last run ended with the whole file under FileName.
    bool Completed() const { return m_completed; }

protected:
    // Opens the encoder writing to path; totalFrames is -1 when unknown.
    // Throws EPcmException with the reason.
    virtual void openEncoder(const QString& path, int channels, int sampleRate, int bits,
                             qint64 totalFrames) = 0;
    virtual void encode(const std::int16_t* samples, int frames) = 0;
    // Ends the stream properly and closes the file; throws on failure.
    virtual void finishEncoder() = 0;
    // Frees the encoder whatever state it is in; never throws.
    virtual void dropEncoder() = 0;
    virtual TTagFormat tagFormat() const = 0;

    void PrepareRun() override;
    bool ProduceBlock(bool abort) override;
    void FinishRun() override;

private:
    void complete();

    TTrackTags m_tags;
    TReplayGainMeter* m_meter = nullptr;
    TPartFile m_part;
    std::vector<char> m_bytes;
    std::vector<std::int16_t> m_samples;
    qint64 m_carry = 0; // bytes of a frame split between two reads
    int m_channels = 0;
    int m_bits = 16;
    bool m_prepared = false;
    bool m_completed = false;
};

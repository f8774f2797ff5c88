#pragma once
// Encodes PCM from its Input into an Ogg Opus file with libopusenc: VBR at
// a chosen bit rate (default 160 kbit/s), the tags as Vorbis comments, the
// front cover as METADATA_BLOCK_PICTURE, and the track's R128 gain when a
// meter measured it. CD audio goes in at 44.1 kHz; the library resamples to
// Opus's 48 kHz and records the original rate.
//
// Threads: see TEncodedFileOut.

#include "audio/encoded_file_out.h"

struct OggOpusEnc;

class TOpusOut : public TEncodedFileOut {
    Q_OBJECT
public:
    static constexpr int kDefaultBitRate = 160; // kbit/s
    static constexpr int kMinBitRate = 6;
    static constexpr int kMaxBitRate = 510;

    explicit TOpusOut(QObject* owner = nullptr);
    ~TOpusOut() override;

    int BitRate() const { return m_kbits; }
    // kbit/s, held within kMinBitRate..kMaxBitRate.
    void SetBitRate(int kbits);

protected:
    void openEncoder(const QString& path, int channels, int sampleRate, int bits,
                     qint64 totalFrames) override;
    void encode(const std::int16_t* samples, int frames) override;
    void finishEncoder() override;
    void dropEncoder() override;
    TTagFormat tagFormat() const override { return TTagFormat::Opus; }

private:
    int m_kbits = kDefaultBitRate;
    OggOpusEnc* m_encoder = nullptr;
};

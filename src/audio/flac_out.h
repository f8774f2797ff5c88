#pragma once
// Encodes PCM from its Input into a FLAC file with libFLAC: compression
// level 0..8, every frame checked by decoding it again (verify), the total
// length written up front, a seek point every 10 seconds, the tags as
// Vorbis comments and the front cover as a PICTURE block. Room is left for
// later tag changes (ReplayGain), so they do not move the audio.
//
// Threads: see TEncodedFileOut.

#include "audio/encoded_file_out.h"

#include <memory>

class TFlacOut : public TEncodedFileOut {
    Q_OBJECT
public:
    static constexpr int kDefaultLevel = 5;

    explicit TFlacOut(QObject* owner = nullptr);
    ~TFlacOut() override;

    int CompressionLevel() const { return m_level; }
    // Held within 0..8.
    void SetCompressionLevel(int level);

protected:
    void openEncoder(const QString& path, int channels, int sampleRate, int bits,
                     qint64 totalFrames) override;
    void encode(const std::int16_t* samples, int frames) override;
    void finishEncoder() override;
    void dropEncoder() override;
    TTagFormat tagFormat() const override { return TTagFormat::Flac; }

private:
    struct Session;
    [[noreturn]] void failEncoder(const char* what);

    int m_level = kDefaultLevel;
    int m_shift = 0; // 8-bit input comes widened to 16 bits
    std::unique_ptr<Session> m_session;
};

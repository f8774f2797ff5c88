#pragma once
// Decodes a compressed WAV file (MPEG layer 3 in WAV, A-law, µ-law, GSM and
// whatever else libavcodec knows by its WAV format tag) into PCM in memory.
//
// Contract, in the reader's order: LoadWave(the file) copies the "fmt " record
// into SourceFormat and the data chunk into the content; SuggestFormat fills
// TargetFormat with the 16-bit PCM format to decode to; Convert decodes the
// whole content, after which the content is PCM and SourceFormat equals
// TargetFormat; SaveWave writes a PCM WAV image. Result codes: 0 on success.
//
// Not thread-aware: one converter is used by one thread at a time.

#include <QByteArray>
#include <QIODevice>

#include <cstdint>

class TWaveConverter {
public:
    // A format record: the 18 bytes of a wave format plus its extra bytes.
    static constexpr int kFormatAreaSize = 129;
    // Result codes besides 0.
    static constexpr int kErrorNotPossible = 512; // no decoder or no usable format
    static constexpr int kErrorWrite = 286;       // SaveWave could not write
    // The decoded image must fit a WAV file's 32-bit lengths with room to spare.
    static constexpr qint64 kMaxDecodedBytes = 0x7FFFFFFF - 64;

    TWaveConverter();

    // True when libavcodec has a decoder for this WAV format tag.
    static bool CanDecodeFormatTag(int tag);

    void LoadWave(QIODevice& source);
    int SuggestFormat();
    int Convert();
    int SaveWave(QIODevice& destination);

    const QByteArray& content() const { return m_content; }
    int formatTag(const uint8_t* area) const;

    quint32 MaxFormatSize = kFormatAreaSize;
    uint8_t SourceFormat[kFormatAreaSize] = {};
    uint8_t TargetFormat[kFormatAreaSize] = {};

private:
    QByteArray m_content;
    int m_sourceFormatLength = 0; // bytes of SourceFormat the file supplied
};

#pragma once
// The RIFF/WAVE header scan shared by the WAV reader and the WAV writer's
// append mode, and the encodings the WAV components know.

#include "audio/adpcm.h"

#include <QIODevice>
#include <QString>

#include <cstdint>

enum TWavType { wtUnsupported = 0, wtPCM = 1, wtDVIADPCM = 2, wtMSADPCM = 3, wtACM = 4 };

// The text the resample dialog shows for a type.
QString WavTypeText(TWavType type);

// True when the four bytes spell id, each letter in either case.
bool IdentifierMatches(const char* bytes, const char* id);

constexpr int kMaxMsCoefficients = 32;
// Bytes the scan may consume before it gives up on a file.
constexpr qint64 kHeaderScanLimit = 8192;

struct TWaveHeader {
    TWavType type = wtUnsupported;
    int formatTag = 0;       // the encoding; an extensible file's sub-format
    bool extensible = false; // WAVE_FORMAT_EXTENSIBLE (reader only)
    bool isFloat = false;    // IEEE float samples, type wtPCM (reader only)
    int channels = 0;
    int sampleRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    int samplesPerBlock = 0;
    int coefficientCount = 0;
    adpcm::MsCoefficients coefficients[kMaxMsCoefficients];
    qint64 factOffset = -1; // file offset of the fact sample count
    quint32 factCount = 0;
    qint64 dataLengthOffset = -1;
    quint32 dataLength = 0;
    qint64 dataOffset = -1; // first data byte
};

enum class WaveScanMode {
    Reader, // PCM, both ADPCM kinds and whatever the compressed-WAV decoder handles
    Append, // PCM and DVI ADPCM only
};

// Scans from the stream's start for RIFF, WAVE, fmt, (fact,) data; identifiers
// are case-blind and the RIFF/WAVE search slides byte by byte. Leaves the stream
// at the first data byte on success. Any malformed or unknown header gives
// type wtUnsupported; nothing is read beyond the bytes the stream holds.
TWaveHeader ScanWaveHeader(QIODevice& stream, WaveScanMode mode);

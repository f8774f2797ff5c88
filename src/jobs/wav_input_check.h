#pragma once
// What a conversion can make of an input that should be a WAV file, decided
// from its header before anything is written: encode it as it is, bring it
// to 16-bit PCM first (for lame, which reads the file itself), or refuse it
// with a reason the user can act on (an MP3, a text file, five channels).

#include <QString>

struct TWavInputCheck {
    enum TVerdict {
        Ready,  // mono or stereo 8- or 16-bit plain PCM
        Narrow, // audio the WAV reader decodes, but not plain 8/16-bit PCM
        Refused,
    };
    TVerdict Verdict = Refused;
    int SampleRate = 0;
    int Channels = 0;
    int Bits = 0;   // of a sample in the file
    QString Reason; // Refused: "<path> is not a WAV file ..."
};

TWavInputCheck CheckWavInput(const QString& path);

// Empty when path holds MPEG audio (layer II or III) that lame can decode:
// two frames in a row near its start, after an ID3v2 tag if there is one;
// otherwise the reason to refuse it.
QString CheckMp3Input(const QString& path);

#pragma once
// TJobItem: one item of a job as the engine works on it: the file it makes,
// whether an existing file of that name may be replaced, and the temporary
// files its steps write. Whatever is still temporary when the item is
// dropped (a stop, a failure) is removed with it.

#include "audio/loudness.h"
#include "jobs/part_file.h"
#include "tags/track_tags.h"

#include <QString>

#include <memory>

struct TJobItem {
    QString Input;              // conversions: the file to convert
    QString Output;             // the file the item makes
    QString KeptWav;            // extraction with "Keep WAV": the WAV's own final name
    bool ReplaceOutput = false; // the user agreed to replace an existing Output
    bool ReplaceWav = false;    // ... and an existing KeptWav
    TPartFile Wav;              // the ripped track: the output itself, or the encoder's input
    TPartFile Prepared;         // a conversion's input at 44100 Hz and 16 bits
    TPartFile Out;              // what the encoder writes
    TTrackTags Tags;            // what the output is tagged with
    std::unique_ptr<TLoudness> Loudness; // the measured track, for the album gain
    bool AwaitsAlbumGain = false;        // Out is complete and waits for the album gain

    void discardTemporaryFiles()
    {
        Wav.discard();
        Prepared.discard();
        Out.discard();
    }
    // What is only needed on the way to Out: a work WAV, a prepared copy.
    void discardWorkFiles()
    {
        if (KeptWav.isEmpty())
            Wav.discard();
        Prepared.discard();
    }
};

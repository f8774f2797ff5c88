#pragma once
// The components of a WAV to WAV conversion and their wiring, shared by the
// WAV to WAV dialog, the resample command and a conversion job's resampling
// step. Wire connects, from WaveIn1 on, only the converters the wanted format
// needs, in this order: SampleConverter1 (8-bit input to 16), MSConverter1
// (channel count), RateConverter1 (sample rate), SampleConverter2 (16 bits to
// 8). A converter left out keeps its old Input, but no data passes through it.
//
// Threads: the owner's thread, between runs.

#include "audio/ms_converter.h"
#include "audio/rate_converter.h"
#include "audio/sample_converter.h"
#include "audio/wave_in.h"

#include <QStringList>

class TPcmOutput;

struct TResampleFormat {
    int Channels = 2;
    int SampleRate = 44100;
    int BitsPerSample = 16;
};

class TResampleChain {
public:
    TResampleChain();

    // Where the data flows, in this order.
    TWaveIn WaveIn1;
    TSampleConverter SampleConverter1;
    TMSConverter MSConverter1;
    TRateConverter RateConverter1;
    TSampleConverter SampleConverter2;

    // Wires what WaveIn1's file needs to come out as wanted and returns the
    // last component, the one the writer reads (WaveIn1 itself when the file
    // is in the wanted format already).
    TPcmInput* Wire(const TResampleFormat& wanted);
};

// The object names of the components out reads through, the source first and
// out last.
QStringList ChainNames(const TPcmOutput& out);

#pragma once
// Helpers for the converter tests: pulling a whole stream through a filter,
// tones, and reading the spectrum of what a rate conversion made of a tone.

#include "audio/pcm_input.h"
#include "audio/pcm_procs.h"

#include <QByteArray>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace convtest {

// Everything a filter delivers in one run, read `chunk` bytes at a time.
inline QByteArray pullAll(TPcmInput& filter, qint64 chunk = 4096)
{
    QByteArray all;
    filter.BeginRead();
    std::vector<char> buffer(static_cast<size_t>(chunk));
    qint64 n;
    while ((n = filter.ReadData(buffer.data(), chunk)) > 0)
        all.append(buffer.data(), n);
    filter.EndRead();
    return all;
}

inline QByteArray pcm16(const std::vector<int>& values)
{
    QByteArray out;
    for (int v : values) {
        char b[2];
        qToLittleEndian<qint16>(qint16(v), b);
        out.append(b, 2);
    }
    return out;
}

inline std::vector<int> values16(const QByteArray& pcm)
{
    std::vector<int> out;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2)
        out.push_back(qFromLittleEndian<qint16>(pcm.constData() + i));
    return out;
}

// Interleaved 16-bit sine frames: channel c gets frequency hz * (c + 1).
inline QByteArray sine(double hz, int rate, int frames, int channels, double amplitude = 16000)
{
    std::vector<int> v;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v.push_back(int(
                std::lrint(amplitude * std::sin(2 * std::numbers::pi * hz * (c + 1) * i / rate))));
    return pcm16(v);
}

// Four-term Blackman-Harris window in its periodic form: the spectrum of a
// sine that sits on a bin is zero beyond three bins either side of it.
inline std::vector<double> blackmanHarris(int n)
{
    std::vector<double> w(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * i / n;
        w[size_t(i)] =
            0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
    }
    return w;
}

// Amplitude spectrum of x[offset .. offset + n), Blackman-Harris windowed and
// scaled so that a sine of amplitude A on a bin reads A in that bin.
inline std::vector<double> amplitudeSpectrum(const std::vector<int16_t>& x, size_t offset, int n)
{
    const std::vector<double> w = blackmanHarris(n);
    double gain = 0;
    std::vector<TComplex> z(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        z[size_t(i)] = TComplex(x[offset + size_t(i)] * w[size_t(i)], 0);
        gain += w[size_t(i)];
    }
    ComplexFFT(z.data(), n, 0);
    std::vector<double> a(static_cast<size_t>(n / 2));
    for (int i = 0; i < n / 2; ++i)
        a[size_t(i)] = 2 * std::abs(z[size_t(i)]) / gain;
    return a;
}

inline double dB(double ratio)
{
    return 20 * std::log10(std::max(ratio, 1e-12));
}

// One tone through a conversion, read from the output's spectrum (n points
// at outRate; the tone on bin `bin`).
struct ToneReading {
    double gainDb = 0; // the tone's level out against in
    double spurDb = 0; // the largest other component below splitHz, against the tone
    double spurHz = 0;
    double imageDb = 0; // the largest component from splitHz up, against the tone
};

inline ToneReading readTone(const std::vector<double>& a, int n, int outRate, int bin,
                            double amplitude, double splitHz)
{
    ToneReading r;
    const double tone = a[size_t(bin)];
    r.gainDb = dB(tone / amplitude);
    r.spurDb = r.imageDb = -300;
    for (int b = 4; b < n / 2; ++b) {
        const double hz = double(b) * outRate / n;
        if (std::abs(b - bin) <= 4)
            continue;
        const double db = dB(a[size_t(b)] / tone);
        if (hz >= splitHz) {
            r.imageDb = std::max(r.imageDb, db);
        } else if (db > r.spurDb) {
            r.spurDb = db;
            r.spurHz = hz;
        }
    }
    return r;
}

// A sine of `amplitude` at hz sampled at rate, rounded to 16 bits.
inline std::vector<int16_t> tone16(double hz, int rate, size_t frames, double amplitude)
{
    std::vector<int16_t> x(frames);
    for (size_t i = 0; i < frames; ++i)
        x[i] =
            int16_t(std::lrint(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / rate)));
    return x;
}

// The frequency of an odd bin near hz (odd, so that the tone runs through
// every sample value of the window and its rounding makes no harmonics).
inline int oddBin(double hz, int rate, int n)
{
    return int(std::lrint(hz * n / rate)) | 1;
}

} // namespace convtest

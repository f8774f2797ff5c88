#pragma once
// Helpers for the converter tests: pulling a whole stream through a filter,
// tones, and an independent whole-signal model of the rate conversion.

#include "audio/pcm_input.h"
#include "audio/pcm_procs.h"

#include <QByteArray>
#include <QtEndian>

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

// The rate conversion of one channel, computed over the whole signal at
// once (no blocks), straight from its definition.
inline std::vector<int16_t> modelConvert(const std::vector<int16_t>& x, int inRate, int outRate,
                                         int kw = 30, TFilterWindowType window = fwBlackman)
{
    const float ratio = float(outRate) / float(inRate);
    const float fc = ratio > 1 ? 0.4f / ratio : 0.4f * ratio;
    const std::vector<double> h = SincKernel(kw, fc, window);
    std::vector<int16_t> y;
    auto at = [&](long i) { return i < 0 ? 0 : x[size_t(i)]; };
    if (outRate < inRate) {
        long long phase = outRate;
        for (long j = 0; j < long(x.size()); ++j) {
            if (outRate < phase) {
                phase -= outRate;
                continue;
            }
            double s = 0;
            for (int k = 0; k < kw; ++k)
                s += h[size_t(kw - 1 - k)] * at(j - k);
            y.push_back(int16_t(uint16_t(std::llrint(s))));
            phase += inRate - outRate;
        }
        return y;
    }
    // Interpolated values at every output instant, from a silent sample
    // before the first one; then the FIR over them.
    std::vector<double> v;
    long long phase = 0;
    for (long i = -1; i + 1 < long(x.size()); ++i) {
        const long long a = at(i), b = x[size_t(i + 1)];
        while (phase < outRate) {
            v.push_back(std::nearbyint(double((outRate - phase) * a + phase * b) / outRate));
            phase += inRate;
        }
        phase -= outRate;
    }
    std::vector<double> acc(v.size() + size_t(kw), 0.0);
    for (size_t f = 0; f < v.size(); ++f)
        for (int i = 0; i < kw; ++i)
            acc[f + size_t(i)] += v[f] * h[size_t(i)];
    for (size_t f = 0; f < v.size(); ++f)
        y.push_back(int16_t(uint16_t(std::llrint(acc[f]))));
    return y;
}

// Power (relative to full scale of the strongest bin) spectrum of one
// channel's first n values, Blackman-windowed.
inline std::vector<double> spectrum(const std::vector<int16_t>& x, size_t offset, int n)
{
    std::vector<double> w(static_cast<size_t>(n));
    CalculateWindow(w.data(), n, fwBlackman, true);
    std::vector<TComplex> z(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        z[size_t(i)] = TComplex(x[offset + size_t(i)] * w[size_t(i)], 0);
    ComplexFFT(z.data(), n, 1);
    std::vector<double> p(static_cast<size_t>(n / 2));
    for (int i = 0; i < n / 2; ++i)
        p[size_t(i)] = std::norm(z[size_t(i)]);
    return p;
}

} // namespace convtest

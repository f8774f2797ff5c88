#include "audio/pcm_procs.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

void CalculateWindow(double* window, int n, TFilterWindowType type, bool symmetric)
{
    const double d = symmetric ? n - 1 : n;
    if (d <= 0) {
        for (int i = 0; i < n; ++i)
            window[i] = 1.0;
        return;
    }
    const double twoPi = 2 * std::numbers::pi;
    for (int i = 0; i < n; ++i) {
        const double a = twoPi * i / d;
        switch (type) {
        case fwHamming:
            window[i] = 0.54 - 0.46 * std::cos(a);
            break;
        case fwHann:
            window[i] = (1 - std::cos(a)) / 2;
            break;
        case fwBlackman:
            window[i] = 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
            break;
        }
    }
}

void CalculateSincKernel(double* kernel, int n, double fc, TFilterWindowType type)
{
    if (n <= 0)
        return;
    CalculateWindow(kernel, n, type, false);
    const int m = n / 2;
    const double w = 2 * std::numbers::pi * fc;
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        if (i == m)
            kernel[i] = w * kernel[i];
        else
            kernel[i] = std::sin(w * (i - m)) / (i - m) * kernel[i];
        sum += kernel[i];
    }
    // A cut-off of 0 leaves nothing to normalise by; such a kernel stays zero.
    if (sum != 0) {
        for (int i = 0; i < n; ++i)
            kernel[i] /= sum;
    }
}

std::vector<double> SincKernel(int n, double fc, TFilterWindowType type)
{
    std::vector<double> kernel(size_t(std::max(n, 0)));
    CalculateSincKernel(kernel.data(), n, fc, type);
    return kernel;
}

void ComplexFFT(TComplex* data, int n, int direction)
{
    if (n < 2)
        return;
    int j = 0;
    for (int i = 0; i < n - 1; ++i) {
        if (i < j)
            std::swap(data[i], data[j]);
        int k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
    const int stages = int(std::trunc(std::log2(double(n)) + 1e-9));
    double c1 = -1, c2 = 0;
    int l2 = 1;
    for (int stage = 0; stage < stages; ++stage) {
        const int l1 = l2;
        l2 = 2 * l1;
        double u1 = 1, u2 = 0;
        for (int jj = 0; jj < l1; ++jj) {
            for (int i = jj; i < n; i += l2) {
                const int i1 = i + l1;
                const double re = data[i1].real(), im = data[i1].imag();
                const TComplex t(u1 * re - u2 * im, u1 * im + u2 * re);
                data[i1] = data[i] - t;
                data[i] = data[i] + t;
            }
            const double z = u1 * c1 - u2 * c2;
            u2 = u1 * c2 + u2 * c1;
            u1 = z;
        }
        c2 = std::sqrt((1 - c1) / 2);
        if (direction == 1)
            c2 = -c2;
        c1 = std::sqrt((1 + c1) / 2);
    }
    if (direction == 1) {
        for (int i = 0; i < n; ++i)
            data[i] /= double(n);
    }
}

void MultiplyArrays(const double* a, double* b, int count)
{
    for (int i = 0; i < count; ++i)
        b[i] = a[i] * b[i];
}

void LgMagnitude(const TComplex* in, double* out, int n, int offset)
{
    for (int i = 0; i < n; ++i) {
        const double magnitude = std::abs(in[i]);
        if (magnitude == 0) {
            out[i] = 0;
            continue;
        }
        const double v = std::log10(magnitude) + offset;
        out[i] = v < 0 ? 0 : v;
    }
}

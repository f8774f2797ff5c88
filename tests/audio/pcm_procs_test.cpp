// Windows, sinc kernel, FFT and the magnitude routine.

#include "audio/pcm_procs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>

TEST(PcmProcs, WindowsTable)
{
    struct Case {
        TFilterWindowType type;
        int n;
        bool symmetric;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {fwHann, 5, true, {0, 0.5, 1, 0.5, 0}},     {fwHann, 4, false, {0, 0.5, 1, 0.5}},
        {fwHamming, 3, true, {0.08, 1, 0.08}},      {fwBlackman, 3, true, {0, 1, 0}},
        {fwBlackman, 4, false, {0, 0.34, 1, 0.34}},
    };
    for (const Case& c : cases) {
        std::vector<double> w(size_t(c.n));
        CalculateWindow(w.data(), c.n, c.type, c.symmetric);
        for (int i = 0; i < c.n; ++i)
            EXPECT_NEAR(w[size_t(i)], c.expected[size_t(i)], 1e-12) << c.type << " " << i;
    }
}

TEST(PcmProcs, SincKernelSumsToOneAndIsLowPass)
{
    for (TFilterWindowType type : {fwHamming, fwHann, fwBlackman}) {
        for (int n : {2, 3, 30, 31, 64}) {
            for (double fc : {0.05, 0.2, 0.4}) {
                const auto h = SincKernel(n, fc, type);
                EXPECT_NEAR(std::accumulate(h.begin(), h.end(), 0.0), 1.0, 1e-12);
                EXPECT_EQ(std::max_element(h.begin(), h.end()) - h.begin(), n / 2)
                    << type << " " << n << " " << fc;
            }
        }
    }
}

TEST(PcmProcs, FftForwardAndBack)
{
    const int n = 64;
    std::vector<TComplex> z(n), original(n);
    for (int i = 0; i < n; ++i)
        original[size_t(i)] = z[size_t(i)] =
            TComplex(std::cos(2 * std::numbers::pi * 5 * i / n) + 0.25, 0);
    // Direction 1 divides by n: a cosine of amplitude 1 at bin 5 shows 0.5 at
    // bins 5 and n - 5; the constant 0.25 at bin 0.
    ComplexFFT(z.data(), n, 1);
    EXPECT_NEAR(std::abs(z[5]), 0.5, 1e-9);
    EXPECT_NEAR(std::abs(z[n - 5]), 0.5, 1e-9);
    EXPECT_NEAR(z[0].real(), 0.25, 1e-9);
    // The other direction undoes it.
    ComplexFFT(z.data(), n, -1);
    for (int i = 0; i < n; ++i)
        EXPECT_LT(std::abs(z[size_t(i)] - original[size_t(i)]), 1e-9) << i;
}

TEST(PcmProcs, LgMagnitudeAndProduct)
{
    const std::vector<TComplex> z = {{0, 0}, {100, 0}, {0, 0.01}, {3, 4}};
    struct Case {
        int offset;
        std::vector<double> expected;
    };
    for (const Case& c :
         {Case{0, {0, 2, 0, std::log10(5.0)}}, Case{3, {0, 5, 1, 3 + std::log10(5.0)}}}) {
        std::vector<double> out(z.size());
        LgMagnitude(z.data(), out.data(), int(z.size()), c.offset);
        for (size_t i = 0; i < z.size(); ++i)
            EXPECT_NEAR(out[i], c.expected[i], 1e-12) << c.offset << " " << i;
    }
    std::vector<double> a = {1, -2, 0.5}, b = {3, 4, 8};
    MultiplyArrays(a.data(), b.data(), 2);
    EXPECT_EQ(b, (std::vector<double>{3, -8, 8}));
}

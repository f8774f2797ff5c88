#pragma once
// Numeric routines shared by the rate converter and the level indicator:
// window functions, the windowed-sinc low-pass kernel, an in-place complex FFT,
// an element-wise product and a logarithmic magnitude.
//
// Plain functions over caller-owned arrays; no state, safe from any thread.

#include <complex>
#include <vector>

enum TFilterWindowType { fwHamming, fwHann, fwBlackman };

using TComplex = std::complex<double>;

// Fills window[0..n-1]. The denominator is n - 1 for the symmetric form
// (spectral analysis) and n otherwise (filter kernels).
void CalculateWindow(double* window, int n, TFilterWindowType type, bool symmetric);

// A low-pass kernel of n taps with cut-off fc in cycles per sample, windowed
// with the periodic form of type, normalised to sum to 1.
void CalculateSincKernel(double* kernel, int n, double fc, TFilterWindowType type);
std::vector<double> SincKernel(int n, double fc, TFilterWindowType type);

// In-place radix-2 FFT over n complex values (n a power of two). direction 1
// is the inverse-signed transform that also divides by n; any other value is
// the forward transform without scaling.
void ComplexFFT(TComplex* data, int n, int direction);

// b[i] := a[i] * b[i] for i < count.
void MultiplyArrays(const double* a, double* b, int count);

// out[i] := log10(|in[i]|) + offset, or 0 when that is negative or |in[i]| = 0.
void LgMagnitude(const TComplex* in, double* out, int n, int offset);

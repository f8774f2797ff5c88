#include "audio/adpcm.h"

#include <algorithm>
#include <cstdlib>

namespace adpcm {
namespace {

constexpr int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kIndexAdjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

constexpr int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                   768, 614, 512, 409, 307, 230, 230, 230};

int16_t readInt16(const uint8_t* p)
{
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

void writeInt16(uint8_t* p, int value)
{
    p[0] = uint8_t(value & 0xFF);
    p[1] = uint8_t((value >> 8) & 0xFF);
}

// Byte of nibble i of one channel in a stereo block's data area (after the two
// headers): groups of 8 bytes, 4 for the left channel then 4 for the right.
int stereoNibbleByte(int i, int channel)
{
    return (i / 8) * 8 + (i % 8) / 2 + 4 * channel;
}

} // namespace

int imaDecodeNibble(ImaState& state, unsigned nibble)
{
    nibble &= 0x0F;
    const int step = kStepTable[state.index];
    int delta = step / 8;
    if (nibble & 4)
        delta += step;
    if (nibble & 2)
        delta += step / 2;
    if (nibble & 1)
        delta += step / 4;
    state.predictor += (nibble & 8) ? -delta : delta;
    state.predictor = std::clamp(state.predictor, -32767, 32767);
    state.index = std::clamp(state.index + kIndexAdjust[nibble & 7], 0, 88);
    return state.predictor;
}

unsigned imaEncodeSample(ImaState& state, int sample)
{
    int diff = sample - state.predictor;
    unsigned code = diff < 0 ? 8 : 0;
    int m = std::abs(diff);
    const int step = kStepTable[state.index];
    if (m >= step) {
        code += 4;
        m -= step;
    }
    if (m >= step / 2) {
        code += 2;
        m -= step / 2;
    }
    if (m >= step / 4)
        code += 1;
    imaDecodeNibble(state, code);
    return code;
}

int imaFramesPerBlock(int blockAlign, int channels)
{
    if (channels == 1)
        return blockAlign > 4 ? 2 * (blockAlign - 4) + 1 : 0;
    if (channels == 2)
        return blockAlign >= 16 ? ((blockAlign - 8) / 8) * 8 + 1 : 0;
    return 0;
}

int imaDecodeBlock(const uint8_t* block, int blockAlign, int channels, int16_t* out)
{
    const int frames = imaFramesPerBlock(blockAlign, channels);
    if (frames == 0)
        return 0;
    ImaState states[2];
    for (int c = 0; c < channels; ++c) {
        states[c].predictor = readInt16(block + 4 * c);
        // A hostile step index must not reach outside the step table.
        states[c].index = std::min<int>(block[4 * c + 2], 88);
        out[c] = int16_t(states[c].predictor);
    }
    const uint8_t* data = block + 4 * channels;
    if (channels == 1) {
        for (int i = 0; i < frames - 1; ++i) {
            const unsigned byte = data[i / 2];
            out[1 + i] = int16_t(imaDecodeNibble(states[0], (i % 2) ? byte >> 4 : byte & 0x0F));
        }
    } else {
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < frames - 1; ++i) {
                const unsigned byte = data[stereoNibbleByte(i, c)];
                out[2 * (1 + i) + c] =
                    int16_t(imaDecodeNibble(states[c], (i % 2) ? byte >> 4 : byte & 0x0F));
            }
        }
    }
    return frames;
}

void imaEncodeBlock(const int16_t* frames, int blockAlign, int channels, ImaState* states,
                    uint8_t* block)
{
    const int count = imaFramesPerBlock(blockAlign, channels);
    std::fill(block, block + blockAlign, uint8_t(0));
    if (count == 0)
        return;
    for (int c = 0; c < channels; ++c) {
        states[c].predictor = frames[c];
        writeInt16(block + 4 * c, frames[c]);
        block[4 * c + 2] = uint8_t(states[c].index);
        block[4 * c + 3] = 0;
    }
    uint8_t* data = block + 4 * channels;
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < count - 1; ++i) {
            const unsigned code = imaEncodeSample(states[c], frames[channels * (1 + i) + c]);
            const int byte = channels == 1 ? i / 2 : stereoNibbleByte(i, c);
            data[byte] |= uint8_t((i % 2) ? code << 4 : code);
        }
    }
}

bool msBlockLayoutFits(int blockAlign, int channels, int samplesPerBlock)
{
    if (channels < 1 || channels > 2 || samplesPerBlock < 2)
        return false;
    const long nibbles = long(samplesPerBlock - 2) * channels;
    return msHeaderBytes(channels) + (nibbles + 1) / 2 <= blockAlign;
}

int msDecodeBlock(const uint8_t* block, int channels, int samplesPerBlock,
                  const MsCoefficients* coefficients, int coefficientCount, int16_t* out)
{
    struct Channel {
        int coef1, coef2;
        long delta;
        int sample1, sample2;
    } ch[2]{};
    for (int c = 0; c < channels; ++c) {
        const int index = block[c];
        if (index >= coefficientCount)
            return -1;
        ch[c].coef1 = coefficients[index].coef1;
        ch[c].coef2 = coefficients[index].coef2;
        ch[c].delta = readInt16(block + channels + 2 * c);
        ch[c].sample1 = readInt16(block + 3 * channels + 2 * c);
        ch[c].sample2 = readInt16(block + 5 * channels + 2 * c);
        out[c] = int16_t(ch[c].sample2);
        out[channels + c] = int16_t(ch[c].sample1);
    }
    const uint8_t* data = block + msHeaderBytes(channels);
    const long nibbles = long(samplesPerBlock - 2) * channels;
    for (long n = 0; n < nibbles; ++n) {
        Channel& s = ch[n % channels];
        const unsigned byte = data[n / 2];
        const int nibble = (n % 2) ? byte & 0x0F : byte >> 4;
        const long prediction = (long(s.sample1) * s.coef1 + long(s.sample2) * s.coef2) / 256;
        const long signedNibble = nibble >= 8 ? nibble - 16 : nibble;
        const int sample =
            int(std::clamp<long>(prediction + signedNibble * s.delta, -32768, 32767));
        out[2 * channels + n] = int16_t(sample);
        // The delta of a hostile block could grow without end; real ones stay far below.
        s.delta = std::min<long>(s.delta * kMsAdaptation[nibble] / 256, 1L << 24);
        if (s.delta < 16)
            s.delta = 16;
        s.sample2 = s.sample1;
        s.sample1 = sample;
    }
    return samplesPerBlock;
}

} // namespace adpcm

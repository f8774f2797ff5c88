#pragma once
// The two ADPCM codecs found in WAV files: DVI (IMA) ADPCM, which we read and
// write, and Microsoft ADPCM, which we read. Block routines work on one whole
// block and never touch memory outside the block or the output they are given.

#include <cstdint>

namespace adpcm {

// DVI (IMA) state of one channel.
struct ImaState {
    int predictor = 0;
    int index = 0;
};

// Decodes one 4-bit code and returns the new sample (never -32768).
int imaDecodeNibble(ImaState& state, unsigned nibble);
// Encodes one sample and returns its 4-bit code; the state moves as the decoder's.
unsigned imaEncodeSample(ImaState& state, int sample);

// Sample frames one DVI block holds: mono 2 × (blockAlign − 4) + 1, stereo one
// per nibble of whole 8-byte groups plus the header sample. 0 when the block
// size cannot hold a block for that channel count.
int imaFramesPerBlock(int blockAlign, int channels);

// Decodes one block of blockAlign bytes into imaFramesPerBlock frames of
// interleaved 16-bit samples. Returns the frame count (0 for a bad layout).
int imaDecodeBlock(const uint8_t* block, int blockAlign, int channels, int16_t* out);

// Encodes imaFramesPerBlock frames of interleaved samples into one block of
// blockAlign bytes. The first frame becomes the block header; the step indexes
// in states carry over from block to block.
void imaEncodeBlock(const int16_t* frames, int blockAlign, int channels, ImaState* states,
                    uint8_t* block);

struct MsCoefficients {
    int16_t coef1 = 0;
    int16_t coef2 = 0;
};

// Header bytes of a Microsoft ADPCM block and the bytes its nibbles need.
constexpr int msHeaderBytes(int channels)
{
    return 7 * channels;
}
bool msBlockLayoutFits(int blockAlign, int channels, int samplesPerBlock);

// Decodes one Microsoft ADPCM block into samplesPerBlock frames. Returns the
// frame count, or -1 when a predictor index lies outside the coefficient table.
// The caller has checked the layout with msBlockLayoutFits.
int msDecodeBlock(const uint8_t* block, int channels, int samplesPerBlock,
                  const MsCoefficients* coefficients, int coefficientCount, int16_t* out);

} // namespace adpcm

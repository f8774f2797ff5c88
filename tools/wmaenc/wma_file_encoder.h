#pragma once
// Encodes a WAV file (anything libavformat's wav demuxer reads: PCM, ADPCM,
// GSM, ...) into a WMA version 2 stream in an ASF file, resampled and remixed
// to one of the fixed WMA profiles.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace wmaenc {

// libavcodec's WMA version 2 encoder takes nothing below 24 kbit/s; the
// lower profiles are written at this rate, with their own sample rate and
// channel count.
inline constexpr int kLowestBitRateKbps = 24;

struct Profile {
    int bitRateKbps = 0;
    int sampleRate = 0; // Hz
    int channels = 0;
};

// "B_R_C" (kbit/s, whole kHz, channels) for the codes of the profile table
// only; nothing for any other text.
std::optional<Profile> parseProfile(std::string_view code);

struct EncodeRequest {
    std::string input;
    std::string output;
    Profile profile;
    std::string author;      // empty: not written
    std::string description; // empty: not written
};

class EncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Encodes; progress gets 0..99 as the input is read. Throws EncodeError with a
// one-line reason; a partly written output is removed then.
void encodeWavToWma(const EncodeRequest& request, const std::function<void(int)>& progress);

} // namespace wmaenc

// quillon-wmaenc: the WMA encoder Quillon starts for its WMA steps.
//
// Progress goes to standard output as lines "Encoding: NN%"; the line with
// "100%" is printed only once the output file is complete and closed. Every
// failure prints one line starting with "ERROR" to standard error and exits
// with status 1. The words "ERROR" and "100%" appear nowhere else.

#include "wma_file_encoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "Usage: quillon-wmaenc -input FILE.wav -output FILE.wma -a_setting B_R_C\n"
    "                      [-author TEXT] [-description TEXT]\n"
    "\n"
    "Encodes a WAV file (PCM or any coding the wav reader of libavformat knows)\n"
    "into a Windows Media Audio 2 file.\n"
    "\n"
    "  -input FILE        the WAV file to read\n"
    "  -output FILE       the WMA file to write (replaced when it exists)\n"
    "  -a_setting B_R_C   the profile: B kbit/s, R kHz (48, 44 = 44100, 32,\n"
    "                     22 = 22050, 16, 11 = 11025, 8), C channels (1 or 2);\n"
    "                     one of the 33 profiles of Quillon's options dialog,\n"
    "                     e.g. 64_44_2, 192_48_2, 20_32_1, 5_8_1\n"
    "                     (profiles below 24 kbit/s are written at 24 kbit/s)\n"
    "  -author TEXT       author written into the file\n"
    "  -description TEXT  description written into the file\n"
    "  --help, -help      this text\n"
    "\n"
    "Prints \"Encoding: NN%\" lines while it works and \"Encoding: 100% done\" when\n"
    "the file is complete; on failure one error line and exit status 1.\n";

int fail(const std::string& reason)
{
    std::fflush(stdout);
    std::fprintf(stderr, "ERROR: %s\n", reason.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    wmaenc::EncodeRequest request;
    std::string profileCode;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-help" || arg == "-h" || arg == "-?") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::string* target = nullptr;
        if (arg == "-input")
            target = &request.input;
        else if (arg == "-output")
            target = &request.output;
        else if (arg == "-a_setting")
            target = &profileCode;
        else if (arg == "-author")
            target = &request.author;
        else if (arg == "-description")
            target = &request.description;
        else
            return fail("unknown option " + std::string(arg) + " (see --help)");
        if (i + 1 >= argc)
            return fail("option " + std::string(arg) + " needs a value");
        *target = argv[++i];
    }
    if (request.input.empty())
        return fail("no input file given (-input)");
    if (request.output.empty())
        return fail("no output file given (-output)");
    if (profileCode.empty())
        profileCode = "64_44_2";
    const auto profile = wmaenc::parseProfile(profileCode);
    if (!profile)
        return fail("unknown profile " + profileCode + " (see --help)");
    request.profile = *profile;
    if (profile->bitRateKbps < wmaenc::kLowestBitRateKbps)
        std::printf("Note: %d kbit/s is below what the WMA encoder takes; writing %d kbit/s\n",
                    profile->bitRateKbps, wmaenc::kLowestBitRateKbps);

    // libav's own complaints go to stderr as they are; our verdict follows.
    av_log_set_level(AV_LOG_ERROR);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    try {
        wmaenc::encodeWavToWma(request,
                               [](int percent) { std::printf("Encoding: %d%%\n", percent); });
    } catch (const wmaenc::EncodeError& e) {
        return fail(e.what());
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    std::printf("Encoding: 100%% done\n");
    std::fflush(stdout);
    return 0;
}

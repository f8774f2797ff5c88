#include "audio/opus_out.h"

#include "audio/pcm_exception.h"

#include <opus/opusenc.h>

#include <QFile>

#include <algorithm>
#include <memory>
#include <string>

namespace {

struct CommentsDeleter {
    void operator()(OggOpusComments* c) const { ope_comments_destroy(c); }
};

[[noreturn]] void fail(const char* what, int error)
{
    throw EPcmException(std::string(what) + ": " + ope_strerror(error));
}

// Front cover, in the picture types of the METADATA_BLOCK_PICTURE format.
constexpr int kFrontCover = 3;

} // namespace

TOpusOut::TOpusOut(QObject* owner) : TEncodedFileOut(owner) {}

TOpusOut::~TOpusOut()
{
    StopWorker();
}

void TOpusOut::SetBitRate(int kbits)
{
    m_kbits = std::clamp(kbits, kMinBitRate, kMaxBitRate);
}

void TOpusOut::openEncoder(const QString& path, int channels, int sampleRate, int bits, qint64)
{
    std::unique_ptr<OggOpusComments, CommentsDeleter> comments(ope_comments_create());
    if (!comments)
        throw EPcmException("Out of memory.");
    for (const auto& [key, value] : VorbisCommentPairs(Tags(), true)) {
        if (const int r = ope_comments_add(comments.get(), key.toUtf8().constData(),
                                           value.toUtf8().constData());
            r != OPE_OK)
            fail("Cannot store the tags in the Opus file", r);
    }
    if (!Tags().Cover.isEmpty()) {
        if (const int r = ope_comments_add_picture_from_memory(
                comments.get(), Tags().Cover.constData(), size_t(Tags().Cover.size()), kFrontCover,
                nullptr);
            r != OPE_OK)
            fail("Cannot store the cover in the Opus file", r);
    }
    int error = OPE_OK;
    m_encoder = ope_encoder_create_file(QFile::encodeName(path).constData(), comments.get(),
                                        sampleRate, channels, 0, &error);
    if (!m_encoder)
        fail("Cannot start the Opus encoder", error);
    // The library's default is constrained VBR, which holds every second
    // near the bit rate; free VBR spends bits where the music needs them, as
    // other Opus encoders do. The input's depth tells the encoder where its
    // noise floor is: what lies below it costs no bits.
    for (const int r : {ope_encoder_ctl(m_encoder, OPUS_SET_BITRATE(m_kbits * 1000)),
                        ope_encoder_ctl(m_encoder, OPUS_SET_VBR(1)),
                        ope_encoder_ctl(m_encoder, OPUS_SET_VBR_CONSTRAINT(0)),
                        ope_encoder_ctl(m_encoder, OPUS_SET_LSB_DEPTH(bits))}) {
        if (r != OPE_OK)
            fail("Cannot set up the Opus encoder", r);
    }
}

void TOpusOut::encode(const std::int16_t* samples, int frames)
{
    if (const int r = ope_encoder_write(m_encoder, samples, frames); r != OPE_OK)
        fail("Cannot write the Opus file", r);
}

void TOpusOut::finishEncoder()
{
    if (const int r = ope_encoder_drain(m_encoder); r != OPE_OK)
        fail("Cannot finish the Opus file", r);
}

void TOpusOut::dropEncoder()
{
    if (m_encoder) {
        ope_encoder_destroy(m_encoder);
        m_encoder = nullptr;
    }
}

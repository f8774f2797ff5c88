#include "audio/flac_out.h"

#include "audio/pcm_exception.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <QFile>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Room for tags written after the encoder (ReplayGain), as flac leaves it.
constexpr unsigned kPaddingBytes = 8192;
constexpr unsigned kSeekPointSeconds = 10;

struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* m) const { FLAC__metadata_object_delete(m); }
};
using MetadataOwner = std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter>;

MetadataOwner newBlock(FLAC__MetadataType type)
{
    MetadataOwner block(FLAC__metadata_object_new(type));
    if (!block)
        throw EPcmException("Out of memory.");
    return block;
}

MetadataOwner commentBlock(const TTrackTags& tags)
{
    MetadataOwner block = newBlock(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    for (const auto& [key, value] : VorbisCommentPairs(tags, false)) {
        FLAC__StreamMetadata_VorbisComment_Entry entry;
        if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(
                &entry, key.toUtf8().constData(), value.toUtf8().constData()) ||
            !FLAC__metadata_object_vorbiscomment_append_comment(block.get(), entry, false))
            throw EPcmException("Cannot store the tags in the FLAC file.");
    }
    return block;
}

MetadataOwner pictureBlock(const TTrackTags& tags)
{
    MetadataOwner block = newBlock(FLAC__METADATA_TYPE_PICTURE);
    block->data.picture.type = FLAC__STREAM_METADATA_PICTURE_TYPE_FRONT_COVER;
    QByteArray mime = tags.CoverMime.toLatin1();
    QByteArray data = tags.Cover;
    if (!FLAC__metadata_object_picture_set_mime_type(block.get(), mime.data(), true) ||
        !FLAC__metadata_object_picture_set_data(block.get(),
                                                reinterpret_cast<FLAC__byte*>(data.data()),
                                                FLAC__uint32(data.size()), true))
        throw EPcmException("Cannot store the cover in the FLAC file.");
    return block;
}

} // namespace

// The encoder and the metadata blocks it refers to until it is finished.
struct TFlacOut::Session {
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    std::vector<MetadataOwner> blocks;
    std::vector<FLAC__int32> samples;
    ~Session()
    {
        if (encoder)
            FLAC__stream_encoder_delete(encoder);
    }
};

TFlacOut::TFlacOut(QObject* owner) : TEncodedFileOut(owner) {}

TFlacOut::~TFlacOut()
{
    StopWorker();
}

void TFlacOut::SetCompressionLevel(int level)
{
    m_level = std::clamp(level, 0, 8);
}

void TFlacOut::failEncoder(const char* what)
{
    std::string reason = what;
    if (m_session && m_session->encoder) {
        reason += ": ";
        reason += FLAC__stream_encoder_get_resolved_state_string(m_session->encoder);
    }
    throw EPcmException(reason);
}

void TFlacOut::openEncoder(const QString& path, int channels, int sampleRate, int bits,
                           qint64 totalFrames)
{
    m_session = std::make_unique<Session>();
    FLAC__StreamEncoder* e = m_session->encoder;
    if (!e)
        throw EPcmException("Out of memory.");
    m_shift = bits == 8 ? 8 : 0;
    bool ok = FLAC__stream_encoder_set_verify(e, true) &&
              FLAC__stream_encoder_set_compression_level(e, unsigned(m_level)) &&
              FLAC__stream_encoder_set_channels(e, unsigned(channels)) &&
              FLAC__stream_encoder_set_bits_per_sample(e, unsigned(bits)) &&
              FLAC__stream_encoder_set_sample_rate(e, unsigned(sampleRate));
    if (ok && totalFrames > 0)
        ok = FLAC__stream_encoder_set_total_samples_estimate(e, FLAC__uint64(totalFrames));
    if (!ok)
        failEncoder("Cannot set up the FLAC encoder");

    auto& blocks = m_session->blocks;
    if (totalFrames > 0) {
        // Placeholders now; the encoder fills in the points as it writes.
        MetadataOwner seek = newBlock(FLAC__METADATA_TYPE_SEEKTABLE);
        if (!FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
                seek.get(), unsigned(sampleRate) * kSeekPointSeconds, FLAC__uint64(totalFrames)) ||
            !FLAC__metadata_object_seektable_template_sort(seek.get(), true))
            throw EPcmException("Cannot set up the FLAC seek table.");
        blocks.push_back(std::move(seek));
    }
    blocks.push_back(commentBlock(Tags()));
    if (!Tags().Cover.isEmpty())
        blocks.push_back(pictureBlock(Tags()));
    MetadataOwner padding = newBlock(FLAC__METADATA_TYPE_PADDING);
    padding->length = kPaddingBytes;
    blocks.push_back(std::move(padding));
    std::vector<FLAC__StreamMetadata*> list;
    for (const auto& b : blocks)
        list.push_back(b.get());
    if (!FLAC__stream_encoder_set_metadata(e, list.data(), unsigned(list.size())))
        failEncoder("Cannot set up the FLAC encoder");

    if (FLAC__stream_encoder_init_file(e, QFile::encodeName(path).constData(), nullptr, nullptr) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        failEncoder("Cannot start the FLAC encoder");
}

void TFlacOut::encode(const std::int16_t* samples, int frames)
{
    const int channels = int(FLAC__stream_encoder_get_channels(m_session->encoder));
    auto& wide = m_session->samples;
    wide.resize(size_t(frames) * size_t(channels));
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = FLAC__int32(samples[i]) >> m_shift;
    if (!FLAC__stream_encoder_process_interleaved(m_session->encoder, wide.data(),
                                                  unsigned(frames)))
        failEncoder("Cannot write the FLAC file");
}

void TFlacOut::finishEncoder()
{
    // Writes the last frames and the final stream info and seek points; with
    // verify on, it also fails when a decoded frame differed from the input.
    if (!FLAC__stream_encoder_finish(m_session->encoder))
        failEncoder("Cannot finish the FLAC file");
}

void TFlacOut::dropEncoder()
{
    m_session.reset();
}

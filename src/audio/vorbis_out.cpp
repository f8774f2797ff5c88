#include "audio/vorbis_out.h"

#include "audio/pcm_exception.h"
#include "audio/vorbis_handles.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <set>

#if defined(__SSE2__)
#include <pmmintrin.h>
#include <xmmintrin.h>
#endif

namespace {

// The encoder's filters and psychoacoustic model decay into denormal floats
// on quiet passages and fades, which the processor computes many times more
// slowly than normal ones. They are far below anything audible: the writer's
// thread flushes them to zero, as programs built for speed do from their
// start. Once per thread; a writer's thread does nothing else.
void flushDenormalsOnThisThread()
{
#if defined(__SSE2__)
    thread_local bool done = false;
    if (done)
        return;
    done = true;
    _MM_SET_FLUSH_ZERO_MODE(_MM_FLUSH_ZERO_ON);
    _MM_SET_DENORMALS_ZERO_MODE(_MM_DENORMALS_ZERO_ON);
#endif
}

// Encoder input per block: 16384 stereo or 32768 mono frames.
constexpr qint64 kBlockBytes = 65536;
// Frames handed to the encoder at a time.
constexpr int kPieceFrames = 1024;

constexpr std::array<int, 16> kBitsPerSecond = {-1,     45000,  48000,  46000,  64000,  80000,
                                                96000,  112000, 128000, 144000, 160000, 192000,
                                                224000, 256000, 320000, 499000};

// Serial numbers of the logical streams a file already holds, found by
// walking its page headers from the start until something is not a page.
std::set<qint32> existingSerials(QIODevice& file)
{
    std::set<qint32> serials;
    qint64 pos = 0;
    const qint64 size = file.size();
    uchar header[27];
    uchar lacing[255];
    while (pos + 27 <= size && file.seek(pos) &&
           file.read(reinterpret_cast<char*>(header), 27) == 27) {
        if (std::memcmp(header, "OggS", 4) != 0)
            break;
        serials.insert(qFromLittleEndian<qint32>(header + 14));
        const int segments = header[26];
        if (file.read(reinterpret_cast<char*>(lacing), segments) != segments)
            break;
        qint64 body = 0;
        for (int i = 0; i < segments; ++i)
            body += lacing[i];
        pos += 27 + segments + body;
    }
    return serials;
}

} // namespace

int VorbisBitsPerSecond(TVorbisBitRate rate)
{
    return kBitsPerSecond[size_t(std::clamp<int>(rate, brAutoSelect, br499))];
}

TVorbisBitRate VorbisBitRateFromIndex(int index)
{
    return TVorbisBitRate(std::clamp<int>(index, brAutoSelect, br499));
}

// The library records of one run, set up in the order the libraries need
// and cleared in the reverse order.
struct TVorbisOut::Session {
    vorbis::InfoOwner info;
    int setup;
    vorbis::CommentOwner comment;
    std::optional<vorbis::DspOwner> dsp;
    std::optional<vorbis::BlockOwner> block;
    std::optional<vorbis::StreamOwner> stream;

    Session(int channels, int rate, const Setup& s, float quality, int serial)
        : setup(s.nominal < 0
                    ? vorbis::api().vorbis_encode_init_vbr(info.get(), channels, rate, quality)
                    : vorbis::api().vorbis_encode_init(info.get(), channels, rate, s.maximum,
                                                       s.nominal, s.minimum))
    {
        // An info the encoder did not accept has no codec setup: nothing may
        // be built on it.
        if (setup != 0)
            return;
        dsp.emplace(info.get());
        block.emplace(*dsp);
        stream.emplace(serial);
    }
    bool ok() const { return setup == 0 && dsp->ok() && block->ok() && stream->ok(); }
};

TVorbisOut::TVorbisOut(QObject* owner) : TPcmFileOut(owner)
{
    vorbis::RequireVorbisLibraries();
}

TVorbisOut::~TVorbisOut()
{
    StopWorker();
}

void TVorbisOut::SetDesiredNominalBitrate(TVorbisBitRate v)
{
    m_nominal = v;
    if (v < m_minimum)
        m_minimum = v;
    if (m_maximum < v)
        m_maximum = v;
    if (v == brAutoSelect)
        m_maximum = brAutoSelect;
}

void TVorbisOut::SetDesiredMaximumBitrate(TVorbisBitRate v)
{
    if (m_nominal != brAutoSelect && (v == brAutoSelect || v >= m_nominal))
        m_maximum = v;
}

void TVorbisOut::SetMinimumBitrate(TVorbisBitRate v)
{
    if (v <= m_nominal)
        m_minimum = v;
}

TVorbisOut::Setup TVorbisOut::EncoderSetup() const
{
    if (m_nominal == brAutoSelect)
        return {-1, -1, -1};
    const long nominal = VorbisBitsPerSecond(m_nominal);
    const long maximum = std::max<long>(VorbisBitsPerSecond(m_maximum), nominal);
    const long minimum = m_minimum == brAutoSelect ? nominal : VorbisBitsPerSecond(m_minimum);
    return {maximum, nominal, minimum};
}

void TVorbisOut::failPrepare(const std::string& message)
{
    m_session.reset();
    if (TPcmInput* input = Input()) {
        input->Reset(); // ends its run, ignoring a failure there
    }
    m_ownStream.reset();
    throw EPcmException(message);
}

void TVorbisOut::PrepareRun()
{
    m_endOfStream = false;
    m_inputEnded = false;
    m_carry = 0;
    if (!StreamAssigned()) {
        if (m_fileName.isEmpty())
            throw EPcmException("File name is not assigned.");
        auto file = std::make_unique<QFile>(m_fileName);
        const bool append = m_fileMode == foAppend && file->exists();
        if (!file->open(append ? QIODevice::ReadWrite : QIODevice::ReadWrite | QIODevice::Truncate))
            throw EPcmException("Cannot open the output file.");
        m_ownStream = std::move(file);
    }
    TPcmInput* input = Input();
    input->BeginRead();
    m_channels = input->GetChannels();
    const int rate = input->GetSampleRate();
    if (input->GetBitsPerSample() != 16 || m_channels < 1 || m_channels > 2 || rate <= 0)
        failPrepare("Cannot encode this audio format into Ogg Vorbis.");

    QIODevice* out = stream();
    if (!m_serialSet)
        m_serial = qint32(QRandomGenerator::global()->generate());
    qint32 serial = m_serial;
    if (m_fileMode == foAppend && out->size() > 0) {
        // Two logical streams of one file must not share a serial number, or
        // every reader takes the new one for a continuation of the old.
        const std::set<qint32> taken = existingSerials(*out);
        while (taken.count(serial))
            ++serial;
        if (!out->seek(out->size()))
            failPrepare("Cannot append data to this .ogg file.");
    }

    m_session = std::make_unique<Session>(m_channels, rate, EncoderSetup(), m_compression, serial);
    if (!m_session->ok())
        failPrepare("Cannot set up the Vorbis encoder with these settings.");
    const auto& a = vorbis::api();
    for (const QString& line : std::as_const(m_comments)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        a.vorbis_comment_add_tag(m_session->comment.get(), line.left(eq).toUtf8().constData(),
                                 line.mid(eq + 1).toUtf8().constData());
    }
    ogg_packet identification, comment, codebooks;
    a.vorbis_analysis_headerout(m_session->dsp->get(), m_session->comment.get(), &identification,
                                &comment, &codebooks);
    ogg_stream_state* os = m_session->stream->get();
    a.ogg_stream_packetin(os, &identification);
    a.ogg_stream_packetin(os, &comment);
    a.ogg_stream_packetin(os, &codebooks);
    try {
        // The headers on pages of their own: the audio begins on a fresh page.
        ogg_page page;
        while (a.ogg_stream_flush(os, &page) != 0)
            writePage(page);
    } catch (const std::exception& e) {
        failPrepare(e.what());
    }
    m_buffer.assign(size_t(kBlockBytes), 0);
    m_prepared = true;
}

void TVorbisOut::writePage(const ogg_page& page)
{
    QIODevice* out = stream();
    if (out->write(reinterpret_cast<const char*>(page.header), page.header_len) !=
            page.header_len ||
        out->write(reinterpret_cast<const char*>(page.body), page.body_len) != page.body_len)
        throw EPcmException("Cannot write to the output file.");
    if (vorbis::api().ogg_page_eos(&page))
        m_endOfStream = true;
}

void TVorbisOut::drainBlocks()
{
    const auto& a = vorbis::api();
    vorbis_dsp_state* dsp = m_session->dsp->get();
    vorbis_block* block = m_session->block->get();
    ogg_stream_state* os = m_session->stream->get();
    ogg_packet packet;
    ogg_page page;
    while (a.vorbis_analysis_blockout(dsp, block) == 1) {
        a.vorbis_analysis(block, nullptr);
        a.vorbis_bitrate_addblock(block);
        while (a.vorbis_bitrate_flushpacket(dsp, &packet) == 1)
            a.ogg_stream_packetin(os, &packet);
        while (!m_endOfStream && a.ogg_stream_pageout(os, &page) != 0)
            writePage(page);
    }
}

// Tells the encoder the input has ended (once) and writes every page up to
// the one that ends the stream.
void TVorbisOut::endStream()
{
    const auto& a = vorbis::api();
    if (!m_inputEnded) {
        m_inputEnded = true;
        a.vorbis_analysis_wrote(m_session->dsp->get(), 0);
    }
    drainBlocks();
    ogg_page page;
    while (!m_endOfStream && a.ogg_stream_flush(m_session->stream->get(), &page) != 0)
        writePage(page);
    m_endOfStream = true;
}

bool TVorbisOut::ProduceBlock(bool abort)
{
    flushDenormalsOnThisThread();
    progressStep();
    if (!m_running)
        return true;
    if (abort || m_endOfStream)
        return false;
    // Fill the block; a read that ends in the middle of a frame keeps the
    // rest for the next block, so no sample is lost or shifted.
    qint64 got = m_carry;
    bool ended = false;
    while (got < kBlockBytes) {
        const qint64 r = readInput(m_buffer.data() + got, kBlockBytes - got);
        if (r <= 0) {
            ended = true;
            break;
        }
        got += r;
    }
    const int frameBytes = 2 * m_channels;
    const int frames = int(got / frameBytes);
    m_carry = got % frameBytes;
    // The block goes to the encoder in small pieces, each analysed at once:
    // the encoder shifts its whole pending buffer after every block it takes
    // out, so a small buffer costs far less than one of 16384 frames.
    const auto& a = vorbis::api();
    vorbis_dsp_state* dsp = m_session->dsp->get();
    constexpr float scale = 1.0f / 32768.0f;
    const char* s = m_buffer.data();
    for (int done = 0; done < frames;) {
        const int piece = std::min(frames - done, kPieceFrames);
        float** buffer = a.vorbis_analysis_buffer(dsp, piece);
        if (m_channels == 2) {
            float* left = buffer[0];
            float* right = buffer[1];
            for (int i = 0; i < piece; ++i, s += 4) {
                left[i] = float(qFromLittleEndian<qint16>(s)) * scale;
                right[i] = float(qFromLittleEndian<qint16>(s + 2)) * scale;
            }
        } else {
            float* mono = buffer[0];
            for (int i = 0; i < piece; ++i, s += 2)
                mono[i] = float(qFromLittleEndian<qint16>(s)) * scale;
        }
        a.vorbis_analysis_wrote(dsp, piece);
        done += piece;
        if (done < frames || !ended)
            drainBlocks();
    }
    if (m_carry > 0)
        std::memmove(m_buffer.data(), m_buffer.data() + qint64(frames) * frameBytes,
                     size_t(m_carry));
    if (ended)
        endStream(); // a partial last frame is no sample and is dropped
    return true;
}

void TVorbisOut::FinishRun()
{
    if (!m_prepared)
        return;
    m_prepared = false;
    std::exception_ptr failure;
    if (!m_endOfStream) {
        // Stopped or failed in the middle: end the stream after what was
        // encoded, so the file is a complete, playable one.
        try {
            endStream();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    m_session.reset();
    if (!m_suppliedStream) {
        auto* file = qobject_cast<QFile*>(m_ownStream.get());
        if (file && !file->flush() && !failure)
            failure = std::make_exception_ptr(EPcmException("Cannot write to the output file."));
        m_ownStream.reset();
    }
    if (TPcmInput* input = Input())
        input->EndRead();
    m_comments.clear();
    if (failure)
        std::rethrow_exception(failure);
}

void TVorbisOut::CloseWritten()
{
    if (!m_busy)
        return;
    Pause();
    try {
        FinishRun();
    } catch (...) {
        // What could be written has been; the run ends either way.
    }
    Stop();
}

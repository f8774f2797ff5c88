#include "audio/vorbis_in.h"

#include "audio/pcm_exception.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr qint64 kBlockBufferSize = 8192;
// Holes (lost pages) in a row after which the rest counts as unreadable.
constexpr int kMaxHoles = 64;
} // namespace

TVorbisIn::TVorbisIn(QObject* owner) : TPcmFileIn(owner)
{
    vorbis::RequireVorbisLibraries();
}

TVorbisIn::~TVorbisIn()
{
    NotifyRemoval();
    std::lock_guard lock(m_fileLock);
    m_busy = false;
    while (m_openCount > 0)
        CloseFile();
}

template <typename F> auto TVorbisIn::queryOpen(F&& f)
{
    std::lock_guard lock(m_fileLock);
    OpenFile();
    struct Closer {
        TVorbisIn* self;
        ~Closer() { self->CloseFile(); }
    } closer{this};
    return f();
}

size_t TVorbisIn::readCallback(void* ptr, size_t size, size_t count, void* source)
{
    auto* self = static_cast<TVorbisIn*>(source);
    if (!self->m_stream || size == 0)
        return 0;
    const qint64 got = self->m_stream->read(static_cast<char*>(ptr), qint64(size * count));
    if (got < 0) {
        errno = EIO;
        return 0;
    }
    return size_t(got) / size;
}

int TVorbisIn::seekCallback(void* source, ogg_int64_t offset, int whence)
{
    auto* self = static_cast<TVorbisIn*>(source);
    QIODevice* s = self->m_stream;
    // -1 tells libvorbisfile the stream cannot seek; it then reads straight on.
    if (!s || s->isSequential())
        return -1;
    qint64 target = offset;
    if (whence == SEEK_CUR)
        target += s->pos();
    else if (whence != SEEK_SET)
        target += s->size();
    if (target < 0 || !s->seek(target))
        return -1;
    return 0;
}

int TVorbisIn::closeCallback(void* source)
{
    static_cast<TVorbisIn*>(source)->closeStream();
    return 0;
}

long TVorbisIn::tellCallback(void* source)
{
    auto* self = static_cast<TVorbisIn*>(source);
    return self->m_stream ? long(self->m_stream->pos()) : -1;
}

void TVorbisIn::closeStream()
{
    if (m_suppliedStream && !m_suppliedStream->isSequential())
        m_suppliedStream->seek(0);
    m_ownStream.reset();
    m_stream = nullptr;
}

void TVorbisIn::OpenFile()
{
    std::lock_guard lock(m_fileLock);
    ++m_openCount;
    if (m_openCount > 1)
        return;
    m_valid = true;
    m_endOfFile = false;
    m_bitsPerSample = m_channels = m_sampleRate = 0;
    m_totalSamples = 0;
    m_size = 0;
    m_timeTotal = 0;
    m_comments.clear();
    m_bitrateUpper = m_bitrateNominal = m_bitrateLower = 0;
    if (m_suppliedStream) {
        m_stream = m_suppliedStream;
    } else {
        auto file = std::make_unique<QFile>(m_fileName);
        if (!file->open(QIODevice::ReadOnly)) {
            m_valid = false;
            return;
        }
        m_ownStream = std::move(file);
        m_stream = m_ownStream.get();
    }
    const ov_callbacks callbacks{readCallback, seekCallback, closeCallback, tellCallback};
    if (!m_file.open(this, callbacks)) {
        // Refused: nothing more is asked of this file.
        m_valid = false;
        closeStream();
        return;
    }
    const auto& a = vorbis::api();
    OggVorbis_File* vf = m_file.get();
    const vorbis_info* info = a.ov_info(vf, -1);
    // The components carry one or two channels only.
    if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
        m_valid = false;
        m_file.close();
        closeStream();
        return;
    }
    if (const vorbis_comment* vc = a.ov_comment(vf, -1)) {
        for (int i = 0; i < vc->comments; ++i)
            m_comments << QString::fromUtf8(vc->user_comments[i], vc->comment_lengths[i]);
    }
    m_channels = info->channels;
    m_sampleRate = int(info->rate);
    m_bitrateUpper = info->bitrate_upper;
    m_bitrateNominal = info->bitrate_nominal;
    m_bitrateLower = info->bitrate_lower;
    m_bitsPerSample = 16;
    if (a.ov_seekable(vf)) {
        m_totalSamples = std::max<ogg_int64_t>(0, a.ov_pcm_total(vf, -1));
        m_size = m_totalSamples * 2 * m_channels;
        m_timeTotal = std::max(0.0, a.ov_time_total(vf, -1));
    } else {
        m_size = -1; // a stream that cannot seek has no known length
    }
    m_section = -1;
    m_buffer.assign(size_t(kBlockBufferSize), 0);
}

void TVorbisIn::CloseFile()
{
    std::lock_guard lock(m_fileLock);
    if (m_openCount == 1) {
        m_file.close(); // closes the stream through the close callback
        closeStream();
    }
    if (m_openCount > 0)
        --m_openCount;
}

bool TVorbisIn::SeekSample(qint64 frame)
{
    std::lock_guard lock(m_fileLock);
    if (!m_seekable)
        return false;
    OpenFile();
    bool moved = false;
    const auto& a = vorbis::api();
    if (m_valid && m_file.isOpen() && a.ov_seekable(m_file.get()))
        moved = a.ov_pcm_seek(m_file.get(), std::clamp<qint64>(frame, 0, m_totalSamples)) == 0;
    CloseFile();
    return moved;
}

QStringList TVorbisIn::Comments()
{
    return queryOpen([this] { return m_comments; });
}

long TVorbisIn::BitrateUpper()
{
    return queryOpen([this] { return m_bitrateUpper; });
}

long TVorbisIn::BitrateNominal()
{
    return queryOpen([this] { return m_bitrateNominal; });
}

long TVorbisIn::BitrateLower()
{
    return queryOpen([this] { return m_bitrateLower; });
}

int TVorbisIn::GetTotalTime()
{
    // Ties go to the even neighbour, as the default rounding mode does.
    return queryOpen([this] { return int(std::nearbyint(m_timeTotal)); });
}

void TVorbisIn::BeginRead()
{
    std::lock_guard lock(m_fileLock);
    TPcmFileIn::BeginRead();
    m_endOfFile = false;
    m_section = -1;
}

// Refills the block buffer from the decoder; with cutAtSize, delivery stops
// exactly at Size (EndSample).
bool TVorbisIn::fill(bool cutAtSize)
{
    m_bufStart = 1;
    m_bufEnd = 0;
    if (m_endOfFile)
        return false;
    const auto& a = vorbis::api();
    int holes = 0;
    while (m_bufEnd < kBlockBufferSize) {
        const long got = a.ov_read(m_file.get(), m_buffer.data() + m_bufEnd,
                                   int(kBlockBufferSize - m_bufEnd), 0, 2, 1, &m_section);
        if (got == OV_HOLE && ++holes < kMaxHoles)
            continue; // a lost page: the audio goes on after it
        if (got <= 0) {
            m_endOfFile = true;
            break;
        }
        m_bufEnd += got;
        const qint64 size = m_size;
        if (cutAtSize && size >= 0 && m_position + m_bufEnd >= size) {
            m_bufEnd = std::max<qint64>(0, size - m_position);
            if (m_bufEnd == 0)
                m_endOfFile = true;
            break;
        }
    }
    return m_bufEnd > 0;
}

qint64 TVorbisIn::ReadData(char* buffer, qint64 size)
{
    std::lock_guard lock(m_fileLock);
    if (!m_busy)
        throw EPcmException("The Stream is not opened");
    if (size <= 0 || !m_valid || !m_file.isOpen())
        return 0;
    const auto& a = vorbis::api();
    if (m_bufEnd < m_bufStart) {
        const int jump = m_jumpPercent.exchange(0);
        const qint64 total = m_size;
        if (jump != 0 && total > 0) {
            const qint64 frameBytes = 2 * m_channels;
            qint64 pos = m_position + qint64(std::nearbyint(jump / 100.0 * double(total)));
            pos = std::clamp<qint64>(pos, 0, total);
            pos -= pos % frameBytes; // whole frames only
            m_position = pos;
            if (a.ov_seekable(m_file.get()) &&
                a.ov_pcm_seek(m_file.get(), m_startSample + pos / frameBytes) == 0)
                m_endOfFile = false;
        }
        if (!fill(true) && m_endOfFile && m_loop) {
            EndRead();
            BeginRead();
            // BeginRead reopens only when no other open is held: start over
            // explicitly.
            if (m_file.isOpen() && a.ov_seekable(m_file.get()))
                a.ov_pcm_seek(m_file.get(), m_startSample);
            fill(true);
        }
        if (m_bufEnd < m_bufStart)
            return 0;
    }
    const qint64 n = std::min(size, m_bufEnd - m_bufStart + 1);
    std::memcpy(buffer, m_buffer.data() + (m_bufStart - 1), size_t(n));
    m_bufStart += n;
    m_position += n;
    return n;
}

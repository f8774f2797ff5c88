#include "alsa_pcm_device.h"

#include <alsa/asoundlib.h>

namespace {
std::string describe(const QString& name, const char* what, int error)
{
    return QStringLiteral("ALSA device \"%1\": %2: %3")
        .arg(name, QString::fromLatin1(what), QString::fromLocal8Bit(snd_strerror(error)))
        .toStdString();
}

snd_pcm_format_t formatOf(int bits)
{
    switch (bits) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    case 32:
        return SND_PCM_FORMAT_S32_LE;
    default:
        return SND_PCM_FORMAT_UNKNOWN;
    }
}

// Device buffer: long enough to ride out a busy machine, short enough that a
// stop is heard at once.
constexpr unsigned kLatencyMicroseconds = 200000;
} // namespace

QString AlsaDeviceName(const char* environmentVariable)
{
    const QString name = qEnvironmentVariable(environmentVariable);
    return name.isEmpty() ? QStringLiteral("default") : name;
}

AlsaPcmDevice::AlsaPcmDevice(const QString& name, Direction direction, int bits, int channels,
                             int rate)
    : m_name(name)
{
    const snd_pcm_format_t format = formatOf(bits);
    if (format == SND_PCM_FORMAT_UNKNOWN || channels < 1 || channels > 8 || rate <= 0)
        throw EAlsaError(QStringLiteral("ALSA device \"%1\": unsupported format %2 bit, %3 "
                                        "channels, %4 Hz")
                             .arg(name)
                             .arg(bits)
                             .arg(channels)
                             .arg(rate)
                             .toStdString());
    const snd_pcm_stream_t stream =
        direction == Direction::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    int err = snd_pcm_open(&m_pcm, name.toLocal8Bit().constData(), stream, 0);
    if (err < 0) {
        m_pcm = nullptr;
        throw EAlsaError(describe(name, "cannot open", err));
    }
    err = snd_pcm_set_params(m_pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED,
                             static_cast<unsigned>(channels), static_cast<unsigned>(rate), 1,
                             kLatencyMicroseconds);
    if (err < 0) {
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
        throw EAlsaError(describe(name, "cannot set the format", err));
    }
    m_frameBytes = channels * ((bits + 7) / 8);
}

AlsaPcmDevice::~AlsaPcmDevice()
{
    if (m_pcm)
        snd_pcm_close(m_pcm);
}

bool AlsaPcmDevice::wait(int timeoutMs)
{
    const int r = snd_pcm_wait(m_pcm, timeoutMs);
    if (r < 0) {
        recover(r, "wait failed");
        return false;
    }
    return r > 0;
}

long AlsaPcmDevice::recover(long result, const char* what)
{
    if (result == -EAGAIN)
        return 0;
    const int err = snd_pcm_recover(m_pcm, static_cast<int>(result), 1);
    if (err < 0)
        throw EAlsaError(describe(m_name, what, err));
    return 0;
}

long AlsaPcmDevice::read(void* buffer, long frames)
{
    const snd_pcm_sframes_t n =
        snd_pcm_readi(m_pcm, buffer, static_cast<snd_pcm_uframes_t>(frames));
    return n < 0 ? recover(n, "read failed") : static_cast<long>(n);
}

long AlsaPcmDevice::write(const void* buffer, long frames)
{
    const snd_pcm_sframes_t n =
        snd_pcm_writei(m_pcm, buffer, static_cast<snd_pcm_uframes_t>(frames));
    return n < 0 ? recover(n, "write failed") : static_cast<long>(n);
}

void AlsaPcmDevice::drain()
{
    snd_pcm_drain(m_pcm);
}

void AlsaPcmDevice::drop()
{
    snd_pcm_drop(m_pcm);
}

#include "audio/audio_out.h"

#include "audio/pcm_exception.h"

#include <alsa/asoundlib.h>

#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// Owners of what ALSA hands out with malloc.
struct FreeHint {
    void operator()(void** hints) const { snd_device_name_free_hint(hints); }
};
struct FreeText {
    void operator()(char* text) const { std::free(text); }
};
using HintText = std::unique_ptr<char, FreeText>;

QStringList listDevices()
{
    QStringList names{QStringLiteral("default")};
    void** raw = nullptr;
    if (snd_device_name_hint(-1, "pcm", &raw) != 0 || !raw)
        return names;
    std::unique_ptr<void*, FreeHint> hints(raw);
    for (void** hint = raw; *hint; ++hint) {
        HintText name(snd_device_name_get_hint(*hint, "NAME"));
        HintText ioid(snd_device_name_get_hint(*hint, "IOID"));
        // No IOID means the PCM does both directions.
        if (!name || (ioid && std::strcmp(ioid.get(), "Output") != 0))
            continue;
        const QString text = QString::fromUtf8(name.get());
        if (!names.contains(text))
            names << text;
    }
    return names;
}

QString errorText(int error)
{
    return QString::fromUtf8(snd_strerror(error));
}

} // namespace

void TAudioOut::PcmCloser::operator()(_snd_pcm* pcm) const
{
    snd_pcm_close(pcm);
}

TAudioOut::TAudioOut(QObject* owner) : TPcmOutput(owner)
{
    // The card always has several blocks ahead, so a short nap per block costs
    // nothing and keeps the worker from spinning.
    SetDelay(6);
}

TAudioOut::~TAudioOut()
{
    // Whatever still plays when the output goes away is cut off.
    m_dropQueued = true;
    StopWorker();
}

QStringList TAudioOut::DeviceNames()
{
    static const QStringList names = listDevices();
    return names;
}

QString TAudioOut::DeviceName(int channel)
{
    if (channel == 0) {
        const QByteArray chosen = qgetenv("QUILLON_ALSA_DEVICE");
        if (!chosen.isEmpty())
            return QString::fromLocal8Bit(chosen);
    }
    const QStringList names = DeviceNames();
    return channel >= 0 && channel < names.size() ? names.at(channel) : QStringLiteral("default");
}

void TAudioOut::SetBaseChannel(int channel)
{
    if (m_busy)
        throw EPcmException("Component is buisy");
    const int count = DeviceCount();
    if (count == 0) {
        m_baseChannel = 0;
        return;
    }
    if (channel < 0 || channel >= count)
        throw EPcmException("Channel " + std::to_string(channel) + " is not available");
    m_baseChannel = channel;
}

void TAudioOut::StopNow()
{
    if (m_busy)
        m_dropQueued = true;
    Stop();
}

void TAudioOut::ScaleSamples(char* data, qint64 bytes, int bitsPerSample, quint8 volume)
{
    if (volume == 255)
        return;
    if (bitsPerSample == 16) {
        for (qint64 i = 0; i + 1 < bytes; i += 2) {
            const int s = qFromLittleEndian<qint16>(data + i);
            qToLittleEndian<qint16>(qint16(s * volume / 255), data + i);
        }
    } else {
        for (qint64 i = 0; i < bytes; ++i) {
            const int s = int(static_cast<unsigned char>(data[i])) - 128;
            data[i] = char(128 + s * volume / 255);
        }
    }
}

void TAudioOut::deviceFailed(const QString& what, int error)
{
    m_deviceBroken = true;
    throw EPcmException((what + QStringLiteral(": ") + errorText(error)).toStdString());
}

void TAudioOut::PrepareRun()
{
    TPcmInput* input = Input();
    input->BeginRead();
    m_dropQueued = false;
    m_deviceBroken = false;
    m_pending.clear();
    try {
        const int channels = input->GetChannels();
        m_bits = input->GetBitsPerSample();
        m_rate = input->GetSampleRate();
        if ((m_bits != 8 && m_bits != 16) || channels < 1 || channels > 2 || m_rate <= 0)
            throw EPcmException("Unsupported PCM format");
        m_frameBytes = channels * m_bits / 8;
        m_blockFrames = kBlockBytes / m_frameBytes;

        const QByteArray name = DeviceName(m_baseChannel).toLocal8Bit();
        snd_pcm_t* raw = nullptr;
        int err = snd_pcm_open(&raw, name.constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        if (err < 0)
            deviceFailed(QStringLiteral("Cannot open sound device ") + QString::fromLocal8Bit(name),
                         err);
        m_pcm.reset(raw);

        snd_pcm_hw_params_t* hw = nullptr;
        snd_pcm_hw_params_alloca(&hw);
        snd_pcm_uframes_t buffer = snd_pcm_uframes_t(m_blockFrames) * (kQueueTarget + 1);
        snd_pcm_uframes_t period = snd_pcm_uframes_t(m_blockFrames);
        unsigned rate = unsigned(m_rate);
        if ((err = snd_pcm_hw_params_any(m_pcm.get(), hw)) < 0 ||
            (err = snd_pcm_hw_params_set_rate_resample(m_pcm.get(), hw, 1)) < 0 ||
            (err = snd_pcm_hw_params_set_access(m_pcm.get(), hw, SND_PCM_ACCESS_RW_INTERLEAVED)) <
                0 ||
            (err = snd_pcm_hw_params_set_format(
                 m_pcm.get(), hw, m_bits == 16 ? SND_PCM_FORMAT_S16_LE : SND_PCM_FORMAT_U8)) < 0 ||
            (err = snd_pcm_hw_params_set_channels(m_pcm.get(), hw, unsigned(channels))) < 0 ||
            (err = snd_pcm_hw_params_set_rate_near(m_pcm.get(), hw, &rate, nullptr)) < 0 ||
            (err = snd_pcm_hw_params_set_buffer_size_near(m_pcm.get(), hw, &buffer)) < 0 ||
            (err = snd_pcm_hw_params_set_period_size_near(m_pcm.get(), hw, &period, nullptr)) < 0 ||
            (err = snd_pcm_hw_params(m_pcm.get(), hw)) < 0)
            deviceFailed(
                QStringLiteral("Cannot set up sound device ") + QString::fromLocal8Bit(name), err);
        snd_pcm_hw_params_get_buffer_size(hw, &buffer);
        m_bufferFrames = long(buffer);
        if ((err = snd_pcm_prepare(m_pcm.get())) < 0)
            deviceFailed(QStringLiteral("Cannot prepare sound device"), err);
    } catch (...) {
        m_pcm.reset();
        input->Reset(); // ends its run, ignoring a failure there
        throw;
    }
}

long TAudioOut::availableFrames()
{
    snd_pcm_sframes_t avail = snd_pcm_avail_update(m_pcm.get());
    if (avail < 0) {
        // An underrun (the worker was paused, or starved) or a suspend: start over.
        const int err = snd_pcm_recover(m_pcm.get(), int(avail), 1);
        if (err < 0)
            deviceFailed(QStringLiteral("Sound device failed"), err);
        avail = snd_pcm_avail_update(m_pcm.get());
        if (avail < 0)
            deviceFailed(QStringLiteral("Sound device failed"), int(avail));
    }
    return long(avail);
}

bool TAudioOut::writePending()
{
    size_t done = 0;
    while (m_pending.size() - done >= size_t(m_frameBytes)) {
        const snd_pcm_uframes_t frames = (m_pending.size() - done) / size_t(m_frameBytes);
        const snd_pcm_sframes_t n = snd_pcm_writei(m_pcm.get(), m_pending.data() + done, frames);
        if (n == -EAGAIN)
            break;
        if (n < 0) {
            const int err = snd_pcm_recover(m_pcm.get(), int(n), 1);
            if (err < 0)
                deviceFailed(QStringLiteral("Cannot write to sound device"), err);
            continue;
        }
        done += size_t(n) * size_t(m_frameBytes);
        if (snd_pcm_uframes_t(n) < frames)
            break;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + qsizetype(done));
    return m_pending.size() < size_t(m_frameBytes);
}

bool TAudioOut::ProduceBlock(bool abort)
{
    if (!m_busy)
        return true;
    if (abort || !m_running || !m_pcm)
        return false;
    // A device whose buffer is smaller than one block still gets fed.
    const long threshold = std::min(m_blockFrames, m_bufferFrames);
    // At most a full queue per call, also for a device that never fills (one
    // that throws the audio away), so Pause and Stop are seen between calls.
    for (int blocks = 0; blocks <= kQueueTarget && writePending() && availableFrames() >= threshold;
         ++blocks) {
        const size_t kept = m_pending.size(); // a partial frame from the last block
        m_pending.resize(kept + kBlockBytes);
        qint64 n = 0;
        try {
            n = readInput(m_pending.data() + kept, kBlockBytes);
        } catch (...) {
            m_pending.resize(kept); // nothing of a failed read may reach the device
            throw;
        }
        if (n < 1) {
            m_pending.resize(kept);
            return false;
        }
        m_pending.resize(kept + size_t(n));
        ScaleSamples(m_pending.data() + kept, n, m_bits, m_volume);
    }
    if (OnProgress && Input() && Input()->Size() > 0)
        progressStep();
    return true;
}

void TAudioOut::drainAndClose()
{
    using clock = std::chrono::steady_clock;
    if (!m_deviceBroken && !m_dropQueued) {
        try {
            // What is left of the last block; the device takes it as it plays.
            const auto deadline = clock::now() + std::chrono::seconds(2);
            while (!writePending() && clock::now() < deadline)
                snd_pcm_wait(m_pcm.get(), 20);
        } catch (const EPcmException&) {
        }
    }
    if (m_deviceBroken || m_dropQueued) {
        snd_pcm_drop(m_pcm.get());
    } else {
        // Queued frames take at most buffer / rate seconds; a device that has
        // not played them by twice that (plus a margin) is not going to.
        const auto limit = std::chrono::milliseconds(2000 + 2000LL * m_bufferFrames / m_rate);
        const auto deadline = clock::now() + limit;
        int err = snd_pcm_drain(m_pcm.get());
        while (err == -EAGAIN && snd_pcm_state(m_pcm.get()) == SND_PCM_STATE_DRAINING &&
               clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (snd_pcm_state(m_pcm.get()) == SND_PCM_STATE_DRAINING)
            snd_pcm_drop(m_pcm.get());
    }
    m_pcm.reset();
}

void TAudioOut::FinishRun()
{
    if (m_pcm)
        drainAndClose();
    m_pending.clear();
    m_dropQueued = false;
    if (TPcmInput* input = Input())
        input->EndRead();
}

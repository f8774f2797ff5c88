#include "audio/wav_loudness_worker.h"

#include "audio/replay_gain_meter.h"
#include "audio/wave_in.h"

#include <exception>
#include <vector>

namespace {

// Large reads: the meter's cost is per sample, the reader's per call.
constexpr qint64 kReadBytes = 1 << 18;

} // namespace

TWavLoudnessWorker::~TWavLoudnessWorker()
{
    Stop();
}

void TWavLoudnessWorker::Start(std::function<void()> onDone)
{
    Stop();
    m_stop = false;
    m_loudness.reset();
    m_error.clear();
    m_onDone = std::move(onDone);
    m_thread = std::thread([this] { run(); });
}

void TWavLoudnessWorker::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::unique_ptr<TLoudness> TWavLoudnessWorker::Take()
{
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_loudness);
}

void TWavLoudnessWorker::run()
{
    try {
        TWaveIn in;
        in.SetFileName(m_path);
        TReplayGainMeter meter;
        meter.SetInput(&in);
        meter.BeginRead();
        std::vector<char> buffer(static_cast<std::size_t>(kReadBytes));
        while (!m_stop && meter.ReadData(buffer.data(), kReadBytes) > 0) {
        }
        meter.EndRead();
        if (m_stop)
            return;
        m_loudness = meter.TakeLoudness();
    } catch (const std::exception& e) {
        m_error = QString::fromUtf8(e.what());
    }
    if (!m_stop && m_onDone)
        m_onDone();
}

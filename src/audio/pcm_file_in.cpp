#include "audio/pcm_file_in.h"

#include "audio/pcm_exception.h"

#include <algorithm>
#include <cmath>

TPcmFileIn::TPcmFileIn(QObject* owner) : TPcmStreamedInput(owner) {}

template <typename F> auto TPcmFileIn::withOpenFile(F&& f)
{
    std::lock_guard lock(m_fileLock);
    OpenFile();
    struct Closer {
        TPcmFileIn* self;
        ~Closer() { self->CloseFile(); }
    } closer{this};
    return f();
}

bool TPcmFileIn::Valid()
{
    if (!StreamAssigned() && m_fileName.isEmpty())
        return false;
    return withOpenFile([this] { return m_valid; });
}

int TPcmFileIn::GetBitsPerSample()
{
    if (!m_seekable)
        return m_bitsPerSample;
    return withOpenFile([this] { return m_bitsPerSample; });
}

int TPcmFileIn::GetChannels()
{
    if (!m_seekable)
        return m_channels;
    return withOpenFile([this] { return m_channels; });
}

int TPcmFileIn::GetSampleRate()
{
    if (!m_seekable)
        return m_sampleRate;
    return withOpenFile([this] { return m_sampleRate; });
}

qint64 TPcmFileIn::TotalSamples()
{
    return withOpenFile([this] { return m_totalSamples; });
}

int TPcmFileIn::GetTotalTime()
{
    return withOpenFile([this] {
        if (m_sampleRate == 0 || m_channels == 0 || m_bitsPerSample / 8 == 0)
            return 0;
        const double bytesPerSecond = double(m_sampleRate) * m_channels * (m_bitsPerSample / 8);
        // Ties go to the even neighbour, as the default rounding mode does.
        return int(std::nearbyint(double(m_size) / bytesPerSecond));
    });
}

void TPcmFileIn::BeginRead()
{
    std::lock_guard lock(m_fileLock);
    if (m_busy)
        throw EPcmException("The component is buisy");
    if (!StreamAssigned() && m_fileName.isEmpty())
        throw EPcmException("The file name is not assigned");
    OpenFile();
    if (m_startSample != 0)
        SeekSample(m_startSample);
    if (m_startSample != 0 || m_endSample != -1) {
        qint64 frames = m_endSample == -1 ? m_totalSamples - m_startSample
                                          : qint64(m_endSample) - m_startSample;
        // A range beyond the file delivers what the file has, never a negative size.
        frames = std::clamp<qint64>(frames, 0, std::max<qint64>(0, m_totalSamples - m_startSample));
        m_size = qint64(m_bitsPerSample / 8) * frames * m_channels;
    }
    m_busy = true;
    m_bufStart = 1;
    m_bufEnd = 0;
    m_position = 0;
}

void TPcmFileIn::EndRead()
{
    std::lock_guard lock(m_fileLock);
    // Only a run's own open is closed here; a query's nested open is its own.
    if (m_busy)
        CloseFile();
    m_busy = false;
}

void TPcmFileIn::Reset()
{
    std::lock_guard lock(m_fileLock);
    TPcmStreamedInput::Reset();
    while (m_openCount > 0)
        CloseFile();
    m_openCount = 0;
}

#pragma once
// Small helpers for the audio tests: an in-memory source, a pass-through
// filter, a collecting sink and a waitable event counter.

#include "audio/pcm_converter.h"
#include "audio/pcm_exception.h"
#include "audio/pcm_output.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

namespace audiotest {

// Counts events and lets a test wait for them (never forever).
class EventCounter {
public:
    void hit(const std::string& text = {})
    {
        std::lock_guard lock(m_lock);
        ++m_count;
        m_last = text;
        m_changed.notify_all();
    }
    bool waitFor(int count, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, timeout, [&] { return m_count >= count; });
    }
    int count()
    {
        std::lock_guard lock(m_lock);
        return m_count;
    }
    std::string last()
    {
        std::lock_guard lock(m_lock);
        return m_last;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_count = 0;
    std::string m_last;
};

// A 16-bit stereo 44100 Hz source that repeats one byte, either for a fixed
// number of bytes or endlessly (Size -1).
class ByteSource : public TPcmInput {
public:
    ByteSource(char fill, qint64 total) : m_fill(fill), m_total(total) {}
    ~ByteSource() override { NotifyRemoval(); }
    int GetBitsPerSample() override { return 16; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    void BeginRead() override
    {
        m_size = m_total;
        m_position = 0;
        m_busy = true;
        ++beginCount;
    }
    void EndRead() override
    {
        m_busy = false;
        ++endCount;
    }
    qint64 ReadData(char* buffer, qint64 size) override
    {
        if (failReads)
            throw EPcmException("read failed");
        qint64 n = size;
        if (m_total >= 0)
            n = std::min<qint64>(size, m_total - m_position);
        std::fill(buffer, buffer + n, m_fill);
        m_position += n;
        ++reads;
        return n;
    }
    std::atomic<int> beginCount{0};
    std::atomic<int> endCount{0};
    std::atomic<int> reads{0};
    std::atomic<bool> failReads{false};

private:
    char m_fill;
    qint64 m_total;
};

// A filter that passes its input on unchanged.
class PassThrough : public TPcmConverter {
public:
    ~PassThrough() override { NotifyRemoval(); }
    int GetBitsPerSample() override { return m_input ? m_input.load()->GetBitsPerSample() : 16; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    void BeginRead() override
    {
        if (m_input)
            m_input.load()->BeginRead();
        m_busy = true;
    }
    void EndRead() override
    {
        if (m_input)
            m_input.load()->EndRead();
        m_busy = false;
    }
    qint64 ReadData(char* buffer, qint64 size) override { return readInput(buffer, size); }
};

// A sink that keeps every byte it pulls, 4096 at a time.
class CollectingOut : public TPcmOutput {
public:
    ~CollectingOut() override { StopWorker(); }
    QByteArray data()
    {
        std::lock_guard lock(m_dataLock);
        return m_data;
    }
    std::atomic<int> blocks{0};
    std::atomic<int> finishCount{0};
    bool failPrepare = false;

protected:
    void PrepareRun() override
    {
        if (failPrepare)
            throw EPcmException("prepare failed");
        Input()->BeginRead();
    }
    bool ProduceBlock(bool abort) override
    {
        progressStep();
        if (!m_running)
            return true;
        if (abort)
            return false;
        char buffer[4096];
        const qint64 n = readInput(buffer, sizeof buffer);
        ++blocks;
        if (n <= 0)
            return false;
        std::lock_guard lock(m_dataLock);
        m_data.append(buffer, n);
        return true;
    }
    void FinishRun() override
    {
        ++finishCount;
        if (TPcmInput* input = Input())
            input->EndRead();
    }

private:
    std::mutex m_dataLock;
    QByteArray m_data;
};

} // namespace audiotest

#pragma once
// Sources of PCM audio: the abstract input every reader and filter derives
// from, and the streamed input that reads through a QIODevice.
//
// Sample data between components is interleaved PCM, left channel first, each
// value 8-bit unsigned or 16-bit signed little-endian as GetBitsPerSample says.
//
// Threads: wiring (SetInput on a holder, destruction) happens on the owner's
// thread. BeginRead, ReadData and EndRead are called by the worker of the output
// that pulls the chain, or by the owner while no run is going on. Position, Size
// and Busy are atomics because the owner reads them for Progress while a worker
// updates them.

#include <QIODevice>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class TPcmInput;

// Something that holds a TPcmInput in its Input property (an output or a
// converter) and must let go of it when the input is removed.
class TPcmInputHolder {
public:
    virtual ~TPcmInputHolder() = default;
    // The input is being destroyed: drop it (through the Input setter).
    virtual void InputRemoved(TPcmInput* input) = 0;
};

class TPcmInput : public QObject {
    Q_OBJECT
public:
    explicit TPcmInput(QObject* owner = nullptr);
    ~TPcmInput() override;

    virtual int GetBitsPerSample() = 0;
    virtual int GetChannels() = 0;
    virtual int GetSampleRate() = 0;
    // Whole seconds; 0 when unknown.
    virtual int GetTotalTime() { return 0; }
    // Copies at most size bytes of PCM into buffer; 0 means the end.
    virtual qint64 ReadData(char* buffer, qint64 size) = 0;
    // Ends a run whatever state it is in; errors from EndRead are ignored.
    virtual void Reset();
    virtual void BeginRead() = 0;
    virtual void EndRead() = 0;

    qint64 Position() const { return m_position; }
    // Bytes this run will deliver; -1 when unknown.
    qint64 Size() const { return m_size; }
    bool Busy() const { return m_busy; }

    // Holders register themselves here so that they hear of the input's removal.
    void addHolder(TPcmInputHolder* holder);
    void removeHolder(TPcmInputHolder* holder);

protected:
    // Tells every holder that this input goes away; they drop it, waiting for a
    // read in progress to finish. Every concrete input calls this first thing in
    // its destructor, while the whole object is still alive; the base destructor
    // calls it again as a safety net.
    void NotifyRemoval();

    std::atomic<qint64> m_position{0};
    std::atomic<qint64> m_size{-1};
    std::atomic<bool> m_busy{false};
    // 1-based index of the next undelivered byte in the block buffer, and the
    // number of valid bytes in it; a refill happens whenever BufEnd < BufStart.
    qint64 m_bufStart = 1;
    qint64 m_bufEnd = 0;

private:
    std::mutex m_holdersLock;
    std::vector<TPcmInputHolder*> m_holders;
};

// An input that reads through a stream. The stream is either opened by the
// component itself (the usual case) or supplied by the owner (StreamAssigned;
// the owner keeps it alive and owns it).
class TPcmStreamedInput : public TPcmInput {
    Q_OBJECT
public:
    explicit TPcmStreamedInput(QObject* owner = nullptr);

    // Supplies a stream to read instead of a file; nullptr goes back to files.
    void setStream(QIODevice* stream);
    bool StreamAssigned() const { return m_suppliedStream != nullptr; }
    bool Seekable() const { return m_seekable; }

protected:
    QIODevice* m_suppliedStream = nullptr;
    bool m_seekable = true;
};

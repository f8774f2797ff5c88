#pragma once
// Plays the PCM it pulls from its Input on a sound card through ALSA.
//
// Device numbers index the list of ALSA playback PCMs: 0 is "default" (or the
// name in QUILLON_ALSA_DEVICE, for tests and special setups), then the PCMs
// that ALSA's name hints list as playback devices. The list is made once per
// process.
//
// The worker hands blocks of 8192 bytes to the device while at most 8 are
// waiting in its ring buffer, so up to 9 are in flight. A run ends with OnDone
// only after what was queued has played (a drain with a deadline, so a device
// that stops consuming cannot hang the end of a run). A device that cannot be
// opened, or that fails during a run, ends the run through OnThreadException.
//
// Threads: see TPcmOutput. BaseChannel and Volume are set on the owner's
// thread; Volume may change during a run and applies from the next block.
// Pause holds the worker only: what is already queued still plays.

#include "audio/pcm_output.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

struct _snd_pcm;

class TAudioOut : public TPcmOutput {
    Q_OBJECT
public:
    static constexpr int kBlockBytes = 8192;
    // Blocks that may wait in the device besides the one being played.
    static constexpr int kQueueTarget = 8;

    explicit TAudioOut(QObject* owner = nullptr);
    ~TAudioOut() override;

    int BaseChannel() const { return m_baseChannel; }
    // Raises EPcmException while busy or for a device number not in the list.
    void SetBaseChannel(int channel);
    quint8 Volume() const { return m_volume; }
    void SetVolume(quint8 volume) { m_volume = volume; }

    // Like Stop, but what is still queued on the device is dropped instead of
    // played; for players whose Stop must be silent at once.
    void StopNow();

    // The playback device list (index = device number) and its length.
    static QStringList DeviceNames();
    static int DeviceCount() { return int(DeviceNames().size()); }
    // The ALSA name device number `channel` opens.
    static QString DeviceName(int channel);

    // Scales interleaved samples by volume / 255: 16-bit signed values toward
    // 0, 8-bit unsigned values toward the centre 128.
    static void ScaleSamples(char* data, qint64 bytes, int bitsPerSample, quint8 volume);

protected:
    void PrepareRun() override;
    bool ProduceBlock(bool abort) override;
    void FinishRun() override;

private:
    struct PcmCloser {
        void operator()(_snd_pcm* pcm) const;
    };
    [[noreturn]] void deviceFailed(const QString& what, int error);
    // Writes the whole frames of m_pending the device has room for; true when
    // nothing but a partial frame is left.
    bool writePending();
    // Frames the device can take now; recovers from an underrun.
    long availableFrames();
    // Waits (with a deadline) for the queued audio to play, then closes.
    void drainAndClose();

    std::unique_ptr<_snd_pcm, PcmCloser> m_pcm;
    std::atomic<int> m_baseChannel{0};
    std::atomic<quint8> m_volume{255};
    std::atomic<bool> m_dropQueued{false};
    bool m_deviceBroken = false;
    int m_frameBytes = 4;
    int m_bits = 16;
    int m_rate = 44100;
    long m_bufferFrames = 0;
    long m_blockFrames = 0;
    std::vector<char> m_pending; // read from the input, not yet taken by the device
};

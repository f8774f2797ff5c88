#pragma once
// Turns 16-bit stereo into mono (the mean of the two channels) or mono into
// stereo (the sample on both channels, or on one with silence on the other).
//
// Threads: see TPcmConverter. SetMode belongs to the owner's thread.

#include "audio/buffered_converter.h"

#include <vector>

enum TMSConverterMode { msmMonoToBoth, msmMonoToLeft, msmMonoToRight };

class TMSConverter : public TBufferedConverter {
    Q_OBJECT
public:
    explicit TMSConverter(QObject* owner = nullptr);
    ~TMSConverter() override;

    TMSConverterMode Mode() const { return m_mode; }
    void SetMode(TMSConverterMode mode) { m_mode = mode; }

    int GetBitsPerSample() override { return 16; }
    int GetChannels() override;
    int GetSampleRate() override;
    void BeginRead() override;

protected:
    qint64 convertBlock(qint64 bytes) override;
    char* inputBlock() override { return reinterpret_cast<char*>(m_buffer.data()); }
    const char* outputBlock() const override
    {
        return reinterpret_cast<const char*>(m_buffer.data());
    }
    void freeRunBuffers() override { m_buffer = {}; }

private:
    TMSConverterMode m_mode = msmMonoToBoth;
    bool m_stereoIn = false;
    std::vector<qint16> m_buffer; // 32768 bytes, converted in place
};

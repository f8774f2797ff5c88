#pragma once
// Turns 16-bit samples into 8-bit ones (the high byte, offset to unsigned) or
// 8-bit into 16-bit.
//
// Threads: see TPcmConverter.

#include "audio/buffered_converter.h"

#include <vector>

class TSampleConverter : public TBufferedConverter {
    Q_OBJECT
public:
    explicit TSampleConverter(QObject* owner = nullptr);
    ~TSampleConverter() override;

    int GetBitsPerSample() override;
    int GetChannels() override;
    int GetSampleRate() override;
    void BeginRead() override;

protected:
    qint64 convertBlock(qint64 bytes) override;
    char* inputBlock() override { return m_buffer.data(); }
    const char* outputBlock() const override { return m_buffer.data(); }
    void freeRunBuffers() override { m_buffer = {}; }

private:
    bool m_sixteenIn = false;
    std::vector<char> m_buffer; // 32768 bytes, converted in place
};

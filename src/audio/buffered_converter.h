#pragma once
// The block-refill part shared by the rate, mono/stereo and sample-width
// converters: a whole input block is read (InBlockBytes, fewer only at the
// end), converted into the output block, and handed out in the sizes the
// caller asks for. Once the input has ended, a converter that holds samples
// back delivers them through flushBlock.
//
// Threads: as TPcmConverter. ReadData and the conversion run on the worker of
// the output that pulls the chain; Position and Size are atomics for the owner.

#include "audio/pcm_converter.h"

#include <vector>

class TBufferedConverter : public TPcmConverter {
    Q_OBJECT
public:
    explicit TBufferedConverter(QObject* owner = nullptr);

    qint64 ReadData(char* buffer, qint64 size) override;
    void EndRead() override;

protected:
    // Raises "Input not assigned" when there is no input; returns it otherwise.
    TPcmInput* requireInput() const;
    // Begins the input and resets the refill state; the subclass then sets
    // InBlockBytes, its buffers and Size.
    void beginInput();
    // Converts the `bytes` bytes that arrived in inputBlock() into the output
    // block; returns the number of bytes produced.
    virtual qint64 convertBlock(qint64 bytes) = 0;
    // Called after the input has ended, again as long as it returns bytes:
    // what the converter still holds goes into the output block.
    virtual qint64 flushBlock() { return 0; }
    // Where the input block is read to (at least InBlockBytes bytes).
    virtual char* inputBlock() = 0;
    // Where the converted bytes are handed out from.
    virtual const char* outputBlock() const = 0;
    // Frees what the run allocated (called by EndRead).
    virtual void freeRunBuffers() {}

    qint64 m_inBlockBytes = 32768;
    bool m_inputEnded = false;
    bool m_flushed = false;
    qint64 m_inputSize = -1;

private:
    qint64 refill();
};

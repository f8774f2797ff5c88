#include "audio/buffered_converter.h"

#include "audio/pcm_exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TBufferedConverter::TBufferedConverter(QObject* owner) : TPcmConverter(owner) {}

TPcmInput* TBufferedConverter::requireInput() const
{
    TPcmInput* input = Input();
    if (!input)
        throw EPcmException("Input not assigned");
    return input;
}

void TBufferedConverter::beginInput()
{
    TPcmInput* input = requireInput();
    input->BeginRead();
    m_inputEnded = false;
    m_flushed = false;
    m_busy = true;
    m_position = 0;
    m_bufStart = 1;
    m_bufEnd = 0;
    m_inputSize = input->Size();
}

qint64 TBufferedConverter::refill()
{
    // A block may convert to nothing (a short last block when the rate falls);
    // go on reading then instead of ending the stream early.
    for (;;) {
        if (m_inputEnded) {
            if (m_flushed)
                return 0;
            m_bufStart = 1;
            m_bufEnd = flushBlock();
            if (m_bufEnd > 0)
                return m_bufEnd;
            m_flushed = true;
            return 0;
        }
        m_bufStart = 1;
        m_bufEnd = 0;
        char* block = inputBlock();
        qint64 got = readInput(block, m_inBlockBytes);
        if (got <= 0) {
            m_inputEnded = true;
            continue;
        }
        qint64 last = got;
        while (got < m_inBlockBytes && last > 0) {
            last = readInput(block + got, m_inBlockBytes - got);
            if (last > 0)
                got += last;
        }
        if (last <= 0)
            m_inputEnded = true;
        m_bufEnd = convertBlock(got);
        if (m_bufEnd > 0)
            return m_bufEnd;
    }
}

qint64 TBufferedConverter::ReadData(char* buffer, qint64 size)
{
    if (!m_busy)
        throw EPcmException("The Stream is not opened");
    if (size <= 0)
        return 0;
    if (m_bufEnd < m_bufStart && refill() <= 0)
        return 0;
    const qint64 n = std::min(size, m_bufEnd - m_bufStart + 1);
    std::memcpy(buffer, outputBlock() + (m_bufStart - 1), size_t(n));
    m_bufStart += n;
    if (TPcmInput* input = Input(); input && m_inputSize > 0 && m_size >= 0)
        m_position = std::llrint(double(m_size) / double(m_inputSize) * double(input->Position()));
    else
        m_position += n;
    return n;
}

void TBufferedConverter::EndRead()
{
    if (TPcmInput* input = Input())
        input->EndRead();
    freeRunBuffers();
    m_busy = false;
}

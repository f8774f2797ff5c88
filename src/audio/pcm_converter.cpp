#include "audio/pcm_converter.h"

TPcmConverter::TPcmConverter(QObject* owner) : TPcmInput(owner) {}

TPcmConverter::~TPcmConverter()
{
    NotifyRemoval();
    if (TPcmInput* input = m_input)
        input->removeHolder(this);
}

void TPcmConverter::SetInput(TPcmInput* input)
{
    if (input == this || input == m_input)
        return;
    TPcmInput* old = m_input;
    if (m_busy && input)
        input->BeginRead();
    {
        std::lock_guard lock(InputLock);
        m_input = input;
    }
    if (old)
        old->removeHolder(this);
    if (input)
        input->addHolder(this);
    if (m_busy && old) {
        try {
            old->EndRead();
        } catch (...) {
        }
    }
}

void TPcmConverter::InputRemoved(TPcmInput* input)
{
    if (input == m_input)
        SetInput(nullptr);
}

qint64 TPcmConverter::readInput(char* buffer, qint64 size)
{
    std::lock_guard lock(InputLock);
    TPcmInput* input = m_input;
    if (!input)
        return 0;
    return input->ReadData(buffer, size);
}

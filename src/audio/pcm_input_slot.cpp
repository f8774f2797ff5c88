#include "audio/pcm_input_slot.h"

void TPcmInputSlot::set(TPcmInput* input, TPcmInputHolder* holder, bool running)
{
    TPcmInput* old = m_input;
    if (input == old)
        return;
    if (running && input)
        input->BeginRead();
    {
        std::lock_guard lock(InputLock);
        m_input = input;
    }
    if (old)
        old->removeHolder(holder);
    if (input)
        input->addHolder(holder);
    if (running && old) {
        try {
            old->EndRead();
        } catch (...) {
        }
    }
}

qint64 TPcmInputSlot::read(char* buffer, qint64 size)
{
    std::lock_guard lock(InputLock);
    TPcmInput* input = m_input;
    if (!input)
        return 0;
    return input->ReadData(buffer, size);
}

void TPcmInputSlot::release(TPcmInputHolder* holder)
{
    if (TPcmInput* input = m_input)
        input->removeHolder(holder);
}

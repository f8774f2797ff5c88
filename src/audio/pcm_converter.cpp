#include "audio/pcm_converter.h"

TPcmConverter::TPcmConverter(QObject* owner) : TPcmInput(owner) {}

TPcmConverter::~TPcmConverter()
{
    NotifyRemoval();
    m_inputSlot.release(this);
}

void TPcmConverter::SetInput(TPcmInput* input)
{
    if (input != this)
        m_inputSlot.set(input, this, m_busy);
}

void TPcmConverter::InputRemoved(TPcmInput* input)
{
    if (input == Input())
        SetInput(nullptr);
}

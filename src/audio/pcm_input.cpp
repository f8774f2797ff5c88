#include "audio/pcm_input.h"

#include <algorithm>

TPcmInput::TPcmInput(QObject* owner) : QObject(owner) {}

TPcmInput::~TPcmInput()
{
    NotifyRemoval();
}

void TPcmInput::Reset()
{
    try {
        EndRead();
    } catch (...) {
    }
    m_busy = false;
}

void TPcmInput::addHolder(TPcmInputHolder* holder)
{
    std::lock_guard lock(m_holdersLock);
    if (std::find(m_holders.begin(), m_holders.end(), holder) == m_holders.end())
        m_holders.push_back(holder);
}

void TPcmInput::removeHolder(TPcmInputHolder* holder)
{
    std::lock_guard lock(m_holdersLock);
    m_holders.erase(std::remove(m_holders.begin(), m_holders.end(), holder), m_holders.end());
}

void TPcmInput::NotifyRemoval()
{
    std::vector<TPcmInputHolder*> holders;
    {
        std::lock_guard lock(m_holdersLock);
        holders.swap(m_holders);
    }
    for (TPcmInputHolder* holder : holders)
        holder->InputRemoved(this);
}

TPcmStreamedInput::TPcmStreamedInput(QObject* owner) : TPcmInput(owner) {}

void TPcmStreamedInput::setStream(QIODevice* stream)
{
    m_suppliedStream = stream;
}

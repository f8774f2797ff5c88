#pragma once
// The Input property of an output or a converter: the reference to the source
// and the lock (InputLock) that keeps a read and a swap of that reference apart.
//
// Threads: read() runs on the worker that pulls the chain; set() on the owner's
// thread. set() waits for a read in progress, so a block is never read from an
// input that is being swapped or removed.

#include "audio/pcm_input.h"

#include <atomic>
#include <mutex>

class TPcmInputSlot {
public:
    TPcmInput* get() const { return m_input; }

    // Stores a new input for holder. While running, the new input is begun
    // before and the old one ended after the swap (errors from EndRead ignored).
    void set(TPcmInput* input, TPcmInputHolder* holder, bool running);

    // Reads from the input under the lock; 0 when there is none.
    qint64 read(char* buffer, qint64 size);

    // Unregisters holder from the input (the holder is going away).
    void release(TPcmInputHolder* holder);

private:
    std::mutex InputLock;
    std::atomic<TPcmInput*> m_input{nullptr};
};

#pragma once
// A filter: an input that reads another input. Concrete converters implement
// the format queries, BeginRead (which calls Input's BeginRead), ReadData (which
// reads through readInput) and EndRead.
//
// Threads: SetInput is called by the owner, also during a run; ReadData runs on
// the worker of the output that pulls the chain. InputLock guards the Input
// reference: readInput holds it around each read of the input, and SetInput
// holds it while swapping, so a block is never read from an input that is being
// swapped or removed.
//
// Every concrete converter calls NotifyRemoval() first thing in its destructor
// (see TPcmInput).

#include "audio/pcm_input.h"
#include "audio/pcm_input_slot.h"

class TPcmConverter : public TPcmInput, public TPcmInputHolder {
    Q_OBJECT
public:
    explicit TPcmConverter(QObject* owner = nullptr);
    ~TPcmConverter() override;

    TPcmInput* Input() const { return m_inputSlot.get(); }
    // Ignores being given itself. While Busy, the new input is begun, swapped in
    // between two reads, and the old one ended.
    virtual void SetInput(TPcmInput* input);

    void InputRemoved(TPcmInput* input) override;

protected:
    // Reads from Input under InputLock; 0 when there is no input.
    qint64 readInput(char* buffer, qint64 size) { return m_inputSlot.read(buffer, size); }

private:
    TPcmInputSlot m_inputSlot;
};

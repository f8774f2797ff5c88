#pragma once
// The job window's read-outs during a WMA step. The WMA encoder reports only
// when it has finished, so once a second the window compares the size of the
// growing output with the size expected from the input and the profile, and
// extrapolates the whole duration from that.
//
// Pure: the caller passes the clock reading and the output's size, and shows
// what the tick returns (Label1, Label2, Label3, FlatGauge1).

#include <QString>

#include <array>

// Expected input size / output size, times 1000, per WMA profile index.
extern const std::array<int, 33> kWmaSizeRatio;

// Inputs below this are over within a couple of seconds; no extrapolation.
inline constexpr qint64 kWmaSmallInput = 2000000;

struct TWmaEstimateTick {
    QString ElapsedText;        // Label1, on every tick
    bool HideInitLabel = false; // Label3 ("Initializing...") to be hidden
    bool HasEstimate = false;   // Label2 and the gauge to be updated
    QString EstimatedText;      // Label2
    int GaugePosition = 0;      // the gauge (with its text on); never goes back
};

class TWmaTimeEstimate {
public:
    // A new step: start time on the caller's clock in milliseconds, and the
    // size of the step's input in bytes. The gauge restarts at 0.
    void start(qint64 startMs, qint64 inputSize);

    // One timer tick. wmaBitRate is the profile setting; an index outside the
    // table is corrected to the default in place.
    TWmaEstimateTick tick(qint64 nowMs, bool encoderActive, qint64 outputSize, qint32& wmaBitRate);

    int gaugePosition() const { return m_gauge; }

private:
    qint64 m_startMs = 0;
    qint64 m_inputSize = 0;
    int m_gauge = 0;
};

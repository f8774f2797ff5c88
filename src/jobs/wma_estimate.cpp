#include "wma_estimate.h"

#include "settings/global.h"
#include "settings/wma_profile_table.h"

#include <algorithm>
#include <cmath>

const std::array<int, 33> kWmaSizeRatio = {
    7315,  8770,  10949, 7316,   8772,   10954,  14581,  17471,  21790,  28963,  43174,
    28963, 43134, 28999, 34720,  43214,  68873,  43134,  62208,  68264,  68264,  84458,
    67963, 84150, 84150, 110460, 131113, 133765, 165296, 113717, 167692, 220395, 261485,
};

void TWmaTimeEstimate::start(qint64 startMs, qint64 inputSize)
{
    m_startMs = startMs;
    m_inputSize = inputSize;
    m_gauge = 0;
}

TWmaEstimateTick TWmaTimeEstimate::tick(qint64 nowMs, bool encoderActive, qint64 outputSize,
                                        qint32& wmaBitRate)
{
    TWmaEstimateTick result;
    result.GaugePosition = m_gauge;
    // Halves round to even, as everywhere else in the read-outs.
    const auto elapsed =
        static_cast<qint64>(std::nearbyint(static_cast<double>(nowMs - m_startMs) / 1000.0));
    result.ElapsedText = TimeText(elapsed);
    if (!encoderActive)
        return result;

    result.HideInitLabel = true;
    // A missing output (-1) has simply not grown yet.
    const qint64 current = std::max<qint64>(outputSize, 0);
    qint64 estimate = 2;
    if (m_inputSize >= kWmaSmallInput) {
        const int profile = CorrectWmaProfile(wmaBitRate);
        qint64 expected =
            static_cast<qint64>(std::nearbyint(static_cast<double>(m_inputSize) * 1000.0 /
                                               kWmaSizeRatio[static_cast<size_t>(profile)]));
        if (current > expected)
            expected = current;
        if (current == 0)
            return result;
        estimate = expected * elapsed / current;
    }
    if (elapsed >= estimate)
        estimate = elapsed + 1;

    result.HasEstimate = true;
    result.EstimatedText = TimeText(estimate);
    const auto p = static_cast<int>(
        std::nearbyint(static_cast<double>(elapsed) * 100.0 / static_cast<double>(estimate)));
    if (p > m_gauge)
        m_gauge = p;
    result.GaugePosition = m_gauge;
    return result;
}

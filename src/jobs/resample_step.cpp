#include "jobs/resample_step.h"

#include "audio/pcm_exception.h"
#include "settings/global.h"
#include "settings/process_info.h"

#include <QMetaObject>

#include <algorithm>

#include <cmath>

TResampleStep::TResampleStep(QObject* receiver, TDeliver deliver)
    : m_receiver(receiver), m_deliver(std::move(deliver))
{
    WaveOut1.SetFileMode(foRewrite);
    WaveOut1.SetWavType(wtPCM);
    WaveOut1.SetBlockSize(512);
    WaveOut1.SetSuspendWhenIdle(true);
    WaveOut1.OnProgress = [this](QObject*) { WaveOut1Progress(); };
    WaveOut1.OnDone = [this](QObject*) { WaveOut1Done(); };
    WaveOut1.OnThreadException = [this](QObject*, const std::exception& e) { WaveOut1Failed(e); };
}

TResampleStep::~TResampleStep()
{
    Stop();
}

void TResampleStep::Start(const QString& input, const QString& tempFile)
{
    {
        std::lock_guard guard(m_gate->lock);
        m_gate->cancelled = false;
    }
    Chain.WaveIn1.SetFileName(input);
    // The input's channels in 16 bits, at the target rate when it is lower
    // (a higher rate is kept; only the sample format changes then).
    const int rate = std::max(Chain.WaveIn1.GetSampleRate(), kTargetRate);
    WaveOut1.SetInput(Chain.Wire({Chain.WaveIn1.GetChannels(), rate, 16}));
    WaveOut1.SetFileName(tempFile);
    StepStart = std::chrono::steady_clock::now();
    WaveOut1.Run();
}

void TResampleStep::Stop()
{
    {
        std::lock_guard guard(m_gate->lock);
        m_gate->cancelled = true;
        m_gate->changed.notify_all();
    }
    // Pausing waits for the block in progress; stopping then ends the run at
    // the next block, and the wait below covers the end report too.
    if (WaveOut1.Status() != osIdle) {
        WaveOut1.Stop();
        while (WaveOut1.Status() != osIdle)
            WaitMilliseconds(2);
    }
}

void TResampleStep::WaveOut1Progress()
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = WaveOut1.Progress();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - StepStart).count();
    const qint64 elapsed = std::llrint(seconds);
    if (info->Percent > 0) {
        info->ElapsedText = TimeText(elapsed);
        info->EstimatedText = TimeText(std::llrint(double(elapsed) * 100 / info->Percent));
    }
    postProcessInfo(m_receiver, std::move(info));
}

void TResampleStep::WaveOut1Done()
{
    std::shared_ptr<SendGate> gate = m_gate;
    quint64 ticket;
    {
        std::lock_guard guard(gate->lock);
        if (gate->cancelled)
            return;
        ticket = ++gate->sent;
    }
    TDeliver deliver = m_deliver;
    QMetaObject::invokeMethod(
        m_receiver,
        [gate, ticket, deliver] {
            bool cancelled;
            {
                std::lock_guard guard(gate->lock);
                cancelled = gate->cancelled;
            }
            if (!cancelled) {
                auto info = std::make_unique<TProcessInfo>();
                info->Percent = scResampleDone;
                deliver(std::move(info));
            }
            std::lock_guard guard(gate->lock);
            gate->handled = std::max(gate->handled, ticket);
            gate->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock guard(gate->lock);
    gate->changed.wait(guard, [&] { return gate->cancelled || gate->handled >= ticket; });
}

void TResampleStep::WaveOut1Failed(const std::exception& e)
{
    auto info = std::make_unique<TProcessInfo>();
    info->Percent = scResampleDone;
    info->StepResult = 1;
    info->Message = QString::fromUtf8(e.what());
    postProcessInfo(m_receiver, std::move(info));
}

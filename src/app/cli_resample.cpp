#include "cli_resample.h"

#include "cli_args.h"
#include "cli_prompts.h"
#include "cli_view.h"

#include "jobs/safe_file_name.h"
#include "jobs/wav_to_wav.h"
#include "settings/language.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

std::atomic<bool> g_stop{false};

extern "C" void onStopSignal(int)
{
    g_stop = true;
}

void say(std::FILE* f, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), f);
    std::fflush(f);
}

// Converts one file; returns the error ("" when made).
QString resampleOne(TWavToWav& conversion, const QString& destination,
                    const TResampleFormat& wanted, TWavType type, TCliJobView& view)
{
    QEventLoop loop;
    QString result;
    bool ended = false;
    conversion.OnProgress = [&](int percent) {
        QMetaObject::invokeMethod(
            &loop, [&view, percent] { view.setProgress(percent, percent >= 0); },
            Qt::QueuedConnection);
    };
    conversion.OnEnded = [&](const QString& error) {
        QMetaObject::invokeMethod(
            &loop,
            [&, error] {
                result = error;
                ended = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (g_stop)
            conversion.Stop();
    });
    watch.start(100);
    QString error;
    if (!conversion.Start(destination, wanted, type, error))
        return error;
    while (!ended)
        loop.exec();
    view.breakLine();
    return result;
}

} // namespace

int RunResampleCommand(const TCliRequest& r,
                       const std::function<bool(QString& folder, QString& error)>& prepareFolder)
{
    auto fail = [](const QString& reason, int code) {
        say(stderr, QStringLiteral("quillon: %1\n").arg(reason));
        return code;
    };
    QStringList inputs;
    for (const QString& file : r.Files) {
        const QFileInfo fi(file);
        if (!fi.isFile() || !fi.isReadable())
            return fail(QStringLiteral("cannot read %1").arg(file), kExitFailed);
        inputs << fi.absoluteFilePath();
    }
    QString folder;
    QString error;
    if (!prepareFolder(folder, error))
        return fail(error, kExitFailed);

    // Every output is named after its input as a conversion job names it
    // (unique within the run); none may be an input.
    QStringList outputs;
    TUniqueStems stems;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString out =
            ConvertedFilePath(folder, inputs[i], int(i) + 1, QStringLiteral(".wav"), stems);
        if (inputs.contains(out))
            return fail(QStringLiteral("%1 would replace an input (use another --output)").arg(out),
                        kExitUsage);
        outputs << out;
    }

    TCliPrompts prompts(r.Overwrite     ? TCliPrompts::TAnswer::Yes
                        : r.NoOverwrite ? TCliPrompts::TAnswer::No
                                        : TCliPrompts::TAnswer::Ask);
    TCliJobView view(stderr, isatty(STDERR_FILENO));
    g_stop = false;
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);

    TWavToWav conversion;
    QStringList failed;
    int made = 0;
    int skipped = 0;
    for (qsizetype i = 0; i < inputs.size() && !g_stop; ++i) {
        const QString& input = inputs[i];
        const QString& out = outputs[i];
        TWaveIn& reader = conversion.Chain.WaveIn1;
        reader.SetFileName(input);
        if (!reader.Valid()) {
            say(stderr, QStringLiteral("quillon: %1 is no WAV file I can read\n").arg(input));
            failed << input;
            continue;
        }
        if (QFileInfo::exists(out) &&
            prompts.message(out + GetResString(QStringLiteral("RES_File_Exist"),
                                               QStringLiteral(" has existed,overite it?")),
                            PromptIcon::Question, pbYes | pbNo, {}) != pbYes) {
            ++skipped;
            continue;
        }
        // Unless told otherwise the channels stay, and so does an 8-bit size
        // (ADPCM holds 16-bit samples only).
        const int bits = r.Bits > 0 ? r.Bits : !r.Adpcm && reader.GetBitsPerSample() == 8 ? 8 : 16;
        const TResampleFormat wanted{r.Channels > 0 ? r.Channels : reader.GetChannels(), r.Rate,
                                     bits};
        view.setStatusLine(QStringLiteral("Resampling %1").arg(QFileInfo(input).fileName()));
        const QString result =
            resampleOne(conversion, out, wanted, r.Adpcm ? wtDVIADPCM : wtPCM, view);
        if (result.isEmpty()) {
            say(stdout, out + QLatin1Char('\n'));
            ++made;
        } else if (result != TWavToWav::kStopped) {
            say(stderr, QStringLiteral("quillon: %1: %2\n").arg(input, result));
            failed << input;
        }
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    QString summary = QStringLiteral("%1 of %2 files made").arg(made).arg(inputs.size());
    if (skipped > 0)
        summary += QStringLiteral("; %1 skipped").arg(skipped);
    if (!failed.isEmpty())
        summary += QStringLiteral("; %1 failed").arg(failed.size());
    if (g_stop)
        return fail(summary + QStringLiteral("; stopped"), kExitInterrupted);
    if (!failed.isEmpty())
        return fail(summary, kExitFailed);
    if (inputs.size() > 1 || skipped > 0)
        say(stderr, summary + QLatin1Char('\n'));
    return 0;
}

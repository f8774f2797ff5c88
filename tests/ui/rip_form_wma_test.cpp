// The job window's Timer1 runs exactly while a WMA step has not reported.
#include "encoders/encoder_fixtures.h"
#include "jobs/wma_step.h"
#include "ui/jobs/rip_form.h"

#include "settings/options_setting.h"
#include "settings/process_info.h"
#include "settings/prompts.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Starts and never reports by itself.
class SilentWmaEncoder : public IJobEncoder {
public:
    void start(QObject*, const QString&, const QString&, bool, TJobKind) override { active = true; }
    bool isActive() const override { return active; }
    void stop() override { active = false; }
    bool active = false;
};

TEST(RipFormWma, Timer1RunsDuringTheStepOnly)
{
    QTemporaryDir out;
    const TOptionsSetting saved = OptionsSetting;
    OptionsSetting.CommonOptions.OutputFolder = out.path();
    ScopedPrompts prompts;
    SilentWmaEncoder encoder;
    setJobWmaEncoder(&encoder);
    {
        const QString wav = out.filePath(QStringLiteral("a.wav"));
        ASSERT_TRUE(writeWav(wav, 44100, 2, 16, 0.05));
        TRipForm form(nullptr, TJobKind::WavToWma, 0, {wav});
        auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->interval(), 1000);
        EXPECT_TRUE(timer->isActive());
        auto info = std::make_unique<TProcessInfo>();
        info->Percent = scWmaDone;
        info->StepResult = 2;
        TMessageEvent event(WM_PROCESSINFO, 0, std::move(info));
        QCoreApplication::sendEvent(&form.engine(), &event);
        EXPECT_FALSE(timer->isActive());
        EXPECT_TRUE(form.engine().Finished());
    }
    setJobWmaEncoder(nullptr);
    OptionsSetting = saved;
}

} // namespace

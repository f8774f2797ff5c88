// "Find..." on the options dialog's Verify page: the drive's read offset
// searched on a generated disc image through libcdio, with AccurateRip played
// on 127.0.0.1, while the dialog stays responsive.
#include "cdaccess/cd_access.h"
#include "disc_image_writer.h"
#include "settings/options_setting.h"
#include "settings/prompts.h"
#include "support/test_support.h"
#include "support/verify_db_server.h"
#include "ui/options/option_set_form.h"

#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OptionsOffsetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = OptionsSetting;
        OptionsSetting = TOptionsSetting{};
        OptionsSetting.Verify.AccurateRipServer = m_databases.url();
    }
    void TearDown() override
    {
        CloseCDDrive(m_handle);
        qunsetenv("QUILLON_CD_IMAGES");
        OptionsSetting = m_saved;
    }
    // The disc shifted by shift samples in the drive; the database knows it
    // unshifted, or not at all.
    void insertDisc(std::int64_t shift, bool inDatabase)
    {
        discgen::DiscSpec spec = VerifiableDisc();
        spec.shift = shift;
        const QString cue = m_home.file(QStringLiteral("disc.cue"));
        ASSERT_TRUE(discgen::WriteCueBin(cue, spec));
        m_databases.know(spec, inDatabase);
        qputenv("QUILLON_CD_IMAGES", QFile::encodeName(cue));
        for (const TCDREC& drive : cdAccess().GetCDList()) {
            if (drive.IsImage)
                m_handle = cdAccess().GetCDHandle(drive);
        }
        ASSERT_NE(m_handle, 0);
    }

    quillon::test::TempHome m_home;
    VerifyDbServer m_databases;
    TOptionsSetting m_saved;
    ScopedPrompts m_prompts;
    HCDROM m_handle = 0;
};

TEST_F(OptionsOffsetTest, FindAsksBeforeStoringTheOffset)
{
    const struct {
        const char* name;
        bool disc;
        std::int64_t shift;
        bool inDatabase;
        PromptButton answer;
        QString shown; // the question or the message
        int offset;    // the spin box afterwards
    } cases[] = {
        {"found, stored", true, 667, true, pbYes,
         QStringLiteral("Store read offset +667 (3 of 3 tracks agree)?"), 667},
        {"found, not stored", true, -30, true, pbNo,
         QStringLiteral("Store read offset -30 (3 of 3 tracks agree)?"), 12},
        {"not in the database", true, 667, false, pbOk,
         QStringLiteral("The read offset was not found: the disc is not in the AccurateRip "
                        "database; try another one."),
         12},
        {"no disc", false, 0, false, pbOk,
         QStringLiteral("The read offset was not found: there is no audio disc in the drive."), 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CloseCDDrive(m_handle);
        m_handle = 0;
        if (c.disc)
            insertDisc(c.shift, c.inDatabase);
        if (HasFatalFailure())
            return;
        TOptionSetForm form;
        form.OffsetDrive = m_handle;
        form.show();
        auto* spin = form.findChild<QSpinBox*>(QStringLiteral("seReadOffset"));
        auto* find = form.findChild<QPushButton*>(QStringLiteral("btFindOffset"));
        auto* stop = form.findChild<QPushButton*>(QStringLiteral("btStopOffset"));
        ASSERT_TRUE(spin && find && stop);
        spin->setValue(12);
        m_prompts.shown.clear();
        m_prompts.answers = {c.answer};
        find->click();
        // The search runs beside the dialog: it is still answering, busy.
        EXPECT_FALSE(find->isEnabled());
        EXPECT_FALSE(stop->isHidden());
        ASSERT_TRUE(QTest::qWaitFor([&] { return find->isEnabled(); }, 30000));
        EXPECT_TRUE(stop->isHidden());
        ASSERT_EQ(m_prompts.shown.size(), 1u);
        EXPECT_EQ(m_prompts.lastText(), c.shown);
        EXPECT_EQ(spin->value(), c.offset);
    }
}

// Closing the dialog while the search runs ends it at once: no question
// comes afterwards, and the offset stays as it was.
TEST_F(OptionsOffsetTest, ClosingTheDialogStopsTheSearch)
{
    insertDisc(667, true);
    if (HasFatalFailure())
        return;
    TOptionSetForm form;
    form.OffsetDrive = m_handle;
    form.show();
    form.findChild<QPushButton*>(QStringLiteral("btFindOffset"))->click();
    form.reject();
    QTest::qWait(100);
    EXPECT_TRUE(m_prompts.shown.empty());
    EXPECT_EQ(form.findChild<QSpinBox*>(QStringLiteral("seReadOffset"))->value(), 0);
}

} // namespace

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "fn/data/Settings.h"
#include "ui/shell/SettingsDlg.h"

namespace {

class SettingsDlgTest : public guitest::FolderTest
{
protected:
    static QLineEdit* editor(const ui::SettingsDlg& dialog, const char* name)
    {
        return dialog.findChild<QLineEdit*>(QLatin1String(name));
    }

    static QStringList texts(const ui::SettingsDlg& dialog)
    {
        return {editor(dialog, "edtNumSamples")->text(), editor(dialog, "edtRandomSeed")->text(),
                editor(dialog, "edtDiscountRate")->text(), editor(dialog, "edtThreads")->text()};
    }

    static QCheckBox* analysisBox(const ui::SettingsDlg& dialog)
    {
        return dialog.findChild<QCheckBox*>(QStringLiteral("chkSensitivityAnalysis"));
    }

    static QPushButton* button(const ui::SettingsDlg& dialog, QDialogButtonBox::StandardButton which)
    {
        return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
    }
};

} // namespace

TEST_F(SettingsDlgTest, RestoreDefaultsThenCancelStoresNothing)
{
    {
        fn::Settings settings;
        settings.setDefaultNumberOfSamples(500);
        settings.setRandomSeed(7);
        settings.setTimeDiscountRate(0.05);
        settings.setSensitivityAnalysis(true);
        settings.setThreadCount(3);
        settings.sync();
    }
    fn::Settings settings;
    ui::SettingsDlg dialog(settings, nullptr);
    dialog.show();
    EXPECT_EQ(texts(dialog), (QStringList{"500", "7", "0.05", "3"}));
    EXPECT_TRUE(analysisBox(dialog)->isChecked());

    // The threads of a run restore to 0: every core.
    button(dialog, QDialogButtonBox::RestoreDefaults)->click();
    EXPECT_EQ(texts(dialog), (QStringList{"1000", "0", "0", "0"}));
    EXPECT_FALSE(analysisBox(dialog)->isChecked());
    EXPECT_TRUE(dialog.isVisible());

    button(dialog, QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    const fn::Settings reread;
    EXPECT_EQ(reread.defaultNumberOfSamples(), 500);
    EXPECT_EQ(reread.randomSeed(), 7);
    EXPECT_DOUBLE_EQ(reread.timeDiscountRate(), 0.05);
    EXPECT_TRUE(reread.sensitivityAnalysis());
    EXPECT_EQ(reread.threadCount(), 3);
}

TEST_F(SettingsDlgTest, SavedValuesShowAgainAsEntered)
{
    fn::Settings settings;
    {
        ui::SettingsDlg dialog(settings, nullptr);
        EXPECT_EQ(texts(dialog), (QStringList{"1000", "0", "0", "0"}));
        editor(dialog, "edtNumSamples")->setText(QStringLiteral("2500"));
        editor(dialog, "edtThreads")->setText(QStringLiteral("2"));
        editor(dialog, "edtRandomSeed")->setText(QStringLiteral("42"));
        editor(dialog, "edtDiscountRate")->setText(QStringLiteral("0.035"));
        EXPECT_FALSE(analysisBox(dialog)->isChecked());
        analysisBox(dialog)->setChecked(true);
        button(dialog, QDialogButtonBox::Ok)->click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        dialog.saveSettings();
    }
    const fn::Settings reread;
    EXPECT_EQ(reread.defaultNumberOfSamples(), 2500);
    EXPECT_EQ(reread.randomSeed(), 42);
    EXPECT_DOUBLE_EQ(reread.timeDiscountRate(), 0.035);
    EXPECT_TRUE(reread.sensitivityAnalysis());
    EXPECT_EQ(reread.threadCount(), 2);
    const ui::SettingsDlg again(settings, nullptr);
    EXPECT_EQ(texts(again), (QStringList{"2500", "42", "0.035", "2"}));
    EXPECT_TRUE(analysisBox(again)->isChecked());
}

TEST_F(SettingsDlgTest, EditorsAcceptOnlyTheirRanges)
{
    fn::Settings settings;
    const ui::SettingsDlg dialog(settings, nullptr);
    const struct
    {
        const char* field;
        const char* text;
        bool accepted;
    } rows[] = {{"edtNumSamples", "10", true},         {"edtNumSamples", "9", false},
                {"edtNumSamples", "100001", false},    {"edtRandomSeed", "0", true},
                {"edtRandomSeed", "100001", false},    {"edtDiscountRate", "0.0350", true},
                {"edtDiscountRate", "0.03501", false}, {"edtDiscountRate", "1.5", false},
                {"edtThreads", "-1", false},           {"edtThreads", "2", true}};
    for (const auto& row : rows) {
        editor(dialog, row.field)->setText(QLatin1String(row.text));
        EXPECT_EQ(editor(dialog, row.field)->hasAcceptableInput(), row.accepted) << row.field << " " << row.text;
    }
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options"));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
}

// OK with a field the validator only lets the user type on the way to a value (empty, below the
// minimum) keeps the dialog open and names the field and what it takes.
TEST_F(SettingsDlgTest, OkRefusesFieldsWithoutAnAcceptableValue)
{
    const struct
    {
        const char* field;
        QString text;
        QString named;
    } rows[] = {{"edtNumSamples", QString(),
                 QStringLiteral("Default number of samples per run must be a whole number from 10")},
                {"edtNumSamples", QStringLiteral("5"), QStringLiteral("\"5\" is not one")},
                {"edtRandomSeed", QString(), QStringLiteral("Random seed must be")},
                {"edtDiscountRate", QStringLiteral("1.5"), QStringLiteral("a number from 0 to 1")},
                {"edtThreads", QString(), QStringLiteral("from 0 to 1024")}};
    for (const auto& row : rows) {
        fn::Settings settings;
        ui::SettingsDlg dialog(settings, nullptr);
        editor(dialog, row.field)->setText(row.text);
        QString told;
        guitest::whenModal<QMessageBox>([&told](QMessageBox* box) {
            told = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        button(dialog, QDialogButtonBox::Ok)->click();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << row.field;
        EXPECT_TRUE(told.contains(row.named)) << row.field << ": " << told.toStdString();
    }
}

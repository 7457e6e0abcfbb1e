#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "fn/data/Settings.h"
#include "ui/shell/SettingsDlg.h"

using namespace guitest;

namespace {

QLineEdit* editor(const ui::SettingsDlg& dialog, const char* name)
{
    return dialog.findChild<QLineEdit*>(QLatin1String(name));
}

QPushButton* button(const ui::SettingsDlg& dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox*>("buttonBox")->button(which);
}

// Samples, seed, discount rate, threads and the analysis, as the dialog shows them.
QStringList shown(const ui::SettingsDlg& dialog)
{
    return {editor(dialog, "edtNumSamples")->text(), editor(dialog, "edtRandomSeed")->text(),
            editor(dialog, "edtDiscountRate")->text(), editor(dialog, "edtThreads")->text(),
            dialog.findChild<QCheckBox*>("chkSensitivityAnalysis")->isChecked() ? "on" : "off"};
}

// The same, as the settings file holds them.
QStringList stored()
{
    const fn::Settings settings;
    return {QString::number(settings.defaultNumberOfSamples()), QString::number(settings.randomSeed()),
            QString::number(settings.timeDiscountRate()), QString::number(settings.threadCount()),
            settings.sensitivityAnalysis() ? "on" : "off"};
}

using SettingsDlgTest = guitest::FolderTest;

} // namespace

// Restore defaults and Cancel store nothing; OK stores what was entered, and the dialog shows
// it again. The threads of a run restore to 0: every core.
TEST_F(SettingsDlgTest, OkStoresWhatWasEnteredAndEditorsAcceptOnlyTheirRanges)
{
    fn::Settings settings;
    {
        ui::SettingsDlg dialog(settings, nullptr);
        EXPECT_EQ(shown(dialog), (QStringList{"1000", "0", "0", "0", "off"}));
        editor(dialog, "edtNumSamples")->setText("500");
        editor(dialog, "edtRandomSeed")->setText("7");
        editor(dialog, "edtDiscountRate")->setText("0.05");
        editor(dialog, "edtThreads")->setText("3");
        dialog.findChild<QCheckBox*>("chkSensitivityAnalysis")->setChecked(true);
        button(dialog, QDialogButtonBox::Ok)->click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        dialog.saveSettings();
    }
    const QStringList entered = {"500", "7", "0.05", "3", "on"};
    EXPECT_EQ(stored(), entered);

    fn::Settings reread;
    ui::SettingsDlg dialog(reread, nullptr);
    dialog.show();
    EXPECT_EQ(shown(dialog), entered);
    button(dialog, QDialogButtonBox::RestoreDefaults)->click();
    EXPECT_EQ(shown(dialog), (QStringList{"1000", "0", "0", "0", "off"}));
    EXPECT_TRUE(dialog.isVisible());
    button(dialog, QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(stored(), entered);

    // The editors accept only their ranges.
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
    EXPECT_EQ(dialog.windowTitle(), "Options");
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
}

// OK with a field the validator only lets the user type on the way to a value (empty, below the
// minimum) keeps the dialog open and names the field and what it takes.
TEST_F(SettingsDlgTest, OkRefusesFieldsWithoutAnAcceptableValue)
{
    const struct
    {
        const char* field;
        const char* text;
        const char* named;
    } rows[] = {{"edtNumSamples", "", "Default number of samples per run must be a whole number from 10"},
                {"edtNumSamples", "5", "\"5\" is not one"},
                {"edtRandomSeed", "", "Random seed must be"},
                {"edtDiscountRate", "1.5", "a number from 0 to 1"},
                {"edtThreads", "", "from 0 to 1024"}};
    for (const auto& row : rows) {
        fn::Settings settings;
        ui::SettingsDlg dialog(settings, nullptr);
        editor(dialog, row.field)->setText(row.text);
        QString told;
        answerMessageBox(QMessageBox::Ok, told);
        button(dialog, QDialogButtonBox::Ok)->click();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << row.field;
        EXPECT_TRUE(told.contains(row.named)) << row.field << ": " << told.toStdString();
    }
}

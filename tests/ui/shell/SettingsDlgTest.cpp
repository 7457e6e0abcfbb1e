#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ui/shell/GuiTestSupport.h"
#include "fn/data/Settings.h"
#include "ui/shell/SettingsDlg.h"

namespace {

// Every test gets a working directory of its own, hence a settings file of its own.
class SettingsDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(folder.path());
    }

    void TearDown() override { QDir::setCurrent(previousDirectory); }

    static QLineEdit* editor(const ui::SettingsDlg& dialog, const char* name)
    {
        return dialog.findChild<QLineEdit*>(QLatin1String(name));
    }

    static QStringList texts(const ui::SettingsDlg& dialog)
    {
        return {editor(dialog, "edtNumSamples")->text(), editor(dialog, "edtRandomSeed")->text(),
                editor(dialog, "edtDiscountRate")->text()};
    }

    static QCheckBox* analysisBox(const ui::SettingsDlg& dialog)
    {
        return dialog.findChild<QCheckBox*>(QStringLiteral("chkSensitivityAnalysis"));
    }

    static QPushButton* button(const ui::SettingsDlg& dialog, QDialogButtonBox::StandardButton which)
    {
        return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
    }

    QTemporaryDir folder;
    QString previousDirectory;
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
        settings.sync();
    }
    fn::Settings settings;
    ui::SettingsDlg dialog(settings, nullptr);
    dialog.show();
    EXPECT_EQ(texts(dialog), (QStringList{"500", "7", "0.05"}));
    EXPECT_TRUE(analysisBox(dialog)->isChecked());

    button(dialog, QDialogButtonBox::RestoreDefaults)->click();
    EXPECT_EQ(texts(dialog), (QStringList{"1000", "0", "0"}));
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
}

TEST_F(SettingsDlgTest, SavedValuesShowAgainAsEntered)
{
    fn::Settings settings;
    {
        ui::SettingsDlg dialog(settings, nullptr);
        EXPECT_EQ(texts(dialog), (QStringList{"1000", "0", "0"}));
        editor(dialog, "edtNumSamples")->setText(QStringLiteral("2500"));
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
    const ui::SettingsDlg again(settings, nullptr);
    EXPECT_EQ(texts(again), (QStringList{"2500", "42", "0.035"}));
    EXPECT_TRUE(analysisBox(again)->isChecked());
}

TEST_F(SettingsDlgTest, EditorsAcceptOnlyTheirRanges)
{
    fn::Settings settings;
    const ui::SettingsDlg dialog(settings, nullptr);
    const auto accepts = [&dialog](const char* name, const QString& text) {
        QLineEdit* edit = editor(dialog, name);
        edit->setText(text);
        return edit->hasAcceptableInput();
    };
    EXPECT_TRUE(accepts("edtNumSamples", QStringLiteral("10")));
    EXPECT_FALSE(accepts("edtNumSamples", QStringLiteral("9")));
    EXPECT_FALSE(accepts("edtNumSamples", QStringLiteral("100001")));
    EXPECT_TRUE(accepts("edtRandomSeed", QStringLiteral("0")));
    EXPECT_FALSE(accepts("edtRandomSeed", QStringLiteral("100001")));
    EXPECT_TRUE(accepts("edtDiscountRate", QStringLiteral("0.0350")));
    EXPECT_FALSE(accepts("edtDiscountRate", QStringLiteral("0.03501")));
    EXPECT_FALSE(accepts("edtDiscountRate", QStringLiteral("1.5")));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options"));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
}

// The threads of a run are an option too: shown, stored, restored to 0 (every core).
TEST_F(SettingsDlgTest, ThreadsAreAnOption)
{
    fn::Settings settings;
    settings.setThreadCount(3);
    ui::SettingsDlg dialog(settings, nullptr);
    QLineEdit* threads = editor(dialog, "edtThreads");
    ASSERT_NE(threads, nullptr);
    EXPECT_EQ(threads->text(), QStringLiteral("3"));
    threads->setText(QStringLiteral("-1"));
    EXPECT_FALSE(threads->hasAcceptableInput());
    threads->setText(QStringLiteral("2"));
    dialog.saveSettings();
    EXPECT_EQ(fn::Settings().threadCount(), 2);
    button(dialog, QDialogButtonBox::RestoreDefaults)->click();
    EXPECT_EQ(threads->text(), QStringLiteral("0"));
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

#include "ui/shell/SettingsDlg.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "fn/data/Settings.h"
#include "ui_SettingsDlg.h"

namespace ui {

SettingsDlg::SettingsDlg(fn::Settings& settings, QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::SettingsDlg>())
    , m_settings(settings)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_ui->edtNumSamples->setValidator(new QIntValidator(10, 100000, this));
    m_ui->edtRandomSeed->setValidator(new QIntValidator(0, 100000, this));
    auto* rateValidator = new QDoubleValidator(0.0, 1.0, 4, this);
    // The rate is read back in the neutral locale, so it is typed in that locale too.
    rateValidator->setLocale(QLocale::c());
    m_ui->edtDiscountRate->setValidator(rateValidator);
    m_ui->edtThreads->setValidator(new QIntValidator(0, 1024, this));

    m_ui->edtNumSamples->setText(QString::number(m_settings.defaultNumberOfSamples()));
    m_ui->edtRandomSeed->setText(QString::number(m_settings.randomSeed()));
    m_ui->edtDiscountRate->setText(QString::number(m_settings.timeDiscountRate(), 'g', 6));
    m_ui->edtThreads->setText(QString::number(m_settings.threadCount()));
    m_ui->chkSensitivityAnalysis->setChecked(m_settings.sensitivityAnalysis());

    connect(m_ui->buttonBox, &QDialogButtonBox::clicked, this, &SettingsDlg::handleButton);
}

SettingsDlg::~SettingsDlg() = default;

void SettingsDlg::saveSettings()
{
    m_settings.setDefaultNumberOfSamples(m_ui->edtNumSamples->text().toUInt());
    m_settings.setRandomSeed(m_ui->edtRandomSeed->text().toUInt());
    m_settings.setTimeDiscountRate(m_ui->edtDiscountRate->text().toDouble());
    m_settings.setThreadCount(m_ui->edtThreads->text().toUInt());
    m_settings.setSensitivityAnalysis(m_ui->chkSensitivityAnalysis->isChecked());
    m_settings.sync();
}

bool SettingsDlg::refuseUnacceptableField()
{
    // What a validator lets the user type on the way to a value (an empty field, 5 on the way
    // to 50) is not a value: name the field and what it takes instead of storing it.
    const struct
    {
        QLineEdit* field;
        const QLabel* label;
        QString range;
    } fields[] = {{m_ui->edtNumSamples, m_ui->lblNumSamples, tr("a whole number from 10 to 100000")},
                  {m_ui->edtRandomSeed, m_ui->lblRandomSeed, tr("a whole number from 0 to 100000")},
                  {m_ui->edtDiscountRate, m_ui->lblDiscountRate, tr("a number from 0 to 1, such as 0.03")},
                  {m_ui->edtThreads, m_ui->lblThreads, tr("a whole number from 0 to 1024")}};
    for (const auto& entry : fields) {
        if (entry.field->hasAcceptableInput())
            continue;
        QMessageBox::warning(this, windowTitle(),
                             tr("%1 must be %2; \"%3\" is not one.")
                                 .arg(entry.label->text().remove(QLatin1Char('&')).remove(QLatin1Char(':')),
                                      entry.range, entry.field->text()));
        entry.field->setFocus();
        entry.field->selectAll();
        return true;
    }
    return false;
}

void SettingsDlg::accept()
{
    if (refuseUnacceptableField())
        return;
    const double rate = m_ui->edtDiscountRate->text().toDouble();
    if (rate > 0.2) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, windowTitle(),
            tr("A time discount rate of %1 means %2 % per year.\nRates are fractions: 0.03 for 3 %.\n\n"
               "Use %1 anyway?")
                .arg(m_ui->edtDiscountRate->text())
                .arg(rate * 100.0, 0, 'g', 6),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    QDialog::accept();
}

void SettingsDlg::handleButton(QAbstractButton* button)
{
    if (m_ui->buttonBox->buttonRole(button) == QDialogButtonBox::ResetRole)
        restoreDefaults();
}

void SettingsDlg::restoreDefaults()
{
    m_ui->edtNumSamples->setText(QStringLiteral("1000"));
    m_ui->edtRandomSeed->setText(QStringLiteral("0"));
    m_ui->edtDiscountRate->setText(QStringLiteral("0"));
    m_ui->edtThreads->setText(QStringLiteral("0"));
    m_ui->chkSensitivityAnalysis->setChecked(false);
}

} // namespace ui

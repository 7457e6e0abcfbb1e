#include "ui/shell/SettingsDlg.h"

#include <QDoubleValidator>
#include <QIntValidator>
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

void SettingsDlg::accept()
{
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

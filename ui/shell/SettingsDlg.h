#pragma once

#include <QDialog>
#include <memory>

namespace fn {
class Settings;
}

namespace Ui {
class SettingsDlg;
}

class QAbstractButton;

namespace ui {

// The options dialog: edits the persistent run settings. Nothing is stored unless the
// caller asks for it after the dialog has been accepted.
class SettingsDlg : public QDialog
{
    Q_OBJECT

public:
    SettingsDlg(fn::Settings& settings, QWidget* parent);
    ~SettingsDlg() override;

    void saveSettings();
    // Refuses fields without an acceptable value; a rate above 0.2 is most likely a percentage
    // typed as a number: asked before accepting.
    void accept() override;

private slots:
    void handleButton(QAbstractButton* button);

private:
    // True, with the user told which field and why, when a field holds no acceptable value.
    bool refuseUnacceptableField();
    void restoreDefaults();

    std::unique_ptr<Ui::SettingsDlg> m_ui;
    fn::Settings& m_settings;
};

} // namespace ui

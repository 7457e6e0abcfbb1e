#pragma once

#include <QVariantMap>

#include "ui/shell/WebPageDlg.h"

namespace fn {
class WebData;
}

namespace ui {

// The about page, with the build date and version the dialog publishes as "webData".
class AboutOzmidDlg : public WebPageDlg
{
    Q_OBJECT

public:
    // buildInfo holds "buildDate" and "buildVersion".
    AboutOzmidDlg(QObject* webGUI, const QVariantMap& buildInfo, QWidget* parent = nullptr);
    ~AboutOzmidDlg() override;

    const fn::WebData& webData() const { return *m_webData; }

private:
    fn::WebData* m_webData;
};

} // namespace ui

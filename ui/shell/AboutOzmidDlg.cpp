#include "ui/shell/AboutOzmidDlg.h"

#include "ui/shell/WebData.h"

namespace ui {

AboutOzmidDlg::AboutOzmidDlg(QObject* webGUI, const QVariantMap& buildInfo, QWidget* parent)
    : WebPageDlg(QStringLiteral("About Ozmid toolkit"), QSize(620, 520), webGUI, parent)
    , m_webData(new fn::WebData(this))
{
    for (auto it = buildInfo.cbegin(); it != buildInfo.cend(); ++it)
        m_webData->setString(it.key(), it.value().toString());
    publish(QStringLiteral("webData"), m_webData);
    loadPage(QStringLiteral("qrc:/interface/subpages/aboutOzmidView.html"));
}

AboutOzmidDlg::~AboutOzmidDlg() = default;

} // namespace ui

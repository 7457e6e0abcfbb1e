#include "ui/shell/About3rdPartyDlg.h"

namespace ui {

About3rdPartyDlg::About3rdPartyDlg(QObject* webGUI, QWidget* parent)
    : WebPageDlg(QStringLiteral("About 3rd party libraries"), QSize(720, 600), webGUI, parent)
{
    loadPage(QStringLiteral("qrc:/interface/subpages/about3rdPartyView.html"));
}

About3rdPartyDlg::~About3rdPartyDlg() = default;

} // namespace ui

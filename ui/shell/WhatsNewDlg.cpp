#include "ui/shell/WhatsNewDlg.h"

namespace ui {

WhatsNewDlg::WhatsNewDlg(QObject* webGUI, QWidget* parent)
    : WebPageDlg(QStringLiteral("What's new"), QSize(720, 600), webGUI, parent)
{
    loadPage(QStringLiteral("qrc:/interface/subpages/whatsNewView.html"));
}

WhatsNewDlg::~WhatsNewDlg() = default;

} // namespace ui

#pragma once

#include "ui/shell/WebPageDlg.h"

namespace ui {

// The changes of this and earlier versions.
class WhatsNewDlg : public WebPageDlg
{
    Q_OBJECT

public:
    explicit WhatsNewDlg(QObject* webGUI, QWidget* parent = nullptr);
    ~WhatsNewDlg() override;
};

} // namespace ui

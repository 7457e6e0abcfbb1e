#pragma once

#include "ui/shell/WebPageDlg.h"

namespace ui {

// The licences of the libraries the program is built with.
class About3rdPartyDlg : public WebPageDlg
{
    Q_OBJECT

public:
    explicit About3rdPartyDlg(QObject* webGUI, QWidget* parent = nullptr);
    ~About3rdPartyDlg() override;
};

} // namespace ui

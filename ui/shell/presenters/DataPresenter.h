#pragma once

#include <QWidget>

#include "ui/shell/WebData.h"

class QWebChannel;
class QWebEngineView;

namespace ui {

class WebGUI;

// A top-level window showing one outcome-tree element's parameters and results in a
// sub-page of the resource bundle. It deletes itself when closed.
class DataPresenter : public QWidget
{
    Q_OBJECT

public:
    // webGUI is the application-wide bridge, shared with the main page.
    DataPresenter(const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable, QObject* webGUI);
    ~DataPresenter() override;

    const fn::WebData& webData() const { return *m_webData; }
    fn::WebData& webData() { return *m_webData; }
    QWebEngineView* view() const { return m_view; }

signals:
    void gettingDestroyed(ui::DataPresenter* presenter);

protected:
    void loadPage(const QString& url);
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWebEngineView* m_view;
    fn::WebData* m_webData;
    QWebChannel* m_channel;
};

} // namespace ui

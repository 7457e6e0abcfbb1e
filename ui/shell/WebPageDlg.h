#pragma once

#include <QDialog>

class QWebChannel;
class QWebEngineView;

namespace ui {

// A dialog whose whole content is one page of the resource bundle. The page reaches the
// program through the shared bridge "webGUI" (links open in the desktop's browser) and
// through any further objects a derived dialog publishes. It deletes itself when closed.
class WebPageDlg : public QDialog
{
    Q_OBJECT

public:
    ~WebPageDlg() override;

    QWebEngineView* view() const { return m_view; }

protected:
    WebPageDlg(const QString& title, const QSize& size, QObject* webGUI, QWidget* parent);

    // Objects must be published before the page is loaded, so that its channel sees them.
    void publish(const QString& name, QObject* object);
    void loadPage(const QString& url);

private:
    QWebEngineView* m_view;
    QWebChannel* m_channel;
};

} // namespace ui

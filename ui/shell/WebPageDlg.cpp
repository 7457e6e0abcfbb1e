#include "ui/shell/WebPageDlg.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace ui {

WebPageDlg::WebPageDlg(const QString& title, const QSize& size, QObject* webGUI, QWidget* parent)
    : QDialog(parent)
    , m_view(new QWebEngineView(this))
    , m_channel(new QWebChannel(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(title);
    resize(size);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    if (webGUI)
        m_channel->registerObject(QStringLiteral("webGUI"), webGUI);
    m_view->page()->setWebChannel(m_channel);
}

WebPageDlg::~WebPageDlg() = default;

void WebPageDlg::publish(const QString& name, QObject* object)
{
    m_channel->registerObject(name, object);
}

void WebPageDlg::loadPage(const QString& url)
{
    m_view->setUrl(QUrl(url));
}

} // namespace ui

#include "ui/shell/presenters/DataPresenter.h"

#include <QKeyEvent>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace ui {

DataPresenter::DataPresenter(const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable,
                             QObject* webGUI)
    : QWidget(nullptr)
    , m_view(new QWebEngineView(this))
    , m_webData(new fn::WebData(this))
    , m_channel(new QWebChannel(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(870, 700);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    m_webData->setString(QStringLiteral("Caption"), caption);
    m_webData->setBool(QStringLiteral("ResultsAvailable"), resultsAvailable);
    m_webData->setMap(QStringLiteral("ElemInfo"), elementInfo);

    m_channel->registerObject(QStringLiteral("webData"), m_webData);
    if (webGUI)
        m_channel->registerObject(QStringLiteral("webGUI"), webGUI);
    m_view->page()->setWebChannel(m_channel);

    // Key presses go to the web view, not to this widget: a window shortcut sees them first.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

DataPresenter::~DataPresenter()
{
    emit gettingDestroyed(this);
}

void DataPresenter::loadPage(const QString& url)
{
    m_view->setUrl(QUrl(url));
}

void DataPresenter::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace ui

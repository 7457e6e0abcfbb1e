#include "app/batch/ResultsStream.h"

#include <QJsonDocument>

namespace batch {

ResultsStream::ResultsStream(const QString& path, bool indented)
    : m_file(path)
    , m_indented(indented)
{
}

QByteArray ResultsStream::text(const QJsonDocument& value, int depth) const
{
    if (!m_indented)
        return value.toJson(QJsonDocument::Compact);
    QByteArray text = value.toJson(QJsonDocument::Indented);
    if (text.endsWith('\n'))
        text.chop(1);
    const QByteArray indent(4 * depth, ' ');
    // Every line but the first (which follows the member name) moves in by the depth.
    return text.replace("\n", "\n" + indent);
}

QByteArray ResultsStream::newLine(int depth) const
{
    return m_indented ? QByteArray("\n" + QByteArray(4 * depth, ' ')) : QByteArray();
}

QByteArray ResultsStream::member(const char* name, const QJsonDocument& value) const
{
    return "," + newLine(1) + "\"" + name + (m_indented ? "\": " : "\":") + text(value, 1);
}

bool ResultsStream::open()
{
    m_models = 0;
    return m_file.open() && m_file.write("{" + newLine(1) + (m_indented ? "\"models\": [" : "\"models\":["));
}

bool ResultsStream::addModel(const QJsonObject& model)
{
    const QByteArray separator = m_models++ == 0 ? newLine(2) : QByteArray("," + newLine(2));
    return m_file.write(separator + text(QJsonDocument(model), 2));
}

bool ResultsStream::finish(const QJsonObject& run, const QJsonObject& aggregatedResults, const QJsonObject& summary,
                           const QJsonArray& scenarios)
{
    QByteArray tail = m_models == 0 ? QByteArray("]") : QByteArray(newLine(1) + "]");
    if (!aggregatedResults.isEmpty())
        tail += member("aggregatedResults", QJsonDocument(aggregatedResults));
    if (!summary.isEmpty())
        tail += member("summary", QJsonDocument(summary));
    if (!scenarios.isEmpty())
        tail += member("scenarios", QJsonDocument(scenarios));
    tail += member("run", QJsonDocument(run)) + newLine(0) + "}\n";
    return m_file.write(tail) && m_file.commit();
}

void ResultsStream::cancel()
{
    m_file.cancel();
}

} // namespace batch

#include "app/batch/ResultsStream.h"

#include <QJsonDocument>

namespace batch {

ResultsStream::ResultsStream(const QString& path)
    : m_file(path)
{
}

QByteArray ResultsStream::indented(const QJsonObject& value, int depth)
{
    QByteArray text = QJsonDocument(value).toJson(QJsonDocument::Indented);
    if (text.endsWith('\n'))
        text.chop(1);
    const QByteArray indent(4 * depth, ' ');
    // Every line but the first (which follows the member name) moves in by the depth.
    return text.replace("\n", "\n" + indent);
}

bool ResultsStream::open(const QJsonObject& run)
{
    m_models = 0;
    return m_file.open() && m_file.write("{\n    \"run\": " + indented(run, 1) + ",\n    \"models\": [");
}

bool ResultsStream::addModel(const QJsonObject& model)
{
    const QByteArray separator = m_models++ == 0 ? "\n        " : ",\n        ";
    return m_file.write(separator + indented(model, 2));
}

bool ResultsStream::finish(const QJsonObject& aggregatedResults)
{
    const QByteArray close = m_models == 0 ? "]" : "\n    ]";
    const QByteArray aggregated = aggregatedResults.isEmpty()
        ? QByteArray()
        : ",\n    \"aggregatedResults\": " + indented(aggregatedResults, 1);
    return m_file.write(close + aggregated + "\n}\n") && m_file.commit();
}

void ResultsStream::cancel()
{
    m_file.cancel();
}

} // namespace batch

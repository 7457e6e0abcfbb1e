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

bool ResultsStream::open()
{
    m_models = 0;
    return m_file.open() && m_file.write("{\n    \"models\": [");
}

bool ResultsStream::addModel(const QJsonObject& model)
{
    const QByteArray separator = m_models++ == 0 ? "\n        " : ",\n        ";
    return m_file.write(separator + indented(model, 2));
}

bool ResultsStream::finish(const QJsonObject& run, const QJsonObject& aggregatedResults, const QJsonObject& summary)
{
    QByteArray text = m_models == 0 ? "]" : "\n    ]";
    if (!aggregatedResults.isEmpty())
        text += ",\n    \"aggregatedResults\": " + indented(aggregatedResults, 1);
    if (!summary.isEmpty())
        text += ",\n    \"summary\": " + indented(summary, 1);
    text += ",\n    \"run\": " + indented(run, 1) + "\n}\n";
    return m_file.write(text) && m_file.commit();
}

void ResultsStream::cancel()
{
    m_file.cancel();
}

} // namespace batch

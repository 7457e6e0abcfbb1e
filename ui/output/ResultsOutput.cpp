#include "ui/output/ResultsOutput.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include "ut/Diagnostics.h"
#include "ut/OutputFile.h"
#include "ut/OutputTarget.h"

namespace ui {

ResultsOutput::ResultsOutput(const fn::DiseaseModelList& models)
    : m_models(models)
{
}

QJsonObject ResultsOutput::resultsDocument(const fn::DiseaseModel& model)
{
    QJsonObject object = QJsonObject::fromVariantMap(model.results());
    object.insert(QStringLiteral("name"), model.displayName());
    return object;
}

QJsonObject ResultsOutput::uncertaintyDocument(const fn::DiseaseModel& model)
{
    if (model.uncertaintyResults().isEmpty())
        return {};
    QVariantMap analysis = model.uncertaintyResults();
    // The groups of inputs by parameter serve the page's chart; the document gives each input.
    QVariantMap sensitivity = analysis.value(QStringLiteral("sensitivity")).toMap();
    if (sensitivity.remove(QStringLiteral("parameterGroups")) > 0)
        analysis.insert(QStringLiteral("sensitivity"), sensitivity);
    QJsonObject object = QJsonObject::fromVariantMap(analysis);
    object.insert(QStringLiteral("name"), model.displayName());
    return object;
}

QString ResultsOutput::uncertaintyPath(const QString& resultsPath)
{
    if (resultsPath.isEmpty() || ut::OutputTarget::of(resultsPath).kind() != ut::OutputTarget::Replaced)
        return {};
    QString path = resultsPath;
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        path.chop(5);
    return path + QStringLiteral(".sensitivity.json");
}

QString ResultsOutput::writtenPath(const QFileInfo& file)
{
    QString path = file.absoluteFilePath();
    path.remove(QStringLiteral(".xls"));
    return QDir::toNativeSeparators(path);
}

QByteArray ResultsOutput::resultsJson() const
{
    QJsonArray documents;
    for (const auto& model : m_models)
        documents.append(resultsDocument(*model));
    return QJsonDocument(documents).toJson(QJsonDocument::Indented);
}

QByteArray ResultsOutput::uncertaintyJson() const
{
    QJsonArray documents;
    for (const auto& model : m_models) {
        const QJsonObject document = uncertaintyDocument(*model);
        if (!document.isEmpty())
            documents.append(document);
    }
    return QJsonDocument(documents).toJson(QJsonDocument::Indented);
}

bool ResultsOutput::saveToFile(const QFileInfo& file) const
{
    const QString path = writtenPath(file);
    if (path.isNull())
        return false;
    const bool replacing = ut::OutputTarget::of(path).kind() == ut::OutputTarget::Replaced && QFileInfo::exists(path);
    QString error;
    if (ut::OutputFile::save(path, resultsJson(), &error))
        return true;
    ut::Diagnostics::report(error
                            + (replacing
                                   ? QStringLiteral(". The results were not saved; the earlier file is unchanged.")
                                   : QStringLiteral(". The results were not saved.")));
    return false;
}

void ResultsOutput::copyToClipboard() const
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromUtf8(resultsJson()), QClipboard::Clipboard);
}

} // namespace ui

#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QJsonObject>
#include <QString>

#include "fn/model/DiseaseModel.h"

namespace ui {

// The results document of a list of models, and the uncertainty analysis beside it: built,
// written to a file or put on the clipboard.
class ResultsOutput
{
public:
    explicit ResultsOutput(const fn::DiseaseModelList& models);

    // One model's part of the document: its results with its display name.
    static QJsonObject resultsDocument(const fn::DiseaseModel& model);
    // A model's uncertainty analysis with its display name (empty when it has none).
    static QJsonObject uncertaintyDocument(const fn::DiseaseModel& model);
    // Where the uncertainty analysis of a results file goes: "results.sensitivity.json" beside
    // "results.json"; empty when the results do not go to a file that could have a neighbour
    // (a pipe, a device, standard output).
    static QString uncertaintyPath(const QString& resultsPath);
    // The path a file chosen for results or models is written to: absolute, without any ".xls",
    // in native separators.
    static QString writtenPath(const QFileInfo& file);

    // Indented JSON in UTF-8, one entry per model in list order.
    QByteArray resultsJson() const;
    QByteArray uncertaintyJson() const;

    // Writes the results document to the path of file (see writtenPath). A failure leaves an
    // earlier file as it was and is reported, with the path and the system's reason, on the
    // diagnostics channel; false then.
    bool saveToFile(const QFileInfo& file) const;
    void copyToClipboard() const;

private:
    const fn::DiseaseModelList& m_models;
};

} // namespace ui

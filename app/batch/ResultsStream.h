#pragma once

#include <QJsonObject>

#include "ut/OutputFile.h"

namespace batch {

// Writes the batch results document piece by piece, so that a run of thousands of models never
// holds all their results at once:
//
//     {
//         "models": [ {...}, ... ],
//         "aggregatedResults": {...},
//         "summary": {...},
//         "run": {...}
//     }
//
// in the indented form of the single-model results documents (the uncertainty analysis has no
// aggregated part and no summary). The run block comes last because it records what only the
// end of the run knows, such as the models whose statistics are not finite. The file is put in
// place by finish() only (see ut::OutputFile); every failure is kept and reported by errorString().
class ResultsStream
{
public:
    explicit ResultsStream(const QString& path);

    bool open();
    bool addModel(const QJsonObject& model);
    // Closes the document with the run block, after the aggregated results and the summary when given.
    bool finish(const QJsonObject& run, const QJsonObject& aggregatedResults = QJsonObject(),
                const QJsonObject& summary = QJsonObject());
    void cancel();

    QString errorString() const { return m_file.errorString(); }

private:
    // The indented text of value as a member at the given nesting depth.
    static QByteArray indented(const QJsonObject& value, int depth);

    ut::OutputFile m_file;
    int m_models = 0;
};

} // namespace batch

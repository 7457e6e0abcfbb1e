#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "ut/OutputStream.h"

namespace batch {

// Writes the batch results document piece by piece, so that a run of thousands of models never
// holds all their results at once:
//
//     {
//         "models": [ {...}, ... ],
//         "aggregatedResults": {...},
//         "summary": {...},
//         "scenarios": [...],
//         "run": {...}
//     }
//
// compact (without blanks or line ends) unless indented like the single-model results documents
// is asked for (the uncertainty analysis has no aggregated part and no summary), and
// gzip-compressed when the name ends in .gz. The run block comes last because it records what only
// the end of the run knows, such as the models whose statistics are not finite. The file is put in
// place by finish() only (see ut::OutputFile); every failure is kept and reported by errorString().
class ResultsStream
{
public:
    explicit ResultsStream(const QString& path, bool indented = false);

    bool open();
    bool addModel(const QJsonObject& model);
    // Closes the document with the run block, after the aggregated results, the summary and the
    // scenarios when given.
    bool finish(const QJsonObject& run, const QJsonObject& aggregatedResults = QJsonObject(),
                const QJsonObject& summary = QJsonObject(), const QJsonArray& scenarios = QJsonArray());
    void cancel();

    QString errorString() const { return m_file.errorString(); }

private:
    // The text of value as a member at the given nesting depth.
    QByteArray text(const QJsonDocument& value, int depth) const;
    // A line end and the indentation of depth, when indented.
    QByteArray newLine(int depth) const;
    // ,"name": value at depth 1.
    QByteArray member(const char* name, const QJsonDocument& value) const;

    ut::OutputStream m_file;
    bool m_indented;
    int m_models = 0;
};

} // namespace batch

#pragma once

#include <QByteArray>
#include <QString>

#include "ut/OutputStream.h"

namespace fn {
class DiseaseModel;
class ModelRunRecord;
} // namespace fn

namespace batch {

// The per-iteration values behind every model's results, as CSV (gzip-compressed when the name
// ends in .gz), one row per model and iteration:
//
//     country,disease,model_id,iteration,cases,deaths,yld,yll,daly
//
// or, by stratum, one row per model, iteration, sex and age group (columns sex and age_group
// after iteration). A model's rows are written as soon as it is done, from the record of its run,
// so memory does not grow with the number of models. Each value is the shortest decimal that
// reads back as the same double; the model's totals are summed over strata in the order the
// results are, so the mean of a column is the mean of the results document up to the rounding
// of the summation a reader uses.
class DrawsWriter
{
public:
    DrawsWriter(const QString& path, bool byStratum);

    bool open();
    bool addModel(const fn::DiseaseModel& model, const fn::ModelRunRecord& record);
    bool commit() { return m_stream.commit(); }
    void cancel() { m_stream.cancel(); }
    QString errorString() const { return m_stream.errorString(); }

private:
    void addTotals(const QByteArray& prefix, const fn::ModelRunRecord& record);
    void addStrata(const QByteArray& prefix, const fn::ModelRunRecord& record);
    bool flush(bool force);

    ut::OutputStream m_stream;
    bool m_byStratum;
    QByteArray m_buffer;
};

} // namespace batch

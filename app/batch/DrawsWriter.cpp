#include "app/batch/DrawsWriter.h"

#include <charconv>
#include <cmath>

#include "ui/output/CsvText.h"
#include "fn/model/DiseaseModel.h"
#include "fn/model/ModelRunRecord.h"

namespace batch {

namespace {

// Rows are gathered up to this size before they go to the stream.
constexpr int bufferLimit = 1 << 20;

void appendNumber(QByteArray& out, double value)
{
    char text[32];
    if (!std::isfinite(value)) {
        out += ui::CsvText::nonFinite(value);
        return;
    }
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, int(result.ptr - text));
}

void appendWhole(QByteArray& out, std::uint64_t value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, int(result.ptr - text));
}

} // namespace

DrawsWriter::DrawsWriter(const QString& path, bool byStratum)
    : m_stream(path)
    , m_byStratum(byStratum)
{
}

bool DrawsWriter::open()
{
    m_buffer.clear();
    return m_stream.open()
        && m_stream.write(m_byStratum ? "country,disease,model_id,iteration,sex,age_group,cases,deaths,yld,yll,daly\n"
                                      : "country,disease,model_id,iteration,cases,deaths,yld,yll,daly\n");
}

bool DrawsWriter::flush(bool force)
{
    if (!force && m_buffer.size() < bufferLimit)
        return true;
    const bool written = m_stream.write(m_buffer);
    m_buffer.clear();
    return written;
}

bool DrawsWriter::addModel(const fn::DiseaseModel& model, const fn::ModelRunRecord& record)
{
    // Models are handed over once their run is complete; one that was not has no draws to give.
    if (!record.waitUntilComplete())
        return true;
    const QByteArray prefix = ui::CsvText::field(model.countryId()) + ',' + ui::CsvText::field(model.diseaseId()) + ','
        + ui::CsvText::field(model.modelId()) + ',';
    if (m_byStratum)
        addStrata(prefix, record);
    else
        addTotals(prefix, record);
    return flush(true);
}

void DrawsWriter::addTotals(const QByteArray& prefix, const fn::ModelRunRecord& record)
{
    for (std::uint32_t k = 0; k < record.iterations(); ++k) {
        const fn::ModelRunRecord::IterationTotals totals = record.totals(k);
        m_buffer += prefix;
        appendWhole(m_buffer, k + 1);
        for (const double value : {totals.cases, totals.deaths, totals.yld, totals.yll, totals.yld + totals.yll}) {
            m_buffer += ',';
            appendNumber(m_buffer, value);
        }
        m_buffer += '\n';
        flush(false);
    }
}

void DrawsWriter::addStrata(const QByteArray& prefix, const fn::ModelRunRecord& record)
{
    const Marray::Shape& shape = record.strataShape();
    const fn::InputFactorPtrs& factors = record.factors();
    // Strata are in scalar-index order, the first factor (age group) major; a model with other
    // factors than age group and sex names its strata by their index.
    const bool ageAndSex = factors.size() == 2 && shape.size() == 2;
    const std::size_t strata = record.strataCount();
    const std::size_t sexes = ageAndSex ? std::size_t(shape[1]) : 1;
    std::vector<QByteArray> labels(strata);
    for (std::size_t i = 0; i < strata; ++i) {
        if (ageAndSex) {
            const int sex = int(i % sexes);
            const QString sexName = sex == 0 ? QStringLiteral("female")
                : sex == 1                   ? QStringLiteral("male")
                                             : factors[1]->levels().value(sex);
            labels[i] = ui::CsvText::field(sexName) + ','
                + ui::CsvText::field(factors[0]->levels().value(int(i / sexes)));
        } else {
            labels[i] = "all," + QByteArray::number(qulonglong(i));
        }
    }
    for (std::uint32_t k = 0; k < record.iterations(); ++k) {
        const double* ay = record.row(fn::ModelRunRecord::AcuteYld, k);
        const double* al = record.row(fn::ModelRunRecord::AcuteYll, k);
        const double* sy = record.row(fn::ModelRunRecord::SequelaYld, k);
        const double* sl = record.row(fn::ModelRunRecord::SequelaYll, k);
        const double* c = record.row(fn::ModelRunRecord::Cases, k);
        const double* d = record.row(fn::ModelRunRecord::Deaths, k);
        for (std::size_t i = 0; i < strata; ++i) {
            const double yld = ay[i] + sy[i];
            const double yll = al[i] + sl[i];
            m_buffer += prefix;
            appendWhole(m_buffer, k + 1);
            m_buffer += ',';
            m_buffer += labels[i];
            for (const double value : {c[i], d[i], yld, yll, yld + yll}) {
                m_buffer += ',';
                appendNumber(m_buffer, value);
            }
            m_buffer += '\n';
        }
        flush(false);
    }
}

} // namespace batch

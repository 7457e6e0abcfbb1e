#pragma once

#include <QByteArray>

#include "ui/output/TidyTableSink.h"
#include "ut/OutputStream.h"

namespace ui {

// The rows of a TidyTable as CSV (see CsvText), gzip-compressed when the name ends in .gz: one
// header line, then one line per row, every number with 17 significant digits and NA empty.
class TidyTableCsv : public TidyTableSink
{
public:
    explicit TidyTableCsv(const QString& path);

    static QByteArray header();

    bool open() override;
    void addRow(const Row& row) override;
    bool flush() override;
    bool commit() override;
    void cancel() override { m_stream.cancel(); }
    QString errorString() const override { return m_stream.errorString(); }

private:
    ut::OutputStream m_stream;
    QByteArray m_rows;
    // The fields that name the model and tree, as text of the last row: rows come in runs of the
    // same ones.
    std::array<QString, 6> m_keyTexts;
    QByteArray m_keyFields;
};

} // namespace ui

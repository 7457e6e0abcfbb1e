#pragma once

#include <QByteArray>
#include <QString>

namespace ui {

// The pieces of the CSV files the batch program writes (RFC 4180, UTF-8, "\n" line ends).
class CsvText
{
public:
    // A text field, quoted (with inner quotes doubled) when it holds a comma, a quote or a line end.
    static QByteArray field(const QString& text);
    // A double with 17 significant digits, which reads back as the same double; "NaN", "Inf" or
    // "-Inf" for the values that are no number (both pandas and R read these).
    static QByteArray number(double value);
    static QByteArray nonFinite(double value);
};

} // namespace ui

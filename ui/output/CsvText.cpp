#include "ui/output/CsvText.h"

#include <charconv>
#include <cmath>

namespace ui {

QByteArray CsvText::field(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r'))
        return '"' + bytes.replace("\"", "\"\"") + '"';
    return bytes;
}

QByteArray CsvText::nonFinite(double value)
{
    if (std::isnan(value))
        return QByteArrayLiteral("NaN");
    return value > 0 ? QByteArrayLiteral("Inf") : QByteArrayLiteral("-Inf");
}

QByteArray CsvText::number(double value)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
    return QByteArray(text, int(result.ptr - text));
}

} // namespace ui

#include "fn/values/formula/CellFormula.h"

namespace fn {

namespace {

struct Shape
{
    int topLevelCommas = 0;
    bool paired = true;
    bool decimalComma = false;
};

Shape shapeOf(const QString& text)
{
    Shape shape;
    int depth = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            if (--depth < 0) {
                shape.paired = false;
                return shape;
            }
        } else if (c == QLatin1Char(',') && depth == 0) {
            ++shape.topLevelCommas;
            if (i > 0 && i + 1 < text.size() && text.at(i - 1).isDigit() && text.at(i + 1).isDigit())
                shape.decimalComma = true;
        }
    }
    shape.paired = depth == 0;
    return shape;
}

} // namespace

QString CellFormula::shapeProblem(const QString& text)
{
    const Shape shape = shapeOf(text);
    if (!shape.paired)
        return QStringLiteral("its brackets do not pair");
    if (shape.topLevelCommas > 0)
        return manyValues(shape.topLevelCommas + 1, text);
    return {};
}

bool CellFormula::looksLikeDecimalComma(const QString& text)
{
    const Shape shape = shapeOf(text);
    return shape.paired && shape.decimalComma;
}

QString CellFormula::manyValues(int count, const QString& text)
{
    QString reason = QStringLiteral("it gives %1 values instead of one").arg(count);
    if (looksLikeDecimalComma(text))
        reason += QStringLiteral(" (a decimal comma?)");
    return reason;
}

} // namespace fn

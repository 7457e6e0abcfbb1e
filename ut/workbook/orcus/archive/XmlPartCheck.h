#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

namespace ut {

// Checks one XML part of a workbook archive before liborcus parses it. liborcus stops the
// program with an assertion on some malformed XML, and on column or row properties inside an
// OpenDocument style of another family, after writing them into the wrong kind of style
// record. Such a part is refused here instead, and so is one nested or sized beyond any
// workbook, whose parse would hold memory for every open element.
class XmlPartCheck
{
public:
    // A sheet's cells lie five elements deep, an OpenDocument style a dozen: 256 levels leave
    // room for any workbook and keep what a parser holds per open element small.
    static constexpr int maxDepth = 256;
    // Every cell of a full sheet of 65 536 rows and 256 columns with its value, and its rows.
    static constexpr qint64 maxElements = 40000000;

    // Why the part cannot be given to liborcus, said of the part ("is not well-formed XML ..."),
    // or an empty text when it can. With counted, also the number of elements of that local name.
    // The limits are those above unless a test asks for smaller ones.
    static QString problem(const QByteArray& xml, QLatin1String countedName = QLatin1String(),
                           qint64* counted = nullptr, int depthLimit = maxDepth, qint64 elementLimit = maxElements);
};

} // namespace ut

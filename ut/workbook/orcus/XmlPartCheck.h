#pragma once

#include <QByteArray>
#include <QString>

namespace ut {

// Checks one XML part of a workbook archive before liborcus parses it. liborcus stops the
// program with an assertion on some malformed XML, and on column or row properties inside an
// OpenDocument style of another family, after writing them into the wrong kind of style
// record. Such a part is refused here instead.
class XmlPartCheck
{
public:
    // Why the part cannot be given to liborcus, said of the part ("is not well-formed XML ..."),
    // or an empty text when it can.
    static QString problem(const QByteArray& xml);
};

} // namespace ut

#pragma once

#include <QtGlobal>

namespace ut {

// What a BIFF8 workbook stream may hold, by record type. A damaged type or length byte mostly
// turns a record into one the format does not have, or gives a record of a fixed size another
// size; a reader that checks both refuses most such damage instead of reading past it.
class BiffRecordTypes
{
public:
    // Whether type can occur in a BIFF8 workbook. The types of the format fall in a few pages,
    // most of them sparsely filled; the types of the older formats whose cell records share the
    // first page are not among them.
    static bool isKnown(quint16 type);
    // The payload size of the records whose size the format fixes, -1 for the others.
    static int fixedSize(quint16 type);
};

} // namespace ut

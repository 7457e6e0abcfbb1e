#pragma once

#include <QtGlobal>

namespace ut {

// What a BIFF8 workbook stream may hold, by record type. A damaged type or length byte mostly
// turns a record into one the format does not have, or gives a record of a fixed size another
// size; a reader that checks both refuses most such damage instead of reading past it.
class BiffRecordTypes
{
public:
    // The record types this codec reads or writes, by their names in the format.
    static constexpr quint16 Formula = 0x0006;
    static constexpr quint16 Eof = 0x000A;
    static constexpr quint16 Precision = 0x000E;
    static constexpr quint16 DateMode = 0x0022;
    static constexpr quint16 FilePass = 0x002F;
    static constexpr quint16 Font = 0x0031;
    static constexpr quint16 Continue = 0x003C;
    static constexpr quint16 Window1 = 0x003D;
    static constexpr quint16 CodePage = 0x0042;
    static constexpr quint16 DefColWidth = 0x0055;
    static constexpr quint16 ColInfo = 0x007D;
    static constexpr quint16 BoundSheet = 0x0085;
    static constexpr quint16 MulRk = 0x00BD;
    static constexpr quint16 MulBlank = 0x00BE;
    static constexpr quint16 Xf = 0x00E0;
    static constexpr quint16 Sst = 0x00FC;
    static constexpr quint16 LabelSst = 0x00FD;
    static constexpr quint16 ExtSst = 0x00FF;
    static constexpr quint16 Dimensions = 0x0200;
    static constexpr quint16 Blank = 0x0201;
    static constexpr quint16 Number = 0x0203;
    static constexpr quint16 Label = 0x0204;
    static constexpr quint16 BoolErr = 0x0205;
    static constexpr quint16 String = 0x0207;
    static constexpr quint16 Array = 0x0221;
    static constexpr quint16 Table = 0x0236;
    static constexpr quint16 Window2 = 0x023E;
    static constexpr quint16 Rk = 0x027E;
    static constexpr quint16 Style = 0x0293;
    static constexpr quint16 Format = 0x041E;
    static constexpr quint16 SharedFormula = 0x04BC;
    static constexpr quint16 Bof = 0x0809;

    // The BIFF version and substream kinds of a BOF record.
    static constexpr quint16 Biff8 = 0x0600;
    static constexpr quint16 Biff5 = 0x0500;
    static constexpr quint16 BofGlobals = 0x0005;
    static constexpr quint16 BofWorksheet = 0x0010;

    // Whether type can occur in a BIFF8 workbook. The types of the format fall in a few pages,
    // most of them sparsely filled; the types of the older formats whose cell records share the
    // first page are not among them.
    static bool isKnown(quint16 type);
    // The payload size of the records whose size the format fixes, -1 for the others.
    static int fixedSize(quint16 type);
};

} // namespace ut

#include "ut/workbook/xls/records/BiffRecordTypes.h"

namespace ut {

bool BiffRecordTypes::isKnown(quint16 type)
{
    switch (type >> 8) {
    case 0x00:
        return type > 0x0009 || type == 0x0006;
    case 0x01:
        // Pivot table, revision log, user view and other records of the second page.
        return type == 0x0100 || type == 0x0103 || type == 0x0122 || (type >= 0x0137 && type <= 0x0154)
            || (type >= 0x015F && type <= 0x0161) || (type >= 0x0191 && type <= 0x0198)
            || (type >= 0x01A9 && type <= 0x01C2);
    case 0x08:
        // Records added by later versions, which end at 0x08A7.
        return type <= 0x08A8;
    case 0x10:
        // Chart records, which end at 0x1068.
        return type <= 0x1070;
    case 0x02:
        switch (type) {
        case 0x0200: // DIMENSIONS
        case 0x0201: // BLANK
        case 0x0203: // NUMBER
        case 0x0204: // LABEL
        case 0x0205: // BOOLERR
        case 0x0207: // STRING
        case 0x0208: // ROW
        case 0x020B: // INDEX
        case 0x0221: // ARRAY
        case 0x0225: // DEFAULTROWHEIGHT
        case 0x0236: // TABLE
        case 0x023E: // WINDOW2
        case 0x027E: // RK
        case 0x0293: // STYLE
            return true;
        default:
            return false;
        }
    case 0x04:
        // BIGNAME, FORMAT, CONTINUEBIGNAME, SHRFMLA
        return type == 0x0418 || type == 0x041E || type == 0x043C || type == 0x04BC;
    default:
        return false;
    }
}

int BiffRecordTypes::fixedSize(quint16 type)
{
    switch (type) {
    case 0x0012: // PROTECT
    case 0x0013: // PASSWORD
    case 0x000C: // CALCCOUNT
    case 0x000D: // CALCMODE
    case 0x000E: // CALCPRECISION
    case 0x000F: // CALCREFMODE
    case 0x0011: // CALCITER
    case 0x0019: // WINPROTECT
    case 0x0022: // DATE1904
    case 0x002A: // PRINTROWCOL
    case 0x002B: // PRINTGRID
    case 0x0040: // BACKUP
    case 0x0042: // CODEPAGE
    case 0x0055: // DEFCOLWIDTH
    case 0x005F: // CALCSAVERECALC
    case 0x0063: // OBJPROTECT
    case 0x0081: // WSBOOL
    case 0x0082: // GRIDSET
    case 0x0083: // HCENTER
    case 0x0084: // VCENTER
    case 0x008D: // HIDEOBJ
    case 0x009D: // AUTOFILTERINFO
    case 0x00DA: // BOOKBOOL
    case 0x00DD: // SCENPROTECT
    case 0x0160: // USESELFS
    case 0x0161: // DSF
    case 0x01AF: // PROT4REV
    case 0x01BC: // PROT4REVPASS
        return 2;
    case 0x008C: // COUNTRY
    case 0x00A0: // SCL
    case 0x0225: // DEFAULTROWHEIGHT
        return 4;
    case 0x0010: // CALCDELTA
    case 0x0026: // LEFTMARGIN
    case 0x0027: // RIGHTMARGIN
    case 0x0028: // TOPMARGIN
    case 0x0029: // BOTTOMMARGIN
    case 0x0080: // GUTS
    case 0x01C1: // RECALCID
        return 8;
    case 0x0041: // PANE
        return 10;
    case 0x007D: // COLINFO
        return 12;
    case 0x0200: // DIMENSIONS
        return 14;
    case 0x0208: // ROW
    case 0x0809: // BOF
        return 16;
    case 0x003D: // WINDOW1
        return 18;
    case 0x00E0: // XF
        return 20;
    case 0x00A1: // SETUP
        return 34;
    case 0x000A: // EOF
    case 0x0086: // WRITEPROT
    case 0x01BD: // OBNOMACROS
        return 0;
    default:
        return -1;
    }
}

} // namespace ut

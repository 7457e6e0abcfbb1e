#include "ut/BiffFormulaTokens.h"

#include <QtEndian>

namespace ut {

namespace {

constexpr quint8 tokenConcat = 0x08;
constexpr quint8 tokenParen = 0x15;
constexpr quint8 tokenString = 0x17;
constexpr quint8 tokenAttribute = 0x19;
constexpr quint8 attributeChoose = 0x04;
constexpr quint8 attributeSpace = 0x40;

// Worksheet functions whose result is always a text, by their number in the function table:
// DOLLAR, FIXED, REPT, MID, TEXT, CHAR, LOWER, UPPER, PROPER, LEFT, RIGHT, TRIM, REPLACE,
// SUBSTITUTE, T, CLEAN, CONCATENATE.
bool isTextFunction(quint16 index)
{
    switch (index) {
    case 13:
    case 14:
    case 30:
    case 31:
    case 48:
    case 111:
    case 112:
    case 113:
    case 114:
    case 115:
    case 116:
    case 118:
    case 119:
    case 120:
    case 130:
    case 162:
    case 336:
        return true;
    default:
        return false;
    }
}

// The size of the operand and function tokens (0x20 to 0x7F), whose class bits are masked off.
int classifiedTokenSize(quint8 token)
{
    switch ((token & 0x1F) | 0x20) {
    case 0x21: // function with a fixed number of arguments
    case 0x29: // MemFunc
        return 3;
    case 0x22: // function with a variable number of arguments
        return 4;
    case 0x23: // Name
    case 0x24: // Ref
    case 0x2A: // RefErr
    case 0x2C: // RefN
        return 5;
    case 0x26: // MemArea
    case 0x27: // MemErr
    case 0x28: // MemNoMem
    case 0x39: // NameX
    case 0x3A: // Ref3d
    case 0x3C: // RefErr3d
        return 7;
    case 0x20: // Array
        return 8;
    case 0x25: // Area
    case 0x2B: // AreaErr
    case 0x2D: // AreaN
        return 9;
    case 0x3B: // Area3d
    case 0x3D: // AreaErr3d
        return 11;
    default:
        return 0;
    }
}

} // namespace

bool BiffFormulaTokens::yieldsText(const char* tokens, int size)
{
    const auto byteAt = [&](int at) { return quint8(tokens[at]); };
    bool text = false;
    int at = 0;
    while (at < size) {
        const quint8 token = byteAt(at);
        int length = 0;
        // Parentheses and spacing leave the result of the token before them as it is.
        bool neutral = false;
        if (token >= 0x03 && token <= 0x16) {
            length = 1;
            neutral = token == tokenParen;
        } else if (token == 0x01 || token == 0x02) {
            length = 5;
        } else if (token == tokenString) {
            if (at + 3 > size)
                return false;
            length = 3 + byteAt(at + 1) * ((byteAt(at + 2) & 0x01) ? 2 : 1);
        } else if (token == tokenAttribute) {
            if (at + 4 > size)
                return false;
            const quint8 kind = byteAt(at + 1);
            length = 4 + ((kind & attributeChoose) ? 2 * (qFromLittleEndian<quint16>(tokens + at + 2) + 1) : 0);
            neutral = (kind & attributeSpace) != 0;
        } else if (token == 0x1C || token == 0x1D) {
            length = 2;
        } else if (token == 0x1E) {
            length = 3;
        } else if (token == 0x1F) {
            length = 9;
        } else if (token >= 0x20 && token <= 0x7F) {
            length = classifiedTokenSize(token);
        }
        if (length == 0 || at + length > size)
            return false;
        if (!neutral) {
            const quint8 base = token >= 0x20 ? quint8((token & 0x1F) | 0x20) : token;
            if (base == 0x21)
                text = isTextFunction(qFromLittleEndian<quint16>(tokens + at + 1));
            else if (base == 0x22)
                text = isTextFunction(qFromLittleEndian<quint16>(tokens + at + 2) & 0x7FFF);
            else
                text = token == tokenConcat || token == tokenString;
        }
        at += length;
    }
    return text;
}

} // namespace ut

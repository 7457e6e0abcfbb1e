#include "ut/workbook/xls/BiffFormulaTokens.h"

#include <QtEndian>

namespace ut {

namespace {

constexpr quint8 tokenConcat = 0x08;
constexpr quint8 tokenParen = 0x15;
constexpr quint8 tokenString = 0x17;
constexpr quint8 tokenAttribute = 0x19;
constexpr quint8 attributeChoose = 0x04;
constexpr quint8 attributeSum = 0x10;
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

// The kind of value a token other than a function call leaves on top of the stack.
BiffFormulaTokens::Result resultOfToken(quint8 token)
{
    using Result = BiffFormulaTokens::Result;
    switch (token) {
    case 0x03: // +
    case 0x04: // -
    case 0x05: // *
    case 0x06: // /
    case 0x07: // ^
    case 0x13: // unary -
    case 0x14: // %
    case 0x1E: // integer
    case 0x1F: // number
        return Result::Number;
    case 0x09: // <
    case 0x0A: // <=
    case 0x0B: // =
    case 0x0C: // >=
    case 0x0D: // >
    case 0x0E: // <>
    case 0x1D: // TRUE or FALSE
        return Result::Logical;
    case tokenConcat:
    case tokenString:
        return Result::Text;
    default:
        return Result::Unknown;
    }
}

} // namespace

BiffFormulaTokens::Result BiffFormulaTokens::resultOf(const char* tokens, int size)
{
    const auto byteAt = [&](int at) { return quint8(tokens[at]); };
    Result result = Result::Unknown;
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
                return Result::Unknown;
            length = 3 + byteAt(at + 1) * ((byteAt(at + 2) & 0x01) ? 2 : 1);
        } else if (token == tokenAttribute) {
            if (at + 4 > size)
                return Result::Unknown;
            const quint8 kind = byteAt(at + 1);
            length = 4 + ((kind & attributeChoose) ? 2 * (qFromLittleEndian<quint16>(tokens + at + 2) + 1) : 0);
            neutral = (kind & attributeSpace) != 0;
            // SUM of a single argument.
            if (kind & attributeSum) {
                at += length;
                result = Result::Number;
                continue;
            }
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
            return Result::Unknown;
        if (!neutral) {
            const quint8 base = token >= 0x20 ? quint8((token & 0x1F) | 0x20) : token;
            if (base == 0x21)
                result = isTextFunction(qFromLittleEndian<quint16>(tokens + at + 1)) ? Result::Text : Result::Unknown;
            else if (base == 0x22)
                result = isTextFunction(qFromLittleEndian<quint16>(tokens + at + 2) & 0x7FFF) ? Result::Text
                                                                                              : Result::Unknown;
            else
                result = resultOfToken(token);
        }
        at += length;
    }
    return result;
}

} // namespace ut

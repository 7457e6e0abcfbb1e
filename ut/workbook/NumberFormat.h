#pragma once

#include <QString>

namespace ut {

// What the number formats of workbook files say about the numbers they show.
class NumberFormat
{
public:
    // Whether the format with that id (built-in ids of the Excel formats) and code shows a date or
    // a time: a built-in date or time format, or a code with a day, month, year, hour or second
    // outside its quoted texts, escaped characters and brackets.
    static bool isDate(int id, const QString& code);
};

} // namespace ut

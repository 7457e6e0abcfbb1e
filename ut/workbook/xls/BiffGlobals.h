#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace ut {

// The workbook globals that open a BIFF8 workbook stream: the sheet directory (names, kinds
// and where each sheet's records start) and the table of texts. Read from byte 0 up to the
// globals' EOF record; a stream of an older or protected workbook, or one that ends before the
// globals do, refuses the workbook.
class BiffGlobals
{
public:
    struct Sheet
    {
        QString name;
        // Byte of the stream at which the sheet's BOF record starts.
        quint32 offset = 0;
        // The sheet kind of the directory: 0 for a worksheet (or dialog sheet), 1 a macro sheet,
        // 2 a chart, 6 a Visual Basic module.
        quint8 kind = 0;
        bool isWorksheet() const { return kind == 0; }
    };

    static BiffGlobals read(const QByteArray& stream);

    const QVector<Sheet>& sheets() const { return m_sheets; }
    const QVector<QString>& strings() const { return m_strings; }
    // For each cell format (XF record, by index), whether it shows numbers as dates or times.
    const QVector<bool>& dateFormats() const { return m_dateFormats; }
    // The byte right after the globals' EOF record, where the sheets' records begin.
    int end() const { return m_end; }

private:
    static void checkStart(const QByteArray& stream);

    QVector<Sheet> m_sheets;
    QVector<QString> m_strings;
    QVector<bool> m_dateFormats;
    int m_end = 0;
};

} // namespace ut

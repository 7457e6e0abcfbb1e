#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "ut/workbook/Workbook.h"

namespace ut {

// Decodes the BIFF8 "Workbook" stream of an Excel 97-2003 file into an in-memory workbook: every
// worksheet, in directory order, with its name and cells; chart sheets, macro sheets and
// modules are left out, as a spreadsheet's worksheet collection leaves them out. The
// counterpart of ut::BiffWorkbookEncoder.
//
// The stream is validated while it is read, and any inconsistency refuses it whole: a damaged
// workbook is never handed out in part.
class BiffWorkbookDecoder
{
public:
    // The workbook, or nothing; errorString() then says what is wrong with the stream.
    std::optional<Workbook> decode(const QByteArray& stream);
    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};

} // namespace ut

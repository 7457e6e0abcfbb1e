#pragma once

#include <functional>
#include <optional>

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include "fn/data/templates/DiseaseTemplate.h"

namespace ut {
class Excel;
class RangeRef;
} // namespace ut

namespace fn {

class InputDataMgr;
class InputFactorMgr;

// Reads the reference workbooks of a store's "referenceData" folder into the store:
// "diseaseData.xls" (one sheet per disease: caption and outcome trees), "countryData.xls"
// (one sheet per country: caption, life expectancy, age distribution) and every
// "modelData-<country>.xls" (one sheet per disease: run factors, corrections, notification
// data and the parameter tables of the tree elements).
//
// One workbook adapter serves the whole import, each workbook opened read-only in turn. A
// workbook that cannot be opened, or whose reading throws, is closed and reported through
// the error reporter; the import then goes on with the next workbook. What is read all the
// same but may not be what the user meant (a disease sheet without caption, elements whose
// id is not found) is told through the store's import warnings.
//
// Each of the three kinds of workbook may also be an Excel (.xlsx) or OpenDocument (.ods)
// workbook: the reader tells the format by the content.
class ReferenceDataImporter
{
public:
    using ErrorReporter = std::function<void(const QString& title, const QString& text)>;

    // An empty reporter stands for reportOnStandardError(); the main window installs one that
    // shows a critical message box.
    explicit ReferenceDataImporter(ErrorReporter reporter = ErrorReporter());

    // Reads the three kinds of workbook, announcing every sheet it processes through the
    // store's status signal.
    void readWorkbooks(InputDataMgr& store) const;

    // The template of the current sheet of "diseaseData.xls"; nothing when the sheet has no
    // "Caption" label to anchor its layout.
    static std::optional<DiseaseTemplate> readDiseaseSheet(const ut::Excel& excel, const QString& diseaseId);
    // Caption, life expectancy and age distribution of the current sheet. A sheet that lacks
    // one of their labels is refused with ut::Exception naming the sheet and the labels.
    static void readCountrySheet(const ut::Excel& excel, const QString& countryId, InputDataMgr& store);
    // Everything of the current sheet of a model data workbook. Skips the sheet (false) when
    // the country, unless "Generic", lacks life expectancy or age distribution, or when the
    // disease has no template. A sheet that lacks the label of a table or block is refused with
    // ut::Exception naming the sheet and the labels, before anything of it is stored. The ids of
    // the health states and transitions that take parameters but are not in column A are added
    // to notFound: theirs keep the defaults.
    static bool readModelDataSheet(const ut::Excel& excel, const QString& countryId, const QString& diseaseId,
                                   InputDataMgr& store, QStringList* notFound = nullptr);
    // Appends the factor rows that start three rows below label (name in column A, levels to
    // the right up to the first empty cell) to the disease's factors; rows without levels are
    // left out.
    static void readRunFactors(const ut::Excel& excel, const ut::RangeRef& label, const QString& diseaseId,
                               InputFactorMgr& factors);

    // The default reporter: "title: text" on standard error (the store knows no widgets).
    static void reportOnStandardError(const QString& title, const QString& text);

    // The reference workbook baseName ("diseaseData") in folder: the .xls file when there is
    // one, else an .xlsx or .ods file of that name, else the .xls name that is missing.
    static QFileInfo workbookFile(const QDir& folder, const QString& baseName);

private:
    // Opens file into excel and runs read on it. A failed open or any exception is reported
    // through the error reporter, after the store has been told why when the reason is known.
    void readWorkbook(ut::Excel& excel, const QFileInfo& file, InputDataMgr& store,
                      const std::function<void()>& read) const;
    static void readDiseaseData(ut::Excel& excel, const QFileInfo& file, InputDataMgr& store);
    static void readCountryData(ut::Excel& excel, const QFileInfo& file, InputDataMgr& store);
    static void readModelData(ut::Excel& excel, const QFileInfo& file, const QString& countryId, InputDataMgr& store);

    ErrorReporter m_reporter;
};

} // namespace fn

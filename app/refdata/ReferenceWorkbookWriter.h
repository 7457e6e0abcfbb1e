#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace ut {
class Excel;
}

namespace fn {

class InputDataMgr;

// Writes the content of a reference data store as the reference workbooks that
// fn::ReferenceDataImporter reads: "diseaseData.xls" with one sheet per disease of the
// store's disease ids, "countryData.xls" with one sheet per country that has a caption, a
// life expectancy or an age distribution, and one "modelData-<country>.xls" per country of
// the store's country-disease pairs, one sheet per disease.
//
// Importing the written folder gives the store's content back, except what the workbooks
// cannot carry: data of a country or disease that no sheet is written for, the "Generic"
// caption (its country sheet is never read), a congenital flag without a "congenital" or
// "perinatal" tree, duplicate country-disease pairs, run factors without levels, a table name
// that differs from its label other than in letter case, meta keys in capitals (they come
// back lower-cased) and empty formulas (they come back as "0"). A health state or transition
// with some but not all of its leading tables gets the parameter defaults for the others, and
// an element id shared by several trees of a disease carries the tables of the first one.
// Each disease's run factors are written on the first sheet that the import will read for
// the disease, since the import appends the factors of every sheet it reads.
class ReferenceWorkbookWriter
{
public:
    explicit ReferenceWorkbookWriter(const InputDataMgr& store);

    // Writes the workbooks into folder, creating it when needed. Stops at the first
    // failure, with errorString() telling why; workbooks saved before it stay.
    bool write(const QString& folder);
    QString errorString() const { return m_errorString; }

    static QString modelDataFileName(const QString& country);

private:
    // These throw ut::Exception on failure; write() turns it into errorString().
    void writeDiseaseData(const QString& path) const;
    void writeCountryData(const QString& path) const;
    void writeModelData(const QString& country, const QString& path) const;
    void writeModelDataSheet(ut::Excel& excel, const QString& country, const QString& disease) const;
    // Every health state and transition with tables, each as its id and its tables below.
    QVariantList elementRows(const QString& country, const QString& disease) const;
    // The diseases written to diseaseData.xls, in sheet order.
    QStringList writtenDiseases() const;
    // The diseases of a country's model data workbook, in sheet order.
    QStringList sheetDiseases(const QString& country) const;
    // Whether the import reads the model data sheets of country at all.
    bool isReadCountry(const QString& country) const;
    void placeRunFactors();

    const InputDataMgr& m_store;
    // Disease -> the country whose sheet carries the disease's run factor rows.
    QMap<QString, QString> m_runFactorCountries;
    QString m_errorString;
};

} // namespace fn

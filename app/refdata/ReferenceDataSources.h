#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace fn {
class InputDataMgr;
}

namespace refdata {

// The human-readable reference data: every "*.json" file of one folder, each a document
// whose "kind" is "countries" (captions, population and life expectancy) or "disease"
// (one disease with its trees and data sets). Reads them into a reference data store
// through its setters, refusing anything incomplete or ambiguous with a message that
// names the file and the place in it.
class ReferenceDataSources
{
public:
    explicit ReferenceDataSources(const QString& folder);

    // Fills store, which should be empty; country documents are read before diseases,
    // each kind in file name order. On failure the store holds a partial data set and
    // errorString() says why.
    bool readInto(fn::InputDataMgr& store);

    QString errorString() const { return m_errorString; }
    // The files read by the last readInto, in reading order.
    QStringList fileNames() const { return m_fileNames; }

private:
    QJsonObject parse(const QString& filePath) const;
    // Builds a model of every registered pair that has population data, which assembles
    // every outcome tree exactly as the program will.
    void checkModels(fn::InputDataMgr& store) const;

    QString m_folder;
    QString m_errorString;
    QStringList m_fileNames;
};

} // namespace refdata

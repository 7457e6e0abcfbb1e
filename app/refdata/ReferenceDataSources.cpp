#include "app/refdata/ReferenceDataSources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>

#include "fn/data/InputDataMgr.h"
#include "fn/model/DiseaseModel.h"
#include "app/refdata/sources/CountrySource.h"
#include "app/refdata/sources/DiseaseSource.h"
#include "app/refdata/sources/SourceObject.h"
#include "ut/Exception.h"

namespace refdata {

namespace {

const QString Countries = QStringLiteral("countries");
const QString Disease = QStringLiteral("disease");

[[noreturn]] void fail(const QString& message)
{
    throw ut::Exception(message, QStringLiteral("refdata::ReferenceDataSources::readInto"));
}

} // namespace

ReferenceDataSources::ReferenceDataSources(const QString& folder)
    : m_folder(folder)
{
}

bool ReferenceDataSources::readInto(fn::InputDataMgr& store)
{
    m_errorString.clear();
    m_fileNames.clear();
    try {
        const QDir dir(m_folder);
        if (!QFileInfo(m_folder).isDir())
            fail(QStringLiteral("%1: the data folder does not exist").arg(m_folder));
        const QStringList names = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        QVector<SourceObject> countryDocuments;
        QVector<SourceObject> diseaseDocuments;
        for (const QString& name : names) {
            const QString path = dir.filePath(name);
            const SourceObject document(parse(path), SourcePath(path));
            const QString kind = document.string(QStringLiteral("kind"));
            if (kind == Countries)
                countryDocuments << document;
            else if (kind == Disease)
                diseaseDocuments << document;
            else
                document.path(QStringLiteral("kind"))
                    .fail(QStringLiteral("unknown kind \"%1\" (expected \"countries\" or \"disease\")").arg(kind));
        }
        if (countryDocuments.isEmpty())
            fail(QStringLiteral("%1: no document of kind \"countries\" among the *.json files").arg(m_folder));
        if (diseaseDocuments.isEmpty())
            fail(QStringLiteral("%1: no document of kind \"disease\" among the *.json files").arg(m_folder));
        for (const SourceObject& document : qAsConst(countryDocuments)) {
            CountrySource::read(document, store);
            m_fileNames << document.path().fileName();
        }
        for (const SourceObject& document : qAsConst(diseaseDocuments)) {
            DiseaseSource::read(document, store);
            m_fileNames << document.path().fileName();
        }
        checkModels(store);
    } catch (const ut::Exception& error) {
        m_errorString = error.message();
        return false;
    }
    return true;
}

QJsonObject ReferenceDataSources::parse(const QString& filePath) const
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1: cannot be read: %2").arg(filePath, file.errorString()));
    const QByteArray bytes = file.readAll();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        const QByteArray before = bytes.left(error.offset);
        const int line = before.count('\n') + 1;
        const int column = error.offset - (before.lastIndexOf('\n') + 1) + 1;
        fail(QStringLiteral("%1: malformed JSON at offset %2 (line %3, column %4): %5")
                 .arg(filePath)
                 .arg(error.offset)
                 .arg(line)
                 .arg(column)
                 .arg(error.errorString()));
    }
    if (!document.isObject())
        fail(QStringLiteral("%1: the top level must be an object").arg(filePath));
    return document.object();
}

void ReferenceDataSources::checkModels(fn::InputDataMgr& store) const
{
    const fn::InputDataMgr::CountryDiseaseMap pairs = store.countryDiseases();
    for (auto it = pairs.cbegin(); it != pairs.cend(); ++it) {
        const QString& country = it.key();
        const QString& disease = it.value();
        // A model reads the population through accessors that would insert empty tables.
        if (!store.hasAgeDistribution(country) || !store.hasLifeExpectancy(country))
            continue;
        try {
            fn::DiseaseModel model(&store, QStringLiteral("check"), country, store.countryCaption(country),
                                   &store.diseaseTemplates().get(disease),
                                   store.inputFactors().getInputFactors(disease));
            model.setUp();
        } catch (const ut::Exception& error) {
            fail(QStringLiteral("the disease \"%1\" cannot be built into a model for \"%2\": %3")
                     .arg(disease, country, error.message()));
        }
    }
}

} // namespace refdata

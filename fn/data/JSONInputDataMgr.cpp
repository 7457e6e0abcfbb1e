#include "fn/data/JSONInputDataMgr.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QVariantMap>

#include "fn/data/JSONSpecificationCheck.h"
#include "fn/data/StoreValue.h"
#include "ut/Diagnostics.h"

namespace fn {

JSONInputDataMgr::JSONInputDataMgr(QObject* parent)
    : QObject(parent)
{
}

JSONInputDataMgr::~JSONInputDataMgr() = default;

void JSONInputDataMgr::setDirPath(QString dirPath)
{
    m_dirPath = dirPath;
    const QDir modelsDir(QDir(m_dirPath).filePath(QStringLiteral("./models/")));
    m_filePaths = modelsDir.entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Readable, QDir::Name);
    reload();
}

void JSONInputDataMgr::setFilePaths(QFileInfoList filePaths)
{
    m_filePaths = filePaths;
    reload();
}

QStringList JSONInputDataMgr::getDiseaseIds() const
{
    return m_templates.keys();
}

QStringList JSONInputDataMgr::getDiseaseNames() const
{
    QStringList names;
    for (const JSONDiseaseTemplate& diseaseTemplate : m_templates)
        names << diseaseTemplate.name();
    return names;
}

QVariantList JSONInputDataMgr::getDiseaseCaptions() const
{
    QVariantList captions;
    for (auto it = m_templates.constBegin(); it != m_templates.constEnd(); ++it) {
        captions << QVariantMap{{QStringLiteral("id"), it.key()},
                                {QStringLiteral("disease"), it.value().name()}};
    }
    return captions;
}

JSONDiseaseTemplate& JSONInputDataMgr::getDiseaseTemplate(InputType::Disease disease)
{
    return m_templates[disease];
}

bool JSONInputDataMgr::diseaseDataExist(InputType::Disease disease) const
{
    return m_templates.contains(disease);
}

void JSONInputDataMgr::reload()
{
    for (const QFileInfo& info : qAsConst(m_filePaths)) {
        QFile file(info.filePath());
        if (!file.exists())
            continue;
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            bytes = file.readAll();
            file.close();
        }
        readSpecification(bytes, QDir::toNativeSeparators(info.absoluteFilePath()));
    }
}

void JSONInputDataMgr::readSpecification(const QByteArray& bytes, const QString& fileName)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QString::fromUtf8(bytes).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        ut::Diagnostics::report(QStringLiteral("Model specification %1 is not valid JSON (%2 at character %3); "
                                               "it is read as an empty specification.")
                                    .arg(fileName, error.errorString())
                                    .arg(error.offset));
    else if (!document.isObject())
        ut::Diagnostics::report(
            QStringLiteral("Model specification %1 holds no JSON object; it is read as an empty specification.")
                .arg(fileName));
    const QJsonObject json = document.object();
    if (!JSONSpecificationCheck(json, fileName).run())
        return;
    const JSONDiseaseTemplate diseaseTemplate(json);
    storeValue(m_templates, diseaseTemplate.id(), diseaseTemplate);
}

} // namespace fn

#include "fn/data/JSONInputDataMgr.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QVariantMap>

#include "fn/data/templates/JSONSpecificationCheck.h"
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
        captions << QVariantMap{{QStringLiteral("id"), it.key()}, {QStringLiteral("disease"), it.value().name()}};
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
    const QJsonObject json = document.object();
    // What the file is not, when it is not a model specification at all; every such file is
    // still read, as an empty specification, and runs as a model without outcome trees.
    QString notASpecification;
    if (error.error != QJsonParseError::NoError)
        notASpecification =
            QStringLiteral("is not valid JSON (%1 at character %2)").arg(error.errorString()).arg(error.offset);
    else if (!document.isObject())
        notASpecification = QStringLiteral("holds no JSON object");
    else if (json.value(QStringLiteral("id")).toString().isEmpty()
             && json.value(QStringLiteral("outcomeTrees")).toObject().isEmpty())
        notASpecification = QStringLiteral("has neither an \"id\" nor \"outcomeTrees\"");
    if (!notASpecification.isEmpty())
        ut::Diagnostics::report(QStringLiteral("Model specification %1 %2; it is read as an empty specification: its "
                                               "model has no outcome tree, and its burden is 0.")
                                    .arg(fileName, notASpecification));
    if (!JSONSpecificationCheck(json, fileName).run())
        return;
    const JSONDiseaseTemplate diseaseTemplate(json);
    storeValue(m_templates, diseaseTemplate.id(), diseaseTemplate);
    m_sourceFiles.insert(diseaseTemplate.id(), fileName);
}

} // namespace fn

#pragma once

#include <QFileInfoList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include "fn/InputType.h"
#include "fn/data/templates/JSONDiseaseTemplate.h"

namespace fn {

// Reads JSON model files and keeps one template per disease id. Reloading only
// adds and replaces templates, so a file given on the command line joins those of the
// "models" folder. Unreadable files yield empty templates; what a file holds that its
// author cannot have meant is reported, and files too large for this computer are skipped.
class JSONInputDataMgr : public QObject
{
    Q_OBJECT

public:
    explicit JSONInputDataMgr(QObject* parent = nullptr);
    ~JSONInputDataMgr() override;

    // Reads the bytes of one specification file, named fileName in reports, and stores its
    // template unless the file has to be skipped (which is reported).
    void readSpecification(const QByteArray& bytes, const QString& fileName);

    const QString& dirPath() const { return m_dirPath; }
    const QFileInfoList& filePaths() const { return m_filePaths; }

public slots:
    // Every readable file of the "models" sub-folder of dirPath is read as a model file.
    void setDirPath(QString dirPath);
    void setFilePaths(QFileInfoList filePaths);
    QStringList getDiseaseIds() const;
    QStringList getDiseaseNames() const;
    // One map per template, in id order: "id" and "disease" (the name).
    QVariantList getDiseaseCaptions() const;
    // Inserts an empty template for an unknown id, so the reference is always valid.
    fn::JSONDiseaseTemplate& getDiseaseTemplate(fn::InputType::Disease disease);
    bool diseaseDataExist(fn::InputType::Disease disease) const;
    // The file the disease's template was read from, as named in reports; empty when unknown.
    QString sourceFile(const fn::InputType::Disease& disease) const { return m_sourceFiles.value(disease); }

private:
    void reload();

    QString m_dirPath;
    QFileInfoList m_filePaths;
    QMap<QString, JSONDiseaseTemplate> m_templates;
    QMap<QString, QString> m_sourceFiles;
};

} // namespace fn

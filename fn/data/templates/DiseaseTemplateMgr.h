#pragma once

#include <QMap>
#include <QString>

#include "fn/data/templates/DiseaseTemplate.h"

namespace fn {

class CacheStream;

// The disease templates of the reference data, by disease id.
class DiseaseTemplateMgr
{
public:
    using TemplateMap = QMap<QString, DiseaseTemplate>;

    DiseaseTemplateMgr() = default;
    DiseaseTemplateMgr(const DiseaseTemplateMgr&) = default;
    DiseaseTemplateMgr& operator=(const DiseaseTemplateMgr&) = default;
    virtual ~DiseaseTemplateMgr();

    void add(const QString& diseaseId, const DiseaseTemplate& diseaseTemplate);
    bool contains(const QString& diseaseId) const { return m_templates.contains(diseaseId); }
    // Inserts an empty template for an unknown id, so the reference is always valid.
    DiseaseTemplate& get(const QString& diseaseId) { return m_templates[diseaseId]; }
    void clear() { m_templates.clear(); }

    const TemplateMap& templates() const { return m_templates; }
    void setTemplates(const TemplateMap& templates) { m_templates = templates; }

    // The templates as one part of the cache file; reading replaces the content. Trees
    // are stored without a name of their own: a tree read back is named after its id.
    void write(CacheStream& stream) const;
    void read(CacheStream& stream);

private:
    TemplateMap m_templates;
};

} // namespace fn

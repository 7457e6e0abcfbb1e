#include "fn/data/templates/DiseaseTemplateMgr.h"

#include "fn/data/CacheStream.h"

namespace fn {

DiseaseTemplateMgr::~DiseaseTemplateMgr() = default;

void DiseaseTemplateMgr::add(const QString& diseaseId, const DiseaseTemplate& diseaseTemplate)
{
    m_templates.insert(diseaseId, diseaseTemplate);
}

namespace {

void writeRows(CacheStream& stream, const OutcomeTreeTemplate::RowMap& rows)
{
    stream.writeMap(rows, [&stream](const OutcomeTreeTemplate::Row& row) { stream.writeStringList(row); });
}

OutcomeTreeTemplate::RowMap readRows(CacheStream& stream)
{
    return stream.readMap<OutcomeTreeTemplate::Row>([&stream] { return stream.readStringList(); });
}

void writeTree(CacheStream& stream, const OutcomeTreeTemplate& tree)
{
    stream.writeString(tree.id());
    writeRows(stream, tree.healthOutcomes());
    writeRows(stream, tree.healthStates());
    writeRows(stream, tree.transitions());
    stream.writeStringList(tree.healthOutcomeOrder());
}

OutcomeTreeTemplate readTree(CacheStream& stream)
{
    const QString id = stream.readString();
    OutcomeTreeTemplate tree(id, id);
    tree.setHealthOutcomes(readRows(stream));
    tree.setHealthStates(readRows(stream));
    tree.setTransitions(readRows(stream));
    tree.setHealthOutcomeOrder(stream.readStringList());
    return tree;
}

void writeDisease(CacheStream& stream, const DiseaseTemplate& disease)
{
    stream.writeString(disease.id());
    stream.writeString(disease.caption());
    stream.writeStringList(disease.outcomeTreeIds());
    stream.writeMap(disease.outcomeTrees(), [&stream](const OutcomeTreeTemplate& tree) { writeTree(stream, tree); });
    stream.writeBool(disease.isCongenital());
}

DiseaseTemplate readDisease(CacheStream& stream)
{
    DiseaseTemplate disease;
    disease.setId(stream.readString());
    disease.setCaption(stream.readString());
    disease.setOutcomeTreeIds(stream.readStringList());
    disease.setOutcomeTrees(stream.readMap<OutcomeTreeTemplate>([&stream] { return readTree(stream); }));
    disease.setCongenital(stream.readBool());
    return disease;
}

} // namespace

void DiseaseTemplateMgr::write(CacheStream& stream) const
{
    stream.writeMap(m_templates, [&stream](const DiseaseTemplate& disease) { writeDisease(stream, disease); });
}

void DiseaseTemplateMgr::read(CacheStream& stream)
{
    m_templates = stream.readMap<DiseaseTemplate>([&stream] { return readDisease(stream); });
}

} // namespace fn

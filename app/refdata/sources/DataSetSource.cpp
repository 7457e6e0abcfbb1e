#include "app/refdata/sources/DataSetSource.h"

namespace refdata {

namespace {

const QString Parameters = QStringLiteral("parameters");
const QString HealthStates = QStringLiteral("healthStates");
const QString Transitions = QStringLiteral("transitions");
const QString UnderestimationType = QStringLiteral("underestimationType");
// Columns of the template rows.
const int RowId = 0;
const int StateCategory = 3;
const int ComplementedId = 4;
const QStringList RunFactorLabels = {QStringLiteral("coverage"), QStringLiteral("underestimation"),
                                     QStringLiteral("underreporting"), QStringLiteral("underascertainment")};

} // namespace

DataSetSource::DataSetSource(const fn::DiseaseTemplate& disease, SourceArrayReader& arrays)
    : m_disease(disease)
    , m_arrays(arrays)
{
}

void DataSetSource::read(const SourceObject& section, const QString& country, fn::InputDataMgr& store)
{
    section.allowOnly(QStringList{QStringLiteral("notificationData"), QStringLiteral("outcomeTreeMapping"),
                                  UnderestimationType, Parameters}
                      + RunFactorLabels);
    const QString disease = m_disease.id();
    store.setNotificationData(country, disease,
                              m_arrays.read(section.required(QStringLiteral("notificationData")),
                                            QStringLiteral("Notification data"),
                                            section.path(QStringLiteral("notificationData"))));
    readMapping(section, country, store);
    for (const QString& label : RunFactorLabels)
        store.setRunFactor(country, disease, label, m_arrays.read(section.required(label), label, section.path(label)));
    readUnderestimationType(section, country, store);

    const SourceObject parameters = section.object(Parameters);
    for (const QString& treeId : parameters.keys()) {
        if (!m_disease.outcomeTrees().contains(treeId))
            parameters.path(treeId).fail(QStringLiteral("the disease has no outcome tree \"%1\"").arg(treeId));
    }
    for (const QString& treeId : m_disease.outcomeTreeIds())
        readTree(parameters.object(treeId), m_disease.outcomeTree(treeId), country, store);
}

void DataSetSource::readMapping(const SourceObject& section, const QString& country, fn::InputDataMgr& store)
{
    const QString key = QStringLiteral("outcomeTreeMapping");
    const fn::DataArray mapping = m_arrays.read(section.required(key), QStringLiteral("Outcome tree mapping"),
                                                section.path(key));
    // Each stratum names the number of its tree; anything else would leave strata without a tree.
    const int treeCount = m_disease.outcomeTreeCount();
    for (const QString& cell : mapping.formulas()) {
        bool ok = false;
        const int number = cell.toInt(&ok);
        if (!ok || number < 1 || number > treeCount)
            section.path(key).fail(QStringLiteral("every stratum must hold a tree number from 1 to %1, found \"%2\"")
                                       .arg(treeCount)
                                       .arg(cell));
    }
    store.setOutcomeTreeMapping(country, m_disease.id(), mapping);
}

void DataSetSource::readUnderestimationType(const SourceObject& section, const QString& country,
                                            fn::InputDataMgr& store)
{
    if (!section.has(UnderestimationType))
        return;
    const SourceObject block = section.object(UnderestimationType);
    fn::InputDataMgr::KeyValues values;
    for (const QString& key : block.keys())
        values.insert(key, block.string(key));
    if (values.contains(QStringLiteral("type"))) {
        bool ok = false;
        values.value(QStringLiteral("type")).toInt(&ok);
        if (!ok)
            block.path(QStringLiteral("type"))
                .fail(QStringLiteral("expected an integer, 0 for the underestimation "
                                     "factor or another value for underreporting x "
                                     "underascertainment"));
    }
    store.setUnderestimationTypes(country, m_disease.id(), values);
}

void DataSetSource::readTree(const SourceObject& tree, const fn::OutcomeTreeTemplate& treeTemplate,
                             const QString& country, fn::InputDataMgr& store)
{
    tree.allowOnly({HealthStates, Transitions});
    const SourceObject states = tree.object(HealthStates);
    const SourceObject transitions = tree.object(Transitions);

    QStringList stateIds;
    for (const fn::OutcomeTreeTemplate::Row& row : treeTemplate.healthStates()) {
        // The infection carries no parameters of its own.
        if (row.value(StateCategory) != QLatin1String("INFECTION"))
            stateIds << row.value(RowId);
    }
    QStringList transitionIds;
    QStringList complementIds;
    for (const fn::OutcomeTreeTemplate::Row& row : treeTemplate.transitions())
        (row.value(ComplementedId).isEmpty() ? transitionIds : complementIds) << row.value(RowId);

    for (const QString& id : states.keys()) {
        if (!stateIds.contains(id))
            states.path(id).fail(QStringLiteral("the tree has no health state \"%1\" with parameters").arg(id));
    }
    for (const QString& id : transitions.keys()) {
        if (complementIds.contains(id))
            transitions.path(id).fail(QStringLiteral("\"%1\" is a complement and takes no parameters").arg(id));
        if (!transitionIds.contains(id))
            transitions.path(id).fail(QStringLiteral("the tree has no transition \"%1\"").arg(id));
    }
    for (const QString& id : qAsConst(stateIds))
        readHealthState(states.object(id), treeTemplate.id(), id, country, store);
    for (const QString& id : qAsConst(transitionIds))
        readTransition(transitions.object(id), treeTemplate.id(), id, country, store);
}

void DataSetSource::readHealthState(const SourceObject& state, const QString& treeId, const QString& stateId,
                                    const QString& country, fn::InputDataMgr& store)
{
    state.allowOnly({QStringLiteral("severity"), QStringLiteral("duration"), QStringLiteral("proportion")});
    const QString disease = m_disease.id();
    store.params().set(country, disease, treeId, stateId, fn::ParamsMgr::Severity,
                       m_arrays.read(state.required(QStringLiteral("severity")), QStringLiteral("Severity"),
                                     state.path(QStringLiteral("severity"))));
    store.params().set(country, disease, treeId, stateId, fn::ParamsMgr::Duration,
                       m_arrays.read(state.required(QStringLiteral("duration")), QStringLiteral("Duration"),
                                     state.path(QStringLiteral("duration"))));
    if (!state.has(QStringLiteral("proportion")))
        return;
    const SourcePath path = state.path(QStringLiteral("proportion"));
    const fn::DataArray proportion = m_arrays.read(state.value(QStringLiteral("proportion")),
                                                   QStringLiteral("Proportion"), path);
    checkYesNo(proportion, QStringLiteral("remaining cases"), path);
    store.params().set(country, disease, treeId, stateId, fn::ParamsMgr::Proportion, proportion);
}

void DataSetSource::readTransition(const SourceObject& transition, const QString& treeId, const QString& transitionId,
                                   const QString& country, fn::InputDataMgr& store)
{
    transition.allowOnly({QStringLiteral("probability"), QStringLiteral("redistribution")});
    const QString disease = m_disease.id();
    const SourcePath path = transition.path(QStringLiteral("probability"));
    const fn::DataArray probability = m_arrays.read(transition.required(QStringLiteral("probability")),
                                                    QStringLiteral("Probability"), path);
    checkYesNo(probability, QStringLiteral("redistribute"), path);
    checkYesNo(probability, QStringLiteral("direct type"), path);
    // An unusable duration would silently become "no limit" in the model.
    const QString duration = probability.metaValue(QStringLiteral("duration"));
    if (probability.meta().contains(QStringLiteral("duration")) && !m_arrays.isValidFormula(duration))
        (path / QStringLiteral("meta") / QStringLiteral("duration"))
            .fail(QStringLiteral("\"%1\" is not a valid formula").arg(duration));
    store.transitionParams().set(country, disease, treeId, transitionId, fn::TransitionParamsMgr::Probability,
                                 probability);
    if (transition.has(QStringLiteral("redistribution"))) {
        store.transitionParams().set(country, disease, treeId, transitionId, fn::TransitionParamsMgr::Redistribution,
                                     m_arrays.read(transition.value(QStringLiteral("redistribution")),
                                                   QStringLiteral("Redistribution"),
                                                   transition.path(QStringLiteral("redistribution"))));
    }
}

void DataSetSource::checkYesNo(const fn::DataArray& array, const QString& key, const SourcePath& path) const
{
    if (!array.meta().contains(key))
        return;
    const QString value = array.metaValue(key).toLower();
    if (value != QLatin1String("yes") && value != QLatin1String("no"))
        (path / QStringLiteral("meta") / key)
            .fail(QStringLiteral("expected \"yes\" or \"no\", found \"%1\"").arg(array.metaValue(key)));
}

} // namespace refdata

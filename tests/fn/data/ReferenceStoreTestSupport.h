#pragma once

#include <gtest/gtest.h>

#include <string>

#include <QFile>
#include <QTemporaryDir>

#include "fn/data/InputDataMgr.h"
#include "app/refdata/ReferenceWorkbookWriter.h"
#include "ut/workbook/Excel.h"

// A small reference data store, filled by hand, and its workbooks: what the import and the
// workbook writer tests start from; and a store as text, to compare two stores field by field.
namespace referencetest {

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

using Rows = QVector<QVariantList>;

// Writes rows from the given row on, as wide as the widest of them; returns the row after them.
inline int writeRows(ut::Excel& excel, int row, const Rows& rows)
{
    QVariantList block;
    int width = 1;
    for (const QVariantList& r : rows) {
        block << QVariant(r);
        width = std::max(width, static_cast<int>(r.size()));
    }
    int next = 0;
    excel.writeBlock(QPoint(row, 1), block, width, next);
    return next;
}

// What a store tells while it imports: a message box as "title|type|text", an error as "title|text".
inline void recordMessages(fn::InputDataMgr& store, QStringList& told)
{
    QObject::connect(&store, &fn::InputDataMgr::showMessage,
                     [&told](const QString& title, const QString& text, const QString& type) {
                         told << title + "|" + type + "|" + text;
                     });
    store.setImportErrorReporter([&told](const QString& title, const QString& text) { told << title + "|" + text; });
}

inline void recordSheets(fn::InputDataMgr& store, QStringList& reports)
{
    QObject::connect(&store, &fn::InputDataMgr::excelSheetImporting,
                     [&reports](fn::FileOperationType operation, const QString& dataType, const QString& text1,
                                const QString& text2) {
                         reports << QString::number(operation) + "|" + dataType + "|" + text1 + "|" + text2;
                     });
}

using Meta = fn::DataArray::Meta;

inline const QString Disease = QStringLiteral("BaselineBSI");
inline const QString Generic = QStringLiteral("Generic");
inline const QString Austria = QStringLiteral("Austria");
inline const fn::InputFactor Age(QStringLiteral("Age"), {"0-4", "5-14", "15+"});
inline const fn::InputFactor Sex(QStringLiteral("Sex"), {"Female", "Male"});

inline fn::DataArray table(const QString& name, const Meta& meta, const QStringList& formulas)
{
    return fn::DataArray({Age, Sex}, name, meta, formulas);
}

// Six distinct formulas, random ones among them, so that a shifted or transposed cell shows.
inline fn::DataArray randomTable(const QString& name, int seed, const Meta& meta = {})
{
    QStringList formulas;
    for (int i = 0; i < 6; ++i) {
        const int n = seed * 10 + i;
        formulas << (i % 2 ? QStringLiteral("RandPert(0.%1, 0.%2, 0.%3)").arg(n).arg(n + 1).arg(n + 2)
                           : QStringLiteral("RandUniform(%1, %2)").arg(n).arg(n + 5));
    }
    return table(name, meta, formulas);
}

inline fn::OutcomeTreeTemplate bloodstreamTree()
{
    fn::OutcomeTreeTemplate tree(QStringLiteral("BSI"), QStringLiteral("BSI"));
    tree.addHealthOutcome("infection", "Infection", "INFECTION", "FALSE");
    tree.addHealthOutcome("acute", "Acute illness", "ACUTE", "TRUE");
    tree.addHealthOutcome("death", "Death", "DEATH", "FALSE");
    tree.addHealthState("bsi", "Bloodstream infection", "infection", "INFECTION");
    tree.addHealthState("acuteIllness", "Acute illness", "acute", "YLD");
    tree.addHealthState("bsiDeath", "Death after infection", "death", "YLL");
    tree.addTransition("toAcute", "Falls ill", "bsi", "acuteIllness", "");
    tree.addTransition("toDeath", "Dies", "bsi", "bsiDeath", "toAcute");
    return tree;
}

inline fn::OutcomeTreeTemplate sequelaTree()
{
    fn::OutcomeTreeTemplate tree(QStringLiteral("Sequelae"), QStringLiteral("Sequelae"));
    tree.addHealthOutcome("seqInfection", "Infection", "INFECTION", "FALSE");
    tree.addHealthOutcome("impairment", "Impairment", "SEQUELA", "TRUE");
    tree.addHealthState("seqStart", "Infected", "seqInfection", "INFECTION");
    tree.addHealthState("impaired", "Impaired", "impairment", "YLD");
    tree.addTransition("toImpaired", "Impairment follows", "seqStart", "impaired", "");
    return tree;
}

inline fn::DiseaseTemplate diseaseTemplate(const QString& id, const QString& caption,
                                           const QVector<fn::OutcomeTreeTemplate>& trees)
{
    fn::DiseaseTemplate disease;
    disease.setId(id);
    disease.setCaption(caption);
    for (const fn::OutcomeTreeTemplate& tree : trees) {
        disease.addOutcomeTree(tree.id(), tree);
        disease.appendOutcomeTreeId(tree.id());
    }
    return disease;
}

// Everything of one country's data set for Disease, with formulas that differ by seed.
inline void fillModelData(fn::InputDataMgr& store, const QString& country, int seed)
{
    store.addCountryDisease(country, Disease);
    store.setOutcomeTreeMapping(country, Disease,
                                table("Outcome tree mapping", {}, {"1", "2", "1", "2", "1", QString::number(seed)}));
    store.setNotificationData(country, Disease, randomTable("Notification data", seed, {{"source", "Invented"}}));
    store.setRunFactor(country, Disease, "coverage", randomTable("Coverage", seed + 1));
    store.setRunFactor(country, Disease, "underestimation", randomTable("underestimation", seed + 2));
    store.setRunFactor(country, Disease, "underreporting", randomTable("Underreporting", seed + 3));
    store.setRunFactor(country, Disease, "underascertainment", randomTable("underascertainment", seed + 4));
    store.setUnderestimationTypes(country, Disease, {{"type", QString::number(seed % 3)}, {"note", "by hand"}});

    fn::ParamsMgr& params = store.params();
    params.set(country, Disease, "BSI", "acuteIllness", fn::ParamsMgr::Severity,
               randomTable("Severity", seed + 5, {{"description", "Acute illness"}}));
    params.set(country, Disease, "BSI", "acuteIllness", fn::ParamsMgr::Duration, randomTable("Duration", seed + 6));
    params.set(country, Disease, "BSI", "acuteIllness", fn::ParamsMgr::Proportion,
               randomTable("Proportion", seed + 7, {{"remaining cases", "yes"}}));
    params.set(country, Disease, "BSI", "bsiDeath", fn::ParamsMgr::Severity, randomTable("Severity", seed + 8));
    params.set(country, Disease, "BSI", "bsiDeath", fn::ParamsMgr::Duration, randomTable("Duration", seed + 9));
    params.set(country, Disease, "Sequelae", "impaired", fn::ParamsMgr::Severity, randomTable("Severity", seed + 10));
    params.set(country, Disease, "Sequelae", "impaired", fn::ParamsMgr::Duration, randomTable("Duration", seed + 11));
    params.set(country, Disease, "Sequelae", "impaired", fn::ParamsMgr::Proportion,
               randomTable("proportion", seed + 12, {{"remaining cases", "no"}}));

    fn::TransitionParamsMgr& transitions = store.transitionParams();
    transitions.set(country, Disease, "BSI", "toAcute", fn::TransitionParamsMgr::Probability,
                    randomTable("Probability", seed + 13,
                                {{"redistribute", "yes"}, {"direct type", "Cumulative"}, {"duration", "2.5"}}));
    transitions.set(country, Disease, "BSI", "toAcute", fn::TransitionParamsMgr::Redistribution,
                    randomTable("Redistribution", seed + 14));
    transitions.set(country, Disease, "BSI", "toDeath", fn::TransitionParamsMgr::Probability,
                    randomTable("Probability", seed + 15, {{"direct type", "Direct"}}));
    transitions.set(country, Disease, "Sequelae", "toImpaired", fn::TransitionParamsMgr::Probability,
                    randomTable("Probability", seed + 16));
}

// Two countries, "Generic" among them, and one disease with two trees.
inline void fillStore(fn::InputDataMgr& store)
{
    store.diseaseTemplates().add(
        Disease, diseaseTemplate(Disease, QStringLiteral("Bloodstream infection"), {bloodstreamTree(), sequelaTree()}));
    store.appendDiseaseId(Disease);
    store.inputFactors().addInputFactor(Disease, Age.name(), Age.levels());
    store.inputFactors().addInputFactor(Disease, Sex.name(), Sex.levels());

    store.setCountryCaption(Austria, QStringLiteral("Österreich"));
    store.setLifeExpectancy(Austria, table("Life expectancy", {}, {"80.5", "76.1", "71", "66.2", "62", "58"}));
    store.setAgeDistribution(Austria,
                             table("Age distribution", {{"source", "Census"}},
                                   {"400000", "420000", "800000", "810000", "3000000", "2900000"}));
    fillModelData(store, Austria, 1);
    fillModelData(store, Generic, 5);
}

inline QString dump(const fn::DataArray& array)
{
    QStringList factors;
    for (const fn::InputFactor& factor : array.factorCopies())
        factors << factor.name() + "=" + factor.levels().join(",");
    QStringList meta;
    for (auto it = array.meta().cbegin(); it != array.meta().cend(); ++it)
        meta << it.key() + ":" + it.value();
    // A null formula shows apart from an empty one; current formulas only where they differ.
    QStringList formulas;
    for (const QString& formula : array.formulas())
        formulas << (formula.isNull() ? QStringLiteral("<null>") : formula);
    const QString current = array.currentFormulas() == array.formulas() ? QString()
                                                                        : " now " + array.currentFormulas().join(" | ");
    return "'" + array.name() + "' {" + meta.join(";") + "} [" + factors.join(" x ") + "] " + formulas.join(" | ")
        + current;
}

template <typename Map>
inline void dumpArrays(QStringList& lines, const QString& prefix, const Map& map)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        lines << prefix + "/" + it.key() + " " + dump(it.value());
}

template <typename Map>
inline void dumpNested(QStringList& lines, const QString& prefix, const Map& map)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        dumpArrays(lines, prefix + "/" + it.key(), it.value());
}

inline void dumpElements(QStringList& lines, const QString& prefix, const fn::ElementParams& params)
{
    for (auto c = params.map().cbegin(); c != params.map().cend(); ++c) {
        for (auto d = c->cbegin(); d != c->cend(); ++d)
            dumpNested(lines, prefix + "/" + c.key() + "/" + d.key(), d.value());
    }
}

// Every field of a store as lines of text, so that a difference shows where it is.
inline std::string dump(const fn::InputDataMgr& store)
{
    QStringList lines;
    for (const auto& entry : store.inputFactors().factorMap()) {
        for (const fn::InputFactor& factor : entry.second)
            lines << "factor/" + entry.first + " " + factor.name() + "=" + factor.levels().join(",");
    }
    for (auto it = store.countryCaptions().cbegin(); it != store.countryCaptions().cend(); ++it)
        lines << "caption/" + it.key() + " " + (it.value().isNull() ? QStringLiteral("<null>") : it.value());
    dumpArrays(lines, "lifeExpectancy", store.lifeExpectancies());
    dumpArrays(lines, "ageDistribution", store.ageDistributions());
    dumpNested(lines, "mapping", store.outcomeTreeMappings());
    dumpNested(lines, "notification", store.notificationDataMap());
    for (int kind = 0; kind < fn::ParamsMgr::KindCount; ++kind)
        dumpElements(lines, "params" + QString::number(kind), store.params().params(kind));
    for (int kind = 0; kind < fn::TransitionParamsMgr::KindCount; ++kind)
        dumpElements(lines, "transition" + QString::number(kind), store.transitionParams().params(kind));
    for (auto c = store.runFactors().cbegin(); c != store.runFactors().cend(); ++c)
        dumpNested(lines, "runFactor/" + c.key(), c.value());
    for (auto c = store.underestimationTypes().cbegin(); c != store.underestimationTypes().cend(); ++c) {
        for (auto d = c->cbegin(); d != c->cend(); ++d) {
            for (auto e = d->cbegin(); e != d->cend(); ++e)
                lines << "underestimationType/" + c.key() + "/" + d.key() + " " + e.key() + ":" + e.value();
            if (d->isEmpty())
                lines << "underestimationType/" + c.key() + "/" + d.key() + " (empty)";
        }
    }
    for (auto it = store.diseaseTemplates().templates().cbegin(); it != store.diseaseTemplates().templates().cend();
         ++it) {
        const fn::DiseaseTemplate& disease = it.value();
        lines << "template/" + it.key() + " id=" + disease.id() + " caption=" + disease.caption() + " trees="
                + disease.outcomeTreeIds().join(",") + " congenital=" + (disease.isCongenital() ? "1" : "0");
        for (const fn::OutcomeTreeTemplate& tree : disease.outcomeTrees()) {
            const QString prefix = "template/" + it.key() + "/" + tree.id() + " name=" + tree.name();
            lines << prefix + " order=" + tree.healthOutcomeOrder().join(",");
            for (const QStringList& row : tree.healthOutcomes())
                lines << prefix + " outcome " + row.join("|");
            for (const QStringList& row : tree.healthStates())
                lines << prefix + " state " + row.join("|");
            for (const QStringList& row : tree.transitions())
                lines << prefix + " transition " + row.join("|");
        }
    }
    for (auto it = store.countryDiseases().cbegin(); it != store.countryDiseases().cend(); ++it)
        lines << "countryDisease " + it.key() + " " + it.value();
    lines << "diseaseIds " + store.diseaseIds().join(",") << "regions " + store.regions().join(",");
    return lines.join('\n').toStdString();
}

inline QString referenceFolder(const QTemporaryDir& base)
{
    return base.filePath(QStringLiteral("referenceData"));
}

inline void writeWorkbooks(const fn::InputDataMgr& store, const QTemporaryDir& base)
{
    fn::ReferenceWorkbookWriter writer(store);
    ASSERT_TRUE(writer.write(referenceFolder(base))) << writer.errorString().toStdString();
}

} // namespace referencetest

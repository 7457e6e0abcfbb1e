#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "fn/data/InputDataMgr.h"
#include "app/refdata/ReferenceWorkbookWriter.h"

// Reference workbooks the size of the sample data: "Generic" and four countries with
// population tables of 19 age groups by sex, and diseases with one tree of four outcomes,
// five health states and three transitions, every table filled with random formulas.
namespace {

const QStringList countries{"Austria", "France", "Germany", "Italy", "Generic"};

QStringList ageGroups()
{
    QStringList groups;
    for (int age = 0; age < 90; age += 5)
        groups << QStringLiteral("%1-%2").arg(age).arg(age + 4);
    return groups << QStringLiteral("90+");
}

const fn::InputFactor Age(QStringLiteral("Age"), ageGroups());
const fn::InputFactor Sex(QStringLiteral("Sex"), {"Female", "Male"});

fn::DataArray table(const QString& name, int seed, const fn::DataArray::Meta& meta = {})
{
    QStringList formulas;
    for (int i = 0; i < Age.levelCount() * Sex.levelCount(); ++i)
        formulas << QStringLiteral("RandPert(0.%1, 0.%2, 0.%3)").arg(seed).arg(seed + i + 1).arg(seed + i + 2);
    return fn::DataArray({Age, Sex}, name, meta, formulas);
}

fn::DiseaseTemplate diseaseTemplate(const QString& id)
{
    fn::OutcomeTreeTemplate tree(QStringLiteral("BSI"), QStringLiteral("BSI"));
    tree.addHealthOutcome("infection", "Infection", "INFECTION", "FALSE");
    tree.addHealthOutcome("acuteBSI", "Acute bloodstream infection", "ACUTE", "TRUE");
    tree.addHealthOutcome("sequelae", "Long-term impairment", "SEQUELA", "TRUE");
    tree.addHealthOutcome("death", "Death", "DEATH", "FALSE");
    tree.addHealthState("bsi", "Bloodstream infection", "infection", "INFECTION");
    tree.addHealthState("acuteIllness", "Acute illness", "acuteBSI", "YLD");
    tree.addHealthState("mildImpairment", "Mild impairment", "sequelae", "YLD");
    tree.addHealthState("severeImpairment", "Severe impairment", "sequelae", "YLD");
    tree.addHealthState("bsiDeath", "Death", "death", "YLL");
    tree.addTransition("bsiToAcute", "Infection to acute illness", "bsi", "acuteBSI", "");
    tree.addTransition("acuteToDeath", "Acute illness to death", "acuteBSI", "death", "");
    tree.addTransition("acuteToSequelae", "Acute illness to impairment", "acuteBSI", "sequelae", "acuteToDeath");
    fn::DiseaseTemplate disease;
    disease.setId(id);
    disease.setCaption(id);
    disease.addOutcomeTree(tree.id(), tree);
    disease.appendOutcomeTreeId(tree.id());
    return disease;
}

void fill(fn::InputDataMgr& store, int diseaseCount)
{
    for (int c = 0; c < countries.size(); ++c) {
        const QString& country = countries[c];
        if (country != QLatin1String("Generic")) {
            store.setCountryCaption(country, country);
            store.setLifeExpectancy(country, table("Life expectancy", c));
            store.setAgeDistribution(country, table("Age distribution", c + 1));
        }
    }
    for (int d = 0; d < diseaseCount; ++d) {
        const QString disease = QStringLiteral("Disease%1").arg(d);
        store.diseaseTemplates().add(disease, diseaseTemplate(disease));
        store.appendDiseaseId(disease);
        store.inputFactors().addInputFactor(disease, Age.name(), Age.levels());
        store.inputFactors().addInputFactor(disease, Sex.name(), Sex.levels());
        for (int c = 0; c < countries.size(); ++c) {
            const QString& country = countries[c];
            const int seed = c + d;
            store.addCountryDisease(country, disease);
            store.setOutcomeTreeMapping(country, disease, table("Outcome tree mapping", seed));
            store.setNotificationData(country, disease, table("Notification data", seed));
            for (const char* label : {"coverage", "underestimation", "underreporting", "underascertainment"})
                store.setRunFactor(country, disease, QLatin1String(label), table(QLatin1String(label), seed));
            store.setUnderestimationTypes(country, disease, {{"type", "1"}});
            for (const char* state : {"acuteIllness", "mildImpairment", "severeImpairment"}) {
                store.params().set(country, disease, "BSI", state, fn::ParamsMgr::Severity, table("Severity", seed));
                store.params().set(country, disease, "BSI", state, fn::ParamsMgr::Duration, table("Duration", seed));
                store.params().set(country, disease, "BSI", state, fn::ParamsMgr::Proportion,
                                   table("Proportion", seed, {{"remaining cases", "no"}}));
            }
            for (const char* transition : {"bsiToAcute", "acuteToDeath", "acuteToSequelae"}) {
                store.transitionParams().set(country, disease, "BSI", transition, fn::TransitionParamsMgr::Probability,
                                             table("Probability", seed, {{"direct type", "yes"}, {"duration", "-1"}}));
                store.transitionParams().set(country, disease, "BSI", transition,
                                             fn::TransitionParamsMgr::Redistribution, table("Redistribution", seed));
            }
        }
    }
}

void BM_WriteReferenceWorkbooks(benchmark::State& state)
{
    fn::InputDataMgr store;
    fill(store, static_cast<int>(state.range(0)));
    const QTemporaryDir base;
    for (auto _ : state) {
        fn::ReferenceWorkbookWriter writer(store);
        if (!writer.write(base.filePath(QStringLiteral("referenceData"))))
            state.SkipWithError(writer.errorString().toStdString().c_str());
    }
}

void BM_ImportReferenceWorkbooks(benchmark::State& state)
{
    const int diseaseCount = static_cast<int>(state.range(0));
    fn::InputDataMgr source;
    fill(source, diseaseCount);
    const QTemporaryDir base;
    fn::ReferenceWorkbookWriter writer(source);
    if (!writer.write(base.filePath(QStringLiteral("referenceData")))) {
        state.SkipWithError(writer.errorString().toStdString().c_str());
        return;
    }
    bool failed = false;
    for (auto _ : state) {
        fn::InputDataMgr store;
        store.setImportErrorReporter([&failed](const QString&, const QString&) { failed = true; });
        store.setPath(base.path());
        store.importFromWorkbooks();
        if (failed || store.countryDiseases().size() != countries.size() * diseaseCount) {
            state.SkipWithError("the reference workbooks did not import completely");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_WriteReferenceWorkbooks)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportReferenceWorkbooks)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

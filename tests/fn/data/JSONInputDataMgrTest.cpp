#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QVariantMap>

#include "fn/data/JSONInputDataMgr.h"

namespace {

QString fixture(const QString& relative)
{
    return QStringLiteral(OZMID_TEST_DATA_DIR "/fn/data/fixtures/") + relative;
}

fn::JSONDiseaseTemplate fullTemplate()
{
    fn::JSONInputDataMgr mgr;
    mgr.setFilePaths({QFileInfo(fixture("full-model.json"))});
    EXPECT_TRUE(mgr.diseaseDataExist("FullDisease"));
    return mgr.getDiseaseTemplate("FullDisease");
}

using Rows = QMap<QString, QStringList>;

} // namespace

TEST(JSONDiseaseTemplate, IdentityFactorsAndDiseaseArrays)
{
    const fn::JSONDiseaseTemplate disease = fullTemplate();
    EXPECT_EQ(disease.id(), "FullDisease");
    EXPECT_EQ(disease.name(), "Full test disease");
    // A string where a bool belongs reads as false.
    EXPECT_FALSE(disease.isCongenital());

    // Names get a capital first letter; a number level reads as its text.
    EXPECT_EQ(disease.factors(),
              (QVector<fn::InputFactor>{fn::InputFactor("Age", {"0-49", "50"}),
                                        fn::InputFactor("Gender", {"female", "male"})}));

    // An empty string and a JSON number both read as "0".
    const fn::DataArray notification = disease.notificationData();
    EXPECT_EQ(notification.name(), "Notification data");
    EXPECT_EQ(notification.formulas(), QStringList({"10", "20", "0", "0"}));
    EXPECT_EQ(notification.dims(), fn::DataArray::Dims({2, 2}));

    // Trees are accepted in member-key order; the dropped tree does not count in the mapping.
    EXPECT_EQ(disease.outcomeTreeIds(), QStringList({"Zeta", "Alpha"}));
    EXPECT_EQ(disease.outcomeTreeCount(), 2);
    EXPECT_EQ(disease.outcomeTreeId(1), "Alpha");
    EXPECT_TRUE(disease.outcomeTreeId(2).isEmpty());
    EXPECT_TRUE(disease.outcomeTreeTemplate("Dropped").id().isEmpty());
    EXPECT_TRUE(disease.outcomeTreeTemplate("Empty").id().isEmpty());

    fn::DataArray mapping = disease.outcomeTreeMapping();
    EXPECT_EQ(mapping.name(), "Outcome tree mapping");
    EXPECT_EQ(mapping.formulas(), QStringList({"2", "1", "0", "0"}));
    EXPECT_EQ(mapping.currentFormulas(), QStringList({"2", "1", "0", "0"}));
    mapping.initializeParser();
    mapping.evaluate();
    EXPECT_EQ(std::vector<double>(mapping.values().begin(), mapping.values().end()), (std::vector<double>{2, 1, 0, 0}));
}

TEST(JSONDiseaseTemplate, OutcomeTreeRowsAndGeneratedStates)
{
    const fn::JSONDiseaseTemplate disease = fullTemplate();
    const fn::OutcomeTreeTemplate zeta = disease.outcomeTreeTemplate("Zeta");
    EXPECT_EQ(zeta.id(), "Zeta");
    EXPECT_EQ(zeta.name(), "Zeta tree");
    // The RECOVERY outcome is not created, although it counted for the size check.
    EXPECT_EQ(zeta.healthOutcomeOrder(), QStringList({"inf", "acute", "seq", "death"}));
    EXPECT_FALSE(zeta.hasHealthOutcome("rec"));
    EXPECT_EQ(zeta.healthOutcomes(),
              (Rows{{"inf", {"inf", "Infection", "INFECTION", "TRUE"}},
                    {"acute", {"acute", "Acute illness", "ACUTE", "TRUE"}},
                    {"seq", {"seq", "Sequelae", "SEQUELA", "TRUE"}},
                    {"death", {"death", "Death", "DEATH", "TRUE"}}}));
    EXPECT_EQ(zeta.healthStates(),
              (Rows{{"inf_hs", {"inf_hs", "Infection", "inf", "INFECTION"}},
                    {"acute_hs", {"acute_hs", "Acute illness", "acute", "YLD"}},
                    {"s1", {"s1", "First sequela", "seq", "YLD"}},
                    {"s2", {"s2", "Second sequela", "seq", "YLD"}},
                    {"dead", {"dead", "Dead", "death", "YLL"}}}));
    // The infection source gets "_hs"; the transition to RECOVERY is left out;
    // the complemented id is read only for complementary transitions.
    EXPECT_EQ(zeta.transitions(),
              (Rows{{"toAcute", {"toAcute", "To acute", "inf_hs", "acute", ""}},
                    {"toSeq", {"toSeq", "To sequelae", "acute_hs", "s1", ""}},
                    {"toDeath", {"toDeath", "To death", "acute", "dead", "toSeq"}}}));

    const fn::OutcomeTreeTemplate alpha = disease.outcomeTreeTemplate("Alpha");
    EXPECT_EQ(alpha.healthStates(),
              (Rows{{"inf2_hs", {"inf2_hs", "Infection", "inf2", "INFECTION"}},
                    {"asym_hs", {"asym_hs", "Asymptomatic", "asym", "ASYMPTOMATIC"}}}));
    EXPECT_EQ(alpha.transitions(), (Rows{{"toAsym", {"toAsym", "To asymptomatic", "inf2_hs", "asym_hs", ""}}}));
}

TEST(JSONDiseaseTemplate, ParametersMetaAndDefaults)
{
    using K = fn::JSONDiseaseTemplate;
    const fn::JSONDiseaseTemplate disease = fullTemplate();

    // A generated state carries its outcome's arrays; null cells read as "0".
    const fn::DataArray severity = disease.parameter(K::Severity, "Zeta", "acute_hs");
    EXPECT_EQ(severity.name(), "Severity");
    EXPECT_EQ(severity.formulas(), QStringList({"RandUniform(0.1, 0.2)", "0.5", "0.6", "0"}));
    EXPECT_EQ(disease.parameter(K::Duration, "Zeta", "inf_hs").formulas(), QStringList({"1", "2", "3", "4"}));
    // No proportion is stored for it: the default "1" over the disease's factors.
    const fn::DataArray proportion = disease.parameter(K::Proportion, "Zeta", "acute_hs");
    EXPECT_EQ(proportion.name(), "Proportion");
    EXPECT_EQ(proportion.formulas(), QStringList({"1", "1", "1", "1"}));
    EXPECT_TRUE(proportion.meta().isEmpty());
    EXPECT_EQ(proportion.dims(), fn::DataArray::Dims({2, 2}));

    const fn::DataArray s1 = disease.parameter(K::Proportion, "Zeta", "s1");
    EXPECT_EQ(s1.formulas(), QStringList({"0.2", "0.2", "0.2", "0.2"}));
    EXPECT_EQ(s1.metaValue("remaining cases"), "no");
    EXPECT_EQ(disease.parameter(K::Proportion, "Zeta", "s2").metaValue("remaining cases"), "yes");
    EXPECT_EQ(disease.parameter(K::Duration, "Zeta", "s2").formulas(), QStringList({"20", "20", "20", "20"}));
    // A stored array without "vals" is empty rather than defaulted.
    EXPECT_TRUE(disease.parameter(K::Severity, "Zeta", "dead").formulas().isEmpty());

    const fn::DataArray toAcute = disease.parameter(K::Probability, "Zeta", "toAcute");
    EXPECT_EQ(toAcute.name(), "Probability");
    EXPECT_EQ(toAcute.formulas(), QStringList({"0.9", "0.9", "0.9", "0.9"}));
    EXPECT_EQ(toAcute.meta(), (fn::DataArray::Meta{{"direct type", "no"}, {"redistribute", "yes"}, {"duration", "5"}}));
    EXPECT_EQ(disease.parameter(K::Redistribution, "Zeta", "toAcute").formulas(),
              QStringList({"0.25", "0.25", "0.25", "0.25"}));
    EXPECT_EQ(disease.parameter(K::Probability, "Zeta", "toSeq").meta(),
              (fn::DataArray::Meta{{"direct type", "yes"}, {"redistribute", "no"}, {"duration", "2.5"}}));

    // Arrays of a transition left out of the tree are still stored.
    const fn::DataArray toRecovery = disease.parameter(K::Probability, "Zeta", "toRecovery");
    EXPECT_EQ(toRecovery.formulas(), QStringList({"0.5", "0.5", "0.5", "0.5"}));
    EXPECT_EQ(toRecovery.metaValue("duration"), QString());

    // Unknown trees and elements give the kind's default array.
    const struct
    {
        int kind;
        const char* name;
        const char* formula;
    } defaults[] = {{K::Severity, "Severity", "0"},
                    {K::Duration, "Duration", "0"},
                    {K::Proportion, "Proportion", "1"},
                    {K::Probability, "Probability", "1"},
                    {K::Redistribution, "Redistribution", "0"}};
    for (const auto& expected : defaults) {
        for (const fn::DataArray& array : {disease.parameter(expected.kind, "Dropped", "inf_hs"),
                                           disease.parameter(expected.kind, "Alpha", "nothing")}) {
            EXPECT_EQ(array.name(), QString::fromLatin1(expected.name));
            EXPECT_EQ(array.formulas(),
                      QStringList(QVector<QString>(4, QString::fromLatin1(expected.formula)).toList()));
            EXPECT_TRUE(array.meta().isEmpty());
        }
    }
    // Kinds are not interchangeable: a state's array is not found as a transition's.
    EXPECT_EQ(disease.parameter(K::Probability, "Zeta", "s1").formulas(), QStringList({"1", "1", "1", "1"}));
}

TEST(JSONInputDataMgr, FolderScanDuplicatesAndAddedFiles)
{
    fn::JSONInputDataMgr mgr;
    EXPECT_TRUE(mgr.getDiseaseIds().isEmpty());

    // Every readable file counts, whatever its suffix; broken JSON gives an empty template
    // under the empty id; of two files with one id the later in name order wins.
    mgr.setDirPath(fixture("base"));
    EXPECT_EQ(mgr.filePaths().size(), 4);
    EXPECT_EQ(mgr.getDiseaseIds(), QStringList({"", "DupDisease", "Other"}));
    EXPECT_EQ(mgr.getDiseaseNames(), QStringList({"", "Second of two", "Other disease"}));
    EXPECT_FALSE(mgr.getDiseaseTemplate("DupDisease").isCongenital());

    const QVariantList captions = mgr.getDiseaseCaptions();
    ASSERT_EQ(captions.size(), 3);
    EXPECT_EQ(captions.at(2).toMap(), (QVariantMap{{"id", "Other"}, {"disease", "Other disease"}}));

    // Files added later join the folder's templates; a missing file is skipped.
    mgr.setFilePaths({QFileInfo(fixture("full-model.json")), QFileInfo(fixture("missing.json"))});
    EXPECT_EQ(mgr.getDiseaseIds(), QStringList({"", "DupDisease", "FullDisease", "Other"}));
    EXPECT_TRUE(mgr.diseaseDataExist("Other"));

    // Asking for an unknown id stores an empty template under it.
    EXPECT_FALSE(mgr.diseaseDataExist("Unknown"));
    EXPECT_TRUE(mgr.getDiseaseTemplate("Unknown").outcomeTreeIds().isEmpty());
    EXPECT_TRUE(mgr.diseaseDataExist("Unknown"));

    // A base folder without "models" lists nothing and keeps what was read.
    mgr.setDirPath(QDir::tempPath() + QStringLiteral("/no-such-ozmid-folder"));
    EXPECT_TRUE(mgr.filePaths().isEmpty());
    EXPECT_TRUE(mgr.diseaseDataExist("FullDisease"));
}

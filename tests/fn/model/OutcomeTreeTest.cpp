#include <cmath>

#include <QJsonArray>
#include <gtest/gtest.h>

#include "fn/model/ModelTestSupport.h"
#include "fn/model/ResultsComputer.h"
#include "fn/model/elements/Discounting.h"
#include "ut/Exception.h"

using namespace testing_support;

namespace {

// An infection leading to one acute outcome of the given states, through a transition to target.
QJsonObject acuteTree(const QJsonObject& states = {}, const QString& target = "acute",
                      const QJsonObject& probability = cells("1"), const QString& type = "ACUTE")
{
    return specification({"inf", "acute"}, {{"inf", outcome("INFECTION")}, {"acute", outcome(type, states)}},
                         {{"1", transition("t1", "inf", target, probability)}});
}

QString buildError(const QJsonObject& spec)
{
    try {
        JsonModel m(spec);
    } catch (const ut::Exception& e) {
        EXPECT_EQ(e.place(), "fn::OutcomeTree::createInternalStructure");
        return e.message();
    }
    return QString();
}

const fn::HealthState& stateOf(const JsonModel& m, const QString& id)
{
    return static_cast<const fn::HealthState&>(m.model->getOutcomeTree(0).getHealthState(id));
}

const QString noSourceTransition = QStringLiteral(
    "Non-complementary transition between health outcomes of sequela types INFECTION and ACUTE does not exist");

} // namespace

TEST(OutcomeTree, ValidatesInfectionsSourceTransitionAndComplements)
{
    const QJsonObject acuteTwoStates{{"a", state("s1", "0.1", "1", "0.5")}, {"b", state("s2", "0.1", "1", "0.5")}};
    const QJsonObject acuteOneState{{"a", state("s1", "0.1", "1", "1")}};

    EXPECT_EQ(buildError(specification({"inf", "seq"}, {{"inf", outcome("INFECTION")}, {"seq", outcome("SEQUELA")}},
                                       {{"1", transition("t1", "inf", "seq", cells("1"))}})),
              noSourceTransition);
    EXPECT_EQ(buildError(acuteTree(acuteTwoStates, "s1")), noSourceTransition);
    EXPECT_EQ(buildError(acuteTree(acuteOneState, "s1", cells("1"), "acute")), QString());
    const QJsonObject dangling{{"complementaryType", true}, {"complementaryTransition", "nope"}};
    EXPECT_EQ(buildError(specification(
                  {"inf", "acute", "asym"},
                  {{"inf", outcome("INFECTION")}, {"acute", outcome("ACUTE")}, {"asym", outcome("ASYMPTOMATIC")}},
                  {{"1", transition("t1", "inf", "acute", cells("1"))},
                   {"2", transition("t2", "inf", "asym", cells("0"), dangling)}})),
              "Source transition probability is missing");
    // The second infection used to replace the first while the node maps still held it.
    EXPECT_EQ(buildError(specification(
                  {"inf", "inf2", "acute"},
                  {{"inf", outcome("INFECTION")}, {"inf2", outcome("INFECTION")}, {"acute", outcome("ACUTE")}},
                  {{"1", transition("t1", "inf", "acute", cells("1"))},
                   {"2", transition("t2", "inf2", "acute", cells("1"))}})),
              "Outcome tree tree has more than one infection: inf2_hs and inf_hs");
}

TEST(OutcomeTree, ComplementsAndAsymptomaticCases)
{
    const QJsonObject complement{{"complementaryType", true}, {"complementaryTransition", "t1"}};
    JsonModel m(specification(
        {"inf", "acute", "asym"},
        {{"inf", outcome("INFECTION")}, {"acute", outcome("ACUTE")}, {"asym", outcome("ASYMPTOMATIC", {}, "1")}},
        {{"1", transition("t1", "inf", "acute", cells("0.3"))},
         {"2", transition("t2", "inf", "asym", cells("0"), complement)}}));
    fn::OutcomeTree& tree = m.model->getOutcomeTree(0);
    EXPECT_EQ(tree.getTransitionProbability(0).id(), "t1");
    EXPECT_THROW(tree.getTransitionProbability(1), ut::Exception);
    EXPECT_EQ(tree.getTransitionProbability("t2").kind(), fn::TransitionProbabilityBase::ComplementKind);
    EXPECT_EQ(tree.infection()->sourceTransition()->id(), "t1");

    m.run(1, 0.0);
    const fn::TransitionProbabilityBase& t2 = tree.getTransitionProbability("t2");
    EXPECT_DOUBLE_EQ(t2.probabilityMean()[0], 0.7);
    // 100 notified of 30 % symptomatic: 333.3 infections, 233.3 without symptoms.
    EXPECT_DOUBLE_EQ(tree.infection()->casesMean()[0], 100 / 0.3);
    EXPECT_DOUBLE_EQ(t2.flowMean()[1], 100 / 0.3 * 0.7);
    const fn::SequelaBase& asymptomatic = tree.getHealthState("asym_hs");
    EXPECT_DOUBLE_EQ(asymptomatic.casesMean()[0], 100 / 0.3 * 0.7);
    // Without symptoms is not without burden: the state's own weight for its year. It is shown
    // with the state but is no part of the model's YLD, which the acute outcome's 0 years make 0.
    EXPECT_DOUBLE_EQ(static_cast<const fn::HealthState&>(asymptomatic).burdenMean()[0], 100 / 0.3 * 0.7 * 0.1);
    EXPECT_EQ(mean(m.model->totalResults().value("yld")), 0.0);
}

TEST(OutcomeTree, DurationsLifelongStatesAndAnnualTransitions)
{
    // The acute state lasts 2 years; the sequela for life; an annual 10 % risk of death
    // leaves the acute state over its remaining life expectancy, capped at 5 years.
    const QJsonObject annual{{"annualType", true}, {"annualDuration", "5"}};
    const QJsonObject annualUncapped{{"annualType", true}};
    const QJsonObject spec = specification({"inf", "acute", "seq", "death"},
                                           {{"inf", outcome("INFECTION")},
                                            {"acute", outcome("ACUTE", {}, "2")},
                                            {"seq", outcome("SEQUELA", {}, "-1")},
                                            {"death", outcome("DEATH")}},
                                           {{"1", transition("t1", "inf", "acute", cells("1"))},
                                            {"2", transition("t2", "acute", "death", cells("0.1"), annual)},
                                            {"3", transition("t3", "acute", "seq", cells("0.5"))},
                                            {"4", transition("t4", "seq", "death", cells("0.2"), annualUncapped)}});

    for (double rate : {0.0, 0.03}) {
        JsonModel m(spec);
        m.run(1, rate);
        fn::OutcomeTree& tree = m.model->getOutcomeTree(0);
        const fn::HealthState& acute = stateOf(m, "acute_hs");
        const fn::HealthState& sequela = stateOf(m, "seq_hs");
        for (int sex = 0; sex < 2; ++sex) {
            const double le = fn::discountedDuration(sex == 0 ? 50 : 40, 0, rate);
            const double duration = fn::discountedDuration(2, 0, rate);
            EXPECT_DOUBLE_EQ(acute.duration().values()[sex], duration);
            EXPECT_DOUBLE_EQ(acute.exitTimes()[sex], duration);
            EXPECT_DOUBLE_EQ(acute.exitLifeExpectancy()[sex], le - duration);
            EXPECT_DOUBLE_EQ(acute.burdenMean()[sex], 100 * 0.1 * duration);
            // Annual death risk: both transitions leave the acute outcome, P = 0.6, over min(Y, 5) years.
            const double p = 0.6;
            const double years = std::min(le - duration, 5.0);
            const double deaths = 100 * (1 - std::pow(1 - p, years)) * 0.1 / p;
            EXPECT_NEAR(tree.getTransitionProbability("t2").flowMean()[sex], deaths, 1e-9);
            // The lifelong sequela lasts for the remaining life expectancy and leaves none.
            EXPECT_DOUBLE_EQ(sequela.duration().values()[sex], le - duration);
            EXPECT_DOUBLE_EQ(sequela.exitLifeExpectancy()[sex], 0.0);
            EXPECT_DOUBLE_EQ(tree.getTransitionProbability("t4").flowMean()[sex], 0.0);
        }
    }
    EXPECT_DOUBLE_EQ(fn::discountedDuration(2, 3, 0.0), 2.0);
    EXPECT_DOUBLE_EQ(fn::discountedDuration(2, 0, 0.03), (1.03 - 1 / 1.03) / 0.03);
}

TEST(OutcomeTree, RemainingCasesAndRedistribution)
{
    const QJsonObject states{{"a", state("mild", "0.1", "1", "0.3")},
                             {"b", state("moderate", "0.2", "1", "0.5")},
                             {"c", state("severe", "0.4", "1", "0", true)}};
    const QJsonObject heavy{{"a", state("mild", "0.1", "1", "0.7")},
                            {"b", state("moderate", "0.2", "1", "0.5")},
                            {"c", state("severe", "0.4", "1", "0.3", true)}};
    const QJsonObject redistributed{{"redistributeType", true}, {"redistributeArray", cells("0.25")}};

    const QJsonObject complementOfT2{{"complementaryType", true}, {"complementaryTransition", "t2"}};
    JsonModel m(specification({"inf", "acute", "seq", "rest"},
                              {{"inf", outcome("INFECTION")},
                               {"acute", outcome("ACUTE", states)},
                               {"seq", outcome("SEQUELA")},
                               {"rest", outcome("ASYMPTOMATIC")}},
                              {{"1", transition("t1", "inf", "acute", cells("1"))},
                               {"2", transition("t2", "acute", "seq", cells("0.4", "0.2"), redistributed)},
                               {"3", transition("t3", "acute", "rest", cells("0"), complementOfT2)}},
                              cells("100", "60")));
    m.run(1, 0.0);
    fn::OutcomeTree& tree = m.model->getOutcomeTree(0);
    const fn::HealthState& severe = stateOf(m, "severe");
    EXPECT_NEAR(severe.normalizedProportion()[0], 0.2, 1e-12);
    EXPECT_NEAR(severe.casesMean()[1], 60 * 0.2, 1e-12);
    double sum = 0;
    for (const fn::HealthState* s : severe.parentOutcome()->healthStates())
        sum += s->normalizedProportion()[0];
    EXPECT_NEAR(sum, 1.0, 1e-12);
    // Redistribution pools each sex over the age groups and shares it by the array.
    EXPECT_DOUBLE_EQ(tree.getTransitionProbability("t2").flowMean()[0], 100 * 0.4 * 0.25);
    EXPECT_DOUBLE_EQ(tree.getTransitionProbability("t2").flowMean()[1], 60 * 0.2 * 0.25);
    // Its complement takes 1 - p and is redistributed by the same shares.
    const fn::TransitionProbabilityBase& t3 = tree.getTransitionProbability("t3");
    EXPECT_DOUBLE_EQ(t3.flowMean()[0], 100 * 0.6 * 0.25);
    EXPECT_DOUBLE_EQ(t3.flowMean()[1], 60 * 0.8 * 0.25);

    // With two age groups the pool of a sex is the sum over both: young and old people of a sex
    // both had 100 (or 60) cases, 40 % (or 20 %) of them move on, shared 1 : 3 between the ages.
    QJsonObject aged = specification(
        {"inf", "acute", "seq"},
        {{"inf", outcome("INFECTION")}, {"acute", outcome("ACUTE")}, {"seq", outcome("SEQUELA")}},
        {{"1", transition("t1", "inf", "acute", cells("1"))},
         {"2", transition("t2", "acute", "seq", cells("0.4", "0.2"), redistributed)}},
        cells("100", "60"));
    overAgeGroups(aged, {"young", "old"});
    // The only array of shares 0.25 is the redistribution's: the old take 0.75.
    const QByteArray shares = QJsonDocument(aged)
                                  .toJson(QJsonDocument::Compact)
                                  .replace(R"([["0.25","0.25"],["0.25","0.25"]])",
                                           R"([["0.25","0.25"],["0.75","0.75"]])");
    JsonModel byAge(QJsonDocument::fromJson(shares).object(), {"1000", "1000", "1000", "1000"},
                    {"50", "40", "50", "40"});
    byAge.run(1, 0.0);
    const fn::TransitionProbabilityBase& t2ByAge = byAge.model->getOutcomeTree(0).getTransitionProbability("t2");
    ASSERT_EQ(t2ByAge.flowMean().size(), 4u);
    const double pooled[] = {2 * 100 * 0.4, 2 * 60 * 0.2};
    for (int sex = 0; sex < 2; ++sex) {
        EXPECT_DOUBLE_EQ(t2ByAge.flowMean()[sex], pooled[sex] * 0.25);
        EXPECT_DOUBLE_EQ(t2ByAge.flowMean()[2 + sex], pooled[sex] * 0.75);
    }

    // Siblings summing to more than 1 leave nothing for the remaining state.
    JsonModel over(acuteTree(heavy));
    over.run(1, 0.0);
    const fn::HealthState& severeOver = stateOf(over, "severe");
    EXPECT_EQ(severeOver.proportion().values()[0], 0.0);
    EXPECT_NEAR(severeOver.normalizedProportion()[0], 0.0, 1e-12);
    EXPECT_NEAR(over.model->getOutcomeTree(0).healthStates().front().normalizedProportion()[0], 0.7 / 1.5, 1e-12);
}

TEST(OutcomeTree, TreeTotalsAddTheYllOfDeathsFromSequelae)
{
    // 100 infections per sex, all acutely ill for 2 years at weight 0.1; half go on to a 3-year
    // sequela at weight 0.1. 10 % die after the acute illness (at life expectancy 48 or 38),
    // 20 % of the sequela cases a year after the sequela ends (44 or 34 years left).
    const QJsonObject outcomes{{"inf", outcome("INFECTION")},
                               {"acute", outcome("ACUTE", {}, "2")},
                               {"seq", outcome("SEQUELA", {}, "3")},
                               {"death", outcome("DEATH")},
                               {"death2", outcome("DEATH", {}, "1")}};
    JsonModel m(specification({"inf", "acute", "seq", "death", "death2"}, outcomes,
                              {{"1", transition("t1", "inf", "acute", cells("1"))},
                               {"2", transition("t2", "acute", "seq", cells("0.5"))},
                               {"3", transition("t3", "acute", "death", cells("0.1"))},
                               {"4", transition("t4", "seq", "death2", cells("0.2"))}}));
    m.run(1, 0.0);
    const auto categories = [&m] {
        return m.model->results()
            .value("detailedResults")
            .toList()
            .value(0)
            .toMap()
            .value("sequelaTypeAggregatedResults")
            .toMap();
    };
    const struct
    {
        const char* category;
        double yld, yll;
    } rows[] = {
        {"acute", 2 * 100 * 0.1 * 2, 10 * 48 + 10 * 38},
        {"sequela", 2 * 50 * 0.1 * 3, 10 * 44 + 10 * 34},
        {"total", 40 + 30, 860 + 780},
    };
    for (const auto& row : rows) {
        const QVariantMap figures = categories().value(QString::fromLatin1(row.category)).toMap();
        EXPECT_DOUBLE_EQ(mean(figures.value("yld")), row.yld) << row.category;
        EXPECT_DOUBLE_EQ(mean(figures.value("yll")), row.yll) << row.category;
    }
    EXPECT_DOUBLE_EQ(mean(m.model->totalResults().value("daly")), 70 + 1640);
    {
        // The aggregate over the models takes the sequela's YLL as well.
        fn::DiseaseModelList models;
        models.push_back(std::move(m.model));
        fn::ResultsComputer computer(models);
        computer.prepare(1);
        computer.addModel(*models.front());
        computer.compute();
        EXPECT_DOUBLE_EQ(mean(computer.totalResults().value("yll")), 1640);
        m.model = std::move(models.front());
    }

    // Discounted at 3 %, the sequela's 3 years start when the discounted acute years end, and the
    // year before death when the sequela ends.
    m.run(1, 0.03);
    const QVariantMap sequela = categories().value("sequela").toMap();
    const double acuteYears = discounted(2, 0, 0.03);
    const double sequelaYears = discounted(3, acuteYears, 0.03);
    EXPECT_NEAR(mean(sequela.value("yld")), 2 * 50 * 0.1 * sequelaYears, 1e-9);
    const double yearBeforeDeath = discounted(1, acuteYears + sequelaYears, 0.03);
    double yll = 0.0;
    for (double years : {50.0, 40.0})
        yll += 10 * (discounted(years, 0, 0.03) - acuteYears - sequelaYears - yearBeforeDeath);
    EXPECT_NEAR(mean(sequela.value("yll")), yll, 1e-9);
}

TEST(OutcomeTree, StateReachedDirectlyKeepsItsOwnFlowAndProportion)
{
    // The infection leads straight to the single state of an acute outcome, so the
    // outcome has no incoming transition: proportions are not normalised.
    const QJsonObject one{{"a", state("only", "0.5", "1", "0.4")}};
    JsonModel m(acuteTree(one, "only", cells("0.5")));
    m.run(1, 0.0);
    const fn::HealthState& only = stateOf(m, "only");
    EXPECT_EQ(only.normalizedProportion()[0], 0.0);
    EXPECT_DOUBLE_EQ(only.casesMean()[0], 100.0);
    EXPECT_DOUBLE_EQ(only.burdenMean()[0], 50.0);
}

TEST(OutcomeTree, DeathsFromAStateOfAnOutcomeAreCounted)
{
    // Half of the 100 acute cases per sex are severe, and a fifth of those die: 10 per sex.
    const QJsonObject states{{"a", state("mild", "0.1", "1", "0.5")}, {"b", state("severe", "0.4", "1", "0.5")}};
    JsonModel m(
        specification({"inf", "acute", "death"},
                      {{"inf", outcome("INFECTION")}, {"acute", outcome("ACUTE", states)}, {"death", outcome("DEATH")}},
                      {{"1", transition("t1", "inf", "acute", cells("1"))},
                       {"2", transition("t2", "severe", "death", cells("0.2"))}}));
    m.run(1, 0.0);
    EXPECT_DOUBLE_EQ(mean(m.model->totalResults().value("deaths")), 20.0);
}

TEST(OutcomeTree, DurationsThatNoIntegerHolds)
{
    const auto run = [](const QString& duration) {
        const QJsonObject one{{"a", state("only", "0.5", duration, "1")}};
        auto m = std::make_unique<JsonModel>(acuteTree(one));
        m->run(1, 0.0);
        return m;
    };
    // 1e19 years is cut to the remaining life expectancy, as any long duration is.
    auto huge = run("1e19");
    EXPECT_DOUBLE_EQ(stateOf(*huge, "only").duration().values()[0], 50.0);
    EXPECT_DOUBLE_EQ(stateOf(*huge, "only").duration().values()[1], 40.0);
    // Not a number is no lifelong marker: it flows into the burden as not a number.
    auto undefined = run("0/0");
    EXPECT_TRUE(std::isnan(stateOf(*undefined, "only").burdenMean()[0]));
    // The marker is read truncated toward zero: -1.5 still means the rest of life.
    auto lifelong = run("-1.5");
    EXPECT_DOUBLE_EQ(stateOf(*lifelong, "only").duration().values()[0], 50.0);
    EXPECT_DOUBLE_EQ(stateOf(*lifelong, "only").burdenMean()[0], 100 * 0.5 * 50.0);
}

TEST(OutcomeTree, DimensionWithoutValuesHasNoStrataToCompute)
{
    QJsonObject spec = acuteTree();
    spec.insert("dims",
                QJsonObject{{"order", QJsonArray{"age", "sex"}},
                            {"values", QJsonObject{{"age", QJsonArray{"all"}}, {"sex", QJsonArray{}}}}});
    JsonModel m(spec, {}, {});
    m.run(3, 0.03);
    const QVariantMap total = m.model->results().value("totalSequelaTypeResults").toMap();
    EXPECT_EQ(mean(total.value("total").toMap().value("daly")), 0.0);
    EXPECT_EQ(m.model->getOutcomeTree(0).infection()->casesMean().size(), 0u);
}

TEST(OutcomeTree, ThousandsOfStrataOfRandomCellsRun)
{
    // 1000 age groups by 2 sexes: each parameter joins to more than the formula library takes
    // in one expression.
    QJsonObject spec = acuteTree({}, "acute", cells("RandUniform(0.4, 0.6)", "1"));
    spec.insert("rawCasesCountArray", cells("RandPert(10, 20, 30)"));
    overAgeGroups(spec, levels(1000));
    JsonModel m(spec, QVector<QString>(2000, "1000").toList(), QVector<QString>(2000, "50").toList());
    m.run(2, 0.0);
    const fn::Infection& infection = *m.model->getOutcomeTree(0).infection();
    ASSERT_EQ(infection.casesMean().size(), 2000u);
    for (std::size_t i = 0; i < 2000; ++i) {
        // Notified cases of 10 to 30 over a source probability of 0.4 to 0.6, or of 1.
        const double probabilityRange = i % 2 == 0 ? 0.4 : 1.0;
        EXPECT_GE(infection.casesMean()[i], 10.0) << "stratum " << i;
        EXPECT_LE(infection.casesMean()[i], 30.0 / probabilityRange) << "stratum " << i;
    }
}

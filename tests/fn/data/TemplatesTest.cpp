#include <gtest/gtest.h>

#include "fn/data/templates/DiseaseTemplateMgr.h"

namespace {

fn::OutcomeTreeTemplate smallTree()
{
    fn::OutcomeTreeTemplate tree(QStringLiteral("tree"), QStringLiteral("Tree"));
    tree.addHealthOutcome(QStringLiteral("inf"), QStringLiteral("Infection"), QStringLiteral("INFECTION"),
                          QStringLiteral("FALSE"));
    tree.addHealthOutcome(QStringLiteral("acute"), QStringLiteral("Acute"), QStringLiteral("ACUTE"),
                          QStringLiteral("TRUE"));
    tree.addHealthState(QStringLiteral("infState"), QStringLiteral("Infected"), QStringLiteral("inf"),
                        QStringLiteral("INFECTION"));
    tree.addTransition(QStringLiteral("t1"), QStringLiteral("To acute"), QStringLiteral("infState"),
                       QStringLiteral("acute"), QString());
    return tree;
}

} // namespace

TEST(OutcomeTreeTemplate, RowsRunOrderAndReplacement)
{
    fn::OutcomeTreeTemplate tree = smallTree();
    EXPECT_EQ(tree.healthOutcomeOrder(), QStringList({"inf", "acute"}));
    EXPECT_EQ(tree.healthOutcomes().value("acute"), QStringList({"acute", "Acute", "ACUTE", "TRUE"}));
    EXPECT_EQ(tree.healthStates().value("infState"), QStringList({"infState", "Infected", "inf", "INFECTION"}));
    EXPECT_EQ(tree.transitions().value("t1"), QStringList({"t1", "To acute", "infState", "acute", ""}));
    EXPECT_TRUE(tree.hasHealthOutcome("acute"));
    EXPECT_FALSE(tree.hasHealthOutcome("infState"));
    EXPECT_TRUE(tree.hasHealthState("infState"));
    EXPECT_FALSE(tree.hasHealthState("inf"));

    // A repeated outcome id keeps the later row once, but appears twice in the run order.
    tree.addHealthOutcome(QStringLiteral("acute"), QStringLiteral("Acute 2"), QStringLiteral("ACUTE"),
                          QStringLiteral("FALSE"));
    EXPECT_EQ(tree.healthOutcomes().size(), 2);
    EXPECT_EQ(tree.healthOutcomes().value("acute").at(1), QStringLiteral("Acute 2"));
    EXPECT_EQ(tree.healthOutcomeOrder(), QStringList({"inf", "acute", "acute"}));

    tree.addTransition(QStringLiteral("t1"), QStringLiteral("Other"), QStringLiteral("a"), QStringLiteral("b"),
                       QStringLiteral("c"));
    EXPECT_EQ(tree.transitions().size(), 1);
    EXPECT_EQ(tree.transitions().value("t1"), QStringList({"t1", "Other", "a", "b", "c"}));
}

TEST(DiseaseTemplate, TreeLookupOrderAndCopies)
{
    fn::DiseaseTemplate disease;
    EXPECT_FALSE(disease.isCongenital());
    EXPECT_TRUE(disease.caption().isEmpty());
    EXPECT_TRUE(disease.id().isEmpty());

    disease.setId(QStringLiteral("d"));
    disease.addOutcomeTree(QStringLiteral("zeta"), smallTree());
    disease.addOutcomeTree(QStringLiteral("alpha"), fn::OutcomeTreeTemplate("alpha", "alpha"));
    disease.appendOutcomeTreeId(QStringLiteral("zeta"));
    disease.appendOutcomeTreeId(QStringLiteral("alpha"));
    // The list, not the map, numbers the trees.
    ASSERT_EQ(disease.outcomeTreeCount(), 2);
    EXPECT_EQ(disease.outcomeTreeId(0), QStringLiteral("zeta"));
    EXPECT_EQ(disease.outcomeTreeId(1), QStringLiteral("alpha"));
    EXPECT_TRUE(disease.outcomeTreeId(2).isEmpty());
    EXPECT_TRUE(disease.outcomeTreeId(-1).isEmpty());
    EXPECT_EQ(disease.outcomeTree("zeta"), smallTree());

    const fn::OutcomeTreeTemplate unknown = disease.outcomeTree("missing");
    EXPECT_TRUE(unknown.id().isEmpty());
    EXPECT_TRUE(unknown.name().isEmpty());
    EXPECT_TRUE(unknown.healthOutcomes().isEmpty());
    EXPECT_TRUE(unknown.healthStates().isEmpty());
    EXPECT_TRUE(unknown.transitions().isEmpty());
    EXPECT_TRUE(unknown.healthOutcomeOrder().isEmpty());
    EXPECT_FALSE(disease.outcomeTrees().contains("missing"));

    // Copies are independent in both directions.
    fn::DiseaseTemplate copy = disease;
    fn::OutcomeTreeTemplate tree = copy.outcomeTree("zeta");
    tree.addHealthState(QStringLiteral("extra"), QStringLiteral("Extra"), QStringLiteral("acute"),
                        QStringLiteral("YLD"));
    copy.addOutcomeTree(QStringLiteral("zeta"), tree);
    copy.setCaption(QStringLiteral("Changed"));
    EXPECT_FALSE(disease.outcomeTree("zeta").hasHealthState("extra"));
    EXPECT_TRUE(copy.outcomeTree("zeta").hasHealthState("extra"));
    EXPECT_TRUE(disease.caption().isEmpty());
    EXPECT_NE(copy, disease);
}

TEST(DiseaseTemplateMgr, GetInsertsAndAddReplaces)
{
    fn::DiseaseTemplateMgr mgr;
    EXPECT_FALSE(mgr.contains("x"));
    fn::DiseaseTemplate& inserted = mgr.get("x");
    EXPECT_EQ(inserted.outcomeTreeCount(), 0);
    EXPECT_TRUE(inserted.caption().isEmpty());
    EXPECT_TRUE(mgr.contains("x"));

    fn::DiseaseTemplate disease;
    disease.setCaption(QStringLiteral("First"));
    mgr.add("y", disease);
    disease.setCaption(QStringLiteral("Second"));
    EXPECT_EQ(mgr.get("y").caption(), QStringLiteral("First"));
    mgr.add("y", disease);
    EXPECT_EQ(mgr.get("y").caption(), QStringLiteral("Second"));
    EXPECT_EQ(mgr.templates().size(), 2);

    mgr.get("y").setCongenital(true);
    EXPECT_TRUE(mgr.templates().value("y").isCongenital());

    mgr.clear();
    EXPECT_FALSE(mgr.contains("x"));
    EXPECT_FALSE(mgr.contains("y"));
}

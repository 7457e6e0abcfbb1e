#include "fn/data/templates/OutcomeTreeTemplate.h"
#include "app/refdata/OutcomeTreeCheck.h"
#include "app/ProgramRun.h"

namespace {

// Infection, an acute outcome with one state, death (computed in that order, or death before acute).
fn::OutcomeTreeTemplate smallTree(bool deathFirst = false)
{
    fn::OutcomeTreeTemplate tree("T", "T");
    tree.addHealthOutcome("inf", "Infection", "INFECTION", "FALSE");
    if (deathFirst)
        tree.addHealthOutcome("death", "Death", "DEATH", "FALSE");
    tree.addHealthOutcome("acute", "Acute", "ACUTE", "TRUE");
    if (!deathFirst)
        tree.addHealthOutcome("death", "Death", "DEATH", "FALSE");
    tree.addHealthState("i", "Infection", "inf", "INFECTION");
    tree.addHealthState("ill", "Illness", "acute", "YLD");
    tree.addHealthState("dead", "Dead", "death", "YLL");
    tree.addTransition("t1", "to acute", "i", "acute", "");
    tree.addTransition("t2", "to death", "acute", "death", "");
    return tree;
}

QString problemOf(const fn::OutcomeTreeTemplate& tree)
{
    return refdata::OutcomeTreeCheck(tree).problem();
}

} // namespace

TEST(OutcomeTreeCheck, AcceptsOnlyTreesThatCanBeAssembledAndRun)
{
    fn::OutcomeTreeTemplate tree = smallTree();
    EXPECT_EQ(problemOf(tree), QString());
    EXPECT_EQ(refdata::OutcomeTreeCheck(tree).infectionId(), "i");

    // The only state of an acute outcome is an acceptable target; one of two is not.
    tree = smallTree();
    tree.addTransition("t1", "to acute", "i", "ill", "");
    EXPECT_EQ(problemOf(tree), QString());
    tree.addHealthState("ill2", "Second illness", "acute", "YLD");
    expectAll(problemOf(tree), {"has no non-complementary transition to a health outcome of type ACUTE"});

    // The infection leads to a sequela only, or reaches the acute outcome only by a complement.
    tree = smallTree();
    tree.addHealthOutcome("seq", "Sequela", "SEQUELA", "TRUE");
    tree.addHealthState("late", "Late", "seq", "YLD");
    tree.addTransition("t1", "to sequela", "i", "seq", "");
    expectAll(problemOf(tree), {"has no non-complementary transition"});
    tree.addTransition("t3", "complement", "i", "acute", "t1");
    expectAll(problemOf(tree), {"has no non-complementary transition"});

    tree = smallTree();
    tree.addTransition("t3", "rest", "acute", "death", "t9");
    EXPECT_EQ(problemOf(tree), "transition \"t3\" complements the unknown transition \"t9\"");
    tree.addTransition("t3", "rest", "i", "death", "t2");
    EXPECT_EQ(problemOf(tree), "transition \"t3\" complements \"t2\", which leaves another element");

    tree = smallTree();
    tree.addTransition("t2", "to death", "acute", "dying", "");
    EXPECT_EQ(problemOf(tree), "transition \"t2\" names the unknown element \"dying\"");

    tree = smallTree();
    tree.addHealthState("ill", "Illness", "acutee", "YLD");
    EXPECT_EQ(problemOf(tree), "health state \"ill\" names the unknown health outcome \"acutee\"");

    tree = smallTree();
    tree.addHealthState("i2", "Second infection", "inf", "INFECTION");
    EXPECT_EQ(problemOf(tree), "the tree needs exactly one health state of category INFECTION, it has 2");

    tree = smallTree();
    tree.addHealthState("dead", "Dead", "death", "YLX");
    EXPECT_EQ(problemOf(tree), "health state \"dead\" has the unknown category \"YLX\"");

    // Cases must reach an outcome before it is computed.
    const QString late = problemOf(smallTree(true));
    EXPECT_TRUE(late.startsWith("transition \"t2\" feeds health outcome \"death\" from \"acute\""))
        << late.toStdString();

    // An outcome without states cannot pass cases on.
    tree = smallTree();
    tree.addHealthOutcome("empty", "Empty", "SEQUELA", "TRUE");
    tree.addTransition("t3", "onwards", "empty", "death", "");
    expectAll(problemOf(tree), {"which has no health states"});
}

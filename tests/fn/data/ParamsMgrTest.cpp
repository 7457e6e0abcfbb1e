#include <gtest/gtest.h>

#include "fn/data/params/ParamsMgr.h"
#include "fn/data/params/TransitionParamsMgr.h"

namespace {

QStringList repeated(int count, const QString& formula)
{
    return QVector<QString>(count, formula).toList();
}

struct Factors
{
    fn::InputFactor age{"Age", {"0-4", "5-9", "10-14"}};
    fn::InputFactor sex{"Sex", {"Female", "Male"}};
    fn::InputFactorPtrs pointers() const { return {&age, &sex}; }
    QVector<fn::InputFactor> values() const { return {age, sex}; }
};

fn::DataArray stored(const Factors& f, const QString& name, const QString& formula)
{
    return fn::DataArray(f.values(), name, {{"description", name + " meta"}}, repeated(6, formula));
}

bool allFormulasAre(const fn::DataArray& array, const QString& formula, int count)
{
    return array.formulas() == repeated(count, formula) && array.currentFormulas() == repeated(count, formula);
}

} // namespace

TEST(ParamsMgr, GenericFallbackOnCountryLevelAndDefaults)
{
    const Factors f;
    fn::ParamsMgr mgr;
    mgr.set("Generic", "d", "t", "s", fn::ParamsMgr::Severity, stored(f, "Generic severity", "7"));
    mgr.set("Austria", "other", "t", "s", fn::ParamsMgr::Severity, stored(f, "Austria severity", "8"));
    mgr.set("Generic", "d", "t", "s", fn::ParamsMgr::Proportion, stored(f, "Generic proportion", "0.5"));

    // No severity entries of its own: the Generic array, with name, meta and formulas.
    const fn::DataArray fromGeneric = mgr.get("France", "d", "t", "s", fn::ParamsMgr::Severity, f.pointers());
    EXPECT_EQ(fromGeneric.name(), "Generic severity");
    EXPECT_EQ(fromGeneric.metaValue("description"), "Generic severity meta");
    EXPECT_TRUE(allFormulasAre(fromGeneric, "7", 6));

    // Entries for another disease: no fallback, the default "0" array over the given factors.
    const fn::DataArray noFallback = mgr.get("Austria", "d", "t", "s", fn::ParamsMgr::Severity, f.pointers());
    EXPECT_TRUE(noFallback.name().isEmpty());
    EXPECT_TRUE(noFallback.meta().isEmpty());
    EXPECT_TRUE(allFormulasAre(noFallback, "0", 6));
    EXPECT_EQ(noFallback.dims(), fn::DataArray::Dims({3, 2}));
    EXPECT_EQ(noFallback.currentFactors(), f.pointers());

    // The fallback is decided per kind: Austria has no proportion entries at all.
    EXPECT_TRUE(allFormulasAre(mgr.get("Austria", "d", "t", "s", fn::ParamsMgr::Proportion, f.pointers()), "0.5", 6));

    // Missing arrays of each kind, including an unknown tree or element.
    EXPECT_TRUE(allFormulasAre(mgr.get("Generic", "d", "t", "s", fn::ParamsMgr::Duration, f.pointers()), "0", 6));
    EXPECT_TRUE(allFormulasAre(mgr.get("Generic", "d", "x", "s", fn::ParamsMgr::Proportion, f.pointers()), "1", 6));
    EXPECT_TRUE(allFormulasAre(mgr.get("Generic", "d", "t", "x", fn::ParamsMgr::Proportion, f.pointers()), "1", 6));
    EXPECT_TRUE(allFormulasAre(mgr.get("Generic", "d", "t", "s", fn::ParamsMgr::Reserved, f.pointers()), "0", 6));

    // The reserved kind is stored apart from the others; an unknown kind is dropped.
    mgr.set("Generic", "d", "t", "s", fn::ParamsMgr::Reserved, stored(f, "Reserved", "3"));
    mgr.set("Generic", "d", "t", "s", 4, stored(f, "Bad", "4"));
    mgr.set("Generic", "d", "t", "s", -1, stored(f, "Bad", "4"));
    EXPECT_EQ(mgr.params(fn::ParamsMgr::Reserved).map().size(), 1);
    EXPECT_TRUE(allFormulasAre(mgr.get("Generic", "d", "t", "s", fn::ParamsMgr::Severity, f.pointers()), "7", 6));
    EXPECT_TRUE(allFormulasAre(mgr.get("Generic", "d", "t", "s", fn::ParamsMgr::Proportion, f.pointers()), "0.5", 6));

    // set replaces, and stores a copy.
    fn::DataArray replacement = stored(f, "New", "9");
    mgr.set("Generic", "d", "t", "s", fn::ParamsMgr::Severity, replacement);
    replacement.setFormulas(repeated(6, "10"));
    EXPECT_TRUE(allFormulasAre(mgr.get("Italy", "d", "t", "s", fn::ParamsMgr::Severity, f.pointers()), "9", 6));

    mgr.clear();
    for (int kind = 0; kind < fn::ParamsMgr::KindCount; ++kind)
        EXPECT_TRUE(mgr.params(kind).isEmpty());
}

TEST(TransitionParamsMgr, DefaultsAreNamedAndStoredMetaSurvives)
{
    const Factors f;
    fn::TransitionParamsMgr mgr;

    const fn::DataArray probability = mgr.get("Austria", "d", "t", "tr", fn::TransitionParamsMgr::Probability,
                                              f.pointers());
    EXPECT_EQ(probability.name(), "Probability");
    EXPECT_TRUE(probability.meta().isEmpty());
    EXPECT_TRUE(allFormulasAre(probability, "1", 6));

    const fn::DataArray redistribution = mgr.get("Austria", "d", "t", "tr", fn::TransitionParamsMgr::Redistribution,
                                                 f.pointers());
    EXPECT_EQ(redistribution.name(), "Redistribution");
    EXPECT_TRUE(allFormulasAre(redistribution, "0.052632", 6));

    const fn::DataArray withMeta(f.values(), "Probability",
                                 {{"redistribute", "yes"}, {"direct type", "no"}, {"duration", "3"}},
                                 repeated(6, "RandUniform(0.1, 0.2)"));
    mgr.set("Generic", "d", "t", "tr", fn::TransitionParamsMgr::Probability, withMeta);
    mgr.set("Generic", "d", "t", "tr", 2, stored(f, "Bad", "5"));

    const fn::DataArray fromGeneric = mgr.get("Malta", "d", "t", "tr", fn::TransitionParamsMgr::Probability,
                                              f.pointers());
    EXPECT_EQ(fromGeneric.meta(), withMeta.meta());
    EXPECT_TRUE(allFormulasAre(fromGeneric, "RandUniform(0.1, 0.2)", 6));
    // The redistribution of the same transition is still the default.
    EXPECT_TRUE(allFormulasAre(mgr.get("Malta", "d", "t", "tr", fn::TransitionParamsMgr::Redistribution, f.pointers()),
                               "0.052632", 6));
    EXPECT_TRUE(mgr.params(fn::TransitionParamsMgr::Redistribution).isEmpty());

    mgr.clear();
    EXPECT_TRUE(mgr.params(fn::TransitionParamsMgr::Probability).isEmpty());
}

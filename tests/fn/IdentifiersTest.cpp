#include <gtest/gtest.h>

#include "fn/InputType.h"
#include "fn/KnownIds.h"
#include "ut/Exception.h"

TEST(Identifiers, KnownCountryAndDiseaseLists)
{
    const QStringList& countries = fn::knownCountryIds();
    EXPECT_EQ(countries.size(), 33);
    EXPECT_EQ(countries.first(), QStringLiteral("CustomPopulation"));
    EXPECT_EQ(countries.last(), QStringLiteral("Generic"));
    EXPECT_TRUE(countries.contains(QStringLiteral("Austria")));
    EXPECT_FALSE(countries.contains(QStringLiteral("austria")));

    const QStringList& diseases = fn::knownDiseaseIds();
    EXPECT_EQ(diseases.size(), 85);
    EXPECT_EQ(QStringList(diseases).removeDuplicates(), 0);
    EXPECT_EQ(diseases.first(), QStringLiteral("BaselineBSI"));
    EXPECT_EQ(diseases[1], QStringLiteral("BaselineRESP"));
    EXPECT_EQ(diseases.last(), QStringLiteral("StreptococcusPneumoniaePMRSPOTH"));
    const int odd = diseases.indexOf(QStringLiteral("StreptococcusPneumoniaePMRSPRES"));
    ASSERT_EQ(odd, 81);
    EXPECT_EQ(diseases[80], QStringLiteral("StreptococcusPneumoniaePMRSPBSI"));
    EXPECT_EQ(diseases[82], QStringLiteral("StreptococcusPneumoniaePMRSPUTI"));
    EXPECT_FALSE(diseases.contains(QStringLiteral("StreptococcusPneumoniaePMRSPRESP")));
    EXPECT_TRUE(diseases.contains(QStringLiteral("StreptococcusPneumoniaePRSPRESP")));
}

TEST(Identifiers, EnumerationsConvertByName)
{
    EXPECT_EQ(fn::InputType::healthStateFromKey(QStringLiteral("YLL")), fn::InputType::YLL);
    EXPECT_EQ(fn::InputType::healthStateFromKey(QStringLiteral("INFECTION")), 0);
    EXPECT_EQ(fn::InputType::healthStateFromKey(QStringLiteral("yld")), -1);
    EXPECT_EQ(fn::InputType::healthStateFromKey(QString()), -1);
}

TEST(Exception, FatalErrorText)
{
    const ut::Exception e(QStringLiteral("M"), QStringLiteral("P"));
    EXPECT_EQ(ut::fatalErrorText(e),
              QStringLiteral("<b>Error message</b>: M<br /><b>Place of occurence</b>: P"
                             "<br /><br />Progam will terminate now."));
    const ut::Exception copy = e;
    EXPECT_EQ(copy.message(), QStringLiteral("M"));
    EXPECT_EQ(copy.place(), QStringLiteral("P"));
}

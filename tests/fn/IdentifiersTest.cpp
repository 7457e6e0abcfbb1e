#include <gtest/gtest.h>

#include "fn/InputType.h"
#include "fn/KnownIds.h"
#include "ut/Exception.h"

TEST(Identifiers, KnownCountryAndDiseaseLists)
{
    const QStringList& countries = fn::knownCountryIds();
    EXPECT_EQ(countries.size(), 33);
    EXPECT_EQ(countries.first(), "CustomPopulation");
    EXPECT_EQ(countries.last(), "Generic");
    EXPECT_TRUE(countries.contains("Austria"));
    EXPECT_FALSE(countries.contains("austria"));

    const QStringList& diseases = fn::knownDiseaseIds();
    EXPECT_EQ(diseases.size(), 85);
    EXPECT_EQ(QStringList(diseases).removeDuplicates(), 0);
    EXPECT_EQ(diseases.mid(0, 2), (QStringList{"BaselineBSI", "BaselineRESP"}));
    const QString pmrsp = QStringLiteral("StreptococcusPneumoniaePMRSP");
    EXPECT_EQ(diseases.mid(80),
              (QStringList{pmrsp + "BSI", pmrsp + "RES", pmrsp + "UTI", pmrsp + "SSI", pmrsp + "OTH"}));
    EXPECT_FALSE(diseases.contains(pmrsp + "RESP"));
    EXPECT_TRUE(diseases.contains("StreptococcusPneumoniaePRSPRESP"));
}

TEST(Identifiers, EnumerationsConvertByName)
{
    EXPECT_EQ(fn::InputType::healthStateFromKey("YLL"), fn::InputType::YLL);
    EXPECT_EQ(fn::InputType::healthStateFromKey("INFECTION"), 0);
    EXPECT_EQ(fn::InputType::healthStateFromKey("yld"), -1);
    EXPECT_EQ(fn::InputType::healthStateFromKey(QString()), -1);
}

TEST(Exception, FatalErrorText)
{
    const ut::Exception e("M", "P");
    EXPECT_EQ(ut::fatalErrorText(e),
              QStringLiteral("<b>Error message</b>: M<br /><b>Place of occurence</b>: P"
                             "<br /><br />Progam will terminate now."));
}

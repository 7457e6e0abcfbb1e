#include <stdexcept>

#include <gtest/gtest.h>

#include "ut/Exception.h"
#include "ut/HtmlText.h"

// The page's messages as the command line prints them, and exceptions as a terminal shows them.
TEST(HtmlText, PageMessagesBecomeReadablePlainText)
{
    // As the controller lists applied changes, escapes paths and breaks lines.
    EXPECT_EQ(ut::HtmlText::toPlainText(QStringLiteral("Changes have been applied to:<br /><ul><li>Severity</li>"
                                                       "<li>Duration</li></ul>")),
              QStringLiteral("Changes have been applied to:\n- Severity\n- Duration"));
    EXPECT_EQ(ut::HtmlText::toPlainText(QStringLiteral("Cannot write &quot;/tmp/a&lt;b&gt;&amp;c.xls&quot;: full")),
              QStringLiteral("Cannot write \"/tmp/a<b>&c.xls\": full"));
    EXPECT_EQ(ut::HtmlText::toPlainText(QStringLiteral("Importing file: <b>models</b><br>Sheet: Gr&#252;n &#x263A;")),
              QStringLiteral("Importing file: models\nSheet: Grün ☺"));
    // Text that only looks like markup stays: a comparison in a formula, an unknown reference.
    EXPECT_EQ(ut::HtmlText::toPlainText(QStringLiteral("a < b and &unknown; stay")),
              QStringLiteral("a < b and &unknown; stay"));
}

TEST(Exception, AReplacementKeepsWhatTheOriginalSaid)
{
    ut::Exception replacement{QString(), QString()};
    try {
        try {
            ut::Exception original(QStringLiteral("Formula cannot be parsed.\nInstead it is 0."),
                                   QStringLiteral("fn::DataValue::initializeParser"));
            original.addDetail(QStringLiteral("cell 3: \"1 +\""));
            throw original;
        } catch (ut::Exception& e) {
            e.addDetail(QStringLiteral("in element \"Death\""));
            throw;
        }
    } catch (...) {
        replacement = ut::replacementOfCurrentException(QStringLiteral("Run failed"), QStringLiteral("ui::Run::go"));
    }
    EXPECT_EQ(replacement.message(), QStringLiteral("Run failed"));
    EXPECT_EQ(replacement.place(), QStringLiteral("ui::Run::go"));
    EXPECT_EQ(ut::explanation(replacement),
              QStringLiteral("Run failed (ui::Run::go)\n"
                             "  Formula cannot be parsed. Instead it is 0. (fn::DataValue::initializeParser)\n"
                             "  cell 3: \"1 +\"\n"
                             "  in element \"Death\""));

    try {
        throw std::runtime_error("vector too long");
    } catch (...) {
        replacement = ut::replacementOfCurrentException(QStringLiteral("Run failed"), QStringLiteral("ui::Run::go"));
    }
    EXPECT_EQ(replacement.details(), QStringList{QStringLiteral("vector too long")});
}

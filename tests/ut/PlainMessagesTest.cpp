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
              "Changes have been applied to:\n- Severity\n- Duration");
    EXPECT_EQ(ut::HtmlText::toPlainText("Cannot write &quot;/tmp/a&lt;b&gt;&amp;c.xls&quot;: full"),
              "Cannot write \"/tmp/a<b>&c.xls\": full");
    EXPECT_EQ(ut::HtmlText::toPlainText("Importing file: <b>models</b><br>Sheet: Gr&#252;n &#x263A;"),
              "Importing file: models\nSheet: Grün ☺");
    // Text that only looks like markup stays: a comparison in a formula, an unknown reference.
    EXPECT_EQ(ut::HtmlText::toPlainText("a < b and &unknown; stay"), "a < b and &unknown; stay");
}

TEST(Exception, AReplacementKeepsWhatTheOriginalSaid)
{
    ut::Exception replacement{QString(), QString()};
    try {
        try {
            ut::Exception original("Formula cannot be parsed.\nInstead it is 0.", "fn::DataValue::initializeParser");
            original.addDetail("cell 3: \"1 +\"");
            throw original;
        } catch (ut::Exception& e) {
            e.addDetail("in element \"Death\"");
            throw;
        }
    } catch (...) {
        replacement = ut::replacementOfCurrentException("Run failed", "ui::Run::go");
    }
    EXPECT_EQ(replacement.message(), "Run failed");
    EXPECT_EQ(replacement.place(), "ui::Run::go");
    EXPECT_EQ(ut::explanation(replacement),
              QStringLiteral("Run failed (ui::Run::go)\n"
                             "  Formula cannot be parsed. Instead it is 0. (fn::DataValue::initializeParser)\n"
                             "  cell 3: \"1 +\"\n"
                             "  in element \"Death\""));

    try {
        throw std::runtime_error("vector too long");
    } catch (...) {
        replacement = ut::replacementOfCurrentException("Run failed", "ui::Run::go");
    }
    EXPECT_EQ(replacement.details(), QStringList{"vector too long"});
}

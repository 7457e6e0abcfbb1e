#include <gtest/gtest.h>

#include "ut/workbook/orcus/archive/XmlPartCheck.h"

namespace {

QString problemOf(const char* styles)
{
    return ut::XmlPartCheck::problem(
        QByteArray("<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                   "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
                   "xmlns:s=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\">\n<office:automatic-styles>")
        + styles + "</office:automatic-styles></office:document-content>");
}

} // namespace

// liborcus writes column and row properties into the style's record for that family and asserts
// the family afterwards: every mismatch it would meet must be found, whatever the prefix, and
// only those.
TEST(XmlPartCheck, PropertiesOfAnotherFamilyAreFound)
{
    EXPECT_EQ(problemOf("<style:style style:family=\"table-column\"><style:table-column-properties/></style:style>"
                        "<style:style style:family=\"table-row\"><style:table-row-properties/></style:style>"
                        "<style:style style:family=\"table-cell\"><style:paragraph-properties/></style:style>"),
              QString());
    EXPECT_EQ(problemOf("<style:style style:family=\"table-cell\"><style:table-row-properties/></style:style>"),
              "gives table-row properties to a \"table-cell\" style (line 2)");
    EXPECT_EQ(problemOf("<style:style><style:table-column-properties/></style:style>"),
              "gives table-column properties to a style without a family (line 2)");
    // A second child of the same style is checked as well as the first; another prefix for the
    // same namespace, and the last of two family attributes, are taken as liborcus takes them.
    for (const char* styles : {"<style:style style:family=\"table-column\"><style:table-column-properties/>"
                               "<style:table-row-properties/></style:style>",
                               "<s:style s:family=\"table-row\"><s:table-column-properties/></s:style>",
                               "<style:style style:family=\"table-column\" s:family=\"table-row\">"
                               "<style:table-column-properties/></style:style>"})
        EXPECT_FALSE(problemOf(styles).isEmpty()) << styles;
    // Properties outside a style are left to liborcus, which refuses them with an exception.
    EXPECT_EQ(problemOf("<style:table-column-properties/>"), QString());
    EXPECT_TRUE(problemOf("<style:style style:family=\"table-column\">").startsWith("is not well-formed XML"));
}

// A part one element deeper or larger than the limits is refused with the limit named; one at
// the limits is read. The element limit is tried at a smaller size: 40 million take a minute.
TEST(XmlPartCheck, DepthAndSizeLimitsAreExact)
{
    const auto nested = [](int depth) -> QByteArray {
        return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
    };
    const auto flat = [](int elements) -> QByteArray {
        return "<a>\n" + QByteArray("<b/>").repeated(elements - 1) + "</a>";
    };
    constexpr int depthLimit = ut::XmlPartCheck::maxDepth;
    constexpr int elementLimit = 1000;
    const struct
    {
        QByteArray xml;
        const char* problem;
    } rows[] = {
        {nested(depthLimit), nullptr},
        {nested(depthLimit + 1), "nests elements more than 256 deep (line 1)"},
        {flat(elementLimit), nullptr},
        {flat(elementLimit + 1), "holds more than 1000 elements (line 2)"},
        // The depth counts open elements only: siblings do not add up.
        {QByteArray("<a>") + QByteArray("<b></b>").repeated(depthLimit + 1) + "</a>", nullptr},
    };
    for (const auto& row : rows) {
        const QString problem = ut::XmlPartCheck::problem(row.xml, {}, nullptr, depthLimit, elementLimit);
        if (row.problem)
            EXPECT_TRUE(problem.startsWith(QLatin1String(row.problem))) << qPrintable(problem);
        else
            EXPECT_TRUE(problem.isEmpty()) << qPrintable(problem);
    }
}

#include <QFile>
#include <QFileDialog>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ui/shell/PdfPageExport.h"

namespace {

using guitest::MainPageFixture;

class PageExportTest : public MainPageFixture
{
};

} // namespace

// The page printed to PDF is a document of a few pages, one section per tab, with the
// results tables and charts; a name typed without extension gets ".pdf"; the user is told
// when it is done, and the page looks as before.
TEST_F(PageExportTest, ThePageBecomesAReadablePdfOfAFewPages)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModels({guitest::country}, guitest::bsiDisease));
    ASSERT_NO_FATAL_FAILURE(runFromPage(200));
    guitest::runJavaScript(page,
                           QStringLiteral("ozmidPage.openModel(%1, %2, 'model 1');")
                               .arg(guitest::jsString(guitest::country), guitest::jsString(guitest::bsiDisease)));
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("ozmidPage.state.selectedModel !== null")));
    guitest::runJavaScript(page,
                           QStringLiteral("ozmidPage.showDetailedResults(%1, %2, 'model 1');")
                               .arg(guitest::jsString(guitest::country), guitest::jsString(guitest::bsiDisease)));
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("ozmidPage.state.lastDetailedResults !== null")));

    QSignalSpy exported(&window->webGUI(), &ui::WebGUI::pdfExportFinished);
    const QString typed = QDir(base.path()).filePath(QStringLiteral("burden report"));
    guitest::whenModal<QFileDialog>([&typed](QFileDialog* dialog) { guitest::typeFileName(dialog, typed); });
    guitest::runJavaScript(page, QStringLiteral("document.getElementById('exportPdfButton').click();"));
    ASSERT_TRUE(guitest::waitFor([&] { return !exported.isEmpty(); }, 120000));
    const QString path = typed + QStringLiteral(".pdf");
    EXPECT_EQ(exported.first().at(0).toString(), path);
    EXPECT_TRUE(exported.first().at(1).toBool());

    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << qPrintable(path);
    const QByteArray content = pdf.readAll();
    EXPECT_TRUE(content.startsWith("%PDF"));
    const int pages = ui::PdfPageExport::pageCount(content);
    std::cout << "PDF of the main page: " << pages << " pages, " << content.size() << " bytes" << std::endl;
    QFile::remove(guitest::artifactPath(QStringLiteral("main-page.pdf")));
    QFile::copy(path, guitest::artifactPath(QStringLiteral("main-page.pdf")));
    EXPECT_GE(pages, 4);
    EXPECT_LE(pages, 30);

    ASSERT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("ozmidPage.state.messages.some(function (m) {"
                                                      " return m.title === 'Export page to PDF' &&"
                                                      " m.type === 'success'; })")));
    EXPECT_TRUE(guitest::runJavaScript(page,
                                       QStringLiteral("ozmidPage.state.messages.filter(function (m) {"
                                                      " return m.title === 'Export page to PDF'; })[0].text"))
                    .toString()
                    .contains(QStringLiteral("%1 pages").arg(pages)));
    // The print view is gone again: one tab shows, no printed copies are left behind.
    EXPECT_EQ(guitest::runJavaScript(page,
                                     QStringLiteral("document.body.classList.contains('printing') + ':' + "
                                                    "document.querySelectorAll('.print-added').length + ':' + "
                                                    "Array.from(document.querySelectorAll('.tab-page')).filter("
                                                    "function (p) { return p.offsetParent !== null; }).length"))
                  .toString(),
              QStringLiteral("false:0:1"));
}

// The page count read from a document: every page object, not the page tree.
TEST(PdfPageExport, CountsThePagesOfADocument)
{
    const QByteArray pdf = "%PDF-1.4\n1 0 obj <</Type /Pages /Count 2 /Kids [2 0 R 3 0 R]>> endobj\n"
                           "2 0 obj <</Type /Page /Parent 1 0 R>> endobj\n3 0 obj <</Type/Page/Parent 1 0 R>> endobj\n";
    EXPECT_EQ(ui::PdfPageExport::pageCount(pdf), 2);
    EXPECT_EQ(ui::PdfPageExport::pageCount(QByteArray("%PDF-1.4\n")), 0);
}

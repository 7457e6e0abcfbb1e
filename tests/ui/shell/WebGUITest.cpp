#include <QBuffer>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/ProgramRun.h"
#include "ui/shell/MainPageFixture.h"
#include "ui/shell/PdfPageExport.h"
#include "ui/shell/WebGUI.h"

using namespace guitest;

namespace {

// Stands in for the desktop's browser: records what would have been opened.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

QString pngBase64(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QString::fromLatin1(bytes.toBase64());
}

QImage testImage()
{
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(QColor(200, 30, 40));
    image.setPixelColor(0, 0, QColor(10, 220, 30));
    return image;
}

class WebGUITest : public guitest::FolderTest
{
protected:
    ui::WebGUI webGUI;
};

using PageExportTest = guitest::MainPageFixture;

} // namespace

// Text on the clipboard pastes into a grid, an image pastes nothing; images go to files too.
TEST_F(WebGUITest, TheClipboardPastesIntoGridsAndPngImagesGoToItAndToFiles)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("1\t2\t3\t4\n5\t6\t7\t8\n");
    ASSERT_TRUE(waitFor([clipboard] { return clipboard->text() == "1\t2\t3\t4\n5\t6\t7\t8\n"; }));
    const QVariantMap pasted = webGUI.pasteFromClipboardToGrid({"0-4", "5-9", "10+"}, {"Female", "Male"}, "Uniform");
    const QVariantList rows = pasted.value("stratified").toList();
    ASSERT_EQ(rows.size(), 3);
    // The conversion itself is ParameterExchange's; here the clipboard's text reaches it.
    EXPECT_EQ(rows[1].toMap().value("Male").toString(), "RandUniform(7, 8)");

    const QImage image = testImage();
    webGUI.copyPngImageToClipboard(pngBase64(image));
    ASSERT_TRUE(waitFor([clipboard] { return clipboard->image().size() == QSize(4, 3); }));
    EXPECT_EQ(clipboard->image().pixelColor(0, 0), QColor(10, 220, 30));
    EXPECT_EQ(clipboard->image().pixelColor(3, 2), QColor(200, 30, 40));
    const QVariantMap empty = webGUI.pasteFromClipboardToGrid({"0-4"}, {"Female"}, "Constant");
    EXPECT_EQ(empty, (QVariantMap{{"stratified", QVariantList()}}));

    const QString path = base.filePath("chart.png");
    QSignalSpy messages(&webGUI, &ui::WebGUI::notice);
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    webGUI.savePngImageToFile(pngBase64(image));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(messages.isEmpty());

    // A name typed without extension gets ".png"; the user is told where the image went.
    whenModal<QFileDialog>([this](QFileDialog* dialog) { typeFileName(dialog, base.filePath("chart")); });
    webGUI.savePngImageToFile(pngBase64(image));
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(4, 3));
    EXPECT_EQ(saved.pixelColor(0, 0), QColor(10, 220, 30));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].at(2).toString(), "success");
    EXPECT_TRUE(messages[0].at(1).toString().contains("chart.png"));
}

// Only links with http open; requests reach the controller and its answers come back.
TEST_F(WebGUITest, LinksOpenOnlyWithHttpAndRequestsReachTheController)
{
    UrlRecorder recorder;
    for (const char* scheme : {"http", "https", "ftp", "mailto"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &recorder, "open");
    for (const char* url : {"https://www.example.org/report", "http://www.example.org/", "ftp://files.example.org/data",
                            "mailto:someone@example.org", "HTTPS://www.example.org/upper"})
        webGUI.webLinkClicked(url);
    for (const char* scheme : {"http", "https", "ftp", "mailto"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    EXPECT_EQ(recorder.opened, (QList<QUrl>{QUrl("https://www.example.org/report"), QUrl("http://www.example.org/")}));

    ASSERT_TRUE(guitest::prepareBaseFolder(base.path()));
    ui::Chief chief;
    chief.setBasePath(base.path());
    webGUI.setChief(&chief);
    chief.setWebGUI(&webGUI);

    // Most requests and answers go to and from the page's tests; these only here.
    QSignalSpy reinitialized(&webGUI, &ui::WebGUI::programReinitialized);
    webGUI.setSelectedCountries({country});
    webGUI.setSelectedDiseases({bsiDisease});
    webGUI.createModels();
    ASSERT_EQ(chief.models().size(), 1u);
    webGUI.setNumSamples(120);
    webGUI.setTimeDiscountRate(0.03);
    EXPECT_EQ(webGUI.getNumSamples(), 120);
    EXPECT_DOUBLE_EQ(webGUI.getTimeDiscountRate(), 0.03);

    // The page's initial request resets it without touching the models; deleting them does both.
    reinitialized.clear();
    webGUI.dataRequested();
    EXPECT_EQ(reinitialized.size(), 1);
    EXPECT_EQ(chief.models().size(), 1u);
    webGUI.deleteModels();
    EXPECT_EQ(reinitialized.size(), 2);
    EXPECT_TRUE(chief.models().empty());
}

// The page printed to PDF: A4 portrait, a few pages; the page looks as before afterwards.
TEST_F(PageExportTest, ThePageBecomesAReadableA4PdfOfAFewPages)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModels({country}, bsiDisease));
    ASSERT_NO_FATAL_FAILURE(runFromPage(200));
    onModel("openModel");
    ASSERT_TRUE(waitJs("ozmidPage.state.selectedModel !== null"));
    onModel("showDetailedResults");
    ASSERT_TRUE(waitJs("ozmidPage.state.lastDetailedResults !== null"));

    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    window->webGUI().exportPageToPdf();
    EXPECT_TRUE(QDir(base.path()).entryList({"*.pdf"}).isEmpty());
    QSignalSpy exported(&window->webGUI(), &ui::WebGUI::pdfExportFinished);
    const QString typed = base.filePath("burden report");
    whenModal<QFileDialog>([&typed](QFileDialog* dialog) { typeFileName(dialog, typed); });
    js("document.getElementById('exportPdfButton').click();");
    ASSERT_TRUE(waitFor([&] { return !exported.isEmpty(); }, 120000));
    const QString path = typed + ".pdf";
    EXPECT_EQ(exported.first().at(0).toString(), path);
    EXPECT_TRUE(exported.first().at(1).toBool());

    const QByteArray content = contents(path);
    ASSERT_TRUE(content.startsWith("%PDF")) << qPrintable(path);
    const int pages = ui::PdfPageExport::pageCount(content);
    EXPECT_GE(pages, 4);
    EXPECT_LE(pages, 30);
    // A4 is 595 x 842 points; portrait puts the shorter side first.
    const QRegularExpressionMatch mediaBox =
        QRegularExpression("^/MediaBox\\s*\\[\\s*0 0 (\\d+(?:\\.\\d+)?) (\\d+(?:\\.\\d+)?)")
            .match(QString::fromLatin1(content.mid(content.indexOf("/MediaBox"), 60)));
    ASSERT_TRUE(mediaBox.hasMatch());
    EXPECT_NEAR(mediaBox.captured(1).toDouble(), 595.0, 1.5);
    EXPECT_NEAR(mediaBox.captured(2).toDouble(), 842.0, 1.5);

    ASSERT_TRUE(waitJs("ozmidPage.state.messages.some(function (m) { return m.title === 'Export page to PDF' &&"
                       " m.type === 'success'; })"));
    EXPECT_TRUE(js("ozmidPage.state.messages.filter(function (m) { return m.title === 'Export page to PDF'; })[0].text")
                    .toString()
                    .contains(QStringLiteral("%1 pages").arg(pages)));
    // The print view is gone again: one tab shows, no printed copies are left behind.
    EXPECT_EQ(js("document.body.classList.contains('printing') + ':' + "
                 "document.querySelectorAll('.print-added').length + ':' + "
                 "Array.from(document.querySelectorAll('.tab-page')).filter("
                 "function (p) { return p.offsetParent !== null; }).length")
                  .toString(),
              "false:0:1");
}

// The page count read from a document: every page object, not the page tree.
TEST(PdfPageExport, CountsThePagesOfADocument)
{
    const QByteArray pdf = "%PDF-1.4\n1 0 obj <</Type /Pages /Count 2 /Kids [2 0 R 3 0 R]>> endobj\n"
                           "2 0 obj <</Type /Page /Parent 1 0 R>> endobj\n3 0 obj <</Type/Page/Parent 1 0 R>> endobj\n";
    EXPECT_EQ(ui::PdfPageExport::pageCount(pdf), 2);
    EXPECT_EQ(ui::PdfPageExport::pageCount(QByteArray("%PDF-1.4\n")), 0);
}

#include "WebGUITest.moc"

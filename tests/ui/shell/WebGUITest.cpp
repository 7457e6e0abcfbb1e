#include <memory>

#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include "ui/shell/GuiTestSupport.h"
#include "ui/Chief.h"
#include "ui/shell/WebGUI.h"

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

void chooseFile(const QString& path)
{
    guitest::whenModal<QFileDialog>([path](QFileDialog* dialog) { guitest::typeFileName(dialog, path); });
}

void cancelFileDialog()
{
    guitest::whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
}

class WebGUITest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        ASSERT_TRUE(folder.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(folder.path());
    }

    void TearDown() override { QDir::setCurrent(previousDirectory); }

    QTemporaryDir folder;
    QString previousDirectory;
    ui::WebGUI webGUI;
};

} // namespace

TEST_F(WebGUITest, OnlyLinksWithHttpOpen)
{
    UrlRecorder recorder;
    for (const char* scheme : {"http", "https", "ftp", "mailto"})
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &recorder, "open");
    webGUI.webLinkClicked(QStringLiteral("https://www.example.org/report"));
    webGUI.webLinkClicked(QStringLiteral("http://www.example.org/"));
    webGUI.webLinkClicked(QStringLiteral("ftp://files.example.org/data"));
    webGUI.webLinkClicked(QStringLiteral("mailto:someone@example.org"));
    webGUI.webLinkClicked(QStringLiteral("HTTPS://www.example.org/upper"));
    for (const char* scheme : {"http", "https", "ftp", "mailto"})
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    EXPECT_EQ(recorder.opened,
              (QList<QUrl>{QUrl(QStringLiteral("https://www.example.org/report")),
                           QUrl(QStringLiteral("http://www.example.org/"))}));
}

TEST_F(WebGUITest, PastesClipboardTextIntoAGrid)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("1\t2\t3\t4\n5\t6\t7\t8\n"));
    ASSERT_TRUE(
        guitest::waitFor([clipboard] { return clipboard->text() == QStringLiteral("1\t2\t3\t4\n5\t6\t7\t8\n"); }));
    const QVariantMap pasted = webGUI.pasteFromClipboardToGrid(
        {QStringLiteral("0-4"), QStringLiteral("5-9"), QStringLiteral("10+")},
        {QStringLiteral("Female"), QStringLiteral("Male")}, QStringLiteral("Uniform"));
    const QVariantList rows = pasted.value(QStringLiteral("stratified")).toList();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].toMap().value(QStringLiteral("Female")).toString(), QStringLiteral("RandUniform(1, 2)"));
    EXPECT_EQ(rows[0].toMap().value(QStringLiteral("Male")).toString(), QStringLiteral("RandUniform(3, 4)"));
    EXPECT_EQ(rows[1].toMap().value(QStringLiteral("Male")).toString(), QStringLiteral("RandUniform(7, 8)"));
    EXPECT_EQ(rows[2].toMap().value(QStringLiteral("Female")).toString(), QStringLiteral("RandUniform(0, 0)"));
    EXPECT_EQ(rows[2].toMap().value(QStringLiteral("Age")).toString(), QStringLiteral("10+"));

    clipboard->setImage(testImage());
    ASSERT_TRUE(guitest::waitFor([clipboard] { return !clipboard->image().isNull(); }));
    const QVariantMap empty = webGUI.pasteFromClipboardToGrid({QStringLiteral("0-4")}, {QStringLiteral("Female")},
                                                              QStringLiteral("Constant"));
    EXPECT_EQ(empty, (QVariantMap{{QStringLiteral("stratified"), QVariantList()}}));
}

TEST_F(WebGUITest, PngImagesGoToTheClipboardAndToFiles)
{
    const QImage image = testImage();
    webGUI.copyPngImageToClipboard(pngBase64(image));
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_TRUE(guitest::waitFor([clipboard] { return clipboard->image().size() == QSize(4, 3); }));
    EXPECT_EQ(clipboard->image().pixelColor(0, 0), QColor(10, 220, 30));
    EXPECT_EQ(clipboard->image().pixelColor(3, 2), QColor(200, 30, 40));

    const QString path = folder.filePath(QStringLiteral("chart.png"));
    QSignalSpy messages(&webGUI, &ui::WebGUI::notice);
    cancelFileDialog();
    webGUI.savePngImageToFile(pngBase64(image));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(messages.isEmpty());

    // A name typed without extension gets ".png"; the user is told where the image went.
    chooseFile(folder.filePath(QStringLiteral("chart")));
    webGUI.savePngImageToFile(pngBase64(image));
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(4, 3));
    EXPECT_EQ(saved.pixelColor(0, 0), QColor(10, 220, 30));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].at(2).toString(), QStringLiteral("success"));
    EXPECT_TRUE(messages[0].at(1).toString().contains(QStringLiteral("chart.png")));
}

TEST_F(WebGUITest, ExportsThePageAsAnA4PortraitPdf)
{
    QWebEngineView view;
    QSignalSpy loaded(view.page(), &QWebEnginePage::loadFinished);
    view.setHtml(QStringLiteral("<html><body><h1>Burden</h1><p>DALY table</p></body></html>"));
    view.show();
    ASSERT_TRUE(guitest::waitFor([&] { return !loaded.isEmpty(); }));
    webGUI.setPage(view.page());

    cancelFileDialog();
    webGUI.exportPageToPdf();
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("*.pdf")}).isEmpty());

    // A name typed without extension gets ".pdf"; the end is announced with the file's name.
    const QString path = folder.filePath(QStringLiteral("page.pdf"));
    QSignalSpy printed(&webGUI, &ui::WebGUI::pdfExportFinished);
    QSignalSpy messages(&webGUI, &ui::WebGUI::notice);
    chooseFile(folder.filePath(QStringLiteral("page")));
    webGUI.exportPageToPdf();
    ASSERT_TRUE(guitest::waitFor([&] { return !printed.isEmpty(); }));
    EXPECT_EQ(printed.first().at(0).toString(), path);
    EXPECT_TRUE(printed.first().at(1).toBool());
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last().at(0).toString(), QStringLiteral("Export page to PDF"));
    EXPECT_EQ(messages.last().at(2).toString(), QStringLiteral("success"));
    EXPECT_TRUE(messages.last().at(1).toString().contains(QStringLiteral("(1 pages)")));
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray content = pdf.readAll();
    EXPECT_TRUE(content.startsWith("%PDF"));
    // A4 is 595 x 842 points; portrait puts the shorter side first.
    const QRegularExpression mediaBox(QStringLiteral("/MediaBox\\s*\\[\\s*0 0 (\\d+(?:\\.\\d+)?) (\\d+(?:\\.\\d+)?)"));
    const QRegularExpressionMatch match = mediaBox.match(QString::fromLatin1(content));
    ASSERT_TRUE(match.hasMatch());
    EXPECT_NEAR(match.captured(1).toDouble(), 595.0, 1.5);
    EXPECT_NEAR(match.captured(2).toDouble(), 842.0, 1.5);
}

TEST_F(WebGUITest, RequestsReachTheControllerAndItsAnswersComeBack)
{
    ASSERT_TRUE(guitest::prepareBaseFolder(folder.path()));
    ui::Chief chief;
    chief.setBasePath(folder.path());
    webGUI.setChief(&chief);
    chief.setWebGUI(&webGUI);

    const QVariantList diseases = webGUI.getAvailableDiseases();
    EXPECT_TRUE(std::any_of(diseases.cbegin(), diseases.cend(), [](const QVariant& disease) {
        return disease.toMap().value(QStringLiteral("id")).toString() == guitest::bsiDisease;
    }));

    QSignalSpy created(&webGUI, &ui::WebGUI::modelsCreated);
    QSignalSpy messages(&webGUI, &ui::WebGUI::showMessage);
    QSignalSpy reinitialized(&webGUI, &ui::WebGUI::programReinitialized);
    webGUI.setSelectedCountries({guitest::country});
    webGUI.setSelectedDiseases({guitest::bsiDisease});
    webGUI.createModels();
    ASSERT_EQ(chief.models().size(), 1u);
    ASSERT_EQ(created.size(), 1);
    EXPECT_EQ(created.first().first().toList().first().toMap().value(QStringLiteral("modelID")).toString(),
              QStringLiteral("model 1"));
    EXPECT_EQ(messages.last().at(0).toString(), QStringLiteral("Model creation"));

    webGUI.setNumSamples(120);
    webGUI.setTimeDiscountRate(0.03);
    EXPECT_EQ(chief.numSamples(), 120);
    EXPECT_EQ(webGUI.getNumSamples(), 120);
    EXPECT_DOUBLE_EQ(webGUI.getTimeDiscountRate(), 0.03);

    // The run goes to a worker thread; progress and results come back queued, in order.
    QSignalSpy started(&webGUI, &ui::WebGUI::runStarted);
    QSignalSpy progress(&webGUI, &ui::WebGUI::runProgressUpdated);
    QSignalSpy aggregated(&webGUI, &ui::WebGUI::aggregatedResultsAvailable);
    QSignalSpy finished(&webGUI, &ui::WebGUI::runFinished);
    webGUI.runModels();
    ASSERT_TRUE(guitest::waitFor([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(started.size(), 1);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_FLOAT_EQ(progress.last().at(0).toFloat(), 1.0f);
    ASSERT_EQ(aggregated.size(), 1);
    const QVariantList modelResults = aggregated.first().first().toMap().value(QStringLiteral("modelResults")).toList();
    ASSERT_EQ(modelResults.size(), 1);
    EXPECT_EQ(modelResults.first().toMap().value(QStringLiteral("results")).toMap(),
              chief.models().front()->totalResults());

    QSignalSpy detailed(&webGUI, &ui::WebGUI::detailedResultsAvailable);
    webGUI.showDetailedResults(guitest::country, guitest::bsiDisease, QStringLiteral("model 1"));
    ASSERT_EQ(detailed.size(), 1);
    EXPECT_EQ(detailed.first().first().toMap(), chief.models().front()->results());

    webGUI.showOutcomeTreeElementDetails(QStringLiteral("bsi"), QStringLiteral("infection"),
                                         QStringLiteral("infection_hs"), guitest::country, guitest::bsiDisease,
                                         QStringLiteral("model 1"));
    EXPECT_TRUE(chief.presenterMgr().isRegistered(QStringLiteral("model 1"), QStringLiteral("bsi"),
                                                  QStringLiteral("infection_hs")));

    // The page's initial request resets it without touching the models; deleting them does both.
    reinitialized.clear();
    webGUI.dataRequested();
    EXPECT_EQ(reinitialized.size(), 1);
    EXPECT_EQ(chief.models().size(), 1u);
    webGUI.deleteModels();
    EXPECT_EQ(reinitialized.size(), 2);
    EXPECT_TRUE(chief.models().empty());
    EXPECT_TRUE(guitest::waitFor([&] { return chief.presenterMgr().count() == 0; }));
}

#include "WebGUITest.moc"

#include <iostream>
#include <memory>
#include <set>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ui/shell/presenters/YLDHealthOutcomeDataPresenter.h"

namespace {

using guitest::artifactPath;
using guitest::jsString;

// Enough colours to tell a drawn page from an empty or uniformly filled window.
int distinctColours(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

class MainPageRunTest : public guitest::MainPageFixture
{
};

} // namespace

// The graphical program as the user drives it: the main page selects a country and a
// sample disease, creates the model, runs it on the worker thread and shows the results
// the controller computed; a click on the outcome tree opens the element's pop-up.
TEST_F(MainPageRunTest, ThePageRunsAModelAndShowsItsResults)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));

    QSignalSpy finished(chief.get(), &ui::Chief::runFinished);
    guitest::runJavaScript(page,
                           QStringLiteral("ozmidPage.setNumSamples(200); ozmidPage.showTab('results');"
                                          "ozmidPage.runModels();"));
    ASSERT_TRUE(guitest::waitFor([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(chief->numSamples(), 200);
    const fn::DiseaseModel& model = *chief->models().front();
    ASSERT_TRUE(model.isComputed());
    EXPECT_EQ(model.numberOfIterations(), 200u);

    ASSERT_TRUE(guitest::waitForScript(
        page,
        QStringLiteral("ozmidPage.state.lastRunList && ozmidPage.state.lastRunList.length === 1 && "
                       "ozmidPage.dalyMean('model 1') !== null")));
    const double shown = guitest::runJavaScript(page, QStringLiteral("ozmidPage.dalyMean('model 1')")).toDouble();
    const double computed =
        model.totalResults().value(QStringLiteral("daly")).toMap().value(QStringLiteral("Mean")).toDouble();
    EXPECT_GT(computed, 0.0);
    EXPECT_NEAR(shown, computed, 1e-9 * computed);
    EXPECT_EQ(guitest::runJavaScript(page, QStringLiteral("document.getElementById('runProgressBar').dataset.fraction"))
                  .toString(),
              QStringLiteral("1"));
    EXPECT_TRUE(
        guitest::runJavaScript(
            page,
            QStringLiteral("!!document.querySelector('#aggregatedResultsTable tr[data-total=\"true\"] .daly-mean')"))
            .toBool());

    // Let the charts finish drawing before the picture is taken.
    ASSERT_TRUE(
        guitest::waitForScript(page, QStringLiteral("document.querySelectorAll('#page-results canvas').length > 0")));
    QTest::qWait(500);
    const QString shot = artifactPath(QStringLiteral("main-page-results.png"));
    ASSERT_TRUE(window->grab().save(shot, "PNG"));
    std::cout << "Main window with results: " << qPrintable(shot) << std::endl;
    const QImage picture(shot);
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(picture.width(), 1110);
    EXPECT_GT(distinctColours(picture), 50);

    // A click on a health state of the drawn tree opens its pop-up, with results this time.
    guitest::runJavaScript(page,
                           QStringLiteral("ozmidPage.openModel(%1, %2, 'model 1');")
                               .arg(jsString(guitest::country), jsString(guitest::bsiDisease)));
    ASSERT_TRUE(guitest::waitForScript(
        page, QStringLiteral("!!document.querySelector('.state-row.clickable[data-element-id=\"bsiSepticShock\"]')")));
    guitest::runJavaScript(page,
                           QStringLiteral("document.querySelector('.state-row.clickable[data-element-id="
                                          "\"bsiSepticShock\"]').dispatchEvent(new MouseEvent('click', "
                                          "{bubbles: true}));"));
    ASSERT_TRUE(guitest::waitFor([&] {
        return chief->presenterMgr().isRegistered(QStringLiteral("model 1"), QStringLiteral("bsi"),
                                                  QStringLiteral("bsiSepticShock"));
    }));
    ui::YLDHealthOutcomeDataPresenter* popup = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* candidate = qobject_cast<ui::YLDHealthOutcomeDataPresenter*>(top))
            popup = candidate;
    }
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->webData().data().value(QStringLiteral("ResultsAvailable")).toBool());
    EXPECT_TRUE(guitest::waitForScript(
        popup->view()->page(), QStringLiteral("document.querySelectorAll('#subpage-results canvas').length === 3")));
}

// A model built from the reference data has no specification on the page: its trees come
// from the program's disease template, drawn and clickable like a specification's.
TEST_F(MainPageRunTest, TheTreeOfAReferenceDataModelIsDrawnFromItsTemplate)
{
    const QString cache = QDir(base.path()).filePath(QStringLiteral("referenceData.dat"));
    ASSERT_TRUE(QFile::remove(cache));
    ASSERT_TRUE(QFile::copy(QStringLiteral(OZMID_BINARY_DIR "/referenceData.dat"), cache));
    const QString disease = QStringLiteral("BaselineBSI");
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(disease));
    guitest::runJavaScript(
        page,
        QStringLiteral("ozmidPage.openModel(%1, %2, 'model 1');").arg(jsString(guitest::country), jsString(disease)));

    const QString severe = QStringLiteral(
        "#outcomeTreeHost .state-row.clickable[data-element-id=\"severeImpairment\"]");
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("!!document.querySelector('%1')").arg(severe)));
    EXPECT_EQ(guitest::runJavaScript(
                  page, QStringLiteral("document.querySelectorAll('#outcomeTreeHost svg.outcome-tree').length"))
                  .toInt(),
              1);
    // The user's way to the diagram: the outcome tree tab of the model data page.
    guitest::runJavaScript(page, QStringLiteral("document.querySelector('.subtab[data-subtab=\"tree\"]').click();"));
    QTest::qWait(300);
    EXPECT_TRUE(window->grab().save(artifactPath(QStringLiteral("reference-model-tree.png")), "PNG"));
    guitest::runJavaScript(page,
                           QStringLiteral("document.querySelector('%1').dispatchEvent(new MouseEvent('click', "
                                          "{bubbles: true}));")
                               .arg(severe));
    EXPECT_TRUE(guitest::waitFor([&] {
        return chief->presenterMgr().isRegistered(QStringLiteral("model 1"), QStringLiteral("BSI"),
                                                  QStringLiteral("severeImpairment"));
    }));
}

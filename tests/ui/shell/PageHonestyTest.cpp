#include <QAction>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSize>
#include <gtest/gtest.h>

#include <boost/random/mersenne_twister.hpp>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "fn/KnownIds.h"
#include "fn/data/InputDataMgr.h"
#include "fn/values/random/RandomFunctions.h"
#include "ui/shell/MainPageFixture.h"
#include "ui/ParameterExchange.h"
#include "ui/shell/SettingsDlg.h"
#include "ui/shell/presenters/DataPresenter.h"

namespace {

using guitest::jsString;

class PageHonestyTest : public guitest::MainPageFixture
{
protected:
    // Types text into an input of the page and commits it, as leaving the field does.
    void typeInto(const QString& selector, const QString& text)
    {
        guitest::runJavaScript(page,
                               QStringLiteral("(function () { var e = document.querySelector(%1); e.value = %2;"
                                              " e.dispatchEvent(new Event('input', {bubbles: true}));"
                                              " e.dispatchEvent(new Event('change', {bubbles: true})); })()")
                                   .arg(jsString(selector), jsString(text)));
    }
};

// The tests of what the page withholds and marks, at the window's own size and on a laptop's
// 1280 x 720 screen, where the tables and the pop-ups have less room.
class PageHonestyAtSizeTest : public PageHonestyTest, public ::testing::WithParamInterface<QSize>
{
protected:
    void openWindowAtSize() { ASSERT_NO_FATAL_FAILURE(openWindowAt(GetParam())); }
};

INSTANTIATE_TEST_SUITE_P(WindowSizes, PageHonestyAtSizeTest, guitest::windowSizes, guitest::windowSizeName);

} // namespace

// The country list says which countries have no population data, and so do the selection,
// the creation and the list of models.
TEST_F(PageHonestyTest, CountriesWithoutPopulationAreMarked)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    const auto lacks = [&](const QString& id) {
        return pageText(QStringLiteral("document.getElementById('country-%1').closest('label').className").arg(id));
    };
    EXPECT_FALSE(lacks(guitest::country).contains(QStringLiteral("lacks-data")));
    EXPECT_TRUE(lacks(QStringLiteral("Belgium")).contains(QStringLiteral("lacks-data")));
    EXPECT_TRUE(pageText(QStringLiteral("document.getElementById('country-Belgium').closest('label').textContent"))
                    .contains(QStringLiteral("no population data")));
    EXPECT_EQ(pageText(QStringLiteral("document.getElementById('countryDataNote').textContent")),
              QStringLiteral("32 of 33 countries have no population data in the reference data."));
    // A population of one's own is no country: it comes last, under a heading of its own.
    EXPECT_EQ(pageText(QStringLiteral("Array.from(document.getElementById('countrySelect').children).slice(-2).map("
                                      "function (e) { var i = e.querySelector('input');"
                                      " return e.className + (i ? ':' + i.value : ''); }).join(' ')")),
              QStringLiteral("check-group check-item lacks-data:CustomPopulation"));

    ASSERT_NO_FATAL_FAILURE(createModels({QStringLiteral("Belgium"), guitest::country}, guitest::bsiDisease));
    EXPECT_FALSE(
        guitest::runJavaScript(page, QStringLiteral("document.getElementById('populationNote').hidden")).toBool());
    EXPECT_TRUE(pageText(QStringLiteral("document.getElementById('populationNote').textContent"))
                    .contains(QStringLiteral("No population data for Belgium")));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model creation"), QStringLiteral("cannot be computed")));
    EXPECT_EQ(pageText(QStringLiteral("Array.from(document.querySelectorAll('#modelListTable tbody tr')).map("
                                      "function (r) { return r.dataset.countryId + ':' +"
                                      " (r.textContent.indexOf('no population data') >= 0); }).join(' ')")),
              QStringLiteral("Austria:false Belgium:true"));
}

// A notice takes one line, its whole text on hover and, opened, below it; an information
// passes, an error stays until it is closed. A workbook that cannot be loaded leaves no
// progress message spinning.
TEST_P(PageHonestyAtSizeTest, NoticesPassStayAndLeaveNoSpinner)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAtSize());
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    guitest::runJavaScript(page,
                           QStringLiteral("document.querySelectorAll('#notifications .toast').forEach("
                                          "function (t) { t.remove(); }); Oz.noticeLifetimeMs.info = 300;"
                                          "Oz.notify('Passing', 'First line.<br />Second line.', 'info');"
                                          "Oz.notify('Staying', 'First line.<br />Second line.', 'error');"));
    const QString shown = QStringLiteral(
        "Array.from(document.querySelectorAll('#notifications .toast')).map(function (t) {"
        " return t.title + '|' + t.querySelector('.toast-line').textContent + '|' +"
        " t.querySelector('.toast-body').offsetHeight; }).join(' / ')");
    EXPECT_EQ(pageText(shown),
              QStringLiteral("Passing: First line. · Second line.|First line. · Second line.|0 / "
                             "Staying: First line. · Second line.|First line. · Second line.|0"));
    EXPECT_TRUE(guitest::waitForScript(page, QStringLiteral("!document.querySelector('#notifications .toast-info')")));
    guitest::runJavaScript(page,
                           QStringLiteral("document.querySelector('#notifications .toast-error .toast-head').click()"));
    EXPECT_GT(guitest::runJavaScript(page,
                                     QStringLiteral("document.querySelector('#notifications .toast-error "
                                                    ".toast-body').offsetHeight"))
                  .toInt(),
              0);

    const QString spinning = QStringLiteral("!!document.getElementById('updatableMessage')");
    QFile junk(QDir::current().filePath(QStringLiteral("junk.xls")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write("not a workbook") > 0);
    junk.close();
    chief->loadModelsFromExcel(QFileInfo(junk.fileName()));
    ASSERT_TRUE(noticeShown(QStringLiteral("Model import"), QStringLiteral("No valid models found")));
    EXPECT_TRUE(guitest::waitForScript(page, QLatin1Char('!') + spinning));
}

// "1e3" or "2.5" samples are refused rather than cut to 1 or 2; a rate above 0.2 is asked
// about, with 0.03 for 3 % offered. Values accepted in the options dialog show in the Run tab
// at once and are the next run's, its seed reseeds the engine; a rate above 0.2 is confirmed
// there too.
TEST_P(PageHonestyAtSizeTest, RunSettingsAreWholeAndPlausible)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAtSize());
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    EXPECT_EQ(guitest::runJavaScript(page, QStringLiteral("ozmidPage.setNumSamples('250')")).toInt(), 250);
    ASSERT_TRUE(guitest::waitFor([&] { return chief->numSamples() == 250; }));
    EXPECT_EQ(guitest::runJavaScript(page, QStringLiteral("ozmidPage.setNumSamples('1e3')")).toInt(), 250);
    EXPECT_TRUE(noticeShown(QStringLiteral("Number of samples"), QStringLiteral("1e3")));
    typeInto(QStringLiteral("#numSamplesInput"), QStringLiteral("2.5"));
    EXPECT_EQ(pageText(QStringLiteral("document.getElementById('numSamplesInput').value")), QStringLiteral("250"));
    typeInto(QStringLiteral("#numSamplesInput"), QStringLiteral("0"));
    QTest::qWait(200);
    EXPECT_EQ(chief->numSamples(), 250);

    const auto askAbout = [&](const QString& rate) {
        typeInto(QStringLiteral("#timeDiscountRateInput"), rate);
        return guitest::waitForScript(page, QStringLiteral("!!document.getElementById('confirmDialog')"));
    };
    ASSERT_TRUE(askAbout(QStringLiteral("3")));
    EXPECT_TRUE(pageText(QStringLiteral("document.getElementById('confirmDialog').textContent"))
                    .contains(QStringLiteral("0.03 for 3 %")));
    ASSERT_TRUE(
        guitest::clickElement(window->webView(), QStringLiteral("#confirmDialog button[data-choice=\"keep\"]")));
    // The page puts the kept value back once the dialog has closed.
    EXPECT_TRUE(
        guitest::waitForScript(page, QStringLiteral("document.getElementById('timeDiscountRateInput').value === '0'")));
    EXPECT_DOUBLE_EQ(chief->timeDiscountRate(), 0.0);

    ASSERT_TRUE(askAbout(QStringLiteral("3")));
    ASSERT_TRUE(
        guitest::clickElement(window->webView(), QStringLiteral("#confirmDialog button[data-choice=\"fraction\"]")));
    ASSERT_TRUE(guitest::waitFor([&] { return qFuzzyCompare(chief->timeDiscountRate(), 0.03); }));

    ASSERT_TRUE(askAbout(QStringLiteral("0.5")));
    ASSERT_TRUE(
        guitest::clickElement(window->webView(), QStringLiteral("#confirmDialog button[data-choice=\"asTyped\"]")));
    ASSERT_TRUE(guitest::waitFor([&] { return qFuzzyCompare(chief->timeDiscountRate(), 0.5); }));
    typeInto(QStringLiteral("#timeDiscountRateInput"), QStringLiteral("0.2"));
    ASSERT_TRUE(guitest::waitFor([&] { return qFuzzyCompare(chief->timeDiscountRate(), 0.2); }));
    EXPECT_FALSE(guitest::runJavaScript(page, QStringLiteral("!!document.getElementById('confirmDialog')")).toBool());

    QString asked;
    bool stillOpen = false;
    guitest::whenModal<ui::SettingsDlg>([&](ui::SettingsDlg* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("edtDiscountRate"))->setText(QStringLiteral("0.5"));
        QDialogButtonBox* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        guitest::whenModal<QMessageBox>([&](QMessageBox* box) {
            asked = box->text();
            box->button(QMessageBox::No)->click();
        });
        buttons->button(QDialogButtonBox::Ok)->click();
        stillOpen = dialog->isVisible();
        dialog->findChild<QLineEdit*>(QStringLiteral("edtNumSamples"))->setText(QStringLiteral("2500"));
        dialog->findChild<QLineEdit*>(QStringLiteral("edtDiscountRate"))->setText(QStringLiteral("0.035"));
        dialog->findChild<QLineEdit*>(QStringLiteral("edtRandomSeed"))->setText(QStringLiteral("5"));
        buttons->button(QDialogButtonBox::Ok)->click();
    });
    action("actOptions")->trigger();
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(asked.contains(QStringLiteral("0.03 for 3 %"))) << qPrintable(asked);
    EXPECT_EQ(chief->numSamples(), 2500);
    EXPECT_DOUBLE_EQ(chief->timeDiscountRate(), 0.035);
    EXPECT_EQ(chief->settings().randomSeed(), 5);
    boost::random::mt19937 expected(5);
    EXPECT_EQ(fn::randomEngine()(), expected());
    EXPECT_TRUE(
        guitest::waitForScript(page,
                               QStringLiteral("document.getElementById('numSamplesInput').value === '2500' && "
                                              "document.getElementById('timeDiscountRateInput').value === '0.035'")));

    // A cancelled dialog neither stores nor reseeds: the engine goes on from where it was.
    guitest::whenModal<ui::SettingsDlg>([](ui::SettingsDlg* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("edtRandomSeed"))->setText(QStringLiteral("9"));
        dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Cancel)->click();
    });
    action("actOptions")->trigger();
    EXPECT_EQ(chief->settings().randomSeed(), 5);
    EXPECT_EQ(fn::randomEngine()(), expected());
}

// Importing reference data deletes the models: asked first, and the JSON import says what it did.
TEST_F(PageHonestyTest, ImportingReferenceDataAsksFirstAndReports)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    for (const char* name : {"actImportJSONReferenceData", "actImportExcelReferenceData"}) {
        QString asked;
        guitest::whenModal<QMessageBox>([&asked](QMessageBox* box) {
            asked = box->text();
            box->button(QMessageBox::No)->click();
        });
        action(name)->trigger();
        EXPECT_TRUE(asked.contains(QStringLiteral("deletes the 1 model(s)"))) << name << ": " << qPrintable(asked);
        EXPECT_EQ(chief->models().size(), 1u) << name;
    }

    guitest::whenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    action("actImportJSONReferenceData")->trigger();
    EXPECT_TRUE(chief->models().empty());
    EXPECT_TRUE(
        noticeShown(QStringLiteral("JSON model specifications"), QStringLiteral("2 model specification(s) read from")));
    EXPECT_TRUE(noticeShown(QStringLiteral("JSON model specifications"), QStringLiteral("1 model(s) deleted.")));
    EXPECT_TRUE(guitest::waitForScript(page, QStringLiteral("ozmidPage.state.models.length === 0")));

    // Without models there is nothing to lose and nothing to ask.
    bool askedAgain = false;
    guitest::whenModal<QMessageBox>(
        [&askedAgain](QMessageBox* box) {
            askedAgain = true;
            box->button(QMessageBox::No)->click();
        },
        1500);
    action("actImportJSONReferenceData")->trigger();
    QTest::qWait(1600);
    EXPECT_FALSE(askedAgain);
}

// The import of the reference workbooks lets the page repaint while it reads them; the marks of
// the countries follow the data once it has ended, not what the page asked for on the way.
TEST_P(PageHonestyAtSizeTest, CountryMarksFollowAnImport)
{
    const QDir base(QDir::currentPath());
    ASSERT_TRUE(base.mkpath(QStringLiteral("referenceData")));
    const QString shipped = QStringLiteral(OZMID_BINARY_DIR "/referenceData/");
    const QString folder = base.filePath(QStringLiteral("referenceData/"));
    for (const char* file : {"diseaseData.xls", "countryData.xls"})
        ASSERT_TRUE(QFile::copy(shipped + QLatin1String(file), folder + QLatin1String(file)));
    // One model data workbook per country makes the import long enough for the page to ask.
    for (const QString& country : fn::knownCountryIds())
        ASSERT_TRUE(QFile::copy(shipped + QStringLiteral("modelData-Austria.xls"),
                                folder + QStringLiteral("modelData-%1.xls").arg(country)));
    fn::InputDataMgr empty;
    empty.setDirPath(base.path());
    ASSERT_TRUE(empty.saveCache());
    ASSERT_NO_FATAL_FAILURE(openWindowAtSize());
    const QString austriaMarked = QStringLiteral("document.getElementById('country-%1').closest('label')"
                                                 ".className.indexOf('lacks-data') >= 0")
                                      .arg(guitest::country);
    ASSERT_TRUE(
        guitest::waitForScript(page, QStringLiteral("!!window.ozmidPage && ozmidPage.isReady() && ") + austriaMarked));

    action("actImportExcelReferenceData")->trigger();
    ASSERT_TRUE(noticeShown(QStringLiteral("Reference data import"), QStringLiteral("countries")));
    EXPECT_TRUE(guitest::waitForScript(page, QLatin1Char('!') + austriaMarked));
}

// A refused formula comes with the reason; the next attempt clears what was said about the
// previous one. Runs of fewer than 9 samples show means without intervals and say why; results
// of a model whose parameters changed after the run are marked until the next run.
TEST_F(PageHonestyTest, FormulaErrorsAndResultsSayWhatTheyAreWorth)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    onModel("openModel");
    const QString cell = QStringLiteral("#gridLifeExp tr[data-row=\"0\"] td[data-col=\"Female\"] input");
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("!!document.querySelector(%1)").arg(jsString(cell))));
    const QString original = pageText(QStringLiteral("document.querySelector(%1).value").arg(jsString(cell)));
    typeInto(cell, QStringLiteral("RandPert(1, 2)"));
    guitest::runJavaScript(page, QStringLiteral("document.getElementById('applyModelChangesButton').click();"));
    const QString toasts = QStringLiteral("Array.from(document.querySelectorAll('#notifications .toast')).map("
                                          "function (t) { return t.textContent; }).join(' | ')");
    ASSERT_TRUE(
        guitest::waitForScript(page, QStringLiteral("(%1).indexOf('Why the formulas were refused') >= 0").arg(toasts)));
    const QString shown = pageText(toasts);
    EXPECT_TRUE(shown.contains(QStringLiteral("Changes have NOT been applied to:")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Life expectancy, 0-4, Female: \"RandPert(1, 2)\" is refused: ")))
        << qPrintable(shown);

    typeInto(cell, original);
    guitest::runJavaScript(page, QStringLiteral("document.getElementById('applyModelChangesButton').click();"));
    ASSERT_TRUE(
        guitest::waitForScript(page, QStringLiteral("(%1).indexOf('Changes have been applied to:') >= 0").arg(toasts)));
    const QString after = pageText(toasts);
    EXPECT_FALSE(after.contains(QStringLiteral("NOT been applied"))) << qPrintable(after);
    EXPECT_FALSE(after.contains(QStringLiteral("Why the formulas were refused")));

    ASSERT_NO_FATAL_FAILURE(runFromPage(5));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model run"), QStringLiteral("quantiles are not estimated")));
    EXPECT_TRUE(pageText(QStringLiteral("document.getElementById('aggregatedNote').textContent"))
                    .contains(QStringLiteral("not estimated")));
    EXPECT_EQ(pageText(QStringLiteral("document.querySelector('#aggregatedResultsTable tr[data-model-id] td.ci-cell')"
                                      ".textContent")),
              QStringLiteral("not estimated"));

    ASSERT_NO_FATAL_FAILURE(runFromPage(200));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[\\d,.]+ – [\\d,.]+$"))
                    .match(pageText(QStringLiteral("document.querySelector('#aggregatedResultsTable tr[data-model-id]"
                                                   " td.ci-cell').textContent")))
                    .hasMatch());

    // An edit as a pop-up sends it (tables sent back unchanged would change nothing).
    const fn::DiseaseModel& model = *chief->models().front();
    fn::OutcomeTree& tree = chief->models().front()->getOutcomeTree(0);
    fn::HealthState& state = tree.getHealthState(0);
    fn::DataArray severity = state.severity();
    QStringList formulas = severity.formulas();
    formulas[0] = formulas[0] == QStringLiteral("0.5") ? QStringLiteral("0.25") : QStringLiteral("0.5");
    severity.setFormulas(formulas);
    chief->applyChangesToYLDParams({{QStringLiteral("countryID"), model.countryId()},
                                    {QStringLiteral("diseaseID"), model.diseaseId()},
                                    {QStringLiteral("modelID"), model.modelId()},
                                    {QStringLiteral("outcomeTreeID"), tree.id()},
                                    {QStringLiteral("outcomeTreeNodeID"), state.id()}},
                                   ui::dataArrayToMap(severity), ui::dataArrayToMap(state.duration()),
                                   ui::dataArrayToMap(state.proportion()));
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("ozmidPage.state.outdated.length === 1")));
    EXPECT_TRUE(guitest::runJavaScript(page,
                                       QStringLiteral("document.querySelector('#aggregatedResultsTable "
                                                      "tr[data-model-id=\"model 1\"]').classList.contains('outdated')"))
                    .toBool());
    EXPECT_FALSE(
        guitest::runJavaScript(page, QStringLiteral("document.getElementById('outdatedNote').hidden")).toBool());
    EXPECT_TRUE(pageText(QStringLiteral("document.querySelector('#modelListTable tbody tr').textContent"))
                    .contains(QStringLiteral("results out of date")));

    ASSERT_NO_FATAL_FAILURE(runFromPage(200));
    EXPECT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("ozmidPage.state.outdated.length === 0 && "
                                                      "document.getElementById('outdatedNote').hidden")));
    EXPECT_FALSE(pageText(QStringLiteral("document.querySelector('#modelListTable tbody tr').textContent"))
                     .contains(QStringLiteral("results out of date")));
}

// The burden of a model whose country has no population data is not computable: every view of
// it says so instead of showing the run's zeros, while its cases stay; the totals say what they
// make of such a model.
TEST_P(PageHonestyAtSizeTest, BurdenWithoutPopulationIsNotShownAsNumbers)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAtSize());
    ASSERT_NO_FATAL_FAILURE(createModels({guitest::country, QStringLiteral("Belgium")}, guitest::bsiDisease));
    ASSERT_NO_FATAL_FAILURE(runFromPage(20));
    guitest::runJavaScript(page, QStringLiteral("ozmidPage.showTab('results');"));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    guitest::runJavaScript(page, QStringLiteral("document.getElementById('copyAggregatedTable').click();"));
    ASSERT_TRUE(guitest::waitFor([&] { return !clipboard->text().isEmpty(); }));
    const QStringList copied = clipboard->text().split(QLatin1Char('\n'));
    const QStringList header = copied.front().split(QLatin1Char('\t'));

    // Each view gives "shown|explanation" for the model of a country.
    struct View
    {
        const char* name;
        bool needsPopulation;
        std::function<QString(const QString& country)> read;
    };
    const auto cell = [&](const char* selector) {
        return [&, selector](const QString& country) {
            return pageText(QStringLiteral("(function () { var c = document.querySelector("
                                           "'#aggregatedResultsTable tr[data-country-id=\"%1\"] %2');"
                                           " return c.textContent + '|' + (c.title || ''); })()")
                                .arg(country, QLatin1String(selector)));
        };
    };
    const auto copiedCell = [&](const char* column) {
        return [&, column](const QString& country) {
            for (const QString& line : copied) {
                const QStringList fields = line.split(QLatin1Char('\t'));
                if (fields.size() == header.size() && fields[1] == country) {
                    const QString value = fields[header.indexOf(QLatin1String(column))];
                    return QString(value + QLatin1Char('|') + value);
                }
            }
            return QString();
        };
    };
    const auto detailed = [&](const char* selector) {
        return [&, selector](const QString& country) {
            guitest::runJavaScript(page,
                                   QStringLiteral("document.getElementById('sequelaTypeTable').innerHTML = '';"
                                                  " document.getElementById('categorizedTable').innerHTML = '';"
                                                  " ozmidPage.showDetailedResults(%1, %2, document.querySelector("
                                                  "'#aggregatedResultsTable tr[data-country-id=\"%3\"]')"
                                                  ".dataset.modelId);")
                                       .arg(jsString(country), jsString(guitest::bsiDisease), country));
            const QString found = QStringLiteral("document.querySelector(%1)").arg(jsString(QLatin1String(selector)));
            if (!guitest::waitForScript(page, QStringLiteral("!!") + found))
                return QString();
            return pageText(QStringLiteral("%1.textContent + '|' + (%1.title || '')").arg(found));
        };
    };
    // The pop-up of the model's septic shock, with its results.
    const auto popupPage = [&](const QString& country) -> QWebEnginePage* {
        const QString model = pageText(
            QStringLiteral(
                "document.querySelector('#aggregatedResultsTable tr[data-country-id=\"%1\"]').dataset.modelId")
                .arg(country));
        const QString tree = QStringLiteral("bsi"), shock = QStringLiteral("bsiSepticShock");
        if (!chief->presenterMgr().isRegistered(model, tree, shock))
            chief->showOutcomeTreeElementDetails(tree, QStringLiteral("symptomatic"), shock, country,
                                                 guitest::bsiDisease, model);
        auto* popup = qobject_cast<ui::DataPresenter*>(chief->presenterMgr().presenter(model, tree, shock));
        if (!popup
            || !guitest::waitForScript(popup->view()->page(),
                                       QStringLiteral("!!document.querySelector("
                                                      "'.stat-block td.mean-cell')")))
            return nullptr;
        return popup->view()->page();
    };
    const auto popupCell = [&](const char* selector) {
        return [&, selector](const QString& country) {
            QWebEnginePage* sub = popupPage(country);
            return !sub ? QString()
                        : guitest::runJavaScript(sub,
                                                 QStringLiteral("(function () { var c = document.querySelector(%1);"
                                                                " return c.textContent + '|' + (c.title || ''); })()")
                                                     .arg(jsString(QLatin1String(selector))))
                              .toString();
        };
    };
    const auto popupCopy = [&](const char* panel, const char* row) {
        return [&, panel, row](const QString& country) {
            QWebEnginePage* sub = popupPage(country);
            clipboard->clear();
            if (sub)
                guitest::runJavaScript(sub,
                                       QStringLiteral("document.querySelector(%1 + ' .panel-head button').click();")
                                           .arg(jsString(QLatin1String(panel))));
            guitest::waitFor([&] { return !clipboard->text().isEmpty(); });
            for (const QString& line : clipboard->text().split(QLatin1Char('\n'))) {
                if (line.startsWith(QLatin1String(row) + QLatin1Char('\t')))
                    return QString(line.section(QLatin1Char('\t'), 1, 1) + QLatin1Char('|') + line);
            }
            return QString();
        };
    };
    const std::vector<View> views = {
        {"DALY", true, cell("td.daly-mean")},
        {"DALY interval", true, cell("td.ci-cell")},
        {"YLD", true, cell("td[data-key=\"yld\"]")},
        {"DALY per 100 000", true, cell("td[data-key=\"dalyPer100k\"]")},
        {"cases", false, cell("td[data-key=\"cases\"] .mean")},
        {"chart", true,
         [&](const QString& country) {
             return pageText(QStringLiteral("(function () { var c = Chart.getChart(document.getElementById("
                                            "'aggregatedChart')); var i = c.data.labels.findIndex(function (l) {"
                                            " return l.indexOf('%1 · ') === 0; });"
                                            " return String(c.data.datasets[0].data[i]) + '|' + c.data.labels[i]; })()")
                                 .arg(country));
         }},
        {"copied DALY", true, copiedCell("DALY mean")},
        {"copied cases", false, copiedCell("Cases mean")},
        {"model's total DALY", true, detailed("#sequelaTypeTable tr[data-category=\"total\"] td[data-key=\"daly\"]")},
        {"model's DALY by age", true, detailed("#categorizedTable tbody td")},
        {"pop-up's DALY", true, popupCell(".stat-block tr[data-key=\"daly\"] td.mean-cell")},
        {"pop-up's YLD per 100 000", true, popupCell(".stat-block tr[data-key=\"yldPer100k\"] td.ci-cell")},
        {"pop-up's cases", false, popupCell(".stat-block tr[data-key=\"populationCasesCount\"] td.mean-cell")},
        {"pop-up's YLD by age", true, popupCell(".result-block[data-key=\"yld\"] tbody td")},
        {"pop-up's remaining life expectancy", true,
         popupCell(".result-block[data-key=\"remainingLifeExpectancy\"] tbody td")},
        {"pop-up's copied DALY", true, popupCopy(".stat-block", "DALY")},
        {"pop-up's copied YLD by age", true, popupCopy(".result-block[data-key=\"yld\"]", "0-4")},
    };
    const QRegularExpression number(QStringLiteral("^-?[\\d,.]+(e[-+]?\\d+)?"));
    for (const View& view : views) {
        for (const QString& country : {guitest::country, QStringLiteral("Belgium")}) {
            const QString shown = view.read(country);
            const QString value = shown.section(QLatin1Char('|'), 0, 0);
            const bool withheld = view.needsPopulation && country == QLatin1String("Belgium");
            EXPECT_EQ(number.match(value).hasMatch(), !withheld)
                << view.name << ", " << qPrintable(country) << ": " << qPrintable(shown);
            EXPECT_EQ(shown.contains(QStringLiteral("not computable")), withheld)
                << view.name << ", " << qPrintable(country) << ": " << qPrintable(shown);
        }
    }

    const QString note = pageText(QStringLiteral("document.getElementById('totalsNote').textContent"));
    EXPECT_FALSE(guitest::runJavaScript(page, QStringLiteral("document.getElementById('totalsNote').hidden")).toBool());
    EXPECT_TRUE(note.contains(QStringLiteral("includes 1 model without population data"))) << qPrintable(note);
    EXPECT_TRUE(note.contains(QStringLiteral("YLD, YLL and DALY count as 0"))) << qPrintable(note);
    EXPECT_TRUE(copied.join(QLatin1Char('\n')).contains(note));
    EXPECT_TRUE(guitest::runJavaScript(page,
                                       QStringLiteral("ozmidPage.dalyMean(document.querySelector("
                                                      "'#aggregatedResultsTable tr[data-country-id=\"Belgium\"]')"
                                                      ".dataset.modelId) === null"))
                    .toBool());
}

// A value outside its domain is marked at its cell, where the model data show it and where a
// pop-up edits it; the run goes ahead, and its results are marked, a negative DALY included.
TEST_P(PageHonestyAtSizeTest, ValuesOutsideTheirDomainAreMarkedAtTheCellAndInTheResults)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAtSize());
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    onModel("openModel");
    // A negative life expectancy makes every YLD and YLL negative.
    const QString lifeCells = QStringLiteral("#gridLifeExp input.cell-input");
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("!!document.querySelector(%1)").arg(jsString(lifeCells))));
    guitest::runJavaScript(page,
                           QStringLiteral("document.querySelectorAll(%1).forEach(function (e) { e.value = '-10';"
                                          " e.dispatchEvent(new Event('input', {bubbles: true})); });"
                                          "ozmidPage.applyModelChanges();")
                               .arg(jsString(lifeCells)));
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("!!ozmidPage.cellWarning('lifeExp', 0, 'Female')")));
    EXPECT_TRUE(pageText(QStringLiteral("ozmidPage.cellWarning('lifeExp', 0, 'Female')"))
                    .contains(QStringLiteral("\"-10\" -10 is negative")));

    // The pop-up of a transition: 1.5 typed as its probability and applied.
    fn::OutcomeTree& tree = chief->models().front()->getOutcomeTree(0);
    const QString transition = tree.transitions().front().id();
    chief->showOutcomeTreeElementDetails(tree.id(), QStringLiteral("arrow"), transition, guitest::country,
                                         guitest::bsiDisease, QStringLiteral("model 1"));
    ASSERT_TRUE(guitest::waitFor(
        [&] { return chief->presenterMgr().isRegistered(QStringLiteral("model 1"), tree.id(), transition); }));
    auto* popup = qobject_cast<ui::DataPresenter*>(
        chief->presenterMgr().presenter(QStringLiteral("model 1"), tree.id(), transition));
    ASSERT_TRUE(popup);
    QWebEnginePage* sub = popup->view()->page();
    const QString cell = QStringLiteral("#grid-probability tr[data-row=\"0\"] td[data-col=\"Female\"]");
    ASSERT_TRUE(guitest::waitForScript(sub, QStringLiteral("!!document.querySelector(%1)").arg(jsString(cell))));
    EXPECT_FALSE(guitest::runJavaScript(sub, QStringLiteral("!!document.querySelector('.cell-warning')")).toBool());
    guitest::runJavaScript(sub,
                           QStringLiteral("(function () { var e = document.querySelector(%1 + ' input');"
                                          " e.value = '1.5'; e.dispatchEvent(new Event('input', {bubbles: true}));"
                                          " document.getElementById('applyChangesButton').click(); })()")
                               .arg(jsString(cell)));
    ASSERT_TRUE(guitest::waitForScript(
        sub, QStringLiteral("document.querySelector(%1).classList.contains('cell-warning')").arg(jsString(cell))));
    EXPECT_TRUE(guitest::runJavaScript(sub, QStringLiteral("document.querySelector(%1).title").arg(jsString(cell)))
                    .toString()
                    .contains(QStringLiteral("\"1.5\" 1.5 is outside [0, 1]")));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model parameters"), QStringLiteral("1.5 is outside [0, 1]")));

    // Not refused: the run goes ahead, and what it gives is marked wherever it shows, its
    // precision and sensitivity included.
    ASSERT_TRUE(guitest::runJavaScript(page, QStringLiteral("ozmidPage.setUncertaintyAnalysis(true)")).toBool());
    ASSERT_NO_FATAL_FAILURE(runFromPage(20));
    onModel("showDetailedResults");
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("!document.getElementById('uncertaintyPanel').hidden")));
    EXPECT_TRUE(pageText(QStringLiteral("document.getElementById('uncertaintySuspectNote').hidden ? '' :"
                                        " document.getElementById('uncertaintySuspectNote').textContent"))
                    .contains(QStringLiteral("computed from values outside their domain")));
    for (const char* verdict : {"#convergenceVerdict", "#aggregatedResultsTable tr[data-model-id] td.verdict-cell"}) {
        EXPECT_TRUE(
            pageText(QStringLiteral("document.querySelector(%1).textContent").arg(jsString(QLatin1String(verdict))))
                .startsWith(QStringLiteral("⚠")))
            << verdict;
    }
    const QString mark = pageText(QStringLiteral("ozmidPage.resultsMark('model 1')"));
    EXPECT_TRUE(mark.contains(QStringLiteral("computed from values outside their domain"))) << qPrintable(mark);
    EXPECT_TRUE(mark.contains(QStringLiteral("1.5 is outside [0, 1]"))) << qPrintable(mark);
    EXPECT_TRUE(guitest::runJavaScript(page, QStringLiteral("ozmidPage.dalyMean('model 1') === null")).toBool());
    // Nor is it drawn as a bar of the per-model chart.
    guitest::runJavaScript(page, QStringLiteral("ozmidPage.showTab('results');"));
    EXPECT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("(function () { var c = Chart.getChart("
                                                      "document.getElementById('aggregatedChart'));"
                                                      " return !!c && c.data.datasets[0].data[0] === null; })()")));
    EXPECT_TRUE(pageText(QStringLiteral("document.querySelector('#aggregatedResultsTable tr[data-model-id] "
                                        "td.daly-mean').title"))
                    .contains(QStringLiteral("is negative, which no burden can be")));
    EXPECT_TRUE(pageText(QStringLiteral("document.querySelector('#aggregatedResultsTable tr[data-total] "
                                        ".suspect-mark').title"))
                    .contains(QStringLiteral("includes model 1")));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    guitest::runJavaScript(page, QStringLiteral("document.getElementById('copyAggregatedTable').click();"));
    ASSERT_TRUE(guitest::waitFor([&] { return !clipboard->text().isEmpty(); }));
    EXPECT_TRUE(clipboard->text().contains(QStringLiteral("not a valid DALY: ")));
    EXPECT_TRUE(clipboard->text().contains(QStringLiteral("model 1 was computed from values outside their domain")));

    // The pop-up of a health outcome marks each negative burden of its results.
    chief->showOutcomeTreeElementDetails(tree.id(), QStringLiteral("symptomatic"), QStringLiteral("bsiSepticShock"),
                                         guitest::country, guitest::bsiDisease, QStringLiteral("model 1"));
    auto* outcome = qobject_cast<ui::DataPresenter*>(
        chief->presenterMgr().presenter(QStringLiteral("model 1"), tree.id(), QStringLiteral("bsiSepticShock")));
    ASSERT_TRUE(outcome);
    // Marked and unmarked negative figures of its totals and of its YLD by age.
    const QString negatives = QStringLiteral(
        "['.stat-block td.mean-cell', '.result-block[data-key=\"yld\"] tbody td'].map(function (s) {"
        " var cells = Array.from(document.querySelectorAll(s)); return cells.filter(function (c) {"
        " return c.textContent.indexOf('⚠ -') === 0 && c.title.indexOf('is negative, which no burden can be') > 0;"
        " }).length + ':' + cells.filter(function (c) { return Number(c.dataset.value) < 0; }).length; }).join(' ')");
    ASSERT_TRUE(guitest::waitForScript(outcome->view()->page(),
                                       QStringLiteral("!!document.querySelector('.result-block[data-key=\"yld\"]')")));
    const QStringList counts = guitest::runJavaScript(outcome->view()->page(), negatives).toString().split(' ');
    ASSERT_EQ(counts.size(), 2);
    for (const QString& count : counts) {
        EXPECT_GT(count.section(':', 0, 0).toInt(), 0) << qPrintable(count);
        EXPECT_EQ(count.section(':', 1, 1), QStringLiteral("0")) << qPrintable(count);
    }
}

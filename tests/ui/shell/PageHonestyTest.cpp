#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <boost/random/mersenne_twister.hpp>

#include "app/ProgramRun.h"
#include "fn/KnownIds.h"
#include "fn/data/InputDataMgr.h"
#include "fn/values/random/RandomFunctions.h"
#include "ui/shell/MainPageFixture.h"
#include "ui/shell/SettingsDlg.h"

using namespace guitest;

namespace {

using PageHonestyTest = guitest::MainPageFixture;

// The tests of what the page withholds and marks, also on a laptop's screen.
using PageHonestyAtSizeTest = AtWindowSizes<PageHonestyTest>;
INSTANTIATE_TEST_SUITE_P(WindowSizes, PageHonestyAtSizeTest, guitest::windowSizes, guitest::windowSizeName);

} // namespace

// Notices take one line, errors stay; "1e3" or "2.5" samples are refused rather than cut to 1 or
// 2; a rate above 0.2 is asked about, on the page and in the options dialog, whose seed reseeds.
TEST_P(PageHonestyAtSizeTest, NoticesRunSettingsAndBurdenWithoutPopulationAreHonest)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAt(GetParam()));
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    js("document.querySelectorAll('#notifications .toast').forEach("
       "function (t) { t.remove(); }); Oz.noticeLifetimeMs.info = 300;"
       "Oz.notify('Passing', 'First line.<br />Second line.', 'info');"
       "Oz.notify('Staying', 'First line.<br />Second line.', 'error');");
    const QString shown = "Array.from(document.querySelectorAll('#notifications .toast')).map(function (t) {"
                          " return t.title + '|' + t.querySelector('.toast-line').textContent + '|' +"
                          " t.querySelector('.toast-body').offsetHeight; }).join(' / ')";
    EXPECT_EQ(pageText(shown),
              "Passing: First line. · Second line.|First line. · Second line.|0 / "
              "Staying: First line. · Second line.|First line. · Second line.|0");
    EXPECT_TRUE(waitJs("!document.querySelector('#notifications .toast-info')"));
    js("document.querySelector('#notifications .toast-error .toast-head').click()");
    EXPECT_GT(js("document.querySelector('#notifications .toast-error .toast-body').offsetHeight").toInt(), 0);

    ASSERT_TRUE(writeFile(base.filePath("junk.xls"), "not a workbook"));
    chief->loadModelsFromExcel(QFileInfo(base.filePath("junk.xls")));
    ASSERT_TRUE(noticeShown("Model import", "No valid models found"));
    EXPECT_TRUE(waitJs("!document.getElementById('updatableMessage')"));

    EXPECT_EQ(js("ozmidPage.setNumSamples('250')").toInt(), 250);
    ASSERT_TRUE(waitFor([&] { return chief->numSamples() == 250; }));
    EXPECT_EQ(js("ozmidPage.setNumSamples('1e3')").toInt(), 250);
    EXPECT_TRUE(noticeShown("Number of samples", "1e3"));
    typeInto(page, "#numSamplesInput", "2.5");
    EXPECT_EQ(pageText("document.getElementById('numSamplesInput').value"), "250");
    typeInto(page, "#numSamplesInput", "0");
    QTest::qWait(200);
    EXPECT_EQ(chief->numSamples(), 250);

    const auto askAbout = [&](const QString& rate) {
        typeInto(page, "#timeDiscountRateInput", rate);
        return waitJs("!!document.getElementById('confirmDialog')");
    };
    ASSERT_TRUE(askAbout("3"));
    EXPECT_TRUE(textOf("#confirmDialog").contains("0.03 for 3 %"));
    ASSERT_TRUE(click("#confirmDialog button[data-choice=\"keep\"]"));
    // The page puts the kept value back once the dialog has closed.
    EXPECT_TRUE(waitJs("document.getElementById('timeDiscountRateInput').value === '0'"));
    EXPECT_DOUBLE_EQ(chief->timeDiscountRate(), 0.0);

    ASSERT_TRUE(askAbout("3"));
    ASSERT_TRUE(click("#confirmDialog button[data-choice=\"fraction\"]"));
    ASSERT_TRUE(waitFor([&] { return qFuzzyCompare(chief->timeDiscountRate(), 0.03); }));

    ASSERT_TRUE(askAbout("0.5"));
    ASSERT_TRUE(click("#confirmDialog button[data-choice=\"asTyped\"]"));
    ASSERT_TRUE(waitFor([&] { return qFuzzyCompare(chief->timeDiscountRate(), 0.5); }));
    typeInto(page, "#timeDiscountRateInput", "0.2");
    ASSERT_TRUE(waitFor([&] { return qFuzzyCompare(chief->timeDiscountRate(), 0.2); }));
    EXPECT_FALSE(jsTrue("!!document.getElementById('confirmDialog')"));

    QString asked;
    bool stillOpen = false;
    whenModal<ui::SettingsDlg>([&](ui::SettingsDlg* dialog) {
        dialog->findChild<QLineEdit*>("edtDiscountRate")->setText("0.5");
        QDialogButtonBox* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
        answerMessageBox(QMessageBox::No, asked);
        buttons->button(QDialogButtonBox::Ok)->click();
        stillOpen = dialog->isVisible();
        dialog->findChild<QLineEdit*>("edtNumSamples")->setText("2500");
        dialog->findChild<QLineEdit*>("edtDiscountRate")->setText("0.035");
        dialog->findChild<QLineEdit*>("edtRandomSeed")->setText("5");
        dialog->findChild<QCheckBox*>("chkSensitivityAnalysis")->setChecked(true);
        buttons->button(QDialogButtonBox::Ok)->click();
    });
    action("actOptions")->trigger();
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(asked.contains("0.03 for 3 %")) << qPrintable(asked);
    boost::random::mt19937 expected(5);
    EXPECT_EQ(fn::randomEngine()(), expected());
    EXPECT_TRUE(waitJs("document.getElementById('numSamplesInput').value === '2500' && "
                       "document.getElementById('timeDiscountRateInput').value === '0.035' && "
                       "document.getElementById('uncertaintyAnalysisInput').checked"));

    // A cancelled dialog neither stores nor reseeds: the engine goes on from where it was.
    whenModal<ui::SettingsDlg>([](ui::SettingsDlg* dialog) {
        dialog->findChild<QLineEdit*>("edtRandomSeed")->setText("9");
        dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Cancel)->click();
    });
    action("actOptions")->trigger();
    EXPECT_EQ(fn::randomEngine()(), expected());

    // Without population data a model's burden is not computable: every view says so instead of
    // showing the run's zeros, while its cases stay.
    const auto lacks = [&](const QString& id) {
        return pageText(QStringLiteral("document.getElementById('country-%1').closest('label').className").arg(id));
    };
    EXPECT_FALSE(lacks(country).contains("lacks-data"));
    EXPECT_TRUE(lacks("Belgium").contains("lacks-data"));
    EXPECT_TRUE(pageText("document.getElementById('country-Belgium').closest('label').textContent")
                    .contains("no population data"));
    EXPECT_EQ(textOf("#countryDataNote"), "32 of 33 countries have no population data in the reference data.");
    // A population of one's own is no country: it comes last, under a heading of its own.
    EXPECT_EQ(pageText("Array.from(document.getElementById('countrySelect').children).slice(-2).map("
                       "function (e) { var i = e.querySelector('input');"
                       " return e.className + (i ? ':' + i.value : ''); }).join(' ')"),
              "check-group check-item lacks-data:CustomPopulation");

    ASSERT_NO_FATAL_FAILURE(createModels({"Belgium", country}, bsiDisease));
    EXPECT_FALSE(hidden("#populationNote"));
    EXPECT_TRUE(textOf("#populationNote").contains("No population data for Belgium"));
    EXPECT_TRUE(noticeShown("Model creation", "cannot be computed"));
    EXPECT_EQ(pageText("Array.from(document.querySelectorAll('#modelListTable tbody tr')).map("
                       "function (r) { return r.dataset.countryId + ':' +"
                       " (r.textContent.indexOf('no population data') >= 0); }).join(' ')"),
              "Austria:false Belgium:true");

    ASSERT_NO_FATAL_FAILURE(runFromPage(20));
    js("ozmidPage.showTab('results');");
    const QStringList copied = copiedBy(page, "document.getElementById('copyAggregatedTable').click();").split('\n');
    const QStringList header = copied.front().split('\t');

    // Each view gives "shown|explanation" for the model of a country, read from a cell of the
    // results table or of the model's detailed results, a column of the copied table, the chart,
    // a cell of the pop-up of the model's septic shock or a row of a panel the pop-up copied.
    enum Where { Table, Detailed, Copied, Chart, Popup, PopupCopied };
    const struct View
    {
        const char* name;
        bool needsPopulation;
        Where where;
        QString selector;
        const char* row = "";
    } views[] = {
        {"DALY", true, Table, "td.daly-mean"},
        {"DALY interval", true, Table, "td.ci-cell"},
        {"YLD", true, Table, "td[data-key=\"yld\"]"},
        {"DALY per 100 000", true, Table, "td[data-key=\"dalyPer100k\"]"},
        {"cases", false, Table, "td[data-key=\"cases\"] .mean"},
        {"chart", true, Chart, ""},
        {"copied DALY", true, Copied, "DALY mean"},
        {"copied cases", false, Copied, "Cases mean"},
        {"model's total DALY", true, Detailed, "#sequelaTypeTable tr[data-category=\"total\"] td[data-key=\"daly\"]"},
        {"model's DALY by age", true, Detailed, "#categorizedTable tbody td"},
        {"pop-up's DALY", true, Popup, ".stat-block tr[data-key=\"daly\"] td.mean-cell"},
        {"pop-up's YLD per 100 000", true, Popup, ".stat-block tr[data-key=\"yldPer100k\"] td.ci-cell"},
        {"pop-up's cases", false, Popup, ".stat-block tr[data-key=\"populationCasesCount\"] td.mean-cell"},
        {"pop-up's YLD by age", true, Popup, ".result-block[data-key=\"yld\"] tbody td"},
        {"pop-up's remaining life expectancy", true, Popup,
         ".result-block[data-key=\"remainingLifeExpectancy\"] tbody td"},
        {"pop-up's copied DALY", true, PopupCopied, ".stat-block", "DALY"},
        {"pop-up's copied YLD by age", true, PopupCopied, ".result-block[data-key=\"yld\"]", "0-4"},
    };
    const auto read = [&](const View& view, const QString& country) -> QString {
        const QString row = QStringLiteral("#aggregatedResultsTable tr[data-country-id=\"%1\"]").arg(country);
        const QString model = pageText(QStringLiteral("document.querySelector('%1').dataset.modelId").arg(row));
        QWebEnginePage* sub = nullptr;
        if (view.where >= Popup) {
            const QString tree = "bsi", shock = "bsiSepticShock";
            if (!chief->presenterMgr().isRegistered(model, tree, shock))
                chief->showOutcomeTreeElementDetails(tree, "symptomatic", shock, country, bsiDisease, model);
            auto* popup = qobject_cast<ui::DataPresenter*>(chief->presenterMgr().presenter(model, tree, shock));
            if (!popup || !waitForScript(popup->view()->page(), "!!document.querySelector('.stat-block td.mean-cell')"))
                return {};
            sub = popup->view()->page();
        }
        switch (view.where) {
        case Table:
            return textAndTitle(page, row + ' ' + view.selector);
        case Detailed:
            js(QStringLiteral("document.getElementById('sequelaTypeTable').innerHTML = '';"
                              " document.getElementById('categorizedTable').innerHTML = '';"
                              " ozmidPage.showDetailedResults(%1, %2, %3);")
                   .arg(jsString(country), jsString(bsiDisease), jsString(model)));
            waitJs(QStringLiteral("!!document.querySelector(%1)").arg(jsString(view.selector)));
            return textAndTitle(page, view.selector);
        case Copied:
            for (const QString& line : copied) {
                const QStringList fields = line.split('\t');
                if (fields.size() == header.size() && fields[1] == country)
                    return fields[header.indexOf(view.selector)] + '|' + fields[header.indexOf(view.selector)];
            }
            return {};
        case Chart:
            return pageText(QStringLiteral("(function () { var c = Chart.getChart(document.getElementById("
                                           "'aggregatedChart')); var i = c.data.labels.findIndex(function (l) {"
                                           " return l.indexOf('%1 · ') === 0; });"
                                           " return String(c.data.datasets[0].data[i]) + '|' + c.data.labels[i]; })()")
                                .arg(country));
        case Popup:
            return textAndTitle(sub, view.selector);
        case PopupCopied: {
            const QString script = QStringLiteral("document.querySelector('%1 .panel-head button').click();");
            for (const QString& line : copiedBy(sub, script.arg(view.selector)).split('\n')) {
                if (line.startsWith(QLatin1String(view.row) + '\t'))
                    return line.section('\t', 1, 1) + '|' + line;
            }
        }
        }
        return {};
    };
    const QRegularExpression number("^-?[\\d,.]+(e[-+]?\\d+)?");
    for (const View& view : views) {
        for (const QString& country : QStringList{guitest::country, "Belgium"}) {
            const QString shown = read(view, country);
            const QString value = shown.section('|', 0, 0);
            const bool withheld = view.needsPopulation && country == QLatin1String("Belgium");
            EXPECT_EQ(number.match(value).hasMatch(), !withheld)
                << view.name << ", " << qPrintable(country) << ": " << qPrintable(shown);
            EXPECT_EQ(shown.contains("not computable"), withheld)
                << view.name << ", " << qPrintable(country) << ": " << qPrintable(shown);
        }
    }

    const QString note = textOf("#totalsNote");
    EXPECT_FALSE(hidden("#totalsNote"));
    EXPECT_TRUE(note.contains("includes 1 model without population data")) << qPrintable(note);
    EXPECT_TRUE(note.contains("YLD, YLL and DALY count as 0")) << qPrintable(note);
    EXPECT_TRUE(copied.join('\n').contains(note));
    EXPECT_TRUE(jsTrue("ozmidPage.dalyMean(document.querySelector("
                       "'#aggregatedResultsTable tr[data-country-id=\"Belgium\"]').dataset.modelId) === null"));
}

// The countries' marks follow the data once an import has ended, not what the page asked on the way.
TEST_P(PageHonestyAtSizeTest, CountryMarksFollowAnImport)
{
    const QDir base(QDir::currentPath());
    ASSERT_TRUE(base.mkpath("referenceData"));
    const QString shipped = QStringLiteral(OZMID_BINARY_DIR "/referenceData/");
    const QString folder = base.filePath("referenceData/");
    for (const char* file : {"diseaseData.xls", "countryData.xls"})
        ASSERT_TRUE(QFile::copy(shipped + QLatin1String(file), folder + QLatin1String(file)));
    // One model data workbook per country makes the import long enough for the page to ask.
    for (const QString& country : fn::knownCountryIds())
        ASSERT_TRUE(
            QFile::copy(shipped + "modelData-Austria.xls", folder + QStringLiteral("modelData-%1.xls").arg(country)));
    fn::InputDataMgr empty;
    empty.setDirPath(base.path());
    ASSERT_TRUE(empty.saveCache());
    ASSERT_NO_FATAL_FAILURE(openWindowAt(GetParam()));
    const QString austriaMarked = QStringLiteral("document.getElementById('country-%1').closest('label')"
                                                 ".className.indexOf('lacks-data') >= 0")
                                      .arg(country);
    ASSERT_TRUE(pageReadyAnd(austriaMarked));

    action("actImportExcelReferenceData")->trigger();
    ASSERT_TRUE(noticeShown("Reference data import", "countries"));
    EXPECT_TRUE(waitJs('!' + austriaMarked));
}

// A refused formula comes with the reason, cleared by the next attempt; fewer than 9 samples give
// no intervals; edited models' results are marked; an import asks before it deletes models.
TEST_F(PageHonestyTest, EditsResultsAndImportsSayWhatTheyAreWorth)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(bsiDisease));
    onModel("openModel");
    const QString cell = "#gridLifeExp tr[data-row=\"0\"] td[data-col=\"Female\"] input";
    ASSERT_TRUE(waitJs(QStringLiteral("!!document.querySelector(%1)").arg(jsString(cell))));
    const QString original = pageText(QStringLiteral("document.querySelector(%1).value").arg(jsString(cell)));
    typeInto(page, cell, "RandPert(1, 2)", "document.getElementById('applyModelChangesButton').click();");
    ASSERT_TRUE(waitJs(QStringLiteral("(%1).indexOf('Why the formulas were refused') >= 0").arg(noticeTexts)));
    const QString shown = pageText(noticeTexts);
    EXPECT_TRUE(shown.contains("Changes have NOT been applied to:"));
    EXPECT_TRUE(shown.contains("Life expectancy, 0-4, Female: \"RandPert(1, 2)\" is refused: ")) << qPrintable(shown);

    typeInto(page, cell, original, "document.getElementById('applyModelChangesButton').click();");
    ASSERT_TRUE(waitJs(QStringLiteral("(%1).indexOf('Changes have been applied to:') >= 0").arg(noticeTexts)));
    const QString after = pageText(noticeTexts);
    EXPECT_FALSE(after.contains("NOT been applied")) << qPrintable(after);
    EXPECT_FALSE(after.contains("Why the formulas were refused"));

    ASSERT_NO_FATAL_FAILURE(runFromPage(5));
    EXPECT_TRUE(textOf("#aggregatedNote").contains("not estimated"));
    EXPECT_EQ(pageText("document.querySelector('#aggregatedResultsTable tr[data-model-id] td.ci-cell').textContent"),
              "not estimated");

    ASSERT_NO_FATAL_FAILURE(runFromPage(200));
    EXPECT_TRUE(QRegularExpression("^[\\d,.]+ – [\\d,.]+$")
                    .match(textOf("#aggregatedResultsTable tr[data-model-id] td.ci-cell"))
                    .hasMatch());

    editSeverity();
    ASSERT_TRUE(waitJs("ozmidPage.state.outdated.length === 1"));
    EXPECT_TRUE(jsTrue("document.querySelector('#aggregatedResultsTable "
                       "tr[data-model-id=\"model 1\"]').classList.contains('outdated')"));
    EXPECT_FALSE(hidden("#outdatedNote"));
    EXPECT_TRUE(textOf("#modelListTable tbody tr").contains("results out of date"));

    ASSERT_NO_FATAL_FAILURE(runFromPage(200));
    EXPECT_TRUE(waitJs("ozmidPage.state.outdated.length === 0 && document.getElementById('outdatedNote').hidden"));
    EXPECT_FALSE(textOf("#modelListTable tbody tr").contains("results out of date"));

    for (const char* name : {"actImportJSONReferenceData", "actImportExcelReferenceData"}) {
        QString asked;
        answerMessageBox(QMessageBox::No, asked);
        action(name)->trigger();
        EXPECT_TRUE(asked.contains("deletes the 1 model(s)")) << name << ": " << qPrintable(asked);
        EXPECT_EQ(chief->models().size(), 1u) << name;
    }

    QString asked;
    answerMessageBox(QMessageBox::Yes, asked);
    action("actImportJSONReferenceData")->trigger();
    EXPECT_TRUE(chief->models().empty());
    EXPECT_TRUE(noticeShown("JSON model specifications", "2 model specification(s) read from"));
    EXPECT_TRUE(noticeShown("JSON model specifications", "1 model(s) deleted."));
    EXPECT_TRUE(waitJs("ozmidPage.state.models.length === 0"));

    // Without models there is nothing to lose and nothing to ask.
    asked.clear();
    answerMessageBox(QMessageBox::No, asked, 1500);
    action("actImportJSONReferenceData")->trigger();
    QTest::qWait(1600);
    EXPECT_TRUE(asked.isEmpty()) << qPrintable(asked);
}

// A value outside its domain is marked at its cell, on the page and in a pop-up, and so are results.
TEST_P(PageHonestyAtSizeTest, ValuesOutsideTheirDomainAreMarkedAtTheCellAndInTheResults)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAt(GetParam()));
    ASSERT_NO_FATAL_FAILURE(createModelOf(bsiDisease));
    onModel("openModel");
    // A negative life expectancy makes every YLD and YLL negative.
    const QString lifeCells = "#gridLifeExp input.cell-input";
    ASSERT_TRUE(waitJs(QStringLiteral("!!document.querySelector(%1)").arg(jsString(lifeCells))));
    js(QStringLiteral("document.querySelectorAll(%1).forEach(function (e) { e.value = '-10';"
                      " e.dispatchEvent(new Event('input', {bubbles: true})); });ozmidPage.applyModelChanges();")
           .arg(jsString(lifeCells)));
    ASSERT_TRUE(waitJs("!!ozmidPage.cellWarning('lifeExp', 0, 'Female')"));
    EXPECT_TRUE(pageText("ozmidPage.cellWarning('lifeExp', 0, 'Female')").contains("\"-10\" -10 is negative"));

    // The pop-up of a transition: 1.5 typed as its probability and applied.
    fn::OutcomeTree& tree = chief->models().front()->getOutcomeTree(0);
    const QString transition = tree.transitions().front().id();
    ui::DataPresenter* popup = openPopup(tree.id(), "arrow", transition);
    ASSERT_TRUE(popup);
    QWebEnginePage* sub = popup->view()->page();
    const QString cell = "#grid-probability tr[data-row=\"0\"] td[data-col=\"Female\"]";
    ASSERT_TRUE(waitForScript(sub, QStringLiteral("!!document.querySelector(%1)").arg(jsString(cell))));
    EXPECT_FALSE(runJavaScript(sub, "!!document.querySelector('.cell-warning')").toBool());
    typeInto(sub, cell + " input", "1.5", "document.getElementById('applyChangesButton').click();");
    ASSERT_TRUE(waitForScript(
        sub, QStringLiteral("document.querySelector(%1).classList.contains('cell-warning')").arg(jsString(cell))));
    EXPECT_TRUE(runJavaScript(sub, QStringLiteral("document.querySelector(%1).title").arg(jsString(cell)))
                    .toString()
                    .contains("\"1.5\" 1.5 is outside [0, 1]"));
    EXPECT_TRUE(noticeShown("Model parameters", "1.5 is outside [0, 1]"));

    // Not refused: the run goes ahead, and what it gives is marked wherever it shows.
    ASSERT_TRUE(jsTrue("ozmidPage.setUncertaintyAnalysis(true)"));
    ASSERT_NO_FATAL_FAILURE(runFromPage(20));
    onModel("showDetailedResults");
    ASSERT_TRUE(waitJs("!document.getElementById('uncertaintyPanel').hidden"));
    EXPECT_TRUE(pageText("document.getElementById('uncertaintySuspectNote').hidden ? '' :"
                         " document.getElementById('uncertaintySuspectNote').textContent")
                    .contains("computed from values outside their domain"));
    for (const char* verdict : {"#convergenceVerdict", "#aggregatedResultsTable tr[data-model-id] td.verdict-cell"})
        EXPECT_TRUE(textOf(verdict).startsWith("⚠")) << verdict;
    const QString mark = pageText("ozmidPage.resultsMark('model 1')");
    EXPECT_TRUE(mark.contains("computed from values outside their domain")) << qPrintable(mark);
    EXPECT_TRUE(mark.contains("1.5 is outside [0, 1]")) << qPrintable(mark);
    EXPECT_TRUE(jsTrue("ozmidPage.dalyMean('model 1') === null"));
    // Nor is it drawn as a bar of the per-model chart.
    js("ozmidPage.showTab('results');");
    EXPECT_TRUE(waitJs("(function () { var c = Chart.getChart(document.getElementById('aggregatedChart'));"
                       " return !!c && c.data.datasets[0].data[0] === null; })()"));
    EXPECT_TRUE(pageText("document.querySelector('#aggregatedResultsTable tr[data-model-id] td.daly-mean').title")
                    .contains("is negative, which no burden can be"));
    EXPECT_TRUE(pageText("document.querySelector('#aggregatedResultsTable tr[data-total] .suspect-mark').title")
                    .contains("includes model 1"));
    const QString copied = copiedBy(page, "document.getElementById('copyAggregatedTable').click();");
    EXPECT_TRUE(copied.contains("not a valid DALY: "));
    EXPECT_TRUE(copied.contains("model 1 was computed from values outside their domain"));

    // The pop-up of a health outcome marks each negative burden of its results.
    ui::DataPresenter* outcome = openPopup(tree.id(), "symptomatic", "bsiSepticShock");
    ASSERT_TRUE(outcome);
    // Marked and unmarked negative figures of its totals and of its YLD by age.
    const QString negatives =
        "['.stat-block td.mean-cell', '.result-block[data-key=\"yld\"] tbody td'].map(function (s) {"
        " var cells = Array.from(document.querySelectorAll(s)); return cells.filter(function (c) {"
        " return c.textContent.indexOf('⚠ -') === 0 && c.title.indexOf('is negative, which no burden can be') > 0;"
        " }).length + ':' + cells.filter(function (c) { return Number(c.dataset.value) < 0; }).length; }).join(' ')";
    ASSERT_TRUE(waitForScript(outcome->view()->page(), "!!document.querySelector('.result-block[data-key=\"yld\"]')"));
    const QStringList counts = runJavaScript(outcome->view()->page(), negatives).toString().split(' ');
    ASSERT_EQ(counts.size(), 2);
    for (const QString& count : counts) {
        EXPECT_GT(count.section(':', 0, 0).toInt(), 0) << qPrintable(count);
        EXPECT_EQ(count.section(':', 1, 1), "0") << qPrintable(count);
    }
}

#include <set>

#include <QApplication>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ui/shell/presenters/AsymptomaticDataPresenter.h"
#include "ui/shell/presenters/InfectionDataPresenter.h"
#include "ui/shell/presenters/TransProbDataPresenter.h"
#include "ui/shell/presenters/YLDHealthOutcomeDataPresenter.h"
#include "ui/shell/presenters/YLLHealthOutcomeDataPresenter.h"
#include "ut/Exception.h"

using namespace guitest;

namespace {

const QString septicShock = "bsiSepticShock";

// The open pop-up of the given type, if exactly one is open.
template <typename Presenter>
Presenter* openPresenter()
{
    Presenter* found = nullptr;
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* presenter = qobject_cast<Presenter*>(window); presenter && presenter->isVisible()) {
            found = presenter;
            ++count;
        }
    }
    return count == 1 ? found : nullptr;
}

// Checks a figure the page or a pop-up shows against the model's total mean of that key.
void expectTotal(const fn::DiseaseModel& model, const char* key, double figure)
{
    EXPECT_GT(figure, 0.0) << key;
    EXPECT_NEAR(figure, model.totalResults().value(key).toMap().value("Mean").toDouble(), 1e-9 * figure) << key;
}

QVariantList stratified(const ui::DataPresenter* presenter, const QString& key)
{
    return presenter->webData().data().value(key).toMap().value("stratified").toList();
}

// The sum of a table of the pop-up's over age and sex.
double cellSum(const ui::DataPresenter* presenter, const QString& key)
{
    double sum = 0.0;
    for (const QVariant& row : stratified(presenter, key))
        sum += row.toMap().value("Female").toDouble() + row.toMap().value("Male").toDouble();
    return sum;
}

class DetailPopupTest : public guitest::MainPageFixture
{
protected:
    bool isOpen(const QString& tree, const QString& element) const
    {
        return chief->presenterMgr().isRegistered("model 1", tree, element);
    }

    // Clicks the element on the drawn tree and returns its window once it has shown its data.
    ui::YLDHealthOutcomeDataPresenter* clickSepticShock()
    {
        if (!click(QStringLiteral(".state-row.clickable[data-element-id=\"%1\"]").arg(septicShock))
            || !waitFor([&] { return isOpen("bsi", septicShock); }))
            return nullptr;
        auto* popup = qobject_cast<ui::YLDHealthOutcomeDataPresenter*>(popupOf("bsi", septicShock));
        if (popup
            && !waitForScript(popup->view()->page(),
                              "!!window.ozmidSubpage && !!ozmidSubpage.data && !!document.querySelector('.subtab')"))
            return nullptr;
        return popup;
    }
};

} // namespace

// One window per element, raised when asked for again; Escape closes it, also from a focused cell.
// Tree labels wrap, and what is still cut has its name on hover.
TEST_F(DetailPopupTest, OneWindowPerElementWhoseEditsExplainRefusalsAndWhoseResultsAddUp)
{
    const QString tree = "bsi";
    const QString state = "bsiUncomplicated";
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(bsiDisease));
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);

    openPopup(tree, "symptomatic", state, bsiDisease);
    ASSERT_TRUE(isOpen(tree, state));
    QPointer<ui::YLDHealthOutcomeDataPresenter> first = openPresenter<ui::YLDHealthOutcomeDataPresenter>();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), "Health state data");
    EXPECT_EQ(first->size(), QSize(980, 670));
    const QVariantMap data = first->webData().data();
    EXPECT_FALSE(data.value("ResultsAvailable").toBool());
    const QVariantMap info = data.value("ElemInfo").toMap();
    EXPECT_EQ(info.value("outcomeTreeNodeID").toString(), state);
    EXPECT_EQ(info.value("countryID").toString(), country);
    EXPECT_EQ(stratified(first, "SeverityData").size(), 19);
    // The page asks for the data over the channel and shows the caption it got.
    EXPECT_TRUE(waitForScript(first->view()->page(),
                              "document.getElementById('caption').textContent === "
                              "'Bloodstream infection - Uncomplicated bloodstream infection'"));

    openPopup(tree, "symptomatic", state, bsiDisease);
    EXPECT_EQ(chief->presenterMgr().count(), 1);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(),
              (QVariantList{"Outcome tree", "Pop-up window for this element is already displayed", "info"}));

    ui::YLDHealthOutcomeDataPresenter duplicate(info, QString(), false, &window->webGUI(), {}, {}, {}, {}, {}, {});
    const fn::WebData& ids = duplicate.webData();
    EXPECT_THROW(chief->presenterMgr().registerPresenter(&duplicate, ids.modelId(), ids.outcomeTreeId(),
                                                         ids.outcomeTreeNodeId()),
                 ut::Exception);
    QTest::keyClick(first.data(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return first.isNull(); }));
    EXPECT_FALSE(isOpen(tree, state));

    // A second click on an element whose pop-up is open brings that window back.
    ASSERT_NO_FATAL_FAILURE(showTree(septicShock));
    QPointer<ui::YLDHealthOutcomeDataPresenter> popup = clickSepticShock();
    ASSERT_TRUE(popup);
    popup->activateWindow();
    ASSERT_TRUE(clickElement(popup->view(), "input.cell-input"));
    ASSERT_TRUE(waitForScript(popup->view()->page(),
                              "document.activeElement && document.activeElement.classList.contains('cell-input')"));
    QTest::keyClick(popup->view()->focusProxy(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return popup.isNull(); }));
    EXPECT_EQ(chief->presenterMgr().count(), 0);

    popup = clickSepticShock();
    ASSERT_TRUE(popup);
    popup->showMinimized();
    ASSERT_TRUE(waitFor([&] { return popup->windowState().testFlag(Qt::WindowMinimized); }));
    ASSERT_TRUE(click(QStringLiteral(".state-row.clickable[data-element-id=\"%1\"]").arg(septicShock)));
    EXPECT_TRUE(waitFor([&] { return popup && !popup->windowState().testFlag(Qt::WindowMinimized); }));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(chief->presenterMgr().count(), 1);
    EXPECT_TRUE(waitJs("ozmidPage.state.messages.some(function (m) {"
                       " return m.text === 'Pop-up window for this element is already displayed'; })"));

    const QVariantMap labels = js(QStringLiteral(R"((function () {
        var groups = Array.from(document.querySelectorAll('#outcomeTreeHost .edge-label, #outcomeTreeHost .outcome-head'));
        var longest = 0, multi = 0, untitled = 0, cutWithoutName = 0;
        groups.forEach(function (g) {
            var lines = Array.from(g.querySelectorAll('text:not(.outcome-type) tspan')).map(function (t) { return t.textContent; });
            lines.forEach(function (l) { longest = Math.max(longest, l.length); });
            if (lines.length > 1) multi++;
            var title = g.querySelector('title');
            if (!title) { untitled++; return; }
            var shown = lines.join(' ').replace(/- /g, '').replace(/…$/, '');
            if (title.textContent.indexOf(shown) < 0) cutWithoutName++;
        });
        return {count: groups.length, longest: longest, multi: multi, untitled: untitled, cutWithoutName: cutWithoutName};
    })())"))
                                   .toMap();
    EXPECT_GT(labels.value("count").toInt(), 3);
    EXPECT_LE(labels.value("longest").toInt(), 27);
    EXPECT_GT(labels.value("multi").toInt(), 0);
    EXPECT_EQ(labels.value("untitled").toInt(), 0);
    EXPECT_EQ(labels.value("cutWithoutName").toInt(), 0);

    ASSERT_TRUE(popup);
    QWebEnginePage* sub = popup->view()->page();
    const QString cell = "#grid-severity tr[data-row=\"0\"] td[data-col=\"Female\"] input";
    const QString original =
        runJavaScript(sub, QStringLiteral("document.querySelector(%1).value").arg(jsString(cell))).toString();
    const QString apply = "document.getElementById('applyChangesButton').click();";
    typeInto(sub, cell, "RandPert(1, 2)", apply);
    ASSERT_TRUE(
        waitForScript(sub, QStringLiteral("(%1).indexOf('Why the formulas were refused') >= 0").arg(noticeTexts)));
    EXPECT_TRUE(
        runJavaScript(sub, noticeTexts).toString().contains("Severity, 0-4, Female: \"RandPert(1, 2)\" is refused: "));
    typeInto(sub, cell, original, apply);
    ASSERT_TRUE(
        waitForScript(sub, QStringLiteral("(%1).indexOf('Changes have been applied to:') >= 0").arg(noticeTexts)));
    EXPECT_FALSE(runJavaScript(sub, noticeTexts).toString().contains("refused"));

    chief->setNumSamples(20000);
    chief->runModels(true);
    EXPECT_TRUE(waitForScript(sub,
                              "document.getElementById('applyChangesButton').disabled && "
                              "!document.getElementById('runNote').hidden"));
    chief->cancelRun();
    EXPECT_TRUE(waitForScript(sub,
                              "!document.getElementById('applyChangesButton').disabled && "
                              "document.getElementById('runNote').hidden"));

    // Then the page runs the model, and the pop-ups' results add up to the model's totals,
    // formatted like the main tables, until an edit makes them out of date.
    chief->presenterMgr().closeAll();
    ASSERT_TRUE(waitFor([this] { return chief->presenterMgr().count() == 0; }));
    QSignalSpy finished(chief.get(), &ui::Chief::runFinished);
    js("ozmidPage.setNumSamples(300); ozmidPage.showTab('results');ozmidPage.runModels();");
    ASSERT_TRUE(waitFor([&] { return !finished.isEmpty(); }));
    fn::DiseaseModel& model = *chief->models().front();
    ASSERT_TRUE(model.isComputed());
    EXPECT_EQ(model.numberOfIterations(), 300u);
    ASSERT_TRUE(waitJs("ozmidPage.state.lastRunList && ozmidPage.state.lastRunList.length === 1 && "
                       "ozmidPage.dalyMean('model 1') !== null"));
    expectTotal(model, "daly", js("ozmidPage.dalyMean('model 1')").toDouble());
    EXPECT_TRUE(jsTrue("!!document.querySelector('#aggregatedResultsTable tr[data-total=\"true\"] .daly-mean')"));

    // Every chart has a Copy image button that puts the chart on the clipboard as a picture.
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("before");
    ASSERT_TRUE(waitFor([&] { return clipboard->image().isNull(); }));
    ASSERT_TRUE(click("#aggregatedChartTools button[data-chart-action=\"copy\"]"));
    ASSERT_TRUE(waitFor([&] { return !clipboard->image().isNull(); }));
    EXPECT_EQ(clipboard->image().size(),
              QSize(js("document.getElementById('aggregatedChart').width").toInt(),
                    js("document.getElementById('aggregatedChart').height").toInt()));
    EXPECT_TRUE(waitJs("ozmidPage.state.messages.some(function (m) {"
                       " return m.title === 'Copy image' && m.type === 'success'; })"));
    EXPECT_TRUE(jsTrue("document.querySelectorAll('#page-results canvas').length === "
                       "document.querySelectorAll('#page-results button[data-chart-action=\"copy\"]').length"));

    // The charts drawn: a window of many colours, not an empty or uniformly filled one.
    QTest::qWait(500);
    const QImage picture = window->grab().toImage();
    EXPECT_GE(picture.width(), 1110);
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3) {
        for (int x = 0; x < picture.width(); x += 3)
            colours.insert(picture.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 50u);

    ASSERT_NO_FATAL_FAILURE(showTree(septicShock));
    popup = clickSepticShock();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->webData().data().value("ResultsAvailable").toBool());
    sub = popup->view()->page();
    ASSERT_TRUE(waitForScript(sub,
                              "document.querySelectorAll('#subpage-results canvas').length === 3 && "
                              "!!document.querySelector('#subpage-results .stat-block tr[data-key=\"daly\"]')"));
    // "<intervals> rounded" (full precision only in the copies), then any cell that fails.
    const QString cells = runJavaScript(sub, R"((function () {
        var all = function (s) { return Array.from(document.querySelectorAll('#subpage-results ' + s)); };
        var intervals = all('.stat-block td.ci-cell');
        var bad = intervals.filter(function (c) { return !/^-?[\d,.]+ – -?[\d,.]+$/.test(c.textContent); })
            .concat(all('td').filter(function (c) { return /\d\.\d{7,}/.test(c.textContent); }));
        var rounded = all('.means-table td.mean-cell').some(function (c) { return c.dataset.value.length > c.textContent.length; });
        return intervals.length + (rounded ? ' rounded' : '') + bad.map(function (c) { return ' | ' + c.textContent; }).join('');
    })())")
                              .toString();
    EXPECT_TRUE(QRegularExpression("^[1-9]\\d* rounded$").match(cells).hasMatch()) << qPrintable(cells);
    chief->presenterMgr().closeAll();
    ASSERT_TRUE(waitFor([this] { return chief->presenterMgr().count() == 0; }));

    openPopup(tree, "infection", "infection_hs", bsiDisease);
    auto* infection = openPresenter<ui::InfectionDataPresenter>();
    ASSERT_TRUE(infection);
    EXPECT_EQ(infection->windowTitle(), "Infection data");
    expectTotal(model, "cases", cellSum(infection, "SampleMeanOutputIncidence"));
    EXPECT_FALSE(stratified(infection, "LifeExpData").isEmpty());
    openPopup(tree, "death", "death_hs", bsiDisease);
    auto* death = openPresenter<ui::YLLHealthOutcomeDataPresenter>();
    ASSERT_TRUE(death);
    expectTotal(model, "deaths", cellSum(death, "IncidenceData"));
    expectTotal(model, "yll", cellSum(death, "BurdenData"));
    double yld = 0.0;
    for (const QString& state : QStringList{"bsiUncomplicated", septicShock, "postSepsisDisability"}) {
        openPopup(tree, state == "postSepsisDisability" ? "sequela" : "symptomatic", state, bsiDisease);
        auto* presenter = openPresenter<ui::YLDHealthOutcomeDataPresenter>();
        ASSERT_TRUE(presenter) << qPrintable(state);
        yld += cellSum(presenter, "BurdenData");
        presenter->close();
        ASSERT_TRUE(waitFor([&] { return !isOpen(tree, state); }));
    }
    expectTotal(model, "yld", yld);
    EXPECT_TRUE(waitForScript(infection->view()->page(),
                              "!!document.querySelector('.subtab[data-subtab=results]') && "
                              "document.querySelector('.subtab[data-subtab=results]').textContent === 'Results'"));

    // Edited after the run, an element's window shows no results.
    editSeverity();
    ASSERT_FALSE(chief->hasCurrentResults(model));
    ui::DataPresenter* edited = openPopup(model.getOutcomeTree(0).id(), "symptomatic",
                                          model.getOutcomeTree(0).getHealthState(0).id());
    ASSERT_TRUE(edited);
    EXPECT_FALSE(edited->webData().data().value("ResultsAvailable").toBool());
}

TEST_F(DetailPopupTest, ElementsWithoutParametersOpenOnlyAfterARun)
{
    const QString tree = "acquired";
    const QString& disease = listeriosisDisease;
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(disease));
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    const QString noParameters =
        "There are no parameters defined for this health outcome.<br />Results are available only after model run.";

    openPopup(tree, "death", "death_hs", disease);
    openPopup(tree, "asymptomatic", "asymptomatic_hs", disease);
    openPopup(tree, "arrow", "aToAsymptomatic", disease);
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[0], (QVariantList{"YLL health outcome", noParameters, "error"}));
    EXPECT_EQ(messages[1], (QVariantList{"Asymptomatic health outcome", noParameters, "error"}));
    EXPECT_EQ(messages[2].value(0).toString(), "Transition probability");
    EXPECT_TRUE(messages[2].value(1).toString().contains("browse parameters of the source transition"));
    EXPECT_EQ(chief->presenterMgr().count(), 0);

    // A transition with parameters of its own opens before the run; the model is congenital, so 20 age groups.
    openPopup(tree, "arrow", "aToInvasive", disease);
    auto* own = openPresenter<ui::TransProbDataPresenter>();
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->webData().data().value("IsBaseTrans").toBool());
    EXPECT_EQ(stratified(own, "InputProbability").size(), 20);
    chief->presenterMgr().closeAll();
    ASSERT_TRUE(waitFor([this] { return chief->presenterMgr().count() == 0; }));

    chief->setNumSamples(50);
    chief->runModels(false);
    messages.clear();
    openPopup(tree, "death", "death_hs", disease);
    openPopup(tree, "asymptomatic", "asymptomatic_hs", disease);
    EXPECT_TRUE(messages.isEmpty());
    auto* death = openPresenter<ui::YLLHealthOutcomeDataPresenter>();
    auto* asymptomatic = openPresenter<ui::AsymptomaticDataPresenter>();
    ASSERT_TRUE(death && asymptomatic);
    EXPECT_TRUE(death->webData().data().value("ResultsAvailable").toBool());
    EXPECT_GT(cellSum(asymptomatic, "IncidenceData"), 0.0);

    // The complement draws one minus its source each iteration, so the two means add up to one in every cell.
    openPopup(tree, "arrow", "aToAsymptomatic", disease);
    auto* complement = openPresenter<ui::TransProbDataPresenter>();
    ASSERT_TRUE(complement);
    EXPECT_TRUE(complement->webData().data().value("InputProbability").toMap().isEmpty());
    auto* source = qobject_cast<ui::TransProbDataPresenter*>(openPopup(tree, "arrow", "aToInvasive", disease));
    ASSERT_TRUE(source);
    const QVariantList complementRows = stratified(complement, "OutputProbabilityData");
    const QVariantList sourceRows = stratified(source, "OutputProbabilityData");
    ASSERT_EQ(complementRows.size(), 20);
    ASSERT_EQ(sourceRows.size(), 20);
    for (int i = 0; i < 20; ++i) {
        for (const char* sex : {"Female", "Male"})
            EXPECT_NEAR(complementRows[i].toMap().value(sex).toDouble() + sourceRows[i].toMap().value(sex).toDouble(),
                        1.0, 1e-9)
                << "age group " << i;
    }
}

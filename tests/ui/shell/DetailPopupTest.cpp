#include <set>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/ParameterExchange.h"
#include "ui/shell/MainPageFixture.h"
#include "ui/shell/presenters/AsymptomaticDataPresenter.h"
#include "ui/shell/presenters/InfectionDataPresenter.h"
#include "ui/shell/presenters/TransProbDataPresenter.h"
#include "ui/shell/presenters/YLDHealthOutcomeDataPresenter.h"
#include "ui/shell/presenters/YLLHealthOutcomeDataPresenter.h"
#include "ut/Exception.h"

namespace {

using guitest::country;
using guitest::jsString;

const QString septicShock = QStringLiteral("bsiSepticShock");

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

double cellSum(const QVariantMap& table)
{
    double sum = 0.0;
    for (const QVariant& row : table.value(QStringLiteral("stratified")).toList()) {
        const QVariantMap cells = row.toMap();
        sum += cells.value(QStringLiteral("Female")).toDouble() + cells.value(QStringLiteral("Male")).toDouble();
    }
    return sum;
}

double totalMean(const fn::DiseaseModel& model, const QString& key)
{
    return model.totalResults().value(key).toMap().value(QStringLiteral("Mean")).toDouble();
}

QVariantList stratified(const ui::DataPresenter* presenter, const QString& key)
{
    return presenter->webData().data().value(key).toMap().value(QStringLiteral("stratified")).toList();
}

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

// The pop-ups of the outcome trees' elements, opened by the controller and by clicks on the
// drawn trees.
class DetailPopupTest : public guitest::MainPageFixture
{
protected:
    void show(const QString& tree, const QString& type, const QString& element, const QString& disease)
    {
        chief->showOutcomeTreeElementDetails(tree, type, element, country, disease, QStringLiteral("model 1"));
    }

    bool isOpen(const QString& tree, const QString& element) const
    {
        return chief->presenterMgr().isRegistered(QStringLiteral("model 1"), tree, element);
    }

    // Opens the model's outcome trees on the page.
    void showTrees()
    {
        guitest::runJavaScript(page,
                               QStringLiteral("ozmidPage.openModel(%1, %2, 'model 1');"
                                              "document.querySelector('.subtab[data-subtab=\"tree\"]').click();")
                                   .arg(jsString(country), jsString(guitest::bsiDisease)));
        ASSERT_TRUE(guitest::waitForScript(
            page,
            QStringLiteral("!!document.querySelector('.state-row.clickable[data-element-id=\"%1\"]')")
                .arg(septicShock)));
    }

    // Clicks the element on the drawn tree and returns its window once it has shown its data.
    ui::YLDHealthOutcomeDataPresenter* clickSepticShock()
    {
        if (!guitest::clickElement(window->webView(),
                                   QStringLiteral(".state-row.clickable[data-element-id=\"%1\"]").arg(septicShock))
            || !guitest::waitFor([&] { return isOpen(QStringLiteral("bsi"), septicShock); }))
            return nullptr;
        auto* popup = qobject_cast<ui::YLDHealthOutcomeDataPresenter*>(
            chief->presenterMgr().presenter(QStringLiteral("model 1"), QStringLiteral("bsi"), septicShock));
        if (popup
            && !guitest::waitForScript(popup->view()->page(),
                                       QStringLiteral("!!window.ozmidSubpage && !!ozmidSubpage.data &&"
                                                      " !!document.querySelector('.subtab')")))
            return nullptr;
        return popup;
    }
};

} // namespace

// One window per element: asked for again it is raised, with a notice; Escape closes it, also
// while a table cell has the focus. Arrow labels and box titles wrap instead of being cut after
// a few letters; whatever is still cut shows its full name on hover. A pop-up's refused formula
// comes with the reason, and the next attempt clears what was said; during a run its Apply is
// off and says why.
TEST_F(DetailPopupTest, OneWindowPerElementWhoseEditsExplainRefusalsAndWaitForARun)
{
    const QString tree = QStringLiteral("bsi");
    const QString state = QStringLiteral("bsiUncomplicated");
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);

    show(tree, QStringLiteral("symptomatic"), state, guitest::bsiDisease);
    ASSERT_TRUE(isOpen(tree, state));
    QPointer<ui::YLDHealthOutcomeDataPresenter> first = openPresenter<ui::YLDHealthOutcomeDataPresenter>();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Health state data"));
    EXPECT_EQ(first->size(), QSize(980, 670));
    const QVariantMap data = first->webData().data();
    EXPECT_EQ(data.value(QStringLiteral("Caption")).toString(),
              QStringLiteral("Bloodstream infection - Uncomplicated bloodstream infection"));
    EXPECT_FALSE(data.value(QStringLiteral("ResultsAvailable")).toBool());
    const QVariantMap info = data.value(QStringLiteral("ElemInfo")).toMap();
    EXPECT_EQ(info.value(QStringLiteral("outcomeTreeNodeID")).toString(), state);
    EXPECT_EQ(info.value(QStringLiteral("countryID")).toString(), country);
    EXPECT_EQ(stratified(first, QStringLiteral("SeverityData")).size(), 19);
    // The page asks for the data over the channel and shows the caption it got.
    EXPECT_TRUE(guitest::waitForScript(
        first->view()->page(),
        QStringLiteral("document.getElementById('caption').textContent === %1")
            .arg(QStringLiteral("'Bloodstream infection - Uncomplicated bloodstream infection'"))));

    show(tree, QStringLiteral("symptomatic"), state, guitest::bsiDisease);
    EXPECT_EQ(chief->presenterMgr().count(), 1);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(
        messages.last(),
        (QVariantList{QStringLiteral("Outcome tree"),
                      QStringLiteral("Pop-up window for this element is already displayed"), QStringLiteral("info")}));

    ui::YLDHealthOutcomeDataPresenter duplicate(info, QString(), false, &window->webGUI(), {}, {}, {}, {}, {}, {});
    const fn::WebData& ids = duplicate.webData();
    EXPECT_THROW(chief->presenterMgr().registerPresenter(&duplicate, ids.modelId(), ids.outcomeTreeId(),
                                                         ids.outcomeTreeNodeId()),
                 ut::Exception);
    QTest::keyClick(first.data(), Qt::Key_Escape);
    EXPECT_TRUE(guitest::waitFor([&] { return first.isNull(); }));
    EXPECT_FALSE(isOpen(tree, state));

    // From the drawn tree: Escape in a focused cell closes; a second click on an element whose
    // pop-up is open brings that window back instead of only saying so under it.
    ASSERT_NO_FATAL_FAILURE(showTrees());
    QPointer<ui::YLDHealthOutcomeDataPresenter> popup = clickSepticShock();
    ASSERT_TRUE(popup);
    popup->activateWindow();
    ASSERT_TRUE(guitest::clickElement(popup->view(), QStringLiteral("input.cell-input")));
    ASSERT_TRUE(guitest::waitForScript(
        popup->view()->page(),
        QStringLiteral("document.activeElement && document.activeElement.classList.contains('cell-input')")));
    QTest::keyClick(popup->view()->focusProxy(), Qt::Key_Escape);
    EXPECT_TRUE(guitest::waitFor([&] { return popup.isNull(); }));
    EXPECT_EQ(chief->presenterMgr().count(), 0);

    popup = clickSepticShock();
    ASSERT_TRUE(popup);
    popup->showMinimized();
    ASSERT_TRUE(guitest::waitFor([&] { return popup->windowState().testFlag(Qt::WindowMinimized); }));
    ASSERT_TRUE(guitest::clickElement(window->webView(),
                                      QStringLiteral(".state-row.clickable[data-element-id=\"%1\"]").arg(septicShock)));
    EXPECT_TRUE(guitest::waitFor([&] { return popup && !popup->windowState().testFlag(Qt::WindowMinimized); }));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(chief->presenterMgr().count(), 1);
    EXPECT_TRUE(guitest::waitForScript(
        page,
        QStringLiteral("ozmidPage.state.messages.some(function (m) {"
                       " return m.text === 'Pop-up window for this element is already displayed'; })")));

    const QVariantMap labels = guitest::runJavaScript(page, QStringLiteral(R"((function () {
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
    EXPECT_GT(labels.value(QStringLiteral("count")).toInt(), 3);
    EXPECT_LE(labels.value(QStringLiteral("longest")).toInt(), 27);
    EXPECT_GT(labels.value(QStringLiteral("multi")).toInt(), 0);
    EXPECT_EQ(labels.value(QStringLiteral("untitled")).toInt(), 0);
    EXPECT_EQ(labels.value(QStringLiteral("cutWithoutName")).toInt(), 0);

    ASSERT_TRUE(popup);
    QWebEnginePage* sub = popup->view()->page();
    const QString cell = QStringLiteral("#grid-severity tr[data-row=\"0\"] td[data-col=\"Female\"] input");
    const QString original =
        guitest::runJavaScript(sub, QStringLiteral("document.querySelector(%1).value").arg(jsString(cell))).toString();
    const auto typeAndApply = [&](const QString& text) {
        guitest::runJavaScript(sub,
                               QStringLiteral("(function () { var e = document.querySelector(%1); e.value = %2;"
                                              " e.dispatchEvent(new Event('input', {bubbles: true}));"
                                              " document.getElementById('applyChangesButton').click(); })()")
                                   .arg(jsString(cell), jsString(text)));
    };
    const QString toasts = QStringLiteral("Array.from(document.querySelectorAll('#notifications .toast')).map("
                                          "function (t) { return t.textContent; }).join(' | ')");
    typeAndApply(QStringLiteral("RandPert(1, 2)"));
    ASSERT_TRUE(
        guitest::waitForScript(sub, QStringLiteral("(%1).indexOf('Why the formulas were refused') >= 0").arg(toasts)));
    EXPECT_TRUE(guitest::runJavaScript(sub, toasts)
                    .toString()
                    .contains(QStringLiteral("Severity, 0-4, Female: \"RandPert(1, 2)\" is refused: ")));
    typeAndApply(original);
    ASSERT_TRUE(
        guitest::waitForScript(sub, QStringLiteral("(%1).indexOf('Changes have been applied to:') >= 0").arg(toasts)));
    EXPECT_FALSE(guitest::runJavaScript(sub, toasts).toString().contains(QStringLiteral("refused")));

    chief->setNumSamples(20000);
    chief->runModels(true);
    EXPECT_TRUE(guitest::waitForScript(sub,
                                       QStringLiteral("document.getElementById('applyChangesButton').disabled && "
                                                      "!document.getElementById('runNote').hidden")));
    chief->cancelRun();
    EXPECT_TRUE(guitest::waitForScript(sub,
                                       QStringLiteral("!document.getElementById('applyChangesButton').disabled && "
                                                      "document.getElementById('runNote').hidden")));
}

TEST_F(DetailPopupTest, ElementsWithoutParametersOpenOnlyAfterARun)
{
    const QString tree = QStringLiteral("acquired");
    const QString& disease = guitest::listeriosisDisease;
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(disease));
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    const QString noParameters = QStringLiteral(
        "There are no parameters defined for this health outcome.<br />Results are available only after model run.");

    show(tree, QStringLiteral("death"), QStringLiteral("death_hs"), disease);
    show(tree, QStringLiteral("asymptomatic"), QStringLiteral("asymptomatic_hs"), disease);
    show(tree, QStringLiteral("arrow"), QStringLiteral("aToAsymptomatic"), disease);
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[0], (QVariantList{QStringLiteral("YLL health outcome"), noParameters, QStringLiteral("error")}));
    EXPECT_EQ(messages[1],
              (QVariantList{QStringLiteral("Asymptomatic health outcome"), noParameters, QStringLiteral("error")}));
    EXPECT_EQ(messages[2].value(0).toString(), QStringLiteral("Transition probability"));
    EXPECT_TRUE(messages[2].value(1).toString().contains(QStringLiteral("browse parameters of the source transition")));
    EXPECT_EQ(chief->presenterMgr().count(), 0);

    // A transition with parameters of its own opens before the run; the model is congenital, so 20 age groups.
    show(tree, QStringLiteral("arrow"), QStringLiteral("aToInvasive"), disease);
    auto* own = openPresenter<ui::TransProbDataPresenter>();
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->webData().data().value(QStringLiteral("IsBaseTrans")).toBool());
    EXPECT_EQ(stratified(own, QStringLiteral("InputProbability")).size(), 20);
    chief->presenterMgr().closeAll();
    ASSERT_TRUE(guitest::waitFor([this] { return chief->presenterMgr().count() == 0; }));

    chief->setNumSamples(50);
    chief->runModels(false);
    messages.clear();
    show(tree, QStringLiteral("death"), QStringLiteral("death_hs"), disease);
    show(tree, QStringLiteral("asymptomatic"), QStringLiteral("asymptomatic_hs"), disease);
    EXPECT_TRUE(messages.isEmpty());
    auto* death = openPresenter<ui::YLLHealthOutcomeDataPresenter>();
    auto* asymptomatic = openPresenter<ui::AsymptomaticDataPresenter>();
    ASSERT_TRUE(death && asymptomatic);
    EXPECT_TRUE(death->webData().data().value(QStringLiteral("ResultsAvailable")).toBool());
    EXPECT_GT(cellSum(asymptomatic->webData().data().value(QStringLiteral("IncidenceData")).toMap()), 0.0);

    // The complement draws one minus its source each iteration, so the two means add up to one in every cell.
    show(tree, QStringLiteral("arrow"), QStringLiteral("aToAsymptomatic"), disease);
    auto* complement = openPresenter<ui::TransProbDataPresenter>();
    ASSERT_TRUE(complement);
    EXPECT_TRUE(complement->webData().data().value(QStringLiteral("InputProbability")).toMap().isEmpty());
    show(tree, QStringLiteral("arrow"), QStringLiteral("aToInvasive"), disease);
    auto* source = qobject_cast<ui::TransProbDataPresenter*>(
        chief->presenterMgr().presenter(QStringLiteral("model 1"), tree, QStringLiteral("aToInvasive")));
    ASSERT_TRUE(source);
    const QVariantList complementRows = stratified(complement, QStringLiteral("OutputProbabilityData"));
    const QVariantList sourceRows = stratified(source, QStringLiteral("OutputProbabilityData"));
    ASSERT_EQ(complementRows.size(), 20);
    ASSERT_EQ(sourceRows.size(), 20);
    for (int i = 0; i < 20; ++i) {
        for (const QString& sex : {QStringLiteral("Female"), QStringLiteral("Male")}) {
            EXPECT_NEAR(complementRows[i].toMap().value(sex).toDouble() + sourceRows[i].toMap().value(sex).toDouble(),
                        1.0, 1e-9)
                << "age group " << i;
        }
    }
}

// The graphical program as the user drives it: the page runs a model on the worker thread and
// shows the results the controller computed, with charts copied as pictures; the pop-ups opened
// from the drawn tree show the elements' results, which add up to the model's totals, formatted
// like the main tables, until an edit makes them out of date.
TEST_F(DetailPopupTest, ThePageRunsAModelAndThePopUpsShowItsResults)
{
    const QString tree = QStringLiteral("bsi");
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    QSignalSpy finished(chief.get(), &ui::Chief::runFinished);
    guitest::runJavaScript(page,
                           QStringLiteral("ozmidPage.setNumSamples(300); ozmidPage.showTab('results');"
                                          "ozmidPage.runModels();"));
    ASSERT_TRUE(guitest::waitFor([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(chief->numSamples(), 300);
    fn::DiseaseModel& model = *chief->models().front();
    ASSERT_TRUE(model.isComputed());
    EXPECT_EQ(model.numberOfIterations(), 300u);
    ASSERT_TRUE(guitest::waitForScript(
        page,
        QStringLiteral("ozmidPage.state.lastRunList && ozmidPage.state.lastRunList.length === 1 && "
                       "ozmidPage.dalyMean('model 1') !== null")));
    const double shown = guitest::runJavaScript(page, QStringLiteral("ozmidPage.dalyMean('model 1')")).toDouble();
    const double computed = totalMean(model, QStringLiteral("daly"));
    EXPECT_GT(computed, 0.0);
    EXPECT_NEAR(shown, computed, 1e-9 * computed);
    EXPECT_EQ(pageText(QStringLiteral("document.getElementById('runProgressBar').dataset.fraction")),
              QStringLiteral("1"));
    EXPECT_TRUE(
        guitest::runJavaScript(
            page,
            QStringLiteral("!!document.querySelector('#aggregatedResultsTable tr[data-total=\"true\"] .daly-mean')"))
            .toBool());

    // Every chart has a Copy image button that puts the chart on the clipboard as a picture.
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    ASSERT_TRUE(guitest::waitFor([&] { return clipboard->image().isNull(); }));
    ASSERT_TRUE(guitest::clickElement(window->webView(),
                                      QStringLiteral("#aggregatedChartTools button[data-chart-action=\"copy\"]")));
    ASSERT_TRUE(guitest::waitFor([&] { return !clipboard->image().isNull(); }));
    EXPECT_EQ(
        clipboard->image().size(),
        QSize(
            guitest::runJavaScript(page, QStringLiteral("document.getElementById('aggregatedChart').width")).toInt(),
            guitest::runJavaScript(page, QStringLiteral("document.getElementById('aggregatedChart').height")).toInt()));
    EXPECT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("ozmidPage.state.messages.some(function (m) {"
                                                      " return m.title === 'Copy image' && m.type === 'success'; })")));
    EXPECT_TRUE(
        guitest::runJavaScript(
            page,
            QStringLiteral("document.querySelectorAll('#page-results canvas').length === "
                           "document.querySelectorAll('#page-results button[data-chart-action=\"copy\"]').length"))
            .toBool());

    // The charts drawn: a window of many colours, not an empty or uniformly filled one.
    QTest::qWait(500);
    const QImage picture = window->grab().toImage();
    EXPECT_GE(picture.width(), 1110);
    EXPECT_GT(distinctColours(picture), 50);

    // The health outcome's totals with their 95 % interval and the strata's means, formatted like
    // the main tables (full precision only in the copies).
    ASSERT_NO_FATAL_FAILURE(showTrees());
    ui::YLDHealthOutcomeDataPresenter* popup = clickSepticShock();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->webData().data().value(QStringLiteral("ResultsAvailable")).toBool());
    QWebEnginePage* sub = popup->view()->page();
    ASSERT_TRUE(guitest::waitForScript(
        sub,
        QStringLiteral("document.querySelectorAll('#subpage-results canvas').length === 3 && "
                       "!!document.querySelector('#subpage-results .stat-block tr[data-key=\"daly\"]')")));
    const QVariantList intervals =
        guitest::runJavaScript(sub,
                               QStringLiteral("Array.from(document.querySelectorAll('#subpage-results .stat-block "
                                              "td.ci-cell')).map(function (c) { return c.textContent; })"))
            .toList();
    ASSERT_FALSE(intervals.isEmpty());
    const QRegularExpression interval(QStringLiteral("^-?[\\d,.]+ – -?[\\d,.]+$"));
    for (const QVariant& text : intervals)
        EXPECT_TRUE(interval.match(text.toString()).hasMatch()) << qPrintable(text.toString());
    const QStringList cells = guitest::runJavaScript(
                                  sub,
                                  QStringLiteral("Array.from(document.querySelectorAll('#subpage-results "
                                                 "td')).map(function (c) { return c.textContent; })"))
                                  .toStringList();
    ASSERT_FALSE(cells.isEmpty());
    const QRegularExpression rawDouble(QStringLiteral("\\d\\.\\d{7,}"));
    for (const QString& cell : cells)
        EXPECT_FALSE(rawDouble.match(cell).hasMatch()) << qPrintable(cell);
    EXPECT_TRUE(guitest::runJavaScript(sub,
                                       QStringLiteral("Array.from(document.querySelectorAll('#subpage-results "
                                                      ".means-table td.mean-cell')).some(function (c) {"
                                                      " return c.dataset.value.length > c.textContent.length; })"))
                    .toBool());
    chief->presenterMgr().closeAll();
    ASSERT_TRUE(guitest::waitFor([this] { return chief->presenterMgr().count() == 0; }));

    // The elements' results add up to the model's totals.
    show(tree, QStringLiteral("infection"), QStringLiteral("infection_hs"), guitest::bsiDisease);
    auto* infection = openPresenter<ui::InfectionDataPresenter>();
    ASSERT_TRUE(infection);
    EXPECT_EQ(infection->windowTitle(), QStringLiteral("Infection data"));
    const double cases = cellSum(
        infection->webData().data().value(QStringLiteral("SampleMeanOutputIncidence")).toMap());
    EXPECT_GT(cases, 0.0);
    EXPECT_NEAR(cases, totalMean(model, QStringLiteral("cases")), 1e-9 * cases);
    EXPECT_FALSE(stratified(infection, QStringLiteral("LifeExpData")).isEmpty());
    show(tree, QStringLiteral("death"), QStringLiteral("death_hs"), guitest::bsiDisease);
    auto* death = openPresenter<ui::YLLHealthOutcomeDataPresenter>();
    ASSERT_TRUE(death);
    const double deaths = cellSum(death->webData().data().value(QStringLiteral("IncidenceData")).toMap());
    const double yll = cellSum(death->webData().data().value(QStringLiteral("BurdenData")).toMap());
    EXPECT_GT(deaths, 0.0);
    EXPECT_NEAR(deaths, totalMean(model, QStringLiteral("deaths")), 1e-9 * deaths);
    EXPECT_NEAR(yll, totalMean(model, QStringLiteral("yll")), 1e-9 * yll);
    double yld = 0.0;
    for (const QString& state :
         {QStringLiteral("bsiUncomplicated"), septicShock, QStringLiteral("postSepsisDisability")}) {
        show(tree,
             state == QStringLiteral("postSepsisDisability") ? QStringLiteral("sequela")
                                                             : QStringLiteral("symptomatic"),
             state, guitest::bsiDisease);
        auto* presenter = openPresenter<ui::YLDHealthOutcomeDataPresenter>();
        ASSERT_TRUE(presenter) << qPrintable(state);
        yld += cellSum(presenter->webData().data().value(QStringLiteral("BurdenData")).toMap());
        presenter->close();
        ASSERT_TRUE(guitest::waitFor([&] { return !isOpen(tree, state); }));
    }
    EXPECT_GT(yld, 0.0);
    EXPECT_NEAR(yld, totalMean(model, QStringLiteral("yld")), 1e-9 * yld);
    EXPECT_TRUE(guitest::waitForScript(
        infection->view()->page(),
        QStringLiteral("!!document.querySelector('.subtab[data-subtab=results]') && "
                       "document.querySelector('.subtab[data-subtab=results]').textContent === 'Results'")));

    // Edited after the run, an element's window shows the parameters, not results that no
    // longer belong to them.
    fn::HealthState& state = model.getOutcomeTree(0).getHealthState(0);
    fn::DataArray severity = state.severity();
    QStringList formulas = severity.formulas();
    formulas[0] = formulas[0] == QStringLiteral("0.5") ? QStringLiteral("0.25") : QStringLiteral("0.5");
    severity.setFormulas(formulas);
    chief->applyChangesToYLDParams({{QStringLiteral("countryID"), country},
                                    {QStringLiteral("diseaseID"), guitest::bsiDisease},
                                    {QStringLiteral("modelID"), QStringLiteral("model 1")},
                                    {QStringLiteral("outcomeTreeID"), model.getOutcomeTree(0).id()},
                                    {QStringLiteral("outcomeTreeNodeID"), state.id()}},
                                   ui::dataArrayToMap(severity), ui::dataArrayToMap(state.duration()),
                                   ui::dataArrayToMap(state.proportion()));
    ASSERT_FALSE(chief->hasCurrentResults(model));
    show(model.getOutcomeTree(0).id(), QStringLiteral("symptomatic"), state.id(), guitest::bsiDisease);
    auto* edited = qobject_cast<ui::DataPresenter*>(
        chief->presenterMgr().presenter(QStringLiteral("model 1"), model.getOutcomeTree(0).id(), state.id()));
    ASSERT_TRUE(edited);
    EXPECT_FALSE(edited->webData().data().value(QStringLiteral("ResultsAvailable")).toBool());
}

#include <algorithm>
#include <cmath>

#include <QRegularExpression>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "fn/data/Settings.h"

using namespace guitest;

namespace {

// The chart starts a parameter's name with a capital, as a label does.
QString capitalized(const QString& name)
{
    return name.left(1).toUpper() + name.mid(1);
}

class UncertaintyViewTest : public guitest::MainPageFixture
{
protected:
    bool boxChecked() { return jsTrue("document.getElementById('uncertaintyAnalysisInput').checked"); }

    // Runs with the analysis on or off, until the page knows whether the run had one.
    void runWithAnalysis(bool on, int samples)
    {
        ASSERT_EQ(js(QStringLiteral("ozmidPage.setUncertaintyAnalysis(%1)").arg(on ? "true" : "false")).toBool(), on);
        ASSERT_TRUE(waitFor([&] { return chief->isUncertaintyAnalysisEnabled() == on; }));
        ASSERT_NO_FATAL_FAILURE(runFromPage(samples));
        ASSERT_TRUE(waitJs(QStringLiteral("ozmidPage.state.analysis.length === 1 && "
                                          "ozmidPage.state.analysis[0].analysed === %1")
                               .arg(on ? "true" : "false")));
        onModel("showDetailedResults");
        ASSERT_TRUE(waitJs("ozmidPage.state.lastDetailedResults !== null && "
                           "!document.getElementById('detailedResultsContent').hidden"));
    }

    int count(const QString& selector)
    {
        return js(QStringLiteral("document.querySelectorAll(%1).length").arg(jsString(selector))).toInt();
    }

    QVariantMap uncertainty() const { return chief->models().front()->uncertaintyResults(); }
};

} // namespace

// The Run tab's check box is the controller's setting, whoever changes it. Answers of many models
// redraw the table once: once per answer froze the page for seconds after a run of 99 models.
TEST_F(UncertaintyViewTest, TheCheckBoxIsTheControllersSettingAndManyAnswersRedrawTheTableOnce)
{
    fn::Settings().setSensitivityAnalysis(true);
    openWindow();
    ASSERT_NO_FATAL_FAILURE(waitForPage());
    ASSERT_TRUE(chief->isUncertaintyAnalysisEnabled());
    EXPECT_TRUE(waitFor([&] { return boxChecked(); }));

    js("ozmidPage.showTab('run')");
    ASSERT_TRUE(click("#uncertaintyAnalysisInput"));
    EXPECT_TRUE(waitFor([&] { return !chief->isUncertaintyAnalysisEnabled(); }));
    EXPECT_FALSE(boxChecked());
    EXPECT_FALSE(jsTrue("ozmidPage.state.uncertaintyAnalysis"));
    ASSERT_TRUE(click("#uncertaintyAnalysisInput"));
    EXPECT_TRUE(waitFor([&] { return chief->isUncertaintyAnalysisEnabled(); }));

    // A reinitialised program takes the stored value again.
    chief->setUncertaintyAnalysis(false);
    EXPECT_TRUE(waitFor([&] { return !boxChecked(); }));
    chief->deleteModels();
    EXPECT_TRUE(chief->isUncertaintyAnalysisEnabled());
    EXPECT_TRUE(waitFor([&] { return boxChecked(); }));

    ASSERT_NO_FATAL_FAILURE(createModels({country, "Belgium", "Denmark", "Finland", "France"}, bsiDisease));
    ASSERT_NO_FATAL_FAILURE(runFromPage(100));
    ASSERT_TRUE(waitJs("ozmidPage.state.analysis.length === 5 && ozmidPage.state.analysis.every(function (a) {"
                       " return a.analysed; })"));
    // One drawing with the results, one with the answers.
    EXPECT_LE(js("ozmidPage.state.aggregatedRenders").toInt(), 2);
    EXPECT_EQ(count("#aggregatedResultsTable tr[data-model-id] td.verdict-cell"), 5);
    // Only Austria has population data: the others' DALY is not computable and has no error to show.
    EXPECT_EQ(count("#aggregatedResultsTable tr[data-model-id] td.daly-mean .se"), 1);
    EXPECT_EQ(count("#aggregatedResultsTable tr[data-model-id] td.verdict-cell.withheld"), 4);
}

// Standard errors, the verdict on the samples and the tornado chart show as computed, and only
// after a run with the analysis.
TEST_F(UncertaintyViewTest, ARunWithTheAnalysisShowsPrecisionAndSensitivity)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(bsiDisease));
    ASSERT_NO_FATAL_FAILURE(runWithAnalysis(true, 400));
    const QVariantMap analysis = uncertainty();
    ASSERT_FALSE(analysis.isEmpty());
    const QVariantMap errors = analysis.value("standardErrors").toMap();
    const QVariantMap convergence = analysis.value("convergence").toMap();
    const QVariantMap sensitivity = analysis.value("sensitivity").toMap();
    const QVariantList inputs = sensitivity.value("inputs").toList();
    ASSERT_GE(inputs.size(), 2);

    // Every table of means has its standard errors, except the row of all models.
    const QVariantMap totals = errors.value("totalResults").toMap();
    const QVariantMap types = errors.value("totalSequelaTypeResults").toMap();
    const QVariantMap tree = errors.value("detailedResults").toList().first().toMap();
    const QVariantMap outcome = tree.value("healthOutcomeAggregatedResults").toList().first().toMap();
    const struct
    {
        QString selector;
        QVariantMap computed;
        const char* key;
    } shownErrors[] = {
        {"#aggregatedResultsTable tr[data-model-id] td.daly-mean", totals, "daly"},
        {"#aggregatedResultsTable tr[data-model-id] td[data-key=\"yll\"]", totals, "yll"},
        {"#aggregatedResultsTable tr[data-model-id] td[data-key=\"dalyPerCase\"]", totals, "dalyPerCase"},
        {"#sequelaTypeTable tr[data-category=\"total\"] td[data-key=\"daly\"]", types.value("total").toMap(), "daly"},
        {"#sequelaTypeTable tr[data-category=\"sequela\"] td[data-key=\"yldPer100k\"]", types.value("sequela").toMap(),
         "yldPer100k"},
        {QStringLiteral(".tree-results tr[data-outcome=\"%1\"] td[data-key=\"daly\"]")
             .arg(outcome.value("name").toString()),
         outcome, "daly"}};
    for (const auto& row : shownErrors) {
        SCOPED_TRACE(row.selector.toStdString());
        const double computed = row.computed.value(row.key).toMap().value("MeanStandardError").toDouble();
        ASSERT_GT(computed, 0.0);
        // The "± 4.9" beside the mean, to two significant digits as the page shows standard errors.
        QString shown = textOf(row.selector + " .se");
        EXPECT_NEAR(shown.remove("±").remove(',').remove(' ').toDouble(), computed, 0.051 * computed);
    }
    EXPECT_EQ(count("#aggregatedResultsTable tr[data-total] .se"), 0);
    EXPECT_GT(count("#categorizedTable .stat-cell .se"), 10);
    const QString cell = textOf("#aggregatedResultsTable tr[data-model-id] td.verdict-cell");
    const double rse = convergence.value("relativeStandardError").toDouble();
    EXPECT_TRUE(cell.startsWith(QString::number(rse * 100, 'g', 2) + " %")) << qPrintable(cell);

    // The verdict on the mean and the 95 % bounds: 400 samples are below the 1 000 it ever asks for.
    EXPECT_FALSE(hidden("#uncertaintyPanel"));
    const QString verdict = textOf("#convergenceVerdict");
    EXPECT_FALSE(convergence.value("enoughIterations").toBool());
    EXPECT_TRUE(verdict.startsWith("More samples needed.")) << qPrintable(verdict);
    EXPECT_TRUE(verdict.contains(QString::number(rse * 100, 'g', 2) + " %")) << qPrintable(verdict);
    EXPECT_TRUE(verdict.contains("2.5 % quantile")) << qPrintable(verdict);
    const double needed = convergence.value("iterationsNeeded").toDouble();
    EXPECT_GE(needed, 1000.0);
    EXPECT_TRUE(verdict.contains(
        QStringLiteral("About %1 samples").arg(pageText(QStringLiteral("Oz.formatNumber(%1)").arg(needed)))))
        << qPrintable(verdict);

    // The ten strongest parameters, the strongest on top; a parameter's inputs make one bar, the
    // root of their group R^2.
    ASSERT_TRUE(waitJs("!!Chart.getChart(document.getElementById('tornadoChart'))"));
    const QVariantMap chart =
        js("(function () { var c = Chart.getChart(document.getElementById('tornadoChart'));"
           " return { labels: c.data.labels.map(function (l) { return [].concat(l).join('\\n'); }),"
           "          coefficients: c.data.datasets[0].data, correlations: c.data.datasets[1].data,"
           "          subtitle: c.options.plugins.subtitle.text }; })()")
            .toMap();
    const QStringList labels = chart.value("labels").toStringList();
    const QVariantList coefficients = chart.value("coefficients").toList();
    struct Group
    {
        QVariantMap first;
        int members = 0;
        double sum = 0, squares = 0, spearman = 0;
    };
    const auto keyOf = [](const QVariantMap& m) {
        return QStringList{m.value("tree").toString(), m.value("element").toString(), m.value("parameter").toString()}
            .join('|');
    };
    QMap<QString, Group> groups;
    for (const QVariant& v : inputs) {
        const QVariantMap input = v.toMap();
        Group& g = groups[keyOf(input)];
        if (g.members++ == 0)
            g.first = input;
        const double beta = input.value("standardizedRegressionCoefficient").toDouble();
        const double rho = input.value("spearman").toDouble();
        g.sum += beta;
        g.squares = beta * beta;
        if (std::abs(rho) > std::abs(g.spearman))
            g.spearman = rho;
    }
    for (const QVariant& v : sensitivity.value("parameterGroups").toList()) {
        ASSERT_TRUE(groups.contains(keyOf(v.toMap())));
        Group& g = groups[keyOf(v.toMap())];
        EXPECT_EQ(v.toMap().value("inputs").toInt(), g.members);
        g.squares = v.toMap().value("rSquared").toDouble();
        EXPECT_GE(g.squares, 0.0);
        EXPECT_LE(g.squares, sensitivity.value("rSquared").toDouble() + 1e-9);
    }
    const Group* top = &*std::max_element(groups.begin(), groups.end(),
                                          [](const Group& a, const Group& b) { return a.squares < b.squares; });
    ASSERT_EQ(labels.size(), std::min(10, groups.size()));
    const QVariantMap strongest = top->first;
    QString treeName;
    for (const QVariant& t : chief->models().front()->results().value("detailedResults").toList()) {
        if (t.toMap().value("outcomeTreeID") == strongest.value("tree"))
            treeName = t.toMap().value("outcomeTreeName").toString();
    }
    ASSERT_FALSE(treeName.isEmpty());
    const QString element = strongest.value("element").toString().isEmpty() ? "model"
                                                                            : strongest.value("elementName").toString();
    const QStringList lines = labels.first().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].toStdString(), QString(treeName + QStringLiteral(" › ") + element).toStdString());
    EXPECT_TRUE(lines[1].startsWith(capitalized(strongest.value("parameter").toString()))) << qPrintable(lines[1]);
    const QRegularExpressionMatch group =
        QRegularExpression("\\(([^)]*)\\)").match(strongest.value("cells").toString());
    if (top->members == 1 && group.hasMatch()) {
        EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" · ") + group.captured(1))) << qPrintable(lines[1]);
    } else if (top->members > 1) {
        EXPECT_TRUE(lines[1].endsWith(QStringLiteral("group R² = ") + QString::number(top->squares, 'f', 3)))
            << qPrintable(lines[1]);
    }
    EXPECT_NEAR(coefficients.first().toDouble(), std::copysign(std::sqrt(top->squares), top->sum), 1e-12);
    EXPECT_NEAR(chart.value("correlations").toList().first().toDouble(), top->spearman, 1e-12);
    for (const QVariant& c : coefficients)
        EXPECT_LE(std::abs(c.toDouble()), std::abs(coefficients.first().toDouble()));
    const QString r2 = QString::number(sensitivity.value("rSquared").toDouble(), 'f', 3);
    EXPECT_TRUE(chart.value("subtitle").toString().startsWith(QStringLiteral("R² = ") + r2 + ", adjusted "));
    EXPECT_TRUE(textOf("#tornadoCaption").contains(QStringLiteral("R² = ") + r2));
    EXPECT_EQ(count("#sensitivityTable tbody tr"), inputs.size());

    // 100 samples are too few for a regression on this model's inputs: the reason, not R^2.
    ASSERT_NO_FATAL_FAILURE(runWithAnalysis(true, 100));
    ASSERT_TRUE(waitJs("document.getElementById('tornadoCaption').textContent.indexOf('too few samples') >= 0"));
    EXPECT_FALSE(textOf("#tornadoCaption").contains("R²"));

    // A run without the analysis shows none of it, not even what the earlier runs showed.
    ASSERT_NO_FATAL_FAILURE(runWithAnalysis(false, 100));
    EXPECT_TRUE(uncertainty().isEmpty());
    EXPECT_EQ(count("#page-results .se"), 0);
    EXPECT_EQ(count("#page-results .verdict-cell"), 0);
    EXPECT_FALSE(textOf("#aggregatedResultsTable").contains("precision"));
    EXPECT_FALSE(textOf("#aggregatedNote").contains("standard error"));
    EXPECT_TRUE(hidden("#uncertaintyPanel"));
    EXPECT_FALSE(jsTrue("!!Chart.getChart(document.getElementById('tornadoChart'))"));
    EXPECT_EQ(count("#sensitivityTable tr"), 0);
    EXPECT_TRUE(jsTrue("ozmidPage.state.analysedModels.length === 0"));
}

// A reference-data model's own parameters (the underestimation) show as the model's.
TEST_F(UncertaintyViewTest, TheModelsOwnParametersShowAsTheModels)
{
    // The reference data the build stages: every country's.
    const QString cache = base.filePath("referenceData.dat");
    ASSERT_TRUE(QFile::remove(cache) && QFile::copy(OZMID_BINARY_DIR "/referenceData.dat", cache));
    const QString disease = "BaselineBSI";
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(disease));
    // Its trees come from the disease template, drawn and clickable like a specification's.
    ASSERT_NO_FATAL_FAILURE(showTree("severeImpairment", disease));
    EXPECT_EQ(count("#outcomeTreeHost svg.outcome-tree"), 1);
    ASSERT_TRUE(click("#outcomeTreeHost .state-row.clickable[data-element-id=\"severeImpairment\"]"));
    EXPECT_TRUE(waitFor([&] { return chief->presenterMgr().isRegistered("model 1", "BSI", "severeImpairment"); }));

    js("ozmidPage.setUncertaintyAnalysis(true)");
    ASSERT_TRUE(waitFor([&] { return chief->isUncertaintyAnalysisEnabled(); }));
    ASSERT_NO_FATAL_FAILURE(runFromPage(300));
    onModel("showDetailedResults", disease);
    ASSERT_TRUE(waitJs("!!Chart.getChart(document.getElementById('tornadoChart'))"));

    const QVariantList inputs = uncertainty().value("sensitivity").toMap().value("inputs").toList();
    const int own = std::find_if(inputs.begin(), inputs.end(),
                                 [](const QVariant& i) { return i.toMap().value("element").toString().isEmpty(); })
        - inputs.begin();
    ASSERT_LT(own, inputs.size());
    ASSERT_LT(own, 10) << "the model's own parameters are no longer among the strongest inputs of this model";
    const QVariantMap input = inputs[own].toMap();
    const QStringList rows = js("Chart.getChart(document.getElementById('tornadoChart')).data.labels"
                                ".map(function (l) { return [].concat(l).join('\\n'); })")
                                 .toStringList();
    // The whole array is one input: no cells are named.
    const QString row = QStringLiteral(" › model\n") + capitalized(input.value("parameter").toString());
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const QString& r) { return r.endsWith(row); }))
        << qPrintable(rows.join(" | "));
    EXPECT_EQ(
        pageText(QStringLiteral(
                     "document.querySelector('#sensitivityTable tr[data-rank=\"%1\"] td:nth-child(3)').textContent")
                     .arg(own + 1)),
        "model");
}

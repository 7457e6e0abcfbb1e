#include <memory>

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include "ui/shell/GuiTestSupport.h"
#include "InterfaceResources.h"
#include "ui/shell/presenters/AsymptomaticDataPresenter.h"
#include "ui/Chief.h"
#include "ui/shell/presenters/InfectionDataPresenter.h"
#include "ui/shell/presenters/TransProbDataPresenter.h"
#include "ui/shell/WebGUI.h"
#include "ui/shell/presenters/YLDHealthOutcomeDataPresenter.h"
#include "ui/shell/presenters/YLLHealthOutcomeDataPresenter.h"
#include "ut/Exception.h"

namespace {

using guitest::country;

// The open pop-up of the given type, if exactly one is open.
template <typename Presenter>
Presenter* openPresenter()
{
    Presenter* found = nullptr;
    int count = 0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (auto* presenter = qobject_cast<Presenter*>(window)) {
            if (presenter->isVisible()) {
                found = presenter;
                ++count;
            }
        }
    }
    return count == 1 ? found : nullptr;
}

double cellSum(const QVariantMap& table)
{
    double sum = 0.0;
    const QVariantList rows = table.value(QStringLiteral("stratified")).toList();
    for (const QVariant& row : rows) {
        const QVariantMap cells = row.toMap();
        sum += cells.value(QStringLiteral("Female")).toDouble() + cells.value(QStringLiteral("Male")).toDouble();
    }
    return sum;
}

double totalMean(const fn::DiseaseModel& model, const QString& key)
{
    return model.totalResults().value(key).toMap().value(QStringLiteral("Mean")).toDouble();
}

class DetailPopupTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ozmidInitInterfaceResources(); }

    void SetUp() override
    {
        ASSERT_TRUE(base.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(base.path());
        ASSERT_TRUE(guitest::prepareBaseFolder(base.path()));
        chief = std::make_unique<ui::Chief>();
        chief->setBasePath(base.path());
        webGUI.setChief(chief.get());
        chief->setWebGUI(&webGUI);
    }

    void TearDown() override
    {
        chief->presenterMgr().closeAll();
        EXPECT_TRUE(guitest::waitFor([this] { return chief->presenterMgr().count() == 0; }));
        chief.reset();
        QDir::setCurrent(previousDirectory);
    }

    void createModel(const QString& disease)
    {
        chief->changeCountrySelection({country});
        chief->changeDiseaseSelection({disease});
        chief->createModels();
        ASSERT_EQ(chief->models().size(), 1u);
    }

    void show(const QString& tree, const QString& type, const QString& element, const QString& disease)
    {
        chief->showOutcomeTreeElementDetails(tree, type, element, country, disease, QStringLiteral("model 1"));
    }

    bool isOpen(const QString& tree, const QString& element) const
    {
        return chief->presenterMgr().isRegistered(QStringLiteral("model 1"), tree, element);
    }

    QTemporaryDir base;
    QString previousDirectory;
    ui::WebGUI webGUI;
    std::unique_ptr<ui::Chief> chief;
};

} // namespace

TEST_F(DetailPopupTest, OneWindowPerElementUntilItIsClosed)
{
    const QString tree = QStringLiteral("bsi");
    const QString state = QStringLiteral("bsiUncomplicated");
    createModel(guitest::bsiDisease);
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
    EXPECT_EQ(data.value(QStringLiteral("SeverityData")).toMap().value(QStringLiteral("stratified")).toList().size(),
              19);
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

    ui::YLDHealthOutcomeDataPresenter duplicate(info, QString(), false, &webGUI, {}, {}, {}, {}, {}, {});
    try {
        const fn::WebData& ids = duplicate.webData();
        chief->presenterMgr().registerPresenter(&duplicate, ids.modelId(), ids.outcomeTreeId(),
                                                ids.outcomeTreeNodeId());
        ADD_FAILURE() << "a second window for one element was registered";
    } catch (const ut::Exception& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Presenter for model 1, bsi, bsiUncomplicated has already been registered"));
        EXPECT_EQ(e.place(), QStringLiteral("ui::PresenterMgr::registerPresenter"));
    }

    QTest::keyClick(first.data(), Qt::Key_Escape);
    EXPECT_TRUE(guitest::waitFor([&] { return first.isNull(); }));
    EXPECT_FALSE(isOpen(tree, state));

    show(tree, QStringLiteral("symptomatic"), state, guitest::bsiDisease);
    ASSERT_TRUE(isOpen(tree, state));
    QPointer<ui::YLDHealthOutcomeDataPresenter> second = openPresenter<ui::YLDHealthOutcomeDataPresenter>();
    ASSERT_TRUE(second);
    second->close();
    EXPECT_TRUE(guitest::waitFor([&] { return second.isNull(); }));
    EXPECT_FALSE(isOpen(tree, state));
    EXPECT_EQ(chief->presenterMgr().count(), 0);
}

TEST_F(DetailPopupTest, ElementsWithoutParametersOpenOnlyAfterARun)
{
    const QString tree = QStringLiteral("acquired");
    const QString& disease = guitest::listeriosisDisease;
    createModel(disease);
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
    EXPECT_EQ(messages[2],
              (QVariantList{QStringLiteral("Transition probability"),
                            QStringLiteral("Please, browse parameters of the source transition "
                                           "probability.<br />Results for this transition are available "
                                           "only after model run."),
                            QStringLiteral("error")}));
    EXPECT_EQ(chief->presenterMgr().count(), 0);

    // A transition with parameters of its own opens before the run; the model is congenital, so 20 age groups.
    show(tree, QStringLiteral("arrow"), QStringLiteral("aToInvasive"), disease);
    ASSERT_TRUE(isOpen(tree, QStringLiteral("aToInvasive")));
    auto* own = openPresenter<ui::TransProbDataPresenter>();
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->webData().data().value(QStringLiteral("IsBaseTrans")).toBool());
    EXPECT_EQ(own->webData()
                  .data()
                  .value(QStringLiteral("InputProbability"))
                  .toMap()
                  .value(QStringLiteral("stratified"))
                  .toList()
                  .size(),
              20);
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
    ui::TransProbDataPresenter* source = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* candidate = qobject_cast<ui::TransProbDataPresenter*>(window);
        if (candidate && candidate != complement && candidate->isVisible())
            source = candidate;
    }
    ASSERT_TRUE(source);
    const QVariantList complementRows = complement->webData()
                                            .data()
                                            .value(QStringLiteral("OutputProbabilityData"))
                                            .toMap()
                                            .value(QStringLiteral("stratified"))
                                            .toList();
    const QVariantList sourceRows = source->webData()
                                        .data()
                                        .value(QStringLiteral("OutputProbabilityData"))
                                        .toMap()
                                        .value(QStringLiteral("stratified"))
                                        .toList();
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

TEST_F(DetailPopupTest, ResultsOfTheElementsAddUpToTheModelTotals)
{
    const QString tree = QStringLiteral("bsi");
    const QString& disease = guitest::bsiDisease;
    createModel(disease);
    chief->setNumSamples(200);
    chief->runModels(false);
    const fn::DiseaseModel& model = *chief->models().front();
    ASSERT_TRUE(model.isComputed());

    show(tree, QStringLiteral("infection"), QStringLiteral("infection_hs"), disease);
    auto* infection = openPresenter<ui::InfectionDataPresenter>();
    ASSERT_TRUE(infection);
    EXPECT_EQ(infection->windowTitle(), QStringLiteral("Infection data"));
    const double cases = cellSum(
        infection->webData().data().value(QStringLiteral("SampleMeanOutputIncidence")).toMap());
    EXPECT_GT(cases, 0.0);
    EXPECT_NEAR(cases, totalMean(model, QStringLiteral("cases")), 1e-9 * cases);
    EXPECT_FALSE(infection->webData()
                     .data()
                     .value(QStringLiteral("LifeExpData"))
                     .toMap()
                     .value(QStringLiteral("stratified"))
                     .toList()
                     .isEmpty());

    show(tree, QStringLiteral("death"), QStringLiteral("death_hs"), disease);
    auto* death = openPresenter<ui::YLLHealthOutcomeDataPresenter>();
    ASSERT_TRUE(death);
    const QVariantMap deathData = death->webData().data();
    const double deaths = cellSum(deathData.value(QStringLiteral("IncidenceData")).toMap());
    const double yll = cellSum(deathData.value(QStringLiteral("BurdenData")).toMap());
    EXPECT_GT(deaths, 0.0);
    EXPECT_NEAR(deaths, totalMean(model, QStringLiteral("deaths")), 1e-9 * deaths);
    EXPECT_NEAR(yll, totalMean(model, QStringLiteral("yll")), 1e-9 * yll);

    double yld = 0.0;
    for (const QString& state : {QStringLiteral("bsiUncomplicated"), QStringLiteral("bsiSepticShock"),
                                 QStringLiteral("postSepsisDisability")}) {
        show(tree,
             state == QStringLiteral("postSepsisDisability") ? QStringLiteral("sequela")
                                                             : QStringLiteral("symptomatic"),
             state, disease);
        auto* presenter = openPresenter<ui::YLDHealthOutcomeDataPresenter>();
        ASSERT_TRUE(presenter) << qPrintable(state);
        yld += cellSum(presenter->webData().data().value(QStringLiteral("BurdenData")).toMap());
        presenter->close();
        ASSERT_TRUE(guitest::waitFor([&] { return !isOpen(tree, state); }));
    }
    EXPECT_GT(yld, 0.0);
    EXPECT_NEAR(yld, totalMean(model, QStringLiteral("yld")), 1e-9 * yld);

    // The pop-up page renders the results part once the model has been run.
    EXPECT_TRUE(guitest::waitForScript(
        infection->view()->page(),
        QStringLiteral("!!document.querySelector('.subtab[data-subtab=results]') && "
                       "document.querySelector('.subtab[data-subtab=results]').textContent === 'Results'")));
}

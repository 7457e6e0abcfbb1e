#pragma once

#include <memory>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "fn/data/InputDataMgr.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"
#include "ui/Chief.h"
#include "ui/ParameterExchange.h"
#include "ui/SampleBaseFolder.h"

namespace uitest {

const QString country = "Testland";
const QString disease = "TwoTrees";

// A controller on a base folder of its own, the working directory while the test runs: the
// two-tree specification and a reference data cache with the population of one small country
// (4 strata), or, with samples set, the sample base folder.
class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(base.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(base.path());
        if (samples) {
            ASSERT_TRUE(guitest::prepareBaseFolder(base.path()));
        } else {
            QDir(base.path()).mkdir("models");
            QFile::copy(QStringLiteral(OZMID_TEST_DATA_DIR "/fn/model/fixtures/two-trees.model_spec.json"),
                        base.filePath("models/two-trees.model_spec.json"));
            fn::InputDataMgr store;
            store.setPath(base.path());
            const QVector<fn::InputFactor> factors = {fn::InputFactor("Age", {"0-49", "50+"}),
                                                      fn::InputFactor("Sex", {"Female", "Male"})};
            store.setCountryCaption(country, "Test Land");
            store.setAgeDistribution(
                country, fn::DataArray(factors, "Age distribution", {}, QStringList{"1000", "900", "2000", "1800"}));
            store.setLifeExpectancy(country,
                                    fn::DataArray(factors, "Life expectancy", {}, QStringList{"60", "55", "20", "15"}));
            ASSERT_TRUE(store.saveCache());
        }
        chief = freshChief();
    }

    void TearDown() override
    {
        chief.reset();
        QDir::setCurrent(previousDirectory);
    }

    std::unique_ptr<ui::Chief> freshChief() const
    {
        auto made = std::make_unique<ui::Chief>();
        made->setBasePath(base.path());
        return made;
    }

    static void create(ui::Chief& on, const QStringList& countries, const QString& ofDisease, int times = 1)
    {
        on.changeCountrySelection(countries);
        on.changeDiseaseSelection({ofDisease});
        for (int i = 0; i < times; ++i)
            on.createModels();
    }

    void createOneModel() { create(*chief, {country}, disease); }

    bool samples = false;
    QTemporaryDir base;
    QString previousDirectory;
    std::unique_ptr<ui::Chief> chief;
};

// Applies the YLD tables of the model's first health state as a pop-up's Apply does; edited, its
// first severity formula changed (tables sent back unchanged would change nothing).
inline void applySeverity(ui::Chief& chief, fn::DiseaseModel& model, bool edited = true)
{
    fn::OutcomeTree& tree = model.getOutcomeTree(0);
    fn::HealthState& state = tree.getHealthState(0);
    fn::DataArray severity = state.severity();
    QStringList formulas = severity.formulas();
    if (edited)
        formulas[0] = formulas[0] == "0.5" ? "0.25" : "0.5";
    severity.setFormulas(formulas);
    chief.applyChangesToYLDParams({{"countryID", model.countryId()},
                                   {"diseaseID", model.diseaseId()},
                                   {"modelID", model.modelId()},
                                   {"outcomeTreeID", tree.id()},
                                   {"outcomeTreeNodeID", state.id()}},
                                  ui::dataArrayToMap(severity), ui::dataArrayToMap(state.duration()),
                                  ui::dataArrayToMap(state.proportion()));
}

} // namespace uitest

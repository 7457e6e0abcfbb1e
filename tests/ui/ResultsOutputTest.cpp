#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "fn/model/ModelTestSupport.h"
#include "ui/output/ResultsOutput.h"

using namespace testing_support;

// The sensitivity file holds the analyses there are: a model run without one is not listed,
// while the results file holds every model.
TEST(ResultsOutput, TheSensitivityFileListsOnlyAnalysedModels)
{
    const QJsonObject specification = readJsonObject(sampleModel("Illustrative-CRKP-BSI.model_spec.json"));
    const QStringList population = QVector<QString>(19 * 2, "1000").toList();
    const QStringList lifeExpectancy = QVector<QString>(19 * 2, "40").toList();
    JsonModel analysed(specification, population, lifeExpectancy);
    JsonModel plain(specification, population, lifeExpectancy);
    analysed.model->setUncertaintyAnalysis(true);
    analysed.run(200, 0.0);
    plain.run(200, 0.0);

    fn::DiseaseModelList models;
    models.push_back(std::move(plain.model));
    models.push_back(std::move(analysed.model));
    const ui::ResultsOutput output(models);
    EXPECT_EQ(QJsonDocument::fromJson(output.resultsJson()).array().size(), 2);
    const QJsonArray analyses = QJsonDocument::fromJson(output.uncertaintyJson()).array();
    ASSERT_EQ(analyses.size(), 1);
    EXPECT_TRUE(analyses.at(0).toObject().contains("convergence"));
}

#pragma once

// What every harness shares: a quiet diagnostics channel, a small memory budget and the
// run of a model as the program does it, so that a harness finds what a user could hit.

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include "fn/model/DiseaseModel.h"
#include "fn/run/RunMemoryCheck.h"
#include "fn/values/MemoryBudget.h"
#include "fn/values/random/RandomFunctions.h"
#include "ut/Diagnostics.h"

namespace fuzz {

// Inputs may declare any size; the budget keeps the harness within libFuzzer's memory limit,
// so that a refusal of what does not fit is exercised instead of the machine's memory.
constexpr std::uint64_t MemoryBudgetBytes = 8ull * 1024 * 1024;
constexpr std::uint32_t Iterations = 3;

inline void setUp()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    // Reports are part of the behaviour under test but would flood the fuzzer's output.
    ut::Diagnostics::setSink([](const QString& text) { Q_UNUSED(text) });
    fn::MemoryBudget::setLimit(MemoryBudgetBytes);
}

// Sets the model up, runs it as the controller would and builds its results document.
// Refusals (ut::Exception) are the clean outcome for bad input and end the model quietly.
inline void runModel(std::unique_ptr<fn::DiseaseModel> model)
{
    fn::DiseaseModelList models;
    models.push_back(std::move(model));
    fn::DiseaseModel& m = *models.back();
    m.setUp();
    fn::RunMemoryCheck::require(models, Iterations);
    fn::seedIfNonZero(42);
    int treeIndex = 0;
    m.run(Iterations, 0.03, treeIndex);
    const QByteArray document = QJsonDocument(QJsonObject::fromVariantMap(m.results())).toJson();
    Q_UNUSED(document)
}

} // namespace fuzz

#include "fn/model/ModelRunWorker.h"

#include "fn/model/ModelRunner.h"

namespace fn {

ModelRunWorker::ModelRunWorker(unsigned int numSamples, unsigned int randomSeed, double timeDiscountRate,
                               DiseaseModelList& models)
    : m_numSamples(numSamples)
    , m_randomSeed(randomSeed)
    , m_timeDiscountRate(timeDiscountRate)
    , m_modelCount(static_cast<int>(models.size()))
    , m_models(models)
{
}

ModelRunWorker::~ModelRunWorker() = default;

void ModelRunWorker::process()
{
    emit started();
    // The reports follow the models in list order: the model about to be (or being) run, and
    // once all are done the last one again. Models may finish out of order, but are delivered
    // in order.
    m_modelIndex = 0;
    const auto report = [this] {
        emit progressInfo(static_cast<float>(m_modelIndex) / static_cast<float>(m_modelCount), m_modelIndex,
                          m_modelCount, m_modelName);
    };
    const auto announce = [this, &report](int index) {
        const DiseaseModel& model = *m_models[static_cast<std::size_t>(index)];
        m_treeCount = model.outcomeTreeCount();
        m_modelName = model.displayName();
        m_treeIndex = 0;
        report();
    };
    if (!m_models.empty())
        announce(0);

    ModelRunner::Settings settings;
    settings.iterations = m_numSamples;
    settings.discountRate = m_timeDiscountRate;
    settings.randomSeed = m_randomSeed;
    settings.threads = m_threads;
    settings.analyzeUncertainty = m_analyzeUncertainty;
    ModelRunner runner(m_models, settings);
    runner.setResultsComputer(m_resultsComputer);
    runner.setRunControl(m_control);
    runner.setDoneHandler([&](int index) {
        m_modelIndex = index + 1;
        if (m_modelIndex < m_modelCount)
            announce(m_modelIndex);
    });
    runner.run();
    report();
    emit finished();
}

} // namespace fn

#include "fn/model/ModelRunWorker.h"

#include "fn/values/RandomFunctions.h"

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
    m_modelIndex = 0;
    for (const auto& model : m_models) {
        m_treeCount = model->outcomeTreeCount();
        m_modelName = model->displayName();
        m_treeIndex = 0;
        emit progressInfo(static_cast<float>(m_modelIndex) / static_cast<float>(m_modelCount), m_modelIndex,
                          m_modelCount, m_modelName);
        seedIfNonZero(m_randomSeed);
        model->run(m_numSamples, m_timeDiscountRate, m_treeIndex);
        ++m_modelIndex;
    }
    emit progressInfo(static_cast<float>(m_modelIndex) / static_cast<float>(m_modelCount), m_modelIndex,
                      m_modelCount, m_modelName);
    emit finished();
}

} // namespace fn

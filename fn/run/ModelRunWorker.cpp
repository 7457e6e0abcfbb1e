#include "fn/run/ModelRunWorker.h"

#include <exception>

#include "fn/run/ModelRunner.h"
#include "ut/Exception.h"

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

namespace {

// What the user is told about a failed run: the message of the exception, its place and where
// in the models it happened.
QString describe(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const ut::Exception& e) {
        QString text = e.place().isEmpty() ? e.message() : QStringLiteral("%1 (%2)").arg(e.message(), e.place());
        for (const QString& detail : e.details())
            text += QStringLiteral("; ") + detail;
        return text;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("an unknown error");
    }
}

} // namespace

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
    runner.setRecordHandler(m_recordHandler);
    runner.setDoneHandler([&](int index) {
        m_modelIndex = index + 1;
        if (m_modelIndex < m_modelCount)
            announce(m_modelIndex);
    });
    bool completed = false;
    try {
        completed = runner.run();
    } catch (...) {
        if (!m_reportFailures)
            throw;
        emit failed(describe(std::current_exception()));
        emit finished();
        return;
    }
    if (completed)
        report();
    else
        emit cancelled();
    emit finished();
}

} // namespace fn

#include "ui/run/RunSession.h"

#include <QThread>
#include <algorithm>

#include "fn/run/ModelRunWorker.h"
#include "fn/model/RunControl.h"
#include "fn/stats/QuantileEstimator.h"
#include "ui/output/StratumCounts.h"

namespace ui {

namespace {

const QString runTitle = QStringLiteral("Model run");

} // namespace

RunSession::RunSession(QObject* parent)
    : QObject(parent)
{
    connect(&m_monitor, &RunProgressMonitor::progressUpdated, this, &RunSession::iterationProgressUpdated);
}

RunSession::~RunSession()
{
    stop();
}

void RunSession::start(fn::DiseaseModelList& models, const Settings& settings, bool inThread)
{
    // Owned by the run: deleted after finished(), in the thread it lives in.
    auto* worker = new fn::ModelRunWorker(settings.numSamples, settings.randomSeed, settings.timeDiscountRate, models);
    worker->setThreadCount(settings.threads);
    worker->setUncertaintyAnalysis(settings.analyzeUncertainty);
    worker->setResultsComputer(settings.resultsComputer);
    if (settings.countStrata) {
        // On the thread that runs, the only one that touches the model until the run has ended.
        worker->setRecordHandler([&models](int index, const fn::ModelRunRecord& record) {
            fn::DiseaseModel& model = *models[std::size_t(index)];
            QJsonObject errors;
            const QJsonObject counts = StratumCounts::of(record, model.analyzesUncertainty() ? &errors : nullptr);
            model.setStratumCounts(counts.toVariantMap(), errors.toVariantMap());
        });
    }
    m_control = std::make_unique<fn::RunControl>();
    worker->setRunControl(m_control.get());
    m_ending = Ending::Completed;
    m_failure.clear();
    m_models = &models;
    if (settings.numSamples < fn::QuantileEstimator::fewestValues)
        emit message(runTitle,
                     QStringLiteral("%1 sample(s) per model: with fewer than %2 samples the 2.5 %, 50 % and 97.5 % "
                                    "quantiles are not estimated, so the results have no uncertainty intervals.")
                         .arg(settings.numSamples)
                         .arg(fn::QuantileEstimator::fewestValues),
                     QStringLiteral("warning"));

    connect(worker, &fn::ModelRunWorker::started, this, &RunSession::started);
    connect(worker, &fn::ModelRunWorker::finished, this, &RunSession::onWorkerFinished);
    connect(worker, &fn::ModelRunWorker::progressInfo, this, &RunSession::progressInfo);
    connect(worker, &fn::ModelRunWorker::finished, worker, &QObject::deleteLater);
    connect(worker, &fn::ModelRunWorker::progressInfo, this,
            [this](float, int index, int, const QString& name) { m_monitor.modelReached(index, name); });
    connect(worker, &fn::ModelRunWorker::cancelled, this, [this] { m_ending = Ending::Cancelled; });
    connect(worker, &fn::ModelRunWorker::failed, this, [this](const QString& reason) {
        m_ending = Ending::Failed;
        m_failure = reason;
    });
    setRunning(true);

    if (!inThread) {
        try {
            worker->process();
        } catch (...) {
            setRunning(false);
            throw;
        }
        return;
    }
    // Nobody could catch what the run thread throws: the run reports it instead.
    worker->setReportFailures(true);
    QVector<std::uint64_t> iterations;
    for (const auto& model : models)
        iterations << std::uint64_t(model->outcomeTreeCount()) * settings.numSamples;
    m_monitor.start(m_control.get(), iterations);
    auto* thread = new QThread;
    worker->moveToThread(thread);
    connect(thread, &QThread::started, worker, &fn::ModelRunWorker::process);
    connect(worker, &fn::ModelRunWorker::finished, thread, &QThread::quit);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_thread = thread;
    thread->start(QThread::InheritPriority);
}

void RunSession::cancel()
{
    if (m_running && m_control)
        m_control->cancel();
}

void RunSession::stop()
{
    if (!m_thread)
        return;
    cancel();
    // The worker's finished() asks the thread to quit through the event loop, which may not
    // run again (the program is ending): ask it here too, once the worker is done.
    m_thread->quit();
    m_thread->wait();
}

void RunSession::setRunning(bool running)
{
    if (m_running == running)
        return;
    m_running = running;
    emit runningChanged(running);
}

void RunSession::onWorkerFinished()
{
    m_monitor.stop();
    // The thread only quits and cleans up from here on: the models are free again.
    setRunning(false);
    switch (m_ending) {
    case Ending::Completed:
        emit finished();
        break;
    case Ending::Cancelled: {
        const auto computed = std::count_if(m_models->begin(), m_models->end(),
                                            [](const auto& model) { return model->isComputed(); });
        emit message(runTitle,
                     QStringLiteral("The run was cancelled: %1 of %2 model(s) computed. The others have no results; "
                                    "run the models again for results of all of them.")
                         .arg(computed)
                         .arg(m_models->size()),
                     QStringLiteral("warning"));
        emit cancelled();
        break;
    }
    case Ending::Failed:
        emit message(runTitle,
                     QStringLiteral("The run failed: %1.<br />Models not computed have no results.")
                         .arg(m_failure.toHtmlEscaped()),
                     QStringLiteral("error"));
        emit failed(m_failure);
        break;
    }
}

} // namespace ui

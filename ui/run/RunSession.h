#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "fn/model/DiseaseModel.h"
#include "ui/run/RunProgressMonitor.h"

class QThread;

namespace fn {
class ResultsComputer;
class RunControl;
} // namespace fn

namespace ui {

// One run of the models at a time: the worker, the thread it runs in, the control that
// cancels it and the monitor that follows it. A run ends in exactly one of finished(),
// cancelled() or failed(); runningChanged(false) comes just before.
class RunSession : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        unsigned int numSamples = 0;
        unsigned int randomSeed = 0;
        double timeDiscountRate = 0.0;
        int threads = 0;
        // Each model is added to it as soon as it has run; null for none.
        fn::ResultsComputer* resultsComputer = nullptr;
        // Standard errors, convergence and sensitivity of every model.
        bool analyzeUncertainty = false;
        // Cases and deaths of every model by age group and sex, kept with its results for the
        // results table (DiseaseModel::stratumCounts).
        bool countStrata = false;
    };

    explicit RunSession(QObject* parent = nullptr);
    // Cancels a threaded run and waits for its end: the run works on models others own.
    ~RunSession() override;

    // Runs models in a new thread and returns at once, or in the calling thread and returns
    // when the run is over; then a failure of a model is thrown to the caller.
    void start(fn::DiseaseModelList& models, const Settings& settings, bool inThread);
    // The run stops between two iterations; its models not done stay not computed.
    void cancel();
    // Cancels a threaded run and waits until its thread has ended.
    void stop();
    bool isRunning() const { return m_running; }

signals:
    void started();
    // The worker's reports, unchanged: models done of all, and the model being run.
    void progressInfo(float fraction, int index, int count, QString name);
    void iterationProgressUpdated(QVariantMap progress);
    void runningChanged(bool running);
    void finished();
    void cancelled();
    void failed(QString reason);
    // What the user is told about the run: few samples, a cancelled or a failed run.
    void message(QString title, QString text, QString type);

private slots:
    void onWorkerFinished();

private:
    enum class Ending { Completed, Cancelled, Failed };

    void setRunning(bool running);

    fn::DiseaseModelList* m_models = nullptr;
    bool m_running = false;
    Ending m_ending = Ending::Completed;
    QString m_failure;
    std::unique_ptr<fn::RunControl> m_control;
    QPointer<QThread> m_thread;
    RunProgressMonitor m_monitor;
};

} // namespace ui

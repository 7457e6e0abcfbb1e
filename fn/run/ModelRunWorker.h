#pragma once

#include <QObject>
#include <QString>

#include "fn/model/DiseaseModel.h"
#include "fn/run/ModelRunner.h"

namespace fn {

class ResultsComputer;
class RunControl;

// Runs every model of the list, each from the engine state of the random seed (unless it is
// 0), on as many threads as asked, and reports progress in list order. Lives in the run
// thread for a threaded run.
class ModelRunWorker : public QObject
{
    Q_OBJECT

public:
    ModelRunWorker(unsigned int numSamples, unsigned int randomSeed, double timeDiscountRate, DiseaseModelList& models);
    ~ModelRunWorker() override;

    // 0 (the default): as many threads as the machine has cores.
    void setThreadCount(int threads) { m_threads = threads; }
    // Each model is added to computer, in list order, as soon as it has run.
    void setResultsComputer(ResultsComputer* computer) { m_resultsComputer = computer; }
    // A run with a control stops between two iterations once it is cancelled.
    void setRunControl(RunControl* control) { m_control = control; }
    // Whether every model also gets its uncertainty analysis (DiseaseModel::uncertaintyResults).
    void setUncertaintyAnalysis(bool analyze) { m_analyzeUncertainty = analyze; }
    // A threaded run has nobody to throw to: with report set, a failing run emits failed()
    // and finished() instead of throwing out of process().
    void setReportFailures(bool report) { m_reportFailures = report; }
    // Reads each model's run record before it is released (see ModelRunner::RecordHandler).
    void setRecordHandler(ModelRunner::RecordHandler handler) { m_recordHandler = std::move(handler); }

signals:
    void started();
    void progressInfo(float fraction, int index, int count, QString name);
    // Emitted instead of the final progress report, just before finished(), when the run was
    // cancelled: the models not done then stay not computed.
    void cancelled();
    // Emitted just before finished() when a model failed and failures are reported.
    void failed(QString reason);
    void finished();

public slots:
    void process();

private:
    unsigned int m_numSamples;
    unsigned int m_randomSeed;
    double m_timeDiscountRate;
    int m_treeCount = 0;
    int m_treeIndex = 0;
    int m_modelCount;
    int m_modelIndex = 0;
    QString m_modelName;
    DiseaseModelList& m_models;
    int m_threads = 0;
    ResultsComputer* m_resultsComputer = nullptr;
    RunControl* m_control = nullptr;
    bool m_analyzeUncertainty = false;
    bool m_reportFailures = false;
    ModelRunner::RecordHandler m_recordHandler;
};

} // namespace fn

#pragma once

#include <QFileInfo>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QVariantList>
#include <QVariantMap>
#include <vector>

#include "fn/InputType.h"
#include "fn/data/DiseaseReportMgr.h"
#include "fn/data/InputDataMgr.h"
#include "fn/data/JSONInputDataMgr.h"
#include "fn/data/Settings.h"
#include "fn/model/DiseaseModel.h"
#include "fn/model/OutcomeTree.h"
#include "fn/model/ResultsComputer.h"
#include "ui/ModelFactory.h"
#include "ui/ModelRegistry.h"
#include "ui/ParameterEditor.h"
#include "ui/PopulationCheck.h"
#include "ui/PresenterMgr.h"
#include "ui/ResultsFreshness.h"
#include "ui/run/RunSession.h"

namespace ui {

// The program's controller: owns the reference data, the model specifications, the run
// settings and every model, and answers the requests of the page and the command line.
// It knows no widgets; it talks to the shell only through its signals.
class Chief : public QObject
{
    Q_OBJECT

public:
    // The process's one controller, created on first use.
    static Chief* instance();

    Chief();
    ~Chief() override;

    void setBasePath(const QString& path);
    const QString& basePath() const { return m_basePath; }
    void setWebGUI(QObject* webGUI) { m_webGUI = webGUI; }
    QObject* webGUI() const { return m_webGUI; }

    fn::DiseaseModel* getModel(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                               const QString& modelId) const;
    fn::DiseaseModel* createModel(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                                  const QString& modelId);
    QString makeModelId(const QString& requested);
    void reinitialize();

    // The results document of all models, indented JSON in UTF-8.
    QByteArray buildResultsJson() const;
    // One model's part of it: its results with its display name.
    static QJsonObject resultsDocument(const fn::DiseaseModel& model);
    // A model's uncertainty analysis with its display name (empty when it has none).
    static QJsonObject uncertaintyDocument(const fn::DiseaseModel& model);
    // Every model's uncertainty analysis, indented JSON in UTF-8.
    QByteArray buildUncertaintyJson() const;
    // Where the uncertainty analysis of a results file goes: "results.sensitivity.json" beside
    // "results.json"; empty when the results do not go to a regular file.
    static QString uncertaintyPath(const QString& resultsPath);
    // The diseases the page offers: reference data first, then specifications.
    QVariantList availableDiseases() const;
    const PopulationCheck& populationCheck() const { return m_populationCheck; }
    // The outcome trees of a reference-data model for the page's diagram; empty for any
    // other model, whose page draws from the model specification itself.
    QVariantMap outcomeTreeDiagram(const QString& countryId, const QString& diseaseId, const QString& modelId) const;

    const fn::DiseaseModelList& models() const { return m_models; }
    fn::DiseaseModelList& models() { return m_models; }
    fn::InputDataMgr& inputDataMgr() { return m_inputDataMgr; }
    fn::JSONInputDataMgr& jsonDataMgr() { return m_jsonDataMgr; }
    fn::Settings& settings() { return m_settings; }
    PresenterMgr& presenterMgr() { return m_presenterMgr; }
    const fn::DiseaseReportMgr& diseaseReportMgr() const { return m_diseaseReportMgr; }
    int numSamples() const { return m_numSamples; }
    double timeDiscountRate() const { return m_timeDiscountRate; }
    // From runModels until the run's last signal: models must not change meanwhile.
    bool isRunning() const { return m_run.isRunning(); }
    // Whether a model holds results of its current parameters (computed, and not edited since).
    bool hasCurrentResults(const fn::DiseaseModel& model) const { return m_freshness.isCurrent(model); }
    // Waits until a threaded run has ended, cancelling it first (for the program's end).
    void stopRun();
    // Whether a run aggregates its models (the totals over all models the page shows). A
    // command-line run writes only the models' own results and switches it off.
    void setAggregationEnabled(bool enabled) { m_aggregationEnabled = enabled; }
    bool isAggregationEnabled() const { return m_aggregationEnabled; }
    // Whether a run keeps every model's cases and deaths by age group and sex for the results
    // table (on unless switched off; a command-line run needs them only for a table).
    void setStratumCountsEnabled(bool enabled) { m_stratumCountsEnabled = enabled; }
    // The totals over all models of the last run, when they are those of the models' results:
    // the run was complete, aggregated, and no model has changed since. Empty otherwise.
    QVariantMap currentAggregatedResults() const;
    // Whether any model holds results (none while a run is in progress).
    bool hasResults() const;
    // Whether runs also estimate standard errors, convergence and sensitivity (from the run
    // settings until set otherwise).
    bool isUncertaintyAnalysisEnabled() const { return m_uncertaintyAnalysis; }

public slots:
    void importReferenceData();
    void importReferenceDataFromJSON();
    void pageOpened(int tabIndex, QString pageName);
    void changeCountrySelection(QStringList countryIDStrs);
    void changeDiseaseSelection(QStringList diseaseIDStrs);
    void createModels();
    void deleteModels();
    void selectModel(QString countryId, QString diseaseId, QString modelId);
    void showOutcomeTreeElementDetails(QString outcomeTreeId, QString elementType, QString elementId, QString countryId,
                                       QString diseaseId, QString modelId);
    void applyChangesToModelParams(QVariantMap modelInfo, int estimType, QVariantMap underestimationData,
                                   QVariantMap underreportingData, QVariantMap underascertainmentData,
                                   QVariantMap caseBeforeCorrData, QVariantMap lifeExpData, QVariantMap ageDistrData);
    void applyChangesToYLDParams(QVariantMap modelInfo, QVariantMap severityData, QVariantMap durationData,
                                 QVariantMap proportionData);
    void applyChangesToYLLParams(QVariantMap modelInfo, QVariantMap proportionData);
    void applyChangesToTransParams(QVariantMap modelInfo, QVariantMap probabilityData, QVariantMap redistributionData);
    void updateDataExportImportStatus(fn::FileOperationType operationType, const QString& dataType,
                                      const QString& text1, const QString& text2);
    void setNumSamples(int numSamples);
    void setTimeDiscountRate(double timeDiscountRate);
    void setUncertaintyAnalysis(bool enabled);
    void runModels(bool runInThread);
    void showDetailedResults(QString countryId, QString diseaseId, QString modelId);
    void saveModelsToExcel(QFileInfo fileInfo);
    void loadModelsFromExcel(QFileInfo fileInfo);
    void loadModelsFromJSON(QFileInfoList fileInfos, QString country);
    // False when the file could not be written (said on the diagnostics channel).
    bool saveDetailedResultsToJSON(QFileInfo file);
    void saveDetailedResultsToClipboard();
    // Stops a threaded run between two iterations; its models not done stay not computed.
    void cancelRun();
    // After the options dialog: takes only the stored values that differ from those given (the
    // stored values before the dialog), so that pressing OK without a change keeps what the Run
    // tab holds.
    void applyChangedRunSettings(int previousSamples, double previousRate, bool previousAnalysis);
    // Tells the user through showMessage: for what the shell finds out, such as an element
    // that has nothing to show in a pop-up.
    void reportNotice(const QString& title, const QString& text, const QString& type);

signals:
    void programReinitialized();
    void modelsCreated(QVariantList models);
    void modelSelected(QVariantMap info, QVariantMap corrections, QVariantMap caseBeforeCorr, QVariantMap lifeExp,
                       QVariantMap ageDistr, QString diseaseReport);
    void formulaCheckResultsAvailable(QVariantMap results);
    void formulaCheckResultsAvailableForYLDPage(QVariantMap results);
    void formulaCheckResultsAvailableForYLLPage(QVariantMap results);
    void formulaCheckResultsAvailableForTransPage(QVariantMap results);
    void runStarted();
    void runFinished(QVariantList runList);
    void detailedResultsAvailable(QVariantMap results);
    void aggregatedResultsAvailable(QVariantMap results);
    void runProgressUpdated(float fraction, int index, int count, QString name);
    void showMessage(QString title, QString text, QString type);
    void showMessageInYLDPage(QString title, QString text, QString type);
    void showMessageInYLLPage(QString title, QString text, QString type);
    void showMessageInTransPage(QString title, QString text, QString type);
    void createUpdatableMessage(QString title, QString text);
    void updateMessage(QString title, QString text);
    void destroyUpdatableMessage();
    // What the user is told beyond the messages above: warnings and reports about the models,
    // the data and the runs, (title, text, type) as for showMessage.
    void notice(QString title, QString text, QString type);
    // The shell opens the detail pop-up of the element (the controller knows no widgets) and
    // registers it with presenterMgr(); withResults is false while results cannot be shown.
    void elementDetailsRequested(fn::DiseaseModel* model, QString outcomeTreeId, QString elementType, QString elementId,
                                 bool withResults);
    // True from the start of a run until its end, whichever way it ends.
    void runningChanged(bool running);
    // A run stopped by cancelRun: no results are announced.
    void runCancelled();
    // A threaded run that failed, with the reason; no results are announced.
    void runFailed(QString reason);
    // Progress within the models, several times a second (see RunProgressMonitor).
    void runIterationProgressUpdated(QVariantMap progress);
    // What ModelWarnings::cells() gives for each model, whenever models are created or loaded and
    // whenever a parameter edit was applied (also when it left no warning).
    void parameterWarningsChanged(QVariantList models);
    // The models (their info maps) whose results no longer match their parameters.
    void resultsOutdated(QVariantList models);
    // Why formulas of an edit were refused, cell by cell (small HTML), for the page that sent
    // it: "model" (the main page), "yld", "yll" or "trans" (the pop-ups).
    void formulaErrorsExplained(QString page, QString title, QString text);
    // The sample count and discount rate of the next run changed outside the page.
    void runSettingsChanged(int numSamples, double timeDiscountRate);
    // Whether the next run analyses its uncertainty changed (from the page or the options).
    void uncertaintyAnalysisChanged(bool enabled);
    // A reference data import has ended: the diseases and the countries with population data
    // may differ from what was announced when the models were dropped before it.
    void referenceDataChanged();

private slots:
    void onRunStarted();
    void onRunFinished();
    void onRunningChanged(bool running);

private:
    bool runFitsInMemory(bool runInThread);
    // Tells the user why a workbook could not be read or written, in the page (the command line
    // repeats page messages on standard error).
    void reportWorkbookProblem(const QString& title, const QString& text);
    using MessageSignal = void (Chief::*)(QString, QString, QString);
    // Refuses a request that would change models while a run uses them: tells the user
    // through messageSignal under title, and returns true.
    bool refuseWhileRunning(const QString& title, MessageSignal messageSignal = &Chief::showMessage);
    fn::DiseaseModel* modelOf(const QVariantMap& modelInfo) const;
    void reportEdit(const ParameterEditor::Outcome& outcome, const QString& title, MessageSignal messageSignal,
                    const QString& page);
    // Remembers that the model's results predate its parameters, and tells the page once.
    void markResultsOutdated(fn::DiseaseModel& model, bool wasComputed);
    // Warns (a notice) of random functions given impossible arguments and of values outside
    // their domain in the models' formulas, and gives the page each model's cells.
    void warnOfImpossibleArguments(const QList<const fn::DiseaseModel*>& models, const QString& title);
    // Tells (a warning) which models' statistics came out not finite, and why where a formula says.
    void reportNonFiniteResults();

    fn::DiseaseModelList m_models;
    // The lookup by key and the model ids, over m_models.
    ModelRegistry m_registry;
    fn::InputDataMgr m_inputDataMgr;
    fn::JSONInputDataMgr m_jsonDataMgr;
    ModelFactory m_factory;
    QString m_basePath;
    QStringList m_selectedCountries;
    QStringList m_selectedDiseases;
    QObject* m_webGUI = nullptr;
    int m_numSamples = 1000;
    int m_randomSeed = 0;
    double m_timeDiscountRate = 0.0;
    PresenterMgr m_presenterMgr;
    // The models that held results when the current run started.
    QSet<const fn::DiseaseModel*> m_computedBeforeRun;
    fn::DiseaseReportMgr m_diseaseReportMgr;
    fn::ResultsComputer m_resultsComputer;
    fn::Settings m_settings;
    PopulationCheck m_populationCheck;
    bool m_aggregationEnabled = true;
    bool m_stratumCountsEnabled = true;
    // Whether the results computer holds the totals of the last run, which completed.
    bool m_totalsOfLastRun = false;
    bool m_uncertaintyAnalysis = false;
    ResultsFreshness m_freshness;
    // Last: destroyed first, it waits for a run thread that still works on the models.
    RunSession m_run;
};

} // namespace ui

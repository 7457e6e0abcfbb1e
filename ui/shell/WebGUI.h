#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include "fn/InputType.h"
#include "fn/model/OutcomeTree.h"
#include "fn/model/elements/OutcomeTreeNode.h"
#include "ui/shell/PdfPageExport.h"

class QPrinter;
class QWebChannel;
class QWebEnginePage;

namespace fn {
class DiseaseModel;
}

namespace ui {

class Chief;

// The bridge between the web pages and the controller, published to every page as
// "webGUI". Page requests become signals wired to the controller's slots; the
// controller's signals come back under the same names for the page to render.
class WebGUI : public QObject
{
    Q_OBJECT

public:
    WebGUI();
    ~WebGUI() override;

    // Publishes the bridge on the page through a channel the bridge keeps.
    void setPage(QWebEnginePage* page);
    void setChief(Chief* chief);

    QWebEnginePage* page() const;
    Chief* chief() const;

    // Makes the identifier aliases and enumerations of the signals known to queued connections.
    static void registerMetaTypes();

signals:
    void pageOpenNotified(int tabIndex, QString pageName);
    void countrySelectionChangeRequested(QStringList countryIDs);
    void diseaseSelectionChangeRequested(QStringList diseaseIDs);
    void createModelsRequested();
    void deleteModelsRequested();
    void modelSelectionRequested(QString countryID, QString diseaseID, QString modelID);
    void showingOutcomeTreeElementDetailsRequested(fn::OutcomeTree::ID outcomeTreeId, QString elementType,
                                                   fn::OutcomeTreeNode::ID elementId, fn::InputType::Country countryId,
                                                   fn::InputType::Disease diseaseId, QString modelId);
    void applyingChangesToModelParamsRequested(QVariantMap modelInfo, int estimType, QVariantMap underestimationData,
                                               QVariantMap underreportingData, QVariantMap underascertainmentData,
                                               QVariantMap caseBeforeCorrData, QVariantMap lifeExpData,
                                               QVariantMap ageDistrData);
    void applyingChangesToYLDParamsRequested(QVariantMap modelInfo, QVariantMap severityData, QVariantMap durationData,
                                             QVariantMap proportionData);
    void applyingChangesToYLLParamsRequested(QVariantMap modelInfo, QVariantMap proportionData);
    void applyingChangesToTransParamsRequested(QVariantMap modelInfo, QVariantMap probabilityData,
                                               QVariantMap redistributionData);
    void settingNumSamplesRequested(int numSamples);
    void settingTimeDiscountRateRequested(double timeDiscountRate);
    void runningModelsRequested();
    void showingDetailedResultsRequested(fn::InputType::Country countryId, fn::InputType::Disease diseaseId,
                                         QString modelId);
    void programReinitialized();
    void showMessage(QString title, QString text, QString type);
    void showMessageInYLDPage(QString title, QString text, QString type);
    void showMessageInYLLPage(QString title, QString text, QString type);
    void showMessageInTransPage(QString title, QString text, QString type);
    void modelsCreated(QVariantList models);
    void modelSelected(QVariantMap info, QVariantMap corrections, QVariantMap caseBeforeCorr, QVariantMap lifeExp,
                       QVariantMap ageDistr, QString diseaseReport);
    void detailedResultsAvailable(QVariantMap results);
    void aggregatedResultsAvailable(QVariantMap results);
    void formulaCheckResultsAvailable(QVariantMap results);
    void formulaCheckResultsAvailableForYLDPage(QVariantMap results);
    void formulaCheckResultsAvailableForYLLPage(QVariantMap results);
    void formulaCheckResultsAvailableForTransPage(QVariantMap results);
    void createUpdatableMessage(QString title, QString text);
    void updateMessage(QString title, QString text);
    void destroyUpdatableMessage();
    void runStarted();
    void runFinished(QVariantList runList);
    void runProgressUpdated(float fraction, int index, int count, QString name);
    // Requests and forwarded signals beyond the ones above.
    void cancellingRunRequested();
    void notice(QString title, QString text, QString type);
    void runningChanged(bool running);
    void runCancelled();
    void runFailed(QString reason);
    void runIterationProgressUpdated(QVariantMap progress);
    void resultsOutdated(QVariantList models);
    void runSettingsChanged(int numSamples, double timeDiscountRate);
    void referenceDataChanged();
    void formulaErrorsExplained(QString page, QString title, QString text);
    // The page was printed to path, or not (messages say why).
    void pdfExportFinished(QString path, bool success);
    void settingUncertaintyAnalysisRequested(bool enabled);
    void uncertaintyAnalysisChanged(bool enabled);
    // Per model, the cells of its parameters whose values lie outside their domain (see
    // Chief::parameterWarnings), after models were created or loaded and after an edit.
    void parameterWarningsChanged(QVariantList models);

public:
    Q_INVOKABLE void dataRequested();
    Q_INVOKABLE void webLinkClicked(QString webLink);
    Q_INVOKABLE void pageOpened(int tabIndex, QString pageName);
    Q_INVOKABLE QVariantList getAvailableDiseases() const;
    // "id", "name" and "hasPopulationData" of every country the page offers.
    Q_INVOKABLE QVariantList getAvailableCountries() const;
    Q_INVOKABLE bool isRunning() const;
    Q_INVOKABLE void cancelRun();
    Q_INVOKABLE QVariantMap getOutcomeTreeDiagram(QString countryID, QString diseaseID, QString modelID) const;
    Q_INVOKABLE void setSelectedCountries(QStringList countryIDs);
    Q_INVOKABLE void setSelectedDiseases(QStringList diseaseIDs);
    Q_INVOKABLE void createModels();
    Q_INVOKABLE void deleteModels();
    Q_INVOKABLE void selectModel(QString countryID, QString diseaseID, QString modelID);
    Q_INVOKABLE void showDetailedResults(QString countryIdStr, QString diseaseIdStr, QString modelId);
    Q_INVOKABLE void showOutcomeTreeElementDetails(QString outcomeTreeIdStr, QString elementType, QString elementId,
                                                   QString countryIdStr, QString diseaseIdStr, QString modelId);
    Q_INVOKABLE void applyChangesToModelParams(QVariantMap modelInfo, int estimType, QVariantMap underestimationData,
                                               QVariantMap underreportingData, QVariantMap underascertainmentData,
                                               QVariantMap caseBeforeCorrData, QVariantMap lifeExpData,
                                               QVariantMap ageDistrData);
    Q_INVOKABLE void applyChangesToYLDParams(QVariantMap modelInfo, QVariantMap severityData, QVariantMap durationData,
                                             QVariantMap proportionData);
    Q_INVOKABLE void applyChangesToYLLParams(QVariantMap modelInfo, QVariantMap proportionData);
    Q_INVOKABLE void applyChangesToTransParams(QVariantMap modelInfo, QVariantMap probabilityData,
                                               QVariantMap redistributionData);
    Q_INVOKABLE int getNumSamples() const;
    // The fewest samples of a run whose quantiles are estimated (with fewer they are raw draws).
    Q_INVOKABLE int getFewestSamplesForQuantiles() const;
    Q_INVOKABLE double getTimeDiscountRate() const;
    Q_INVOKABLE void setNumSamples(int numSamples);
    Q_INVOKABLE void setTimeDiscountRate(double timeDiscountRate);
    // Whether the next run also estimates standard errors, convergence and sensitivity.
    Q_INVOKABLE bool isUncertaintyAnalysisEnabled() const;
    Q_INVOKABLE void setUncertaintyAnalysis(bool enabled);
    // The model's standard errors, convergence and sensitivity of its last run: empty for a
    // run without the analysis, an unknown model, and while a run is writing them.
    Q_INVOKABLE QVariantMap getUncertaintyResults(QString countryID, QString diseaseID, QString modelID) const;
    // The model's cells whose values lie outside their domain (Chief::parameterWarnings); empty
    // for an unknown model.
    Q_INVOKABLE QVariantMap getParameterWarnings(QString countryID, QString diseaseID, QString modelID) const;
    Q_INVOKABLE void runModels();
    Q_INVOKABLE void copyTextToClipboard(QString text);
    Q_INVOKABLE QVariantMap pasteFromClipboardToGrid(QStringList rowNames, QStringList colNames, QString distrType);
    Q_INVOKABLE void copyPngImageToClipboard(QString base64Str);
    Q_INVOKABLE void savePngImageToFile(QString base64Str);
    Q_INVOKABLE void printPage();
    Q_INVOKABLE void exportPageToPdf();

private slots:
    void showPrintPreview(QPrinter* printer);
    void openElementDetails(fn::DiseaseModel* model, const QString& outcomeTreeId, const QString& elementType,
                            const QString& elementId, bool withResults);

private:
    QWidget* dialogParent() const;
    void onPdfExportFinished(const QString& path, bool success, const QString& text);

    QPointer<Chief> m_chief;
    QPointer<QWebEnginePage> m_page;
    QWebChannel* m_channel = nullptr;
    PdfPageExport m_pdfExport;
};

} // namespace ui

#include "ui/Chief.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QThread>
#include <algorithm>

#include "fn/run/ModelRunner.h"
#include "fn/run/RunMemoryCheck.h"
#include "ui/workbook/ModelWorkbook.h"
#include "ui/workbook/ModelWorkbookImport.h"
#include "ui/ModelWarnings.h"
#include "ui/ParameterExchange.h"
#include "ui/output/ResultsOutput.h"
#include "ut/Exception.h"
#include "ut/workbook/Excel.h"

namespace ui {

namespace {

Chief* s_instance = nullptr;

} // namespace

Chief* Chief::instance()
{
    if (!s_instance) {
        s_instance = new Chief;
        qAddPostRoutine([] {
            delete s_instance;
            s_instance = nullptr;
        });
    }
    return s_instance;
}

Chief::Chief()
    : m_registry(m_models)
    , m_factory(m_inputDataMgr, m_jsonDataMgr)
    , m_resultsComputer(m_models)
    , m_populationCheck(m_inputDataMgr)
{
    reinitialize();
    connect(&m_inputDataMgr, &fn::InputDataMgr::excelSheetImporting, this, &Chief::updateDataExportImportStatus);
    connect(&m_inputDataMgr, &fn::InputDataMgr::showMessage, this, &Chief::showMessage);
    connect(&m_run, &RunSession::started, this, &Chief::onRunStarted);
    connect(&m_run, &RunSession::finished, this, &Chief::onRunFinished);
    connect(&m_run, &RunSession::progressInfo, this, &Chief::runProgressUpdated);
    connect(&m_run, &RunSession::cancelled, this, &Chief::runCancelled);
    connect(&m_run, &RunSession::failed, this, &Chief::runFailed);
    connect(&m_run, &RunSession::message, this, &Chief::notice);
    connect(&m_run, &RunSession::runningChanged, this, &Chief::onRunningChanged);
    connect(&m_run, &RunSession::iterationProgressUpdated, this, &Chief::runIterationProgressUpdated);
}

Chief::~Chief()
{
    // The run thread works on the models this object owns.
    stopRun();
}

void Chief::setBasePath(const QString& path)
{
    m_basePath = path;
    m_inputDataMgr.setPath(path);
    m_jsonDataMgr.setDirPath(path);
    m_diseaseReportMgr.setBasePath(path);
}

void Chief::reinitialize()
{
    m_numSamples = m_settings.defaultNumberOfSamples();
    m_uncertaintyAnalysis = m_settings.sensitivityAnalysis();
    m_randomSeed = m_settings.randomSeed();
    m_timeDiscountRate = m_settings.timeDiscountRate();
    m_registry.clear();
    m_freshness.clear();
    m_totalsOfLastRun = false;
    m_presenterMgr.closeAll();
    emit programReinitialized();
}

QString Chief::makeModelId(const QString& requested)
{
    return m_registry.makeModelId(requested);
}

fn::DiseaseModel* Chief::getModel(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                                  const QString& modelId) const
{
    return m_registry.find(country, disease, modelId);
}

fn::DiseaseModel* Chief::createModel(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                                     const QString& modelId)
{
    std::unique_ptr<fn::DiseaseModel> made = m_factory.make(country, disease, modelId);
    if (!made)
        return nullptr;
    fn::DiseaseModel* model = m_registry.append(std::move(made));
    m_registry.enter(country, disease, modelId, model);
    return model;
}

void Chief::importReferenceData()
{
    const QString title = QStringLiteral("Reference data import");
    if (refuseWhileRunning(title))
        return;
    const std::size_t deleted = m_models.size();
    reinitialize();
    m_inputDataMgr.importFromWorkbooks();
    emit notice(title,
                QStringLiteral("The reference data now hold %1 disease(s) and the population data of %2 "
                               "countries.<br />%3 model(s) deleted.")
                    .arg(m_inputDataMgr.diseaseIds().size())
                    .arg(m_populationCheck.countriesWithPopulationData())
                    .arg(deleted),
                QStringLiteral("info"));
    emit referenceDataChanged();
}

void Chief::importReferenceDataFromJSON()
{
    const QString title = QStringLiteral("JSON model specifications");
    if (refuseWhileRunning(title))
        return;
    const std::size_t deleted = m_models.size();
    reinitialize();
    m_jsonDataMgr.setDirPath(m_basePath);
    const QString folder = QDir::toNativeSeparators(QDir(m_basePath).filePath(QStringLiteral("models")));
    const QStringList names = m_jsonDataMgr.getDiseaseNames();
    const QString deletedText = QStringLiteral("<br />%1 model(s) deleted.").arg(deleted);
    if (names.isEmpty())
        emit notice(title, QStringLiteral("No model specifications found in %1.").arg(folder) + deletedText,
                    QStringLiteral("warning"));
    else
        emit notice(title,
                    QStringLiteral("%1 model specification(s) read from %2:<br /><ul><li>%3</li></ul>")
                            .arg(names.size())
                            .arg(folder, names.join(QStringLiteral("</li><li>")))
                        + deletedText,
                    QStringLiteral("info"));
    emit referenceDataChanged();
}

void Chief::pageOpened(int tabIndex, QString pageName)
{
    // No usage analytics are collected; the page name is only checked.
    Q_UNUSED(tabIndex)
    Q_UNUSED(pageName)
}

void Chief::changeCountrySelection(QStringList countryIDStrs)
{
    m_selectedCountries = countryIDStrs;
}

void Chief::changeDiseaseSelection(QStringList diseaseIDStrs)
{
    m_selectedDiseases = diseaseIDStrs;
}

void Chief::createModels()
{
    if (refuseWhileRunning(QStringLiteral("Model creation")))
        return;
    QVariantList created;
    QList<const fn::DiseaseModel*> models;
    for (const QString& country : qAsConst(m_selectedCountries)) {
        for (const QString& disease : qAsConst(m_selectedDiseases)) {
            const QString id = makeModelId(QString());
            if (const fn::DiseaseModel* model = createModel(country, disease, id)) {
                created << model->info();
                models << model;
            }
        }
    }
    if (created.isEmpty())
        emit showMessage(QStringLiteral("Model creation"),
                         QStringLiteral("Data is missing for the selected combination of country and disease."),
                         QStringLiteral("error"));
    else
        emit showMessage(QStringLiteral("Model creation"),
                         QStringLiteral("%1 new model(s) created.<br />Total number of models defined: %2.")
                             .arg(created.size())
                             .arg(m_models.size()),
                         QStringLiteral("info"));
    const QString populationWarning = m_populationCheck.warningFor(created);
    if (!populationWarning.isEmpty())
        emit notice(QStringLiteral("Model creation"), populationWarning, QStringLiteral("warning"));
    warnOfImpossibleArguments(models, QStringLiteral("Model creation"));
    emit modelsCreated(created);
}

void Chief::deleteModels()
{
    if (refuseWhileRunning(QStringLiteral("Model deletion")))
        return;
    reinitialize();
    emit showMessage(QStringLiteral("Model deletion"), QStringLiteral("All models have been deleted."),
                     QStringLiteral("info"));
}

void Chief::selectModel(QString countryId, QString diseaseId, QString modelId)
{
    fn::DiseaseModel* model = getModel(countryId, diseaseId, modelId);
    if (!model)
        return;
    const QVariantMap corrections{
        {QStringLiteral("underestimation"), dataArrayToMap(model->getParameter(fn::DiseaseModel::Underestimation))},
        {QStringLiteral("underreporting"), dataArrayToMap(model->getParameter(fn::DiseaseModel::Underreporting))},
        {QStringLiteral("underascertainment"),
         dataArrayToMap(model->getParameter(fn::DiseaseModel::Underascertainment))},
        {QStringLiteral("estimType"), static_cast<int>(model->getUnderestimationType())},
    };
    emit modelSelected(model->info(), corrections, dataArrayToMap(model->getParameter(fn::DiseaseModel::NotifiedCases)),
                       dataArrayToMap(model->getParameter(fn::DiseaseModel::LifeExpectancy)),
                       dataArrayToMap(model->getParameter(fn::DiseaseModel::AgeDistribution)),
                       m_diseaseReportMgr.getReport(diseaseId));
}

void Chief::showOutcomeTreeElementDetails(QString outcomeTreeId, QString elementType, QString elementId,
                                          QString countryId, QString diseaseId, QString modelId)
{
    fn::DiseaseModel* model = getModel(countryId, diseaseId, modelId);
    if (!model || elementId.isEmpty())
        return;
    if (QObject* open = m_presenterMgr.presenter(modelId, outcomeTreeId, elementId)) {
        // The notice alone would sit under the window it talks about.
        PresenterMgr::raise(open);
        emit showMessage(QStringLiteral("Outcome tree"),
                         QStringLiteral("Pop-up window for this element is already displayed"), QStringLiteral("info"));
        return;
    }
    // During a run the results are being rewritten by the run thread: parameters only.
    emit elementDetailsRequested(model, outcomeTreeId, elementType, elementId,
                                 hasCurrentResults(*model) && !isRunning());
}

void Chief::reportNotice(const QString& title, const QString& text, const QString& type)
{
    emit showMessage(title, text, type);
}

fn::DiseaseModel* Chief::modelOf(const QVariantMap& modelInfo) const
{
    return getModel(modelInfo.value(QStringLiteral("countryID")).toString(),
                    modelInfo.value(QStringLiteral("diseaseID")).toString(),
                    modelInfo.value(QStringLiteral("modelID")).toString());
}

void Chief::reportEdit(const ParameterEditor::Outcome& outcome, const QString& title, MessageSignal messageSignal,
                       const QString& page)
{
    if (!outcome.refused.isEmpty()) {
        emit(this->*messageSignal)(
            title, ParameterEditor::listText(QStringLiteral("Changes have NOT been applied to:"), outcome.refused),
            QStringLiteral("error"));
        emit formulaErrorsExplained(page, title, ParameterEditor::reasonsText(outcome));
    }
    if (!outcome.applied.isEmpty())
        emit(this->*messageSignal)(
            title, ParameterEditor::listText(QStringLiteral("Changes have been applied to:"), outcome.applied),
            QStringLiteral("info"));
}

void Chief::markResultsOutdated(fn::DiseaseModel& model, bool wasComputed)
{
    if (m_freshness.markEdited(model, wasComputed))
        emit resultsOutdated({model.info()});
    warnOfImpossibleArguments({&model}, QStringLiteral("Model parameters"));
}

void Chief::warnOfImpossibleArguments(const QList<const fn::DiseaseModel*>& models, const QString& title)
{
    QVariantList cells;
    for (const fn::DiseaseModel* model : models)
        cells << ModelWarnings::cells(*model);
    emit parameterWarningsChanged(cells);
    for (const QString& text : ModelWarnings::formulaNotices(models))
        emit notice(title, text, QStringLiteral("warning"));
}

void Chief::reportNonFiniteResults()
{
    QList<const fn::DiseaseModel*> models;
    for (const auto& model : m_models)
        models << model.get();
    const QString text = ModelWarnings::nonFiniteNotice(models);
    if (!text.isEmpty())
        emit showMessage(QStringLiteral("Run"), text, QStringLiteral("warning"));
}

void Chief::applyChangesToModelParams(QVariantMap modelInfo, int estimType, QVariantMap underestimationData,
                                      QVariantMap underreportingData, QVariantMap underascertainmentData,
                                      QVariantMap caseBeforeCorrData, QVariantMap lifeExpData, QVariantMap ageDistrData)
{
    const QString title = QStringLiteral("Model parameters");
    fn::DiseaseModel* model = modelOf(modelInfo);
    if (!model || refuseWhileRunning(title))
        return;
    const bool wasComputed = model->isComputed();
    const ParameterEditor::Outcome outcome = ParameterEditor::applyToModel(
        *model, estimType, underestimationData, underreportingData, underascertainmentData, caseBeforeCorrData,
        lifeExpData, ageDistrData);
    // Applied model tables re-initialise the model, which drops its results, edited or not.
    if (!outcome.applied.isEmpty())
        markResultsOutdated(*model, wasComputed);
    reportEdit(outcome, title, &Chief::showMessage, QStringLiteral("model"));
    emit formulaCheckResultsAvailable(outcome.checks);
}

void Chief::applyChangesToTransParams(QVariantMap modelInfo, QVariantMap probabilityData,
                                      QVariantMap redistributionData)
{
    const QString title = QStringLiteral("Transition parameters");
    fn::DiseaseModel* model = modelOf(modelInfo);
    fn::TransitionProbability* transition = model ? ParameterEditor::transitionOf(*model, modelInfo) : nullptr;
    if (!transition || refuseWhileRunning(title, &Chief::showMessageInTransPage))
        return;
    const ParameterEditor::Outcome outcome = ParameterEditor::applyToTransition(*transition, probabilityData,
                                                                                redistributionData);
    if (outcome.changed)
        markResultsOutdated(*model, model->isComputed());
    reportEdit(outcome, title, &Chief::showMessageInTransPage, QStringLiteral("trans"));
    emit formulaCheckResultsAvailableForTransPage(outcome.checks);
}

void Chief::applyChangesToYLDParams(QVariantMap modelInfo, QVariantMap severityData, QVariantMap durationData,
                                    QVariantMap proportionData)
{
    const QString title = QStringLiteral("YLD parameters");
    fn::DiseaseModel* model = modelOf(modelInfo);
    fn::HealthState* state = model ? ParameterEditor::healthStateOf(*model, modelInfo) : nullptr;
    if (!state || refuseWhileRunning(title, &Chief::showMessageInYLDPage))
        return;
    const ParameterEditor::Outcome outcome = ParameterEditor::applyToYLDState(*state, severityData, durationData,
                                                                              proportionData);
    if (outcome.changed)
        markResultsOutdated(*model, model->isComputed());
    reportEdit(outcome, title, &Chief::showMessageInYLDPage, QStringLiteral("yld"));
    emit formulaCheckResultsAvailableForYLDPage(outcome.checks);
}

void Chief::applyChangesToYLLParams(QVariantMap modelInfo, QVariantMap proportionData)
{
    const QString title = QStringLiteral("YLL parameters");
    fn::DiseaseModel* model = modelOf(modelInfo);
    fn::HealthState* state = model ? ParameterEditor::healthStateOf(*model, modelInfo) : nullptr;
    if (!state || refuseWhileRunning(title, &Chief::showMessageInYLLPage))
        return;
    const ParameterEditor::Outcome outcome = ParameterEditor::applyToYLLState(*state, proportionData);
    if (outcome.changed)
        markResultsOutdated(*model, model->isComputed());
    reportEdit(outcome, title, &Chief::showMessageInYLLPage, QStringLiteral("yll"));
    emit formulaCheckResultsAvailableForYLLPage(outcome.checks);
}

void Chief::updateDataExportImportStatus(fn::FileOperationType operationType, const QString& dataType,
                                         const QString& text1, const QString& text2)
{
    // Let the page repaint during long workbook operations.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QString op = operationType == fn::Import ? QStringLiteral("import") : QStringLiteral("export");
    const QString title = QStringLiteral("%1 %2").arg(dataType, op);
    if (text1 == QStringLiteral("%1Started").arg(op)) {
        emit createUpdatableMessage(title, QStringLiteral("%1 %2 started").arg(dataType, op));
    } else if (text1 == QStringLiteral("%1Finished").arg(op)) {
        emit destroyUpdatableMessage();
        emit showMessage(title, QStringLiteral("%1 %2 finished").arg(dataType, op), QStringLiteral("info"));
    } else {
        const QString text = operationType == fn::Import ? QStringLiteral("Importing file: %1<br />Sheet: %2")
                                                         : QStringLiteral("Exporting file: %1<br />Sheet: %2");
        emit updateMessage(title, text.arg(text1, text2));
    }
}

void Chief::setNumSamples(int numSamples)
{
    m_numSamples = numSamples;
}

void Chief::setTimeDiscountRate(double timeDiscountRate)
{
    m_timeDiscountRate = timeDiscountRate;
}

void Chief::setUncertaintyAnalysis(bool enabled)
{
    if (m_uncertaintyAnalysis == enabled)
        return;
    m_uncertaintyAnalysis = enabled;
    emit uncertaintyAnalysisChanged(enabled);
}

void Chief::applyChangedRunSettings(int previousSamples, double previousRate, bool previousAnalysis)
{
    if (m_settings.defaultNumberOfSamples() != previousSamples)
        m_numSamples = m_settings.defaultNumberOfSamples();
    if (m_settings.timeDiscountRate() != previousRate)
        m_timeDiscountRate = m_settings.timeDiscountRate();
    emit runSettingsChanged(m_numSamples, m_timeDiscountRate);
    if (m_settings.sensitivityAnalysis() != previousAnalysis)
        setUncertaintyAnalysis(m_settings.sensitivityAnalysis());
}

bool Chief::refuseWhileRunning(const QString& title, MessageSignal messageSignal)
{
    if (!isRunning())
        return false;
    emit(this->*messageSignal)(title,
                               QStringLiteral("Models cannot be changed or saved while a run is in progress.<br />Wait "
                                              "until it has finished, or cancel it on the Run tab."),
                               QStringLiteral("warning"));
    return true;
}

void Chief::runModels(bool runInThread)
{
    // Two runs would work on the same models at once.
    if (isRunning()) {
        emit showMessage(QStringLiteral("Model run"), QStringLiteral("A run is already in progress."),
                         QStringLiteral("warning"));
        return;
    }
    if (!runFitsInMemory(runInThread))
        return;
    try {
        m_randomSeed = m_settings.randomSeed();
        m_totalsOfLastRun = false;
        if (m_aggregationEnabled)
            m_resultsComputer.prepare(static_cast<std::uint32_t>(m_numSamples));
        RunSession::Settings settings;
        settings.numSamples = static_cast<unsigned int>(m_numSamples);
        settings.randomSeed = static_cast<unsigned int>(m_randomSeed);
        settings.timeDiscountRate = m_timeDiscountRate;
        settings.threads = m_settings.threadCount();
        settings.analyzeUncertainty = m_uncertaintyAnalysis;
        settings.resultsComputer = m_aggregationEnabled ? &m_resultsComputer : nullptr;
        settings.countStrata = m_stratumCountsEnabled;
        // A model the run does not reach (cancelled, failed) must not pass for computed by it.
        m_computedBeforeRun.clear();
        for (const auto& model : m_models) {
            if (model->isComputed())
                m_computedBeforeRun.insert(model.get());
            model->clearComputed();
        }
        m_run.start(m_models, settings, runInThread);
    } catch (...) {
        // The failure keeps its message; what went wrong, and where, goes along as details.
        // "occured": the established wording, kept letter for letter.
        throw ut::replacementOfCurrentException(QStringLiteral("Problem occured while running calculations"),
                                                QStringLiteral("ui::Chief::runModels"));
    }
}

// A run too large for this computer is refused before anything of it is allocated: on the
// page with a message, on the command line with the exception that ends the run.
bool Chief::runFitsInMemory(bool runInThread)
{
    try {
        const int threads = fn::ModelRunner::threadCount(m_settings.threadCount());
        fn::RunMemoryCheck::require(m_models, static_cast<std::uint32_t>(m_numSamples),
                                    fn::ModelRunner::recordsHeldAtOnce(threads));
        return true;
    } catch (const ut::Exception& e) {
        if (!runInThread)
            throw;
        emit showMessage(QStringLiteral("Run"), e.message(), QStringLiteral("error"));
        return false;
    }
}

void Chief::cancelRun()
{
    m_run.cancel();
}

void Chief::stopRun()
{
    m_run.stop();
}

void Chief::onRunningChanged(bool running)
{
    if (!running) {
        m_freshness.runEnded(m_models);
        // Results shown from an earlier run that this one did not replace are out of date.
        QVariantList lost;
        for (const auto& model : m_models) {
            if (m_computedBeforeRun.contains(model.get()) && !model->isComputed())
                lost << model->info();
        }
        m_computedBeforeRun.clear();
        if (!lost.isEmpty())
            emit resultsOutdated(lost);
    }
    emit runningChanged(running);
}

void Chief::onRunStarted()
{
    emit runStarted();
}

void Chief::onRunFinished()
{
    // Every model was added to the results computer as soon as it had run.
    if (m_aggregationEnabled)
        m_resultsComputer.compute();
    m_totalsOfLastRun = m_aggregationEnabled;
    emit aggregatedResultsAvailable(m_resultsComputer.aggregatedResults());
    reportNonFiniteResults();
    QVariantList runList;
    for (const auto& model : m_models) {
        runList << QVariantMap{{QStringLiteral("countryID"), model->countryId()},
                               {QStringLiteral("diseaseID"), model->diseaseId()},
                               {QStringLiteral("modelID"), model->modelId()},
                               {QStringLiteral("countryName"), model->countryName()},
                               {QStringLiteral("diseaseName"), model->diseaseName()}};
    }
    emit runFinished(runList);
}

QVariantMap Chief::currentAggregatedResults() const
{
    if (!m_totalsOfLastRun || isRunning() || m_models.empty())
        return {};
    for (const auto& model : m_models) {
        if (!model->isComputed() || !hasCurrentResults(*model))
            return {};
    }
    return m_resultsComputer.aggregatedResults();
}

bool Chief::hasResults() const
{
    return !isRunning()
        && std::any_of(m_models.begin(), m_models.end(), [](const auto& model) { return model->isComputed(); });
}

void Chief::showDetailedResults(QString countryId, QString diseaseId, QString modelId)
{
    // The run thread is writing the results.
    if (isRunning())
        return;
    if (const fn::DiseaseModel* model = getModel(countryId, diseaseId, modelId))
        emit detailedResultsAvailable(model->results());
}

void Chief::loadModelsFromJSON(QFileInfoList fileInfos, QString country)
{
    if (refuseWhileRunning(QStringLiteral("Model import")))
        return;
    m_jsonDataMgr.setFilePaths(fileInfos);
    for (const QString& disease : m_jsonDataMgr.getDiseaseIds()) {
        const QString id = makeModelId(QString());
        if (fn::DiseaseModel* model = createModel(country, disease, id)) {
            model->distributeToTrees();
            warnOfImpossibleArguments({model}, QStringLiteral("Model import"));
        }
    }
}

QJsonObject Chief::resultsDocument(const fn::DiseaseModel& model)
{
    return ResultsOutput::resultsDocument(model);
}

QJsonObject Chief::uncertaintyDocument(const fn::DiseaseModel& model)
{
    return ResultsOutput::uncertaintyDocument(model);
}

QByteArray Chief::buildUncertaintyJson() const
{
    return ResultsOutput(m_models).uncertaintyJson();
}

QString Chief::uncertaintyPath(const QString& resultsPath)
{
    return ResultsOutput::uncertaintyPath(resultsPath);
}

QByteArray Chief::buildResultsJson() const
{
    return ResultsOutput(m_models).resultsJson();
}

bool Chief::saveDetailedResultsToJSON(QFileInfo file)
{
    return ResultsOutput(m_models).saveToFile(file);
}

void Chief::saveDetailedResultsToClipboard()
{
    ResultsOutput(m_models).copyToClipboard();
}

QVariantMap Chief::outcomeTreeDiagram(const QString& countryId, const QString& diseaseId, const QString& modelId) const
{
    const fn::DiseaseModel* model = getModel(countryId, diseaseId, modelId);
    if (!model || model->sourceType() != fn::DiseaseModel::ReferenceData || !model->diseaseTemplate())
        return {};
    return outcomeTreeDiagramMap(*model->diseaseTemplate());
}

QVariantList Chief::availableDiseases() const
{
    QVariantList diseases;
    for (const QString& id : m_inputDataMgr.diseaseIds())
        diseases << QVariantMap{
            {QStringLiteral("id"), id},
            {QStringLiteral("disease"), m_inputDataMgr.diseaseTemplates().templates().value(id).caption()}};
    diseases += m_jsonDataMgr.getDiseaseCaptions();
    return diseases;
}

void Chief::saveModelsToExcel(QFileInfo fileInfo)
{
    // The run thread writes the models' results meanwhile.
    if (refuseWhileRunning(QStringLiteral("Export models")))
        return;
    if (m_models.empty()) {
        emit showMessage(
            QStringLiteral("Export models"),
            QStringLiteral("There are no models to export.\nCreate models first and then repeat this action."),
            QStringLiteral("error"));
        return;
    }
    const QString path = ResultsOutput::writtenPath(fileInfo);
    if (path.isNull())
        return;
    // Every ".xls" of the name goes, not only its extension: say so where that changes a folder
    // or the file's stem, before a failure names a path the user never chose.
    QString stem = fileInfo.absoluteFilePath();
    if (stem.endsWith(QLatin1String(".xls")))
        stem.chop(4);
    if (stem.contains(QLatin1String(".xls")))
        emit notice(QStringLiteral("Export models"),
                    QStringLiteral("Every \".xls\" is taken out of the chosen name %1, so the models are saved as %2.")
                        .arg(QDir::toNativeSeparators(fileInfo.absoluteFilePath()), ut::Excel::savedPath(path))
                        .toHtmlEscaped(),
                    QStringLiteral("warning"));
    const QString models = QStringLiteral("Models");
    updateDataExportImportStatus(fn::Export, models, QStringLiteral("exportStarted"), QString());
    const QString problem = ModelWorkbook::save(m_models, path, [&](const fn::DiseaseModel& model) {
        updateDataExportImportStatus(fn::Export, models, fileInfo.baseName(), model.modelId());
    });
    updateDataExportImportStatus(fn::Export, models, QStringLiteral("exportFinished"), QString());
    if (!problem.isEmpty())
        reportWorkbookProblem(
            QStringLiteral("Export models"),
            problem + QStringLiteral(" The models were not saved; an earlier file of that name is unchanged."));
}

void Chief::reportWorkbookProblem(const QString& title, const QString& text)
{
    emit showMessage(title, text.toHtmlEscaped(), QStringLiteral("error"));
}

void Chief::loadModelsFromExcel(QFileInfo fileInfo)
{
    if (refuseWhileRunning(QStringLiteral("Model import")))
        return;
    if (!fileInfo.exists()) {
        emit showMessage(QStringLiteral("Model import"), QStringLiteral("Invalid input file"), QStringLiteral("error"));
        return;
    }
    const QString models = QStringLiteral("Models");
    updateDataExportImportStatus(fn::Import, models, QStringLiteral("importStarted"), QString());
    ModelWorkbookImport::Listener listener;
    listener.sheetStarted = [&](const QString& sheetName) {
        updateDataExportImportStatus(fn::Import, models, fileInfo.baseName(), sheetName);
    };
    listener.error = [this](const QString& title, const QString& text) {
        emit showMessage(title, text, QStringLiteral("error"));
    };
    listener.warning = [this](const QString& title, const QString& text) {
        emit notice(title, text, QStringLiteral("warning"));
    };
    listener.problem = [this](const QString& title, const QString& text) { reportWorkbookProblem(title, text); };
    QVariantList created;
    listener.modelAdded = [&](fn::DiseaseModel& model) {
        warnOfImpossibleArguments({&model}, QStringLiteral("Model import"));
        created << model.info();
    };
    ModelWorkbookImport(m_factory, m_registry).read(fileInfo, listener);
    if (!created.isEmpty()) {
        updateDataExportImportStatus(fn::Import, models, QStringLiteral("importFinished"), QString());
        emit modelsCreated(created);
    } else {
        emit showMessage(QStringLiteral("Model import"), QStringLiteral("No valid models found in the input file"),
                         QStringLiteral("error"));
    }
}

} // namespace ui

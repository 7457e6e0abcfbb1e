#include "ui/Chief.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include "fn/model/ModelRunWorker.h"
#include "fn/model/ModelRunner.h"
#include "fn/model/RunMemoryCheck.h"
#include "fn/values/FormulaChecker.h"
#include "ui/DataPresenter.h"
#include "ui/ElementPresenterFactory.h"
#include "ui/ModelWorkbook.h"
#include "ui/ModelWorkbookCheck.h"
#include "ui/ParameterExchange.h"
#include "ut/Diagnostics.h"
#include "ut/Excel.h"
#include "ut/Exception.h"
#include "ut/OutputFile.h"

namespace ui {

namespace {

Chief* s_instance = nullptr;

QString listMessage(const QString& lead, const QStringList& tables)
{
    return lead + QStringLiteral("<br /><ul><li>") + tables.join(QStringLiteral("</li><li>"))
        + QStringLiteral("</li></ul>");
}

QString workbookPath(const QFileInfo& file)
{
    QString path = file.absoluteFilePath();
    path.remove(QStringLiteral(".xls"));
    return QDir::toNativeSeparators(path);
}

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
    : m_resultsComputer(m_models)
{
    reinitialize();
    connect(&m_inputDataMgr, &fn::InputDataMgr::excelSheetImporting, this, &Chief::updateDataExportImportStatus);
    connect(&m_inputDataMgr, &fn::InputDataMgr::showMessage, this, &Chief::showMessage);
}

Chief::~Chief() = default;

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
    m_modelIndex.clear();
    m_models.clear();
    m_usedModelIds.clear();
    m_modelCounter = 0;
    m_presenterMgr.closeAll();
    emit programReinitialized();
}

QString Chief::makeModelId(const QString& requested)
{
    QString id;
    if (requested.isEmpty()) {
        id = QStringLiteral("model %1").arg(++m_modelCounter);
    } else {
        id = requested;
        if (std::find(m_usedModelIds.begin(), m_usedModelIds.end(), id) != m_usedModelIds.end())
            id += QStringLiteral("_2");
    }
    m_usedModelIds.push_back(id);
    return id;
}

fn::DiseaseModel* Chief::getModel(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                                  const QString& modelId) const
{
    return m_modelIndex.value(country).value(disease).value(modelId, nullptr);
}

fn::DiseaseModel* Chief::createModel(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                                     const QString& modelId)
{
    const bool inReferenceData = m_inputDataMgr.hasDisease(country, disease);
    if (!inReferenceData && !m_jsonDataMgr.diseaseDataExist(disease))
        return nullptr;
    const QString countryName = m_inputDataMgr.countryCaption(country);
    // The reference data win over a specification of a disease with the same id.
    if (inReferenceData) {
        m_models.push_back(std::make_unique<fn::DiseaseModel>(
            &m_inputDataMgr, modelId, country, countryName, &m_inputDataMgr.diseaseTemplates().get(disease),
            m_inputDataMgr.inputFactors().getInputFactors(disease)));
    } else {
        m_models.push_back(std::make_unique<fn::DiseaseModel>(&m_inputDataMgr, modelId, country, countryName,
                                                              &m_jsonDataMgr.getDiseaseTemplate(disease)));
    }
    fn::DiseaseModel* model = m_models.back().get();
    model->setUp();
    m_modelIndex[country][disease][modelId] = model;
    return model;
}

void Chief::importReferenceData()
{
    reinitialize();
    m_inputDataMgr.importFromWorkbooks();
}

void Chief::importReferenceDataFromJSON()
{
    reinitialize();
    m_jsonDataMgr.setDirPath(m_basePath);
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
    QVariantList created;
    for (const QString& country : qAsConst(m_selectedCountries)) {
        for (const QString& disease : qAsConst(m_selectedDiseases)) {
            const QString id = makeModelId(QString());
            if (const fn::DiseaseModel* model = createModel(country, disease, id))
                created << model->info();
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
    emit modelsCreated(created);
}

void Chief::deleteModels()
{
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
    if (m_presenterMgr.isRegistered(modelId, outcomeTreeId, elementId)) {
        emit showMessage(QStringLiteral("Outcome tree"), QStringLiteral("Pop-up window for this element is already displayed"),
                         QStringLiteral("info"));
        return;
    }
    ElementPresenterFactory factory(*model, m_webGUI);
    DataPresenter* presenter = factory.create(outcomeTreeId, elementType, elementId);
    if (factory.hasNotice())
        emit showMessage(factory.notice().title, factory.notice().text, QStringLiteral("error"));
    if (!presenter)
        return;
    m_presenterMgr.registerPresenter(presenter);
    connect(presenter, &DataPresenter::gettingDestroyed, &m_presenterMgr, &PresenterMgr::unregisterPresenter);
}

Chief::EditOutcome Chief::applyTables(const QList<TableEdit>& tables, const QString& title,
                                      void (Chief::*messageSignal)(QString, QString, QString))
{
    EditOutcome outcome;
    QStringList refused;
    for (const TableEdit& edit : tables) {
        const fn::InputFactorPtrs factors = edit.array->factors();
        const QStringList formulas = tableMapToFormulas(*edit.table, factors);
        QList<bool> accepted;
        fn::FormulaChecker checker;
        if (!checker.check(formulas, accepted)) {
            outcome.checks.insert(edit.checkKey, formulasToTableMap(accepted, factors));
            refused << edit.listName;
            continue;
        }
        edit.array->setFormulas(tableMapToFormulas(*edit.table, factors));
        edit.array->setMeta(metaRowsToMap(*edit.table));
        outcome.applied << edit.listName;
    }
    if (!refused.isEmpty())
        emit(this->*messageSignal)(title, listMessage(QStringLiteral("Changes have NOT been applied to:"), refused),
                                   QStringLiteral("error"));
    return outcome;
}

void Chief::applyChangesToModelParams(QVariantMap modelInfo, int estimType, QVariantMap underestimationData,
                                      QVariantMap underreportingData, QVariantMap underascertainmentData,
                                      QVariantMap caseBeforeCorrData, QVariantMap lifeExpData, QVariantMap ageDistrData)
{
    fn::DiseaseModel* model = getModel(modelInfo.value(QStringLiteral("countryID")).toString(),
                                       modelInfo.value(QStringLiteral("diseaseID")).toString(),
                                       modelInfo.value(QStringLiteral("modelID")).toString());
    if (!model)
        return;
    if (estimType == 0 || estimType == 1)
        model->setUnderestimationType(static_cast<std::uint32_t>(estimType));
    using P = fn::DiseaseModel;
    const QList<TableEdit> tables = {
        {QStringLiteral("caseBeforeCorr"), QStringLiteral("Average number of cases per year"), &caseBeforeCorrData,
         &model->getParameter(P::NotifiedCases)},
        {QStringLiteral("underestimation"), QStringLiteral("Underestimation"), &underestimationData,
         &model->getParameter(P::Underestimation)},
        {QStringLiteral("underreporting"), QStringLiteral("Underreporting"), &underreportingData,
         &model->getParameter(P::Underreporting)},
        {QStringLiteral("underascertainment"), QStringLiteral("Underascertainment"), &underascertainmentData,
         &model->getParameter(P::Underascertainment)},
        {QStringLiteral("lifeExp"), QStringLiteral("Life expectancy"), &lifeExpData, &model->getParameter(P::LifeExpectancy)},
        {QStringLiteral("ageDistr"), QStringLiteral("Age distribution"), &ageDistrData,
         &model->getParameter(P::AgeDistribution)},
    };
    const QString title = QStringLiteral("Model parameters");
    const EditOutcome outcome = applyTables(tables, title, &Chief::showMessage);
    if (!outcome.applied.isEmpty()) {
        model->distributeToTrees();
        emit showMessage(title, listMessage(QStringLiteral("Changes have been applied to:"), outcome.applied),
                         QStringLiteral("info"));
    }
    emit formulaCheckResultsAvailable(outcome.checks);
}

fn::OutcomeTree* Chief::treeOf(const QVariantMap& modelInfo) const
{
    fn::DiseaseModel* model = getModel(modelInfo.value(QStringLiteral("countryID")).toString(),
                                       modelInfo.value(QStringLiteral("diseaseID")).toString(),
                                       modelInfo.value(QStringLiteral("modelID")).toString());
    if (!model)
        return nullptr;
    try {
        return &model->getOutcomeTree(modelInfo.value(QStringLiteral("outcomeTreeID")).toString());
    } catch (const ut::Exception&) {
        return nullptr;
    }
}

// Edited elements are only the editable kinds: a complement or a plain sequela is never one.
fn::TransitionProbability* Chief::transitionOf(const QVariantMap& modelInfo) const
{
    fn::OutcomeTree* tree = treeOf(modelInfo);
    if (!tree)
        return nullptr;
    try {
        return dynamic_cast<fn::TransitionProbability*>(
            &tree->getTransitionProbability(modelInfo.value(QStringLiteral("outcomeTreeNodeID")).toString()));
    } catch (const ut::Exception&) {
        return nullptr;
    }
}

fn::HealthState* Chief::healthStateOf(const QVariantMap& modelInfo) const
{
    fn::OutcomeTree* tree = treeOf(modelInfo);
    if (!tree)
        return nullptr;
    try {
        return dynamic_cast<fn::HealthState*>(
            &tree->getHealthState(modelInfo.value(QStringLiteral("outcomeTreeNodeID")).toString()));
    } catch (const ut::Exception&) {
        return nullptr;
    }
}

void Chief::applyChangesToTransParams(QVariantMap modelInfo, QVariantMap probabilityData, QVariantMap redistributionData)
{
    fn::TransitionProbability* transition = transitionOf(modelInfo);
    if (!transition)
        return;
    // The probability's meta goes through the transition, which re-reads its flags from it.
    fn::DataArray probability = transition->probabilityParameter();
    fn::DataArray redistribution = transition->redistributionParameter();
    const QList<TableEdit> tables = {
        {QStringLiteral("probability"), QStringLiteral("Probability"), &probabilityData, &probability},
        {QStringLiteral("redistribution"), QStringLiteral("Redistribution"), &redistributionData, &redistribution},
    };
    const QString title = QStringLiteral("Transition parameters");
    const EditOutcome outcome = applyTables(tables, title, &Chief::showMessageInTransPage);
    if (outcome.applied.contains(QStringLiteral("Probability")))
        transition->setProbabilityParameter(probability);
    if (outcome.applied.contains(QStringLiteral("Redistribution")))
        transition->setRedistributionParameter(redistribution);
    if (!outcome.applied.isEmpty())
        emit showMessageInTransPage(title, listMessage(QStringLiteral("Changes have been applied to:"), outcome.applied),
                                    QStringLiteral("info"));
    emit formulaCheckResultsAvailableForTransPage(outcome.checks);
}

void Chief::applyChangesToYLDParams(QVariantMap modelInfo, QVariantMap severityData, QVariantMap durationData,
                                    QVariantMap proportionData)
{
    fn::HealthState* state = healthStateOf(modelInfo);
    if (!state)
        return;
    fn::DataArray severity = state->parameter(fn::InputType::Severity);
    fn::DataArray duration = state->parameter(fn::InputType::Duration);
    fn::DataArray proportion = state->parameter(fn::InputType::Proportion);
    const QList<TableEdit> tables = {
        {QStringLiteral("severity"), QStringLiteral("Severity"), &severityData, &severity},
        {QStringLiteral("duration"), QStringLiteral("Duration"), &durationData, &duration},
        {QStringLiteral("proportion"), QStringLiteral("Proportion"), &proportionData, &proportion},
    };
    const QString title = QStringLiteral("YLD parameters");
    const EditOutcome outcome = applyTables(tables, title, &Chief::showMessageInYLDPage);
    if (outcome.applied.contains(QStringLiteral("Severity")))
        state->setParameter(fn::InputType::Severity, severity);
    if (outcome.applied.contains(QStringLiteral("Duration")))
        state->setParameter(fn::InputType::Duration, duration);
    if (outcome.applied.contains(QStringLiteral("Proportion")))
        state->setParameter(fn::InputType::Proportion, proportion);
    if (!outcome.applied.isEmpty())
        emit showMessageInYLDPage(title, listMessage(QStringLiteral("Changes have been applied to:"), outcome.applied),
                                  QStringLiteral("info"));
    emit formulaCheckResultsAvailableForYLDPage(outcome.checks);
}

void Chief::applyChangesToYLLParams(QVariantMap modelInfo, QVariantMap proportionData)
{
    fn::HealthState* state = healthStateOf(modelInfo);
    if (!state)
        return;
    fn::DataArray proportion = state->parameter(fn::InputType::Proportion);
    const QList<TableEdit> tables = {
        {QStringLiteral("proportion"), QStringLiteral("Proportion"), &proportionData, &proportion},
    };
    const QString title = QStringLiteral("YLL parameters");
    const EditOutcome outcome = applyTables(tables, title, &Chief::showMessageInYLLPage);
    if (!outcome.applied.isEmpty()) {
        state->setParameter(fn::InputType::Proportion, proportion);
        emit showMessageInYLLPage(title, listMessage(QStringLiteral("Changes have been applied to:"), outcome.applied),
                                  QStringLiteral("info"));
    }
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
    m_uncertaintyAnalysis = enabled;
}

void Chief::runModels(bool runInThread)
{
    if (!runFitsInMemory(runInThread))
        return;
    try {
        m_randomSeed = m_settings.randomSeed();
        if (m_aggregationEnabled)
            m_resultsComputer.prepare(static_cast<std::uint32_t>(m_numSamples));
        // Owned by the run: deleted after finished(), in the thread it lives in.
        auto* worker = new fn::ModelRunWorker(static_cast<unsigned int>(m_numSamples),
                                              static_cast<unsigned int>(m_randomSeed), m_timeDiscountRate, m_models);
        worker->setThreadCount(m_settings.threadCount());
        worker->setUncertaintyAnalysis(m_uncertaintyAnalysis);
        if (m_aggregationEnabled)
            worker->setResultsComputer(&m_resultsComputer);
        connect(worker, &fn::ModelRunWorker::started, this, &Chief::onRunStarted);
        connect(worker, &fn::ModelRunWorker::finished, this, &Chief::onRunFinished);
        connect(worker, &fn::ModelRunWorker::progressInfo, this, &Chief::runProgressUpdated);
        connect(worker, &fn::ModelRunWorker::finished, worker, &QObject::deleteLater);
        if (runInThread) {
            auto* thread = new QThread;
            worker->moveToThread(thread);
            connect(thread, &QThread::started, worker, &fn::ModelRunWorker::process);
            connect(worker, &fn::ModelRunWorker::finished, thread, &QThread::quit);
            connect(thread, &QThread::finished, thread, &QObject::deleteLater);
            thread->start(QThread::InheritPriority);
            return;
        }
        worker->process();
    } catch (...) {
        throw ut::Exception(QStringLiteral("Problem occured while running calculations"),
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

void Chief::onRunStarted()
{
    emit runStarted();
}

void Chief::onRunFinished()
{
    // Every model was added to the results computer as soon as it had run.
    if (m_aggregationEnabled)
        m_resultsComputer.compute();
    emit aggregatedResultsAvailable(m_resultsComputer.aggregatedResults());
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

void Chief::showDetailedResults(QString countryId, QString diseaseId, QString modelId)
{
    if (const fn::DiseaseModel* model = getModel(countryId, diseaseId, modelId))
        emit detailedResultsAvailable(model->results());
}

void Chief::loadModelsFromJSON(QFileInfoList fileInfos, QString country)
{
    m_jsonDataMgr.setFilePaths(fileInfos);
    for (const QString& disease : m_jsonDataMgr.getDiseaseIds()) {
        const QString id = makeModelId(QString());
        if (fn::DiseaseModel* model = createModel(country, disease, id))
            model->distributeToTrees();
    }
}

QJsonObject Chief::resultsDocument(const fn::DiseaseModel& model)
{
    QJsonObject object = QJsonObject::fromVariantMap(model.results());
    object.insert(QStringLiteral("name"), model.displayName());
    return object;
}

QJsonObject Chief::uncertaintyDocument(const fn::DiseaseModel& model)
{
    if (model.uncertaintyResults().isEmpty())
        return {};
    QJsonObject object = QJsonObject::fromVariantMap(model.uncertaintyResults());
    object.insert(QStringLiteral("name"), model.displayName());
    return object;
}

QByteArray Chief::buildUncertaintyJson() const
{
    QJsonArray documents;
    for (const auto& model : m_models) {
        const QJsonObject document = uncertaintyDocument(*model);
        if (!document.isEmpty())
            documents.append(document);
    }
    return QJsonDocument(documents).toJson(QJsonDocument::Indented);
}

QString Chief::uncertaintyPath(const QString& resultsPath)
{
    const QFileInfo results(resultsPath);
    if (resultsPath.isEmpty() || (results.exists() && !results.isFile()))
        return {};
    QString path = resultsPath;
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        path.chop(5);
    return path + QStringLiteral(".sensitivity.json");
}

QByteArray Chief::buildResultsJson() const
{
    QJsonArray documents;
    for (const auto& model : m_models)
        documents.append(resultsDocument(*model));
    return QJsonDocument(documents).toJson(QJsonDocument::Indented);
}

void Chief::saveDetailedResultsToJSON(QFileInfo file)
{
    const QString path = workbookPath(file);
    if (path.isNull())
        return;
    // A file is replaced only once written whole; a pipe or device is written directly.
    QString error;
    if (!ut::OutputFile::save(path, buildResultsJson(), &error))
        ut::Diagnostics::report(error);
}

void Chief::saveDetailedResultsToClipboard()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromUtf8(buildResultsJson()), QClipboard::Clipboard);
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
        diseases << QVariantMap{{QStringLiteral("id"), id},
                                {QStringLiteral("disease"),
                                 m_inputDataMgr.diseaseTemplates().templates().value(id).caption()}};
    diseases += m_jsonDataMgr.getDiseaseCaptions();
    return diseases;
}

void Chief::saveModelsToExcel(QFileInfo fileInfo)
{
    if (m_models.empty()) {
        emit showMessage(QStringLiteral("Export models"),
                         QStringLiteral("There are no models to export.\nCreate models first and then repeat this action."),
                         QStringLiteral("error"));
        return;
    }
    const QString path = workbookPath(fileInfo);
    if (path.isNull())
        return;
    const QString models = QStringLiteral("Models");
    updateDataExportImportStatus(fn::Export, models, QStringLiteral("exportStarted"), QString());
    ut::Excel excel(path);
    int sheets = excel.sheetCount();
    for (std::size_t i = 1; i <= m_models.size(); ++i) {
        fn::DiseaseModel& model = *m_models[i - 1];
        updateDataExportImportStatus(fn::Export, models, fileInfo.baseName(), model.modelId());
        const ut::SheetRef sheet = static_cast<int>(i) <= sheets
            ? excel.selectSheet(static_cast<int>(i))
            : excel.addSheet(QStringLiteral("Export %1").arg(i));
        excel.setSheetName(sheet, model.modelId());
        excel.setProperty(excel.range(QStringLiteral("A:A")), QStringLiteral("NumberFormat"), QStringLiteral("@"));
        ModelWorkbook::writeSheet(excel, model);
    }
    while (sheets > static_cast<int>(m_models.size()))
        excel.deleteSheet(sheets--);
    // A text the workbook cannot keep whole stops the save before any file is touched.
    QString problem = ModelWorkbookCheck::problem(m_models);
    if (problem.isEmpty()) {
        excel.saveAs(path);
        problem = excel.errorString();
    } else {
        problem = QStringLiteral("Cannot save the models to \"%1\": %2.").arg(path, problem);
    }
    excel.close();
    updateDataExportImportStatus(fn::Export, models, QStringLiteral("exportFinished"), QString());
    if (!problem.isEmpty())
        reportWorkbookProblem(QStringLiteral("Export models"),
                              problem + QStringLiteral(" The models were not saved; an earlier file of that name is unchanged."));
}

void Chief::reportWorkbookProblem(const QString& title, const QString& text)
{
    // The page shows it; the command line, which has no page, prints it on standard error.
    emit showMessage(title, text.toHtmlEscaped(), QStringLiteral("error"));
    ut::Diagnostics::report(text);
}

void Chief::loadModelsFromExcel(QFileInfo fileInfo)
{
    if (!fileInfo.exists()) {
        emit showMessage(QStringLiteral("Model import"), QStringLiteral("Invalid input file"), QStringLiteral("error"));
        return;
    }
    const QString models = QStringLiteral("Models");
    updateDataExportImportStatus(fn::Import, models, QStringLiteral("importStarted"), QString());
    ut::Excel excel(fileInfo.filePath());
    if (!excel.isOpen())
        reportWorkbookProblem(QStringLiteral("Model import"), excel.errorString());
    QVariantList created;
    for (int i = 1; i <= excel.sheetCount(); ++i) {
        excel.selectSheet(i);
        const QString sheetName = excel.sheetName();
        updateDataExportImportStatus(fn::Import, models, fileInfo.baseName(), sheetName);
        if (excel.cellValue(3, 2).toInt() != ModelWorkbook::version) {
            emit showMessage(QStringLiteral("Model import"),
                             QStringLiteral("Sheet ") + sheetName
                                 + QStringLiteral(" contains model created by the previous, unsupported version of the tool. It will not be imported."),
                             QStringLiteral("error"));
            continue;
        }
        const int infoRow = excel.rowOf(excel.find(QStringLiteral("Model info"), QStringLiteral("A"), false));
        const QString country = excel.cellText(infoRow + 2, 2);
        const QString disease = excel.cellText(infoRow + 3, 2);
        const QString id = makeModelId(excel.cellText(infoRow + 4, 2));
        fn::DiseaseModel* model = createModel(country, disease, id);
        if (!model) {
            emit showMessage(QStringLiteral("Model import"),
                             QStringLiteral("Sheet ") + sheetName
                                 + QStringLiteral(" contains model not supported by the reference data loaded. It will not be imported."),
                             QStringLiteral("error"));
            continue;
        }
        ModelWorkbook::readSheet(excel, *model);
        model->distributeToTrees();
        created << model->info();
    }
    excel.close();
    if (!created.isEmpty()) {
        updateDataExportImportStatus(fn::Import, models, QStringLiteral("importFinished"), QString());
        emit modelsCreated(created);
    } else {
        emit showMessage(QStringLiteral("Model import"), QStringLiteral("No valid models found in the input file"),
                         QStringLiteral("error"));
    }
}

} // namespace ui

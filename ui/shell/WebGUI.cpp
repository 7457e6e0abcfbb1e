#include "ui/shell/WebGUI.h"

#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>

#include "fn/stats/QuantileEstimator.h"
#include "ui/Chief.h"
#include "ui/ModelWarnings.h"
#include "ui/ParameterExchange.h"
#include "ui/shell/presenters/DataPresenter.h"
#include "ui/shell/presenters/ElementPresenterFactory.h"
#include "ut/OutputFile.h"

namespace ui {

namespace {

QImage pngFromBase64(const QString& base64Str)
{
    return QImage::fromData(QByteArray::fromBase64(base64Str.toLocal8Bit()), "PNG");
}

// A name typed without an extension gets the one of the file type chosen.
QString withSuffix(const QString& fileName, const QString& suffix)
{
    return QFileInfo(fileName).suffix().isEmpty() ? fileName + QLatin1Char('.') + suffix : fileName;
}

const QString pdfTitle = QStringLiteral("Export page to PDF");

} // namespace

WebGUI::WebGUI()
    : QObject(nullptr)
{
    registerMetaTypes();
    connect(&m_pdfExport, &PdfPageExport::finished, this, &WebGUI::onPdfExportFinished);
}

WebGUI::~WebGUI()
{
    // The page may outlive the bridge (the window's widgets go after its members).
    if (m_page && m_page->webChannel() == m_channel)
        m_page->setWebChannel(nullptr);
}

void WebGUI::registerMetaTypes()
{
    qRegisterMetaType<fn::FileOperationType>();
    qRegisterMetaType<QFileInfo>();
    qRegisterMetaType<QFileInfoList>();
    qRegisterMetaType<fn::OutcomeTree::ID>("fn::OutcomeTree::ID");
    qRegisterMetaType<fn::OutcomeTreeNode::ID>("fn::OutcomeTreeNode::ID");
    qRegisterMetaType<fn::InputType::Country>("fn::InputType::Country");
    qRegisterMetaType<fn::InputType::Disease>("fn::InputType::Disease");
}

QWebEnginePage* WebGUI::page() const
{
    return m_page;
}

Chief* WebGUI::chief() const
{
    return m_chief;
}

void WebGUI::setPage(QWebEnginePage* page)
{
    m_page = page;
    if (!m_channel) {
        m_channel = new QWebChannel(this);
        m_channel->registerObject(QStringLiteral("webGUI"), this);
    }
    if (page)
        page->setWebChannel(m_channel);
}

void WebGUI::setChief(Chief* chief)
{
    if (m_chief == chief)
        return;
    if (m_chief) {
        disconnect(m_chief, nullptr, this, nullptr);
        disconnect(this, nullptr, m_chief, nullptr);
    }
    m_chief = chief;
    if (!chief)
        return;

    connect(this, &WebGUI::pageOpenNotified, chief, &Chief::pageOpened);
    connect(this, &WebGUI::countrySelectionChangeRequested, chief, &Chief::changeCountrySelection);
    connect(this, &WebGUI::diseaseSelectionChangeRequested, chief, &Chief::changeDiseaseSelection);
    connect(this, &WebGUI::createModelsRequested, chief, &Chief::createModels);
    connect(this, &WebGUI::deleteModelsRequested, chief, &Chief::deleteModels);
    connect(this, &WebGUI::modelSelectionRequested, chief, &Chief::selectModel);
    connect(this, &WebGUI::showingOutcomeTreeElementDetailsRequested, chief, &Chief::showOutcomeTreeElementDetails);
    connect(this, &WebGUI::applyingChangesToModelParamsRequested, chief, &Chief::applyChangesToModelParams);
    connect(this, &WebGUI::applyingChangesToYLDParamsRequested, chief, &Chief::applyChangesToYLDParams);
    connect(this, &WebGUI::applyingChangesToYLLParamsRequested, chief, &Chief::applyChangesToYLLParams);
    connect(this, &WebGUI::applyingChangesToTransParamsRequested, chief, &Chief::applyChangesToTransParams);
    connect(this, &WebGUI::settingNumSamplesRequested, chief, &Chief::setNumSamples);
    connect(this, &WebGUI::settingTimeDiscountRateRequested, chief, &Chief::setTimeDiscountRate);
    connect(this, &WebGUI::showingDetailedResultsRequested, chief, &Chief::showDetailedResults);
    connect(this, &WebGUI::cancellingRunRequested, chief, &Chief::cancelRun);
    connect(this, &WebGUI::settingUncertaintyAnalysisRequested, chief, &Chief::setUncertaintyAnalysis);

    connect(chief, &Chief::programReinitialized, this, &WebGUI::programReinitialized);
    connect(chief, &Chief::referenceDataChanged, this, &WebGUI::referenceDataChanged);
    connect(chief, &Chief::showMessage, this, &WebGUI::showMessage);
    connect(chief, &Chief::showMessageInYLDPage, this, &WebGUI::showMessageInYLDPage);
    connect(chief, &Chief::showMessageInYLLPage, this, &WebGUI::showMessageInYLLPage);
    connect(chief, &Chief::showMessageInTransPage, this, &WebGUI::showMessageInTransPage);
    connect(chief, &Chief::modelsCreated, this, &WebGUI::modelsCreated);
    connect(chief, &Chief::modelSelected, this, &WebGUI::modelSelected);
    connect(chief, &Chief::detailedResultsAvailable, this, &WebGUI::detailedResultsAvailable);
    connect(chief, &Chief::aggregatedResultsAvailable, this, &WebGUI::aggregatedResultsAvailable);
    connect(chief, &Chief::formulaCheckResultsAvailable, this, &WebGUI::formulaCheckResultsAvailable);
    connect(chief, &Chief::formulaCheckResultsAvailableForYLDPage, this,
            &WebGUI::formulaCheckResultsAvailableForYLDPage);
    connect(chief, &Chief::formulaCheckResultsAvailableForYLLPage, this,
            &WebGUI::formulaCheckResultsAvailableForYLLPage);
    connect(chief, &Chief::formulaCheckResultsAvailableForTransPage, this,
            &WebGUI::formulaCheckResultsAvailableForTransPage);
    connect(chief, &Chief::createUpdatableMessage, this, &WebGUI::createUpdatableMessage);
    connect(chief, &Chief::updateMessage, this, &WebGUI::updateMessage);
    connect(chief, &Chief::destroyUpdatableMessage, this, &WebGUI::destroyUpdatableMessage);
    connect(chief, &Chief::runStarted, this, &WebGUI::runStarted);
    connect(chief, &Chief::runFinished, this, &WebGUI::runFinished);
    connect(chief, &Chief::runProgressUpdated, this, &WebGUI::runProgressUpdated);
    connect(chief, &Chief::notice, this, &WebGUI::notice);
    connect(chief, &Chief::runningChanged, this, &WebGUI::runningChanged);
    connect(chief, &Chief::runCancelled, this, &WebGUI::runCancelled);
    connect(chief, &Chief::elementDetailsRequested, this, &WebGUI::openElementDetails);
    connect(chief, &Chief::runFailed, this, &WebGUI::runFailed);
    connect(chief, &Chief::runIterationProgressUpdated, this, &WebGUI::runIterationProgressUpdated);
    connect(chief, &Chief::resultsOutdated, this, &WebGUI::resultsOutdated);
    connect(chief, &Chief::runSettingsChanged, this, &WebGUI::runSettingsChanged);
    connect(chief, &Chief::formulaErrorsExplained, this, &WebGUI::formulaErrorsExplained);
    connect(chief, &Chief::uncertaintyAnalysisChanged, this, &WebGUI::uncertaintyAnalysisChanged);
    connect(chief, &Chief::parameterWarningsChanged, this, &WebGUI::parameterWarningsChanged);
}

void WebGUI::dataRequested()
{
    emit programReinitialized();
}

void WebGUI::webLinkClicked(QString webLink)
{
    if (webLink.contains(QLatin1String("http")))
        QDesktopServices::openUrl(QUrl(webLink));
}

void WebGUI::pageOpened(int tabIndex, QString pageName)
{
    emit pageOpenNotified(tabIndex, pageName);
}

QVariantList WebGUI::getAvailableDiseases() const
{
    return m_chief ? m_chief->availableDiseases() : QVariantList();
}

QVariantList WebGUI::getAvailableCountries() const
{
    return m_chief ? m_chief->populationCheck().countries() : QVariantList();
}

bool WebGUI::isRunning() const
{
    return m_chief && m_chief->isRunning();
}

void WebGUI::cancelRun()
{
    emit cancellingRunRequested();
}

QVariantMap WebGUI::getOutcomeTreeDiagram(QString countryID, QString diseaseID, QString modelID) const
{
    return m_chief ? m_chief->outcomeTreeDiagram(countryID, diseaseID, modelID) : QVariantMap();
}

void WebGUI::setSelectedCountries(QStringList countryIDs)
{
    emit countrySelectionChangeRequested(countryIDs);
}

void WebGUI::setSelectedDiseases(QStringList diseaseIDs)
{
    emit diseaseSelectionChangeRequested(diseaseIDs);
}

void WebGUI::createModels()
{
    emit createModelsRequested();
}

void WebGUI::deleteModels()
{
    emit deleteModelsRequested();
}

void WebGUI::selectModel(QString countryID, QString diseaseID, QString modelID)
{
    emit modelSelectionRequested(countryID, diseaseID, modelID);
}

void WebGUI::showDetailedResults(QString countryIdStr, QString diseaseIdStr, QString modelId)
{
    emit showingDetailedResultsRequested(countryIdStr, diseaseIdStr, modelId);
}

void WebGUI::showOutcomeTreeElementDetails(QString outcomeTreeIdStr, QString elementType, QString elementId,
                                           QString countryIdStr, QString diseaseIdStr, QString modelId)
{
    emit showingOutcomeTreeElementDetailsRequested(outcomeTreeIdStr, elementType, elementId, countryIdStr, diseaseIdStr,
                                                   modelId);
}

void WebGUI::applyChangesToModelParams(QVariantMap modelInfo, int estimType, QVariantMap underestimationData,
                                       QVariantMap underreportingData, QVariantMap underascertainmentData,
                                       QVariantMap caseBeforeCorrData, QVariantMap lifeExpData,
                                       QVariantMap ageDistrData)
{
    emit applyingChangesToModelParamsRequested(modelInfo, estimType, underestimationData, underreportingData,
                                               underascertainmentData, caseBeforeCorrData, lifeExpData, ageDistrData);
}

void WebGUI::applyChangesToYLDParams(QVariantMap modelInfo, QVariantMap severityData, QVariantMap durationData,
                                     QVariantMap proportionData)
{
    emit applyingChangesToYLDParamsRequested(modelInfo, severityData, durationData, proportionData);
}

void WebGUI::applyChangesToYLLParams(QVariantMap modelInfo, QVariantMap proportionData)
{
    emit applyingChangesToYLLParamsRequested(modelInfo, proportionData);
}

void WebGUI::applyChangesToTransParams(QVariantMap modelInfo, QVariantMap probabilityData,
                                       QVariantMap redistributionData)
{
    emit applyingChangesToTransParamsRequested(modelInfo, probabilityData, redistributionData);
}

int WebGUI::getNumSamples() const
{
    return m_chief ? m_chief->numSamples() : 0;
}

double WebGUI::getTimeDiscountRate() const
{
    return m_chief ? m_chief->timeDiscountRate() : 0.0;
}

void WebGUI::setNumSamples(int numSamples)
{
    emit settingNumSamplesRequested(numSamples);
}

void WebGUI::setTimeDiscountRate(double timeDiscountRate)
{
    emit settingTimeDiscountRateRequested(timeDiscountRate);
}

int WebGUI::getFewestSamplesForQuantiles() const
{
    return int(fn::QuantileEstimator::fewestValues);
}

bool WebGUI::isUncertaintyAnalysisEnabled() const
{
    return m_chief && m_chief->isUncertaintyAnalysisEnabled();
}

void WebGUI::setUncertaintyAnalysis(bool enabled)
{
    emit settingUncertaintyAnalysisRequested(enabled);
}

QVariantMap WebGUI::getUncertaintyResults(QString countryID, QString diseaseID, QString modelID) const
{
    // The run thread is writing them.
    if (!m_chief || m_chief->isRunning())
        return {};
    const fn::DiseaseModel* model = m_chief->getModel(countryID, diseaseID, modelID);
    return model ? model->uncertaintyResults() : QVariantMap();
}

QVariantMap WebGUI::getParameterWarnings(QString countryID, QString diseaseID, QString modelID) const
{
    const fn::DiseaseModel* model = m_chief ? m_chief->getModel(countryID, diseaseID, modelID) : nullptr;
    return model ? ModelWarnings::cells(*model) : QVariantMap();
}

void WebGUI::runModels()
{
    if (m_chief)
        m_chief->runModels(true);
}

void WebGUI::copyTextToClipboard(QString text)
{
    QGuiApplication::clipboard()->setText(text);
}

QVariantMap WebGUI::pasteFromClipboardToGrid(QStringList rowNames, QStringList colNames, QString distrType)
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasText())
        return {{QStringLiteral("stratified"), QVariantList()}};
    return clipboardTextToGrid(mime->text(), rowNames, colNames, distrType);
}

void WebGUI::copyPngImageToClipboard(QString base64Str)
{
    QGuiApplication::clipboard()->setImage(pngFromBase64(base64Str));
}

void WebGUI::savePngImageToFile(QString base64Str)
{
    QString fileName = QFileDialog::getSaveFileName(dialogParent(), QStringLiteral("Save Image"), QDir::currentPath(),
                                                    QStringLiteral("PNG files (*.png)"));
    if (fileName.isEmpty())
        return;
    fileName = withSuffix(fileName, QStringLiteral("png"));
    const QString title = QStringLiteral("Save image");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QImage image = pngFromBase64(base64Str);
    QString error;
    if (image.isNull() || !image.save(&buffer, "PNG")) {
        emit notice(title, QStringLiteral("The chart could not be turned into an image."), QStringLiteral("error"));
    } else if (!ut::OutputFile::save(fileName, bytes, &error)) {
        emit notice(title, error.toHtmlEscaped(), QStringLiteral("error"));
    } else {
        emit notice(
            title,
            QStringLiteral("The image has been saved to %1.").arg(QDir::toNativeSeparators(fileName).toHtmlEscaped()),
            QStringLiteral("success"));
    }
}

void WebGUI::printPage()
{
}

void WebGUI::exportPageToPdf()
{
    if (m_pdfExport.isBusy()) {
        emit notice(pdfTitle, QStringLiteral("The page is being exported already."), QStringLiteral("info"));
        return;
    }
    const QString fileName = QFileDialog::getSaveFileName(dialogParent(), QStringLiteral("Save pdf"),
                                                          QStringLiteral("."), QStringLiteral("PDF Files (*.pdf)"));
    if (fileName.isEmpty() || !m_page)
        return;
    const QString path = withSuffix(fileName, QStringLiteral("pdf"));
    emit createUpdatableMessage(pdfTitle,
                                QStringLiteral("Writing %1…").arg(QDir::toNativeSeparators(path).toHtmlEscaped()));
    m_pdfExport.start(m_page, path);
}

void WebGUI::onPdfExportFinished(const QString& path, bool success, const QString& text)
{
    emit destroyUpdatableMessage();
    emit notice(pdfTitle, text.toHtmlEscaped(), success ? QStringLiteral("success") : QStringLiteral("error"));
    emit pdfExportFinished(path, success);
}

void WebGUI::showPrintPreview(QPrinter* printer)
{
    Q_UNUSED(printer)
}

QWidget* WebGUI::dialogParent() const
{
    return m_page ? m_page->view() : nullptr;
}

void WebGUI::openElementDetails(fn::DiseaseModel* model, const QString& outcomeTreeId, const QString& elementType,
                                const QString& elementId, bool withResults)
{
    // The pop-ups talk to the bridge the controller was given; another bridge leaves them alone.
    if (!m_chief || !model || (m_chief->webGUI() && m_chief->webGUI() != this))
        return;
    ElementPresenterFactory factory(*model, m_chief->webGUI(), withResults);
    DataPresenter* presenter = factory.create(outcomeTreeId, elementType, elementId);
    if (factory.hasNotice())
        m_chief->reportNotice(factory.notice().title, factory.notice().text, QStringLiteral("error"));
    if (!presenter)
        return;
    const fn::WebData& data = presenter->webData();
    m_chief->presenterMgr().registerPresenter(presenter, data.modelId(), data.outcomeTreeId(),
                                              data.outcomeTreeNodeId());
}

} // namespace ui

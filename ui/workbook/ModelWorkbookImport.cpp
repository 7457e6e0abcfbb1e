#include "ui/workbook/ModelWorkbookImport.h"

#include <QDir>

#include "ui/ModelFactory.h"
#include "ui/ModelRegistry.h"
#include "ui/workbook/ModelWorkbook.h"
#include "ut/Exception.h"
#include "ut/workbook/Excel.h"

namespace ui {

ModelWorkbookImport::ModelWorkbookImport(ModelFactory& factory, ModelRegistry& registry)
    : m_factory(factory)
    , m_registry(registry)
{
}

QList<fn::DiseaseModel*> ModelWorkbookImport::read(const QFileInfo& file, const Listener& listener)
{
    const QString title = QStringLiteral("Model import");
    const QString workbook = QDir::toNativeSeparators(file.absoluteFilePath());
    ut::Excel excel(file.filePath());
    if (!excel.isOpen())
        listener.problem(title, excel.errorString());
    QList<fn::DiseaseModel*> added;
    for (int i = 1; i <= excel.sheetCount(); ++i) {
        excel.selectSheet(i);
        const QString sheetName = excel.sheetName();
        listener.sheetStarted(sheetName);
        const QString sheet = QStringLiteral("Sheet \"%1\" of %2").arg(sheetName, workbook);
        const ModelWorkbook::Head head = ModelWorkbook::readHead(excel);
        if (head.version != ModelWorkbook::version) {
            listener.error(title,
                           QStringLiteral("Sheet ") + sheetName
                               + QStringLiteral(" contains model created by the previous, unsupported "
                                                "version of the tool. It will not be imported."));
            // A sheet of notes beside the models is not an old model: say what it is.
            const QString why = ModelWorkbook::isModelSheet(excel)
                ? QStringLiteral("%1: cell B3 holds \"%2\" where a saved model holds its version, %3.")
                      .arg(sheet, head.versionText)
                      .arg(ModelWorkbook::version)
                : QStringLiteral("%1 is not a model: it is left out.").arg(sheet);
            listener.warning(title, why.toHtmlEscaped());
            continue;
        }
        const QString id = m_registry.freeModelId(head.modelId);
        std::unique_ptr<fn::DiseaseModel> made = m_factory.make(head.countryId, head.diseaseId, id);
        if (!made) {
            listener.error(title,
                           QStringLiteral("Sheet ") + sheetName
                               + QStringLiteral(" contains model not supported by the reference data loaded. "
                                                "It will not be imported."));
            const QString reason = m_factory.whyNone(head.countryId, head.diseaseId);
            listener.warning(title, QStringLiteral("%1: %2").arg(sheet, reason).toHtmlEscaped());
            continue;
        }
        made->setOrigin(QStringLiteral("sheet \"%1\" of the workbook %2").arg(sheetName, workbook));
        // A sheet that cannot be read as the user sees it is refused whole, never read in part.
        try {
            ModelWorkbook::readSheet(excel, *made);
        } catch (const ut::Exception& e) {
            listener.problem(title, QStringLiteral("%1 is not imported: %2").arg(sheet, e.message()));
            continue;
        }
        fn::DiseaseModel* model = m_registry.append(std::move(made));
        m_registry.enter(head.countryId, head.diseaseId, id, model);
        model->distributeToTrees();
        listener.modelAdded(*model);
        added << model;
    }
    excel.close();
    return added;
}

} // namespace ui

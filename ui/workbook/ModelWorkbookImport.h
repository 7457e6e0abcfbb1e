#pragma once

#include <QFileInfo>
#include <QList>
#include <QString>
#include <functional>

namespace fn {
class DiseaseModel;
}

namespace ui {

class ModelFactory;
class ModelRegistry;

// Reads the models of a saved workbook, one per sheet, into the registry. A sheet that is not
// a model of this version, names a pair the reference data cannot build, or cannot be read as
// the user sees it is left out with its reason; the others become models.
class ModelWorkbookImport
{
public:
    // What the import tells as it goes, in the order it happens.
    struct Listener
    {
        std::function<void(const QString& sheetName)> sheetStarted;
        // A message box (type "error").
        std::function<void(const QString& title, const QString& text)> error;
        // Why a sheet is left out, beside the message box the page always had for it.
        std::function<void(const QString& title, const QString& text)> warning;
        // A workbook or sheet that could not be read; text is plain, not yet escaped.
        std::function<void(const QString& title, const QString& text)> problem;
        std::function<void(fn::DiseaseModel& model)> modelAdded;
    };

    ModelWorkbookImport(ModelFactory& factory, ModelRegistry& registry);

    // Imports every sheet of the workbook; returns the models added, in sheet order.
    QList<fn::DiseaseModel*> read(const QFileInfo& file, const Listener& listener);

private:
    ModelFactory& m_factory;
    ModelRegistry& m_registry;
};

} // namespace ui

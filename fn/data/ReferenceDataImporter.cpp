#include "fn/data/ReferenceDataImporter.h"

#include <cstdio>

#include "fn/KnownIds.h"
#include "fn/data/InputDataMgr.h"
#include "fn/data/WorkbookBlockReader.h"
#include "ut/workbook/Excel.h"
#include "ut/Exception.h"

namespace fn {

namespace {

const QString Generic = QStringLiteral("Generic");
const QString ColumnA = QStringLiteral("A");

const char* const runFactorLabels[] = {"coverage", "underestimation", "underreporting", "underascertainment"};

ut::RangeRef findLabel(const ut::Excel& excel, const QString& label)
{
    return excel.find(label, ColumnA, false);
}

// Refuses a sheet that lacks any of labels in column A: its tables would quietly keep their
// defaults. Checked before anything of the sheet is stored.
void requireLabels(const ut::Excel& excel, const QStringList& labels)
{
    QStringList missing;
    for (const QString& label : labels) {
        if (!findLabel(excel, label).isValid())
            missing << QStringLiteral("\"%1\"").arg(label);
    }
    if (missing.isEmpty())
        return;
    const QString text = missing.size() == 1
        ? QStringLiteral("The sheet \"%1\" has no cell in column A that reads %2: the label is required.")
        : QStringLiteral("The sheet \"%1\" has no cells in column A that read %2: the labels are required.");
    throw ut::Exception(text.arg(excel.sheetName(), missing.join(QStringLiteral(", "))),
                        QStringLiteral("fn::ReferenceDataImporter"));
}

// The levels of the disease's run factor named rowDimension (the first of that name), so that a
// table of a model data sheet reads past an empty row left inside it; none for another name.
RowLevelsOf factorLevels(const InputFactorMgr& factors, const QString& diseaseId)
{
    return [&factors, diseaseId](const QString& rowDimension) {
        const auto registered = factors.factorMap().find(diseaseId);
        if (registered != factors.factorMap().cend()) {
            for (const InputFactor& factor : registered->second) {
                if (factor.name() == rowDimension)
                    return factor.levels();
            }
        }
        return QStringList();
    };
}

DataArray readLabelledTable(const ut::Excel& excel, const QString& label, const RowLevelsOf& levelsOf)
{
    int lastRow = 0;
    return readStratifiedTable(findLabel(excel, label), excel, lastRow, levelsOf);
}

// Rows of `width` cells from row down to the first empty column A; row ends on that empty row.
QVector<QStringList> readRows(const ut::Excel& excel, int& row, int width)
{
    QVector<QStringList> rows;
    for (; !excel.cellText(row, 1).isEmpty(); ++row) {
        QStringList cells;
        for (int column = 1; column <= width; ++column)
            cells << excel.cellText(row, column);
        rows.append(cells);
    }
    return rows;
}

// The tree block whose health outcomes start six rows below firstEmptyRow; firstEmptyRow
// then moves to the first empty row after its transitions.
OutcomeTreeTemplate readTreeBlock(const ut::Excel& excel, const QString& treeId, int& firstEmptyRow)
{
    OutcomeTreeTemplate tree(treeId, treeId);
    int row = firstEmptyRow + 6;
    for (const QStringList& r : readRows(excel, row, 4))
        tree.addHealthOutcome(r[0], r[1], r[2].toUpper(), r[3].toUpper());
    row += 4;
    for (const QStringList& r : readRows(excel, row, 4))
        tree.addHealthState(r[0], r[1], r[2], r[3].toUpper());
    row += 4;
    for (const QStringList& r : readRows(excel, row, 5))
        tree.addTransition(r[0], r[1], r[2], r[3], r[4]);
    firstEmptyRow = row;
    return tree;
}

bool isCongenitalTreeId(const QString& treeId)
{
    const QString id = treeId.toLower();
    return id == QLatin1String("congenital") || id == QLatin1String("perinatal");
}

// A table two rows below lastRow when its label, lower-cased, is the expected one.
std::optional<DataArray> readFollowingTable(const ut::Excel& excel, int& lastRow, const QString& expectedLabel,
                                            const RowLevelsOf& levelsOf)
{
    const int labelRow = lastRow + 2;
    if (excel.cellText(labelRow, 1).toLower() != expectedLabel)
        return std::nullopt;
    return readStratifiedTable(excel.cell(labelRow, 1), excel, lastRow, levelsOf);
}

// False when the state's id is not in column A.
bool readHealthStateTables(const ut::Excel& excel, const QString& country, const QString& disease, const QString& tree,
                           const QString& state, const RowLevelsOf& levelsOf, ParamsMgr& params)
{
    const int row = excel.rowOf(findLabel(excel, state));
    if (row < 1)
        return false;
    int lastRow = 0;
    params.set(country, disease, tree, state, ParamsMgr::Severity,
               readStratifiedTable(excel.cell(row + 2, 1), excel, lastRow, levelsOf));
    params.set(country, disease, tree, state, ParamsMgr::Duration,
               readStratifiedTable(excel.cell(lastRow + 2, 1), excel, lastRow, levelsOf));
    if (const std::optional<DataArray> proportion = readFollowingTable(excel, lastRow, QStringLiteral("proportion"),
                                                                       levelsOf))
        params.set(country, disease, tree, state, ParamsMgr::Proportion, *proportion);
    return true;
}

// False when the transition's id is not in column A.
bool readTransitionTables(const ut::Excel& excel, const QString& country, const QString& disease, const QString& tree,
                          const QString& transition, const RowLevelsOf& levelsOf, TransitionParamsMgr& params)
{
    const int row = excel.rowOf(findLabel(excel, transition));
    if (row < 1)
        return false;
    int lastRow = 0;
    params.set(country, disease, tree, transition, TransitionParamsMgr::Probability,
               readStratifiedTable(excel.cell(row + 2, 1), excel, lastRow, levelsOf));
    if (const std::optional<DataArray> redistribution = readFollowingTable(excel, lastRow,
                                                                           QStringLiteral("redistribution"), levelsOf))
        params.set(country, disease, tree, transition, TransitionParamsMgr::Redistribution, *redistribution);
    return true;
}

// Whether the element takes parameters of its own: every health state but the infection, every
// transition that is not the complement of another.
bool takesParameters(const OutcomeTreeTemplate::Row& row, bool isTransition)
{
    return isTransition ? row.value(4).isEmpty() : row.value(3) != QLatin1String("INFECTION");
}

} // namespace

ReferenceDataImporter::ReferenceDataImporter(ErrorReporter reporter)
    : m_reporter(reporter ? std::move(reporter) : ErrorReporter(&ReferenceDataImporter::reportOnStandardError))
{
}

void ReferenceDataImporter::reportOnStandardError(const QString& title, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
}

QFileInfo ReferenceDataImporter::workbookFile(const QDir& folder, const QString& baseName)
{
    for (const char* suffix : {".xls", ".xlsx", ".ods"}) {
        const QFileInfo file(folder, baseName + QLatin1String(suffix));
        if (file.exists())
            return file;
    }
    return QFileInfo(folder, baseName + QStringLiteral(".xls"));
}

void ReferenceDataImporter::readWorkbooks(InputDataMgr& store) const
{
    ut::Excel excel;
    const QFileInfo diseaseFile = store.diseaseDataFile();
    if (QFileInfo::exists(diseaseFile.filePath()))
        readWorkbook(excel, diseaseFile, store, [&] { readDiseaseData(excel, diseaseFile, store); });

    const QFileInfo countryFile = store.countryDataFile();
    if (QFileInfo::exists(countryFile.filePath()))
        readWorkbook(excel, countryFile, store, [&] { readCountryData(excel, countryFile, store); });

    const QFileInfoList modelFiles = store.modelDataFiles();
    for (const QFileInfo& file : modelFiles) {
        const QString country = file.baseName().remove(QStringLiteral("modelData-")).trimmed();
        if (!knownCountryIds().contains(country) || !QFileInfo::exists(file.filePath()))
            continue;
        readWorkbook(excel, file, store, [&] { readModelData(excel, file, country, store); });
    }
}

void ReferenceDataImporter::readWorkbook(ut::Excel& excel, const QFileInfo& file, InputDataMgr& store,
                                         const std::function<void()>& read) const
{
    excel.open(file.filePath());
    QString reason = excel.isOpen() ? QString() : excel.errorString();
    bool failed = !excel.isOpen();
    if (!failed) {
        try {
            read();
        } catch (const ut::Exception& e) {
            failed = true;
            reason = QStringLiteral("The workbook \"%1\" could not be read: %2").arg(file.filePath(), e.message());
        } catch (...) {
            failed = true;
        }
    }
    if (failed) {
        excel.closeWorkbook();
        // Why, before the message that it failed, so that the user learns which file and what.
        if (!reason.isEmpty())
            store.reportImportProblem(reason);
        // "occured": the established wording of this box, kept letter for letter.
        m_reporter(QStringLiteral("Error"), QStringLiteral("An error occured"));
    }
}

void ReferenceDataImporter::readDiseaseData(ut::Excel& excel, const QFileInfo& file, InputDataMgr& store)
{
    for (int i = 1; i <= excel.sheetCount(); ++i) {
        excel.selectSheet(i);
        const QString diseaseId = excel.sheetName();
        store.reportSheetImporting(file.fileName(), diseaseId);
        const std::optional<DiseaseTemplate> disease = readDiseaseSheet(excel, diseaseId);
        if (!disease) {
            store.reportImportWarning(
                QStringLiteral("%1, sheet \"%2\": no cell in column A reads \"Caption\", so it is "
                               "not a disease sheet; it was left out.")
                    .arg(file.fileName(), diseaseId));
            continue;
        }
        store.diseaseTemplates().add(diseaseId, *disease);
        store.appendDiseaseId(diseaseId);
    }
}

void ReferenceDataImporter::readCountryData(ut::Excel& excel, const QFileInfo& file, InputDataMgr& store)
{
    for (int i = 1; i <= excel.sheetCount(); ++i) {
        excel.selectSheet(i);
        const QString countryId = excel.sheetName();
        if (!knownCountryIds().contains(countryId))
            continue;
        store.reportSheetImporting(file.fileName(), countryId);
        // "Generic" has no population of its own; it only stands in for other countries.
        if (countryId == Generic)
            continue;
        readCountrySheet(excel, countryId, store);
    }
}

void ReferenceDataImporter::readModelData(ut::Excel& excel, const QFileInfo& file, const QString& countryId,
                                          InputDataMgr& store)
{
    for (int i = 1; i <= excel.sheetCount(); ++i) {
        excel.selectSheet(i);
        const QString diseaseId = excel.sheetName();
        store.reportSheetImporting(file.fileName(), diseaseId);
        // The pair is recorded even for a sheet skipped below: it makes the disease selectable.
        store.addCountryDisease(countryId, diseaseId);
        QStringList notFound;
        readModelDataSheet(excel, countryId, diseaseId, store, &notFound);
        if (!notFound.isEmpty()) {
            const QString text = notFound.size() == 1
                ? QStringLiteral("%1, sheet \"%2\": no cell in column A reads the id of %3, whose parameters keep "
                                 "their defaults.")
                : QStringLiteral("%1, sheet \"%2\": no cell in column A reads the ids of %3, whose parameters keep "
                                 "their defaults.");
            store.reportImportWarning(text.arg(file.fileName(), diseaseId, notFound.join(QStringLiteral(", "))));
        }
    }
}

std::optional<DiseaseTemplate> ReferenceDataImporter::readDiseaseSheet(const ut::Excel& excel, const QString& diseaseId)
{
    const int captionRow = excel.rowOf(findLabel(excel, QStringLiteral("Caption")));
    if (captionRow < 1)
        return std::nullopt;

    DiseaseTemplate disease;
    disease.setId(diseaseId);
    disease.setCaption(excel.cellText(captionRow + 1, 1));
    int firstEmptyRow = captionRow + 6;
    for (const QStringList& row : readRows(excel, firstEmptyRow, 1)) {
        disease.appendOutcomeTreeId(row[0]);
        if (isCongenitalTreeId(row[0]))
            disease.setCongenital(true);
    }
    for (const QString& treeId : disease.outcomeTreeIds())
        disease.addOutcomeTree(treeId, readTreeBlock(excel, treeId, firstEmptyRow));
    return disease;
}

void ReferenceDataImporter::readCountrySheet(const ut::Excel& excel, const QString& countryId, InputDataMgr& store)
{
    const QString lifeExpectancy = QStringLiteral("Life expectancy");
    const QString ageDistribution = QStringLiteral("Age distribution");
    requireLabels(excel, {QStringLiteral("Caption"), lifeExpectancy, ageDistribution});
    store.setCountryCaption(countryId, excel.cellText(excel.rowOf(findLabel(excel, QStringLiteral("Caption"))) + 1, 1));
    // No run factors are known yet. An empty row inside a table is passed over when a table row
    // follows; what follows a table in this sheet is a label, which has no formula cells.
    int lastRow = 0;
    store.setLifeExpectancy(countryId,
                            readStratifiedTable(findLabel(excel, lifeExpectancy), excel, lastRow, anyRowCount));
    store.setAgeDistribution(countryId,
                             readStratifiedTable(findLabel(excel, ageDistribution), excel, lastRow, anyRowCount));
}

bool ReferenceDataImporter::readModelDataSheet(const ut::Excel& excel, const QString& countryId,
                                               const QString& diseaseId, InputDataMgr& store, QStringList* notFound)
{
    if (countryId != Generic && (!store.hasLifeExpectancy(countryId) || !store.hasAgeDistribution(countryId)))
        return false;
    if (!store.hasDiseaseTemplate(diseaseId))
        return false;

    const QString runFactorsLabel = QStringLiteral("Run factors");
    const QString mappingLabel = QStringLiteral("Outcome tree mapping");
    const QString notificationLabel = QStringLiteral("Notification data");
    const QString typeLabel = QStringLiteral("underestimation type");
    QStringList labels{runFactorsLabel, mappingLabel, notificationLabel};
    for (const char* label : runFactorLabels)
        labels << QLatin1String(label);
    requireLabels(excel, labels << typeLabel);

    readRunFactors(excel, findLabel(excel, runFactorsLabel), diseaseId, store.inputFactors());
    // The run factors are known from here on: a table whose row dimension is one of them is read
    // past an empty row left inside it.
    const RowLevelsOf levelsOf = factorLevels(store.inputFactors(), diseaseId);
    store.setOutcomeTreeMapping(countryId, diseaseId, readLabelledTable(excel, mappingLabel, levelsOf));
    store.setNotificationData(countryId, diseaseId, readLabelledTable(excel, notificationLabel, levelsOf));
    for (const char* label : runFactorLabels)
        store.setRunFactor(countryId, diseaseId, QLatin1String(label),
                           readLabelledTable(excel, QLatin1String(label), levelsOf));
    int lastRow = 0;
    store.setUnderestimationTypes(countryId, diseaseId,
                                  readKeyValueRows(excel, excel.rowOf(findLabel(excel, typeLabel)) + 2, lastRow));

    const DiseaseTemplate disease = store.diseaseTemplates().templates().value(diseaseId);
    for (const QString& treeId : disease.outcomeTreeIds()) {
        const OutcomeTreeTemplate tree = disease.outcomeTree(treeId);
        for (auto it = tree.healthStates().cbegin(); it != tree.healthStates().cend(); ++it) {
            if (!readHealthStateTables(excel, countryId, diseaseId, treeId, it.key(), levelsOf, store.params())
                && notFound && takesParameters(it.value(), false))
                *notFound << QStringLiteral("the health state \"%1\"").arg(it.key());
        }
        for (auto it = tree.transitions().cbegin(); it != tree.transitions().cend(); ++it) {
            if (!readTransitionTables(excel, countryId, diseaseId, treeId, it.key(), levelsOf, store.transitionParams())
                && notFound && takesParameters(it.value(), true))
                *notFound << QStringLiteral("the transition \"%1\"").arg(it.key());
        }
    }
    return true;
}

void ReferenceDataImporter::readRunFactors(const ut::Excel& excel, const ut::RangeRef& label, const QString& diseaseId,
                                           InputFactorMgr& factors)
{
    for (int row = excel.rowOf(label) + 3;; ++row) {
        const QString name = excel.cellText(row, 1);
        if (name.isEmpty())
            break;
        QStringList levels;
        for (int column = 2;; ++column) {
            const QString level = excel.cellText(row, column);
            if (level.isEmpty())
                break;
            levels << level;
        }
        if (!levels.isEmpty())
            factors.addInputFactor(diseaseId, name, levels);
    }
}

} // namespace fn

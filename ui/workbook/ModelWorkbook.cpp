#include "ui/workbook/ModelWorkbook.h"

#include <QPoint>
#include <QVariantList>

#include "fn/data/WorkbookBlockReader.h"
#include "fn/model/DiseaseModel.h"
#include "ui/workbook/ModelWorkbookCheck.h"
#include "ut/Exception.h"
#include "ut/workbook/Excel.h"

namespace ui {

namespace {

constexpr int blockWidth = 3;
// The row of the first parameter block, below the fixed head.
// The head of a sheet: a label in column A on each of these rows, its value in column B.
constexpr int fileInfoRow = 1;
constexpr int versionRow = 3;
constexpr int modelInfoRow = 5;
constexpr int countryRow = 7;
constexpr int diseaseRow = 8;
constexpr int modelIdRow = 9;
constexpr int firstBlockRow = 11;

struct ModelArray
{
    int type;
    const char* label;
};

// The model's arrays in the order the sheet holds them, with the labels that find them.
constexpr ModelArray mappingArray{fn::DiseaseModel::OutcomeTreeMapping, "Outcome tree mapping"};
constexpr ModelArray notificationArray{fn::DiseaseModel::NotifiedCases, "Notification data"};
constexpr ModelArray correctionArrays[] = {
    {fn::DiseaseModel::Coverage, "coverage"},
    {fn::DiseaseModel::Underestimation, "underestimation"},
    {fn::DiseaseModel::Underreporting, "underreporting"},
    {fn::DiseaseModel::Underascertainment, "underascertainment"},
};
constexpr ModelArray populationArrays[] = {
    {fn::DiseaseModel::LifeExpectancy, "life expectancy"},
    {fn::DiseaseModel::AgeDistribution, "age distribution"},
};

QVariantList row(const QVariant& a, const QVariant& b = QString(), const QVariant& c = QString())
{
    return {a, b, c};
}

// Name, empty row, meta rows and an empty row, then the table of a two-factor array.
QVariantList parameterBlock(const fn::DataArray& array, const QString& label)
{
    QVariantList rows;
    rows << QVariant(row(label)) << QVariant(row(QString()));
    if (!array.meta().isEmpty()) {
        for (auto it = array.meta().cbegin(); it != array.meta().cend(); ++it)
            rows << QVariant(row(it.key().toLower(), it.value()));
        rows << QVariant(row(QString()));
    }
    const QVector<fn::InputFactor>& factors = array.factorCopies();
    if (factors.size() != 2)
        return rows;
    const fn::InputFactor& rowFactor = factors[0];
    const fn::InputFactor& columnFactor = factors[1];
    QVariantList header{columnFactor.name()};
    for (const QString& level : columnFactor.levels())
        header << level;
    while (header.size() < blockWidth)
        header << QString();
    rows << QVariant(header.mid(0, blockWidth)) << QVariant(row(rowFactor.name()));
    const QStringList& formulas = array.formulas();
    for (int i = 0; i < rowFactor.levelCount(); ++i)
        rows << QVariant(row(rowFactor.levels()[i], formulas.value(2 * i), formulas.value(2 * i + 1)));
    return rows;
}

QVariantList combined(const QList<QVariantList>& blocks)
{
    QVariantList rows;
    for (int i = 0; i < blocks.size(); ++i) {
        if (i > 0)
            rows << QVariant(row(QString()));
        rows += blocks[i];
    }
    return rows;
}

QString labelOf(const fn::DataArray& array, const char* fallback)
{
    return array.name().isEmpty() ? QLatin1String(fallback) : array.name();
}

class SheetWriter
{
public:
    explicit SheetWriter(ut::Excel& excel)
        : m_excel(excel)
    {
    }

    void label(const QString& text)
    {
        m_excel.setCellValue(m_row, 1, text);
        m_row += 2;
    }

    void block(const QVariantList& rows)
    {
        int next = m_row;
        m_excel.writeBlock(QPoint(m_row, 1), rows, blockWidth, next);
        m_row = next + 1;
    }

    void setRow(int row) { m_row = row; }

private:
    ut::Excel& m_excel;
    int m_row = 1;
};

// Reads a sheet block by block in the order writeSheet() lays them out, each at its place: the
// second row below the previous label or block, past any further empty rows a user left. A label
// that is not where the layout puts it is refused with the sheet, the cell and the label
// expected, so that a parameter never quietly keeps its default.
class SheetLayoutReader
{
public:
    SheetLayoutReader(const ut::Excel& excel, int firstRow)
        : m_excel(excel)
        , m_row(firstRow)
    {
    }

    // The row of the label, which must read label (whole cell, in any letter case); the next
    // place is two rows below it.
    int label(const QString& label)
    {
        skipEmptyRows();
        const QString found = m_excel.cellText(m_row, 1);
        if (found.compare(label, Qt::CaseInsensitive) != 0) {
            const QString held = found.isEmpty() ? QStringLiteral("is empty")
                                                 : QStringLiteral("holds \"%1\"").arg(found.left(80));
            throw ut::Exception(QStringLiteral("The %1 %2 where the model layout has the label \"%3\".")
                                    .arg(fn::cellPlace(m_excel, m_row, 1), held, label.left(80)),
                                QStringLiteral("ui::ModelWorkbook::readSheet"));
        }
        const int row = m_row;
        m_row += 2;
        return row;
    }

    // The table whose label is label (any label when empty), shaped like model's array.
    fn::DataArray table(const fn::DataArray& modelArray, const QString& label = QString())
    {
        skipEmptyRows();
        if (!label.isEmpty())
            this->label(label);
        const int labelRow = label.isEmpty() ? m_row : m_row - 2;
        const fn::DataArray::Dims& dims = modelArray.currentDims();
        int lastRow = -1;
        fn::DataArray table = fn::readStratifiedTable(m_excel.cell(labelRow, 1), m_excel, lastRow,
                                                      dims.size() == 2 ? int(dims.front()) : 0);
        if (modelArray.factorCopies().size() == 2) {
            m_row = lastRow + 2;
        } else {
            // writeSheet() gives such an array its label and meta rows only; what the table reader
            // made of the rows below stays what it always was, and the next block follows the meta.
            int lastMetaRow = 0;
            const bool hasMeta = !fn::readKeyValueRows(m_excel, labelRow + 2, lastMetaRow).isEmpty();
            m_row = hasMeta ? lastMetaRow + 2 : labelRow + 2;
        }
        return table;
    }

    void skipRows(int count) { m_row += count; }

private:
    void skipEmptyRows()
    {
        while (m_row < ut::Worksheet::maxRows && m_excel.cellText(m_row, 1).isEmpty())
            ++m_row;
    }

    const ut::Excel& m_excel;
    int m_row;
};

// The tables of an element, shaped like modelArrays. An element is found by the first cell of
// column A that holds its name: when an earlier outcome tree has an element of that name, both
// read the first one's tables. The element's own tables are passed over all the same, checked,
// so that the blocks after them are still found at their places.
QVector<fn::DataArray> elementTables(const ut::Excel& excel, SheetLayoutReader& sheet, const QString& name,
                                     const QVector<const fn::DataArray*>& modelArrays)
{
    const int placed = sheet.label(name);
    QVector<fn::DataArray> tables;
    for (const fn::DataArray* array : modelArrays)
        tables << sheet.table(*array);
    const int first = excel.rowOf(excel.find(name, QStringLiteral("A"), false));
    if (first > 0 && first != placed) {
        SheetLayoutReader earlier(excel, first + 2);
        for (int i = 0; i < modelArrays.size(); ++i)
            tables[i] = earlier.table(*modelArrays[i]);
    }
    return tables;
}

} // namespace

bool ModelWorkbook::isModelSheet(const ut::Excel& excel)
{
    return excel.cellText(fileInfoRow, 1).compare(QLatin1String("File info"), Qt::CaseInsensitive) == 0
        && excel.cellText(versionRow, 1).compare(QLatin1String("Version"), Qt::CaseInsensitive) == 0;
}

ModelWorkbook::Head ModelWorkbook::readHead(const ut::Excel& excel)
{
    Head head;
    head.version = excel.cellValue(versionRow, 2).toInt();
    head.versionText = excel.cellText(versionRow, 2);
    const int infoRow = excel.rowOf(excel.find(QStringLiteral("Model info"), QStringLiteral("A"), false));
    head.countryId = excel.cellText(infoRow + countryRow - modelInfoRow, 2);
    head.diseaseId = excel.cellText(infoRow + diseaseRow - modelInfoRow, 2);
    head.modelId = excel.cellText(infoRow + modelIdRow - modelInfoRow, 2);
    return head;
}

void ModelWorkbook::writeSheet(ut::Excel& excel, fn::DiseaseModel& model)
{
    excel.setCellValue(fileInfoRow, 1, QStringLiteral("File info"));
    excel.setCellValue(versionRow, 1, QStringLiteral("Version"));
    excel.setCellValue(versionRow, 2, static_cast<double>(version));
    excel.setCellValue(modelInfoRow, 1, QStringLiteral("Model info"));
    excel.setCellValue(countryRow, 1, QStringLiteral("CountryID"));
    excel.setCellValue(countryRow, 2, model.countryId());
    excel.setCellValue(diseaseRow, 1, QStringLiteral("DiseaseID"));
    excel.setCellValue(diseaseRow, 2, model.diseaseId());
    excel.setCellValue(modelIdRow, 1, QStringLiteral("ModelID"));
    excel.setCellValue(modelIdRow, 2, model.modelId());

    SheetWriter sheet(excel);
    sheet.setRow(firstBlockRow);
    sheet.block(parameterBlock(model.getParameter(mappingArray.type), QLatin1String(mappingArray.label)));
    sheet.block(parameterBlock(model.getParameter(notificationArray.type), QLatin1String(notificationArray.label)));

    sheet.label(QStringLiteral("Corrections"));
    QList<QVariantList> corrections;
    for (const ModelArray& entry : correctionArrays)
        corrections << parameterBlock(model.getParameter(entry.type), QLatin1String(entry.label));
    sheet.block(combined(corrections));

    sheet.label(QStringLiteral("underestimation type"));
    sheet.block({QVariant(row(QStringLiteral("Type"), QString::number(model.getUnderestimationType())))});

    sheet.label(QStringLiteral("Population data"));
    QList<QVariantList> population;
    for (const ModelArray& entry : populationArrays)
        population << parameterBlock(model.getParameter(entry.type), QLatin1String(entry.label));
    sheet.block(combined(population));

    for (int t = 0; t < model.outcomeTreeCount(); ++t) {
        const fn::OutcomeTree& tree = model.getOutcomeTree(t);
        sheet.label(tree.id());
        sheet.label(QStringLiteral("Parameters - %1").arg(tree.id()));
        for (const fn::HealthState& state : tree.healthStates()) {
            if (state.sequelaType() != fn::InputType::YLD)
                continue;
            sheet.label(state.name());
            sheet.block(combined({parameterBlock(state.severity(), labelOf(state.severity(), "Severity")),
                                  parameterBlock(state.duration(), labelOf(state.duration(), "Duration")),
                                  parameterBlock(state.proportion(), labelOf(state.proportion(), "Proportion"))}));
        }
        sheet.label(QStringLiteral("Transitions - %1").arg(tree.id()));
        for (const fn::TransitionProbability& transition : tree.transitions()) {
            sheet.label(transition.name());
            const fn::DataArray& probability = transition.probabilityParameter();
            const fn::DataArray& redistribution = transition.redistributionParameter();
            sheet.block(combined({parameterBlock(probability, labelOf(probability, "Probability")),
                                  parameterBlock(redistribution, labelOf(redistribution, "Redistribution"))}));
        }
    }
}

void ModelWorkbook::readSheet(ut::Excel& excel, fn::DiseaseModel& model)
{
    SheetLayoutReader sheet(excel, firstBlockRow);
    const auto readModelArray = [&](const ModelArray& entry) {
        const QString label = QLatin1String(entry.label);
        model.setParameter(entry.type, sheet.table(model.getParameter(entry.type), label));
    };
    readModelArray(mappingArray);
    readModelArray(notificationArray);
    sheet.label(QStringLiteral("Corrections"));
    for (const ModelArray& entry : correctionArrays)
        readModelArray(entry);
    const int typeRow = sheet.label(QStringLiteral("underestimation type"));
    model.setUnderestimationType(static_cast<std::uint32_t>(excel.cellText(typeRow + 2, 2).toUInt()));
    sheet.skipRows(2);
    sheet.label(QStringLiteral("Population data"));
    for (const ModelArray& entry : populationArrays)
        readModelArray(entry);

    for (int t = 0; t < model.outcomeTreeCount(); ++t) {
        fn::OutcomeTree& tree = model.getOutcomeTree(t);
        sheet.label(tree.id());
        sheet.label(QStringLiteral("Parameters - %1").arg(tree.id()));
        for (fn::HealthState& state : tree.healthStates()) {
            if (state.sequelaType() != fn::InputType::YLD)
                continue;
            const QVector<fn::DataArray> tables = elementTables(
                excel, sheet, state.name(), {&state.severity(), &state.duration(), &state.proportion()});
            state.setParameter(fn::InputType::Severity, tables[0]);
            state.setParameter(fn::InputType::Duration, tables[1]);
            state.setParameter(fn::InputType::Proportion, tables[2]);
        }
        sheet.label(QStringLiteral("Transitions - %1").arg(tree.id()));
        for (fn::TransitionProbability& transition : tree.transitions()) {
            const QVector<fn::DataArray> tables = elementTables(
                excel, sheet, transition.name(),
                {&transition.probabilityParameter(), &transition.redistributionParameter()});
            transition.setProbabilityParameter(tables[0]);
            transition.setRedistributionParameter(tables[1]);
        }
    }
}

QString ModelWorkbook::save(const fn::DiseaseModelList& models, const QString& path,
                            const std::function<void(const fn::DiseaseModel&)>& sheetStarted)
{
    ut::Excel excel(path);
    int sheets = excel.sheetCount();
    for (std::size_t i = 1; i <= models.size(); ++i) {
        fn::DiseaseModel& model = *models[i - 1];
        sheetStarted(model);
        const ut::SheetRef sheet = static_cast<int>(i) <= sheets ? excel.selectSheet(static_cast<int>(i))
                                                                 : excel.addSheet(QStringLiteral("Export %1").arg(i));
        excel.setSheetName(sheet, model.modelId());
        excel.setProperty(excel.range(QStringLiteral("A:A")), QStringLiteral("NumberFormat"), QStringLiteral("@"));
        writeSheet(excel, model);
    }
    while (sheets > static_cast<int>(models.size()))
        excel.deleteSheet(sheets--);
    // A text the workbook cannot keep whole stops the save before any file is touched.
    QString problem = ModelWorkbookCheck::problem(models);
    if (problem.isEmpty()) {
        excel.saveAs(path);
        problem = excel.errorString();
    } else {
        problem = QStringLiteral("Cannot save the models to \"%1\": %2.").arg(path, problem);
    }
    excel.close();
    return problem;
}

} // namespace ui

#include "app/refdata/ReferenceWorkbookWriter.h"

#include <algorithm>

#include <QDir>
#include <QPoint>
#include <QSet>
#include <QVariantList>

#include "fn/KnownIds.h"
#include "fn/data/InputDataMgr.h"
#include "ut/workbook/Excel.h"
#include "ut/Exception.h"

namespace fn {

namespace {

const QString Generic = QStringLiteral("Generic");
const QString Place = QStringLiteral("fn::ReferenceWorkbookWriter::write");

const char* const runFactorLabels[] = {"coverage", "underestimation", "underreporting", "underascertainment"};

QVariantList cells(const QStringList& texts)
{
    QVariantList row;
    for (const QString& text : texts)
        row << text;
    return row;
}

QVariantList rowsOf(const QVector<QStringList>& rows)
{
    QVariantList block;
    for (const QStringList& row : rows)
        block << QVariant(cells(row));
    return block;
}

int widthOf(const QVariantList& rows)
{
    int width = 1;
    for (const QVariant& row : rows)
        width = std::max(width, static_cast<int>(row.toList().size()));
    return width;
}

// The array's own name when the import's label finds it, the label otherwise: the import
// names a table after the text of its label cell.
QString labelFor(const DataArray& array, const QString& label)
{
    return array.name().compare(label, Qt::CaseInsensitive) == 0 ? array.name() : label;
}

// Why the stratified table reader could not read the array back, or nothing.
QString tableProblem(const DataArray& array)
{
    const QVector<InputFactor>& factors = array.factorCopies();
    if (factors.size() != 2)
        return QStringLiteral("it has %1 factors instead of two").arg(factors.size());
    for (const InputFactor& factor : factors) {
        if (factor.name().trimmed().isEmpty())
            return QStringLiteral("a factor has no name");
        for (const QString& level : factor.levels()) {
            if (level.trimmed().isEmpty())
                return QStringLiteral("the factor \"%1\" has an empty level").arg(factor.name());
        }
    }
    // The reader tells a header row from meta rows by the word sex in column A.
    const bool sexFirst = array.meta().isEmpty() ? factors[1].name().toLower() == QLatin1String("sex")
                                                 : array.meta().firstKey().toLower() != QLatin1String("sex");
    if (!sexFirst)
        return QStringLiteral("its column factor must be Sex unless it has meta entries other than sex");
    return QString();
}

// The rows of one stratified table: label, empty row, meta rows and an empty row, header row,
// row-factor name, then one row of formulas per level of the row factor.
QVariantList tableRows(const DataArray& array, const QString& label, const QString& context)
{
    const QString problem = tableProblem(array);
    if (!problem.isEmpty())
        throw ut::Exception(
            QStringLiteral("The table \"%1\" of %2 cannot be written: %3.").arg(label, context, problem), Place);
    QVariantList rows{QVariant(cells({label})), QVariant(QVariantList())};
    if (!array.meta().isEmpty()) {
        for (auto it = array.meta().cbegin(); it != array.meta().cend(); ++it)
            rows << QVariant(cells({it.key().toLower(), it.value()}));
        rows << QVariant(QVariantList());
    }
    const InputFactor& rowFactor = array.factorCopies().at(0);
    const InputFactor& columnFactor = array.factorCopies().at(1);
    rows << QVariant(cells(QStringList{columnFactor.name()} + columnFactor.levels()));
    rows << QVariant(cells({rowFactor.name()}));
    const int columns = columnFactor.levelCount();
    for (int r = 0; r < rowFactor.levelCount(); ++r) {
        QStringList row{rowFactor.levels().at(r)};
        for (int c = 0; c < columns; ++c)
            row << array.formulas().value(r * columns + c);
        rows << QVariant(cells(row));
    }
    return rows;
}

// Tables one below the other, one empty row between them.
QVariantList combined(const QList<QVariantList>& tables)
{
    QVariantList rows;
    for (const QVariantList& table : tables) {
        if (!rows.isEmpty())
            rows << QVariant(QVariantList());
        rows += table;
    }
    return rows;
}

// Writes labels and blocks down column A of the current sheet, one empty row after each.
class SheetCursor
{
public:
    SheetCursor(ut::Excel& excel, int row)
        : m_excel(excel)
        , m_row(row)
    {
    }

    void label(const QStringList& texts) { block({QVariant(cells(texts))}); }

    void block(const QVariantList& rows)
    {
        if (rows.isEmpty())
            return;
        int next = m_row;
        m_excel.writeBlock(QPoint(m_row, 1), rows, widthOf(rows), next);
        m_row = next + 1;
    }

    void skip(int rows) { m_row += rows; }

private:
    ut::Excel& m_excel;
    int m_row;
};

// The sheets of a new workbook in order: the default sheets are reused, further ones added,
// and those left over deleted before saving.
class SheetSequence
{
public:
    explicit SheetSequence(ut::Excel& excel)
        : m_excel(excel)
        , m_defaultSheets(excel.sheetCount())
    {
    }

    void next(const QString& name)
    {
        ++m_used;
        const ut::SheetRef sheet = m_used <= m_defaultSheets ? m_excel.selectSheet(m_used) : m_excel.addSheet(name);
        m_excel.setSheetName(sheet, name);
        if (m_excel.sheetName() != name)
            throw ut::Exception(QStringLiteral("\"%1\" cannot be a sheet name: %2").arg(name, m_excel.errorString()),
                                Place);
    }

    void save(const QString& path)
    {
        for (int n = m_defaultSheets; n > m_used; --n)
            m_excel.deleteSheet(n);
        m_excel.saveAs(path);
        if (!m_excel.errorString().isEmpty())
            throw ut::Exception(m_excel.errorString(), Place);
    }

private:
    ut::Excel& m_excel;
    int m_defaultSheets;
    int m_used = 0;
};

// One list of a tree block, from firstRow down, with a heading two rows and column titles one
// row above it. Returns the first empty row after the list.
int writeList(ut::Excel& excel, int firstRow, const QString& heading, const QStringList& titles,
              const QVector<QStringList>& rows)
{
    excel.setCellValue(firstRow - 2, 1, heading);
    int next = firstRow;
    excel.writeBlock(QPoint(firstRow - 1, 1), rowsOf({titles}), titles.size(), next);
    if (!rows.isEmpty())
        excel.writeBlock(QPoint(firstRow, 1), rowsOf(rows), titles.size(), next);
    return next;
}

// A tree block whose health outcomes start six rows below firstEmptyRow, the states and the
// transitions four rows below the end of the list before; returns the first empty row after it.
int writeTreeBlock(ut::Excel& excel, const OutcomeTreeTemplate& tree, int firstEmptyRow)
{
    QVector<QStringList> outcomes;
    for (const QString& id : tree.healthOutcomeOrder())
        outcomes << tree.healthOutcomes().value(id);
    excel.setCellValue(firstEmptyRow + 2, 1, QStringLiteral("Outcome tree"));
    excel.setCellValue(firstEmptyRow + 2, 2, tree.id());
    int end = writeList(
        excel, firstEmptyRow + 6, QStringLiteral("Health outcomes"),
        {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Reported")}, outcomes);
    end = writeList(
        excel, end + 4, QStringLiteral("Health states"),
        {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Health outcome"), QStringLiteral("Category")},
        tree.healthStates().values().toVector());
    return writeList(excel, end + 4, QStringLiteral("Transitions"),
                     {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Source"), QStringLiteral("Target"),
                      QStringLiteral("Complemented transition")},
                     tree.transitions().values().toVector());
}

// The stored array itself, without the fallback to "Generic" of ElementParams::find.
const DataArray* storedArray(const ElementParams& params, const QString& country, const QString& disease,
                             const QString& tree, const QString& element)
{
    const auto c = params.map().constFind(country);
    if (c == params.map().cend())
        return nullptr;
    const auto d = c->constFind(disease);
    if (d == c->cend())
        return nullptr;
    const auto t = d->constFind(tree);
    if (t == d->cend())
        return nullptr;
    const auto e = t->constFind(element);
    return e == t->cend() ? nullptr : &e.value();
}

const DataArray* firstOf(std::initializer_list<const DataArray*> arrays)
{
    for (const DataArray* array : arrays) {
        if (array)
            return array;
    }
    return nullptr;
}

DataArray orDefault(const DataArray* array, const DataArray& model, const QString& name, const QString& formula)
{
    return array ? *array : DataArray(model.factorCopies(), name, {}, formula);
}

QVariantList labelRow(const QStringList& texts)
{
    return {QVariant(cells(texts)), QVariant(QVariantList())};
}

} // namespace

ReferenceWorkbookWriter::ReferenceWorkbookWriter(const InputDataMgr& store)
    : m_store(store)
{
}

QString ReferenceWorkbookWriter::modelDataFileName(const QString& country)
{
    return QStringLiteral("modelData-") + country + QStringLiteral(".xls");
}

bool ReferenceWorkbookWriter::write(const QString& folder)
{
    m_errorString.clear();
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        m_errorString = QStringLiteral("The folder \"%1\" cannot be created.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    placeRunFactors();
    try {
        writeDiseaseData(dir.filePath(QStringLiteral("diseaseData.xls")));
        writeCountryData(dir.filePath(QStringLiteral("countryData.xls")));
        const QStringList countries = m_store.countryDiseases().uniqueKeys();
        for (const QString& country : countries)
            writeModelData(country, dir.filePath(modelDataFileName(country)));
    } catch (const ut::Exception& exception) {
        m_errorString = exception.message();
        return false;
    }
    return true;
}

QStringList ReferenceWorkbookWriter::writtenDiseases() const
{
    QStringList diseases;
    for (const QString& disease : m_store.diseaseIds()) {
        if (m_store.hasDiseaseTemplate(disease) && !diseases.contains(disease))
            diseases << disease;
    }
    return diseases;
}

QStringList ReferenceWorkbookWriter::sheetDiseases(const QString& country) const
{
    // A multi-map lists the values of a key last inserted first; the import inserts in sheet order.
    QStringList inserted = m_store.countryDiseases().values(country);
    std::reverse(inserted.begin(), inserted.end());
    inserted.removeDuplicates();
    return inserted;
}

bool ReferenceWorkbookWriter::isReadCountry(const QString& country) const
{
    if (!knownCountryIds().contains(country))
        return false;
    return country == Generic
        || (m_store.lifeExpectancies().contains(country) && m_store.ageDistributions().contains(country));
}

void ReferenceWorkbookWriter::placeRunFactors()
{
    m_runFactorCountries.clear();
    QStringList countries = m_store.countryDiseases().uniqueKeys();
    // The import visits the model data files in file name order.
    std::sort(countries.begin(), countries.end(),
              [](const QString& a, const QString& b) { return modelDataFileName(a) < modelDataFileName(b); });
    const QStringList diseases = writtenDiseases();
    for (const QString& country : countries) {
        if (!isReadCountry(country))
            continue;
        for (const QString& disease : sheetDiseases(country)) {
            if (diseases.contains(disease) && !m_runFactorCountries.contains(disease))
                m_runFactorCountries.insert(disease, country);
        }
    }
}

void ReferenceWorkbookWriter::writeDiseaseData(const QString& path) const
{
    ut::Excel excel;
    SheetSequence sheets(excel);
    for (const QString& diseaseId : writtenDiseases()) {
        sheets.next(diseaseId);
        const DiseaseTemplate disease = m_store.diseaseTemplates().templates().value(diseaseId);
        excel.setCellValue(1, 1, QStringLiteral("Caption"));
        excel.setCellValue(2, 1, disease.caption());
        excel.setCellValue(4, 1, QStringLiteral("Outcome trees"));
        // The tree ids start five rows below the caption.
        int firstEmptyRow = 7;
        QVector<QStringList> treeIds;
        for (const QString& treeId : disease.outcomeTreeIds())
            treeIds << QStringList{treeId};
        if (!treeIds.isEmpty())
            excel.writeBlock(QPoint(firstEmptyRow, 1), rowsOf(treeIds), 1, firstEmptyRow);
        for (const QString& treeId : disease.outcomeTreeIds())
            firstEmptyRow = writeTreeBlock(excel, disease.outcomeTree(treeId), firstEmptyRow);
    }
    sheets.save(path);
}

void ReferenceWorkbookWriter::writeCountryData(const QString& path) const
{
    QStringList countries = m_store.countryCaptions().keys() + m_store.lifeExpectancies().keys()
        + m_store.ageDistributions().keys();
    std::sort(countries.begin(), countries.end());
    countries.removeDuplicates();
    // The import never reads a "Generic" country sheet.
    countries.removeAll(Generic);

    ut::Excel excel;
    SheetSequence sheets(excel);
    for (const QString& country : countries) {
        sheets.next(country);
        if (m_store.countryCaptions().contains(country)) {
            excel.setCellValue(1, 1, QStringLiteral("Caption"));
            excel.setCellValue(2, 1, m_store.countryCaptions().value(country));
        }
        SheetCursor cursor(excel, 4);
        const QString context = QStringLiteral("country %1").arg(country);
        const auto lifeExpectancy = m_store.lifeExpectancies().constFind(country);
        if (lifeExpectancy != m_store.lifeExpectancies().cend())
            cursor.block(
                tableRows(*lifeExpectancy, labelFor(*lifeExpectancy, QStringLiteral("Life expectancy")), context));
        const auto ageDistribution = m_store.ageDistributions().constFind(country);
        if (ageDistribution != m_store.ageDistributions().cend())
            cursor.block(
                tableRows(*ageDistribution, labelFor(*ageDistribution, QStringLiteral("Age distribution")), context));
    }
    sheets.save(path);
}

void ReferenceWorkbookWriter::writeModelData(const QString& country, const QString& path) const
{
    ut::Excel excel;
    SheetSequence sheets(excel);
    for (const QString& disease : sheetDiseases(country)) {
        sheets.next(disease);
        writeModelDataSheet(excel, country, disease);
    }
    sheets.save(path);
}

void ReferenceWorkbookWriter::writeModelDataSheet(ut::Excel& excel, const QString& country,
                                                  const QString& disease) const
{
    // The import reads the factor rows from three rows below their label.
    excel.setCellValue(1, 1, QStringLiteral("Run factors"));
    int row = 4;
    const auto factors = m_store.inputFactors().factorMap().find(disease);
    if (m_runFactorCountries.value(disease) == country && factors != m_store.inputFactors().factorMap().cend()) {
        for (const InputFactor& factor : factors->second) {
            QStringList texts{factor.name()};
            texts += factor.levels();
            excel.writeBlock(QPoint(row, 1), {QVariant(cells(texts))}, texts.size(), row);
        }
    }
    SheetCursor cursor(excel, row + 1);

    const QString context = QStringLiteral("disease %1 of country %2").arg(disease, country);
    const auto tableOf = [&](const InputDataMgr::CountryDiseaseArrays& map, const QString& label) {
        const auto arrays = map.constFind(country);
        if (arrays == map.cend())
            return;
        const auto array = arrays->constFind(disease);
        if (array != arrays->cend())
            cursor.block(tableRows(*array, labelFor(*array, label), context));
    };
    tableOf(m_store.outcomeTreeMappings(), QStringLiteral("Outcome tree mapping"));
    tableOf(m_store.notificationDataMap(), QStringLiteral("Notification data"));
    const InputDataMgr::ArrayMap runFactors = m_store.runFactors().value(country).value(disease);
    for (const char* label : runFactorLabels) {
        const auto array = runFactors.constFind(QLatin1String(label));
        if (array != runFactors.cend())
            cursor.block(tableRows(*array, labelFor(*array, QLatin1String(label)), context));
    }

    // The import requires the label; a data set without types gets an empty block, which reads
    // as the default type.
    const InputDataMgr::KeyValues types = m_store.underestimationTypes().value(country).value(disease);
    cursor.label({QStringLiteral("underestimation type")});
    QVector<QStringList> rows;
    for (auto it = types.cbegin(); it != types.cend(); ++it)
        rows << QStringList{it.key().toLower(), it.value()};
    // An empty block keeps the row below it empty too, or the next label would be read as a key.
    if (rows.isEmpty())
        cursor.skip(1);
    else
        cursor.block(rowsOf(rows));
    cursor.block(elementRows(country, disease));
}

QVariantList ReferenceWorkbookWriter::elementRows(const QString& country, const QString& disease) const
{
    const DiseaseTemplate diseaseTemplate = m_store.diseaseTemplates().templates().value(disease);
    const ParamsMgr& params = m_store.params();
    const TransitionParamsMgr& transitionParams = m_store.transitionParams();
    // The import finds an element by its id alone, in any letter case, so each id is written once.
    QSet<QString> writtenIds;
    QVariantList rows;
    const auto append = [&rows](const QVariantList& block) {
        rows += block;
        rows << QVariant(QVariantList());
    };
    for (const QString& treeId : diseaseTemplate.outcomeTreeIds()) {
        const OutcomeTreeTemplate tree = diseaseTemplate.outcomeTree(treeId);
        append({QVariant(cells({QStringLiteral("Parameters - %1").arg(treeId)}))});
        for (auto it = tree.healthStates().cbegin(); it != tree.healthStates().cend(); ++it) {
            const QString& id = it.key();
            if (writtenIds.contains(id.toLower()))
                continue;
            writtenIds.insert(id.toLower());
            const auto stored = [&](int kind) {
                return storedArray(params.params(kind), country, disease, treeId, id);
            };
            const DataArray* severity = stored(ParamsMgr::Severity);
            const DataArray* duration = stored(ParamsMgr::Duration);
            const DataArray* proportion = stored(ParamsMgr::Proportion);
            const DataArray* model = firstOf({severity, duration, proportion});
            if (!model)
                continue;
            const QString context = QStringLiteral("health state %1 of %2 in country %3").arg(id, disease, country);
            const DataArray severityTable = orDefault(severity, *model, QString(),
                                                      ParamsMgr::defaultFormula(ParamsMgr::Severity));
            const DataArray durationTable = orDefault(duration, *model, QString(),
                                                      ParamsMgr::defaultFormula(ParamsMgr::Duration));
            QList<QVariantList> tables{tableRows(severityTable, severityTable.name(), context),
                                       tableRows(durationTable, durationTable.name(), context)};
            if (proportion)
                tables << tableRows(*proportion, labelFor(*proportion, QStringLiteral("Proportion")), context);
            append(labelRow({id, it.value().value(1)}) + combined(tables));
        }
        append({QVariant(cells({QStringLiteral("Transitions - %1").arg(treeId)}))});
        for (auto it = tree.transitions().cbegin(); it != tree.transitions().cend(); ++it) {
            const QString& id = it.key();
            if (writtenIds.contains(id.toLower()))
                continue;
            writtenIds.insert(id.toLower());
            const DataArray* probability = storedArray(transitionParams.params(TransitionParamsMgr::Probability),
                                                       country, disease, treeId, id);
            const DataArray* redistribution = storedArray(transitionParams.params(TransitionParamsMgr::Redistribution),
                                                          country, disease, treeId, id);
            const DataArray* model = firstOf({probability, redistribution});
            if (!model)
                continue;
            const QString context = QStringLiteral("transition %1 of %2 in country %3").arg(id, disease, country);
            const DataArray probabilityTable = orDefault(
                probability, *model, TransitionParamsMgr::defaultName(TransitionParamsMgr::Probability),
                TransitionParamsMgr::defaultFormula(TransitionParamsMgr::Probability));
            QList<QVariantList> tables{tableRows(probabilityTable, probabilityTable.name(), context)};
            if (redistribution)
                tables << tableRows(*redistribution, labelFor(*redistribution, QStringLiteral("Redistribution")),
                                    context);
            append(labelRow({id, it.value().value(1)}) + combined(tables));
        }
    }
    return rows;
}

} // namespace fn

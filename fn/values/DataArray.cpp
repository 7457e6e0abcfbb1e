#include "fn/values/DataArray.h"

#include "fn/values/formula/FormulaProblems.h"
#include "ut/Exception.h"

namespace fn {

namespace {

QStringList repeated(const QString& formula, std::uint64_t count)
{
    QStringList list;
    list.reserve(static_cast<int>(count));
    for (std::uint64_t i = 0; i < count; ++i)
        list << formula;
    return list;
}

std::uint64_t productOf(const DataArray::Dims& dims)
{
    if (dims.empty())
        return 0;
    std::uint64_t n = 1;
    for (std::uint64_t d : dims)
        n *= d;
    return n;
}

bool isAgeBySex(const DataArray::Dims& dims, std::uint64_t ageGroups)
{
    return dims.size() == 2 && dims[0] == ageGroups && dims[1] == 2;
}

} // namespace

DataArray::DataArray() = default;

DataArray::DataArray(const InputFactorPtrs& factors, const QString& defaultFormula)
    : m_currentFactors(factors)
{
    for (const InputFactor* factor : factors)
        m_factors << *factor;
    m_dims = dimsOf(factors);
    m_currentDims = m_dims;
    m_formulas = repeated(defaultFormula, productOf(m_dims));
    m_currentFormulas = m_formulas;
    m_values = Marray(shapeOf(m_currentDims));
}

DataArray::DataArray(const QVector<InputFactor>& factors, const QString& name, const Meta& meta,
                     const QString& defaultFormula)
    : DataArray(factors, name, meta, repeated(defaultFormula, productOf(dimsOf(factors))))
{
}

DataArray::DataArray(const QVector<InputFactor>& factors, const QString& name, const Meta& meta,
                     const QStringList& formulas)
    : m_name(name)
    , m_meta(meta)
    , m_factors(factors)
    , m_formulas(formulas)
    , m_currentFormulas(formulas)
{
    bindToOwnFactors();
    m_dims = dimsOf(m_factors);
    m_currentDims = m_dims;
    m_values = Marray(shapeOf(m_currentDims));
}

DataArray::DataArray(const DataArray& other)
    : m_name(other.m_name)
    , m_compiledFormulas(other.m_compiledFormulas)
    , m_meta(other.m_meta)
    , m_factors(other.m_factors)
    , m_dims(other.m_dims)
    , m_formulas(other.m_formulas)
    , m_currentFactors(other.m_currentFactors)
    , m_currentDims(other.m_currentDims)
    , m_currentFormulas(other.m_currentFormulas)
    , m_values(other.m_values)
    , m_boundToOwnFactors(other.m_boundToOwnFactors)
{
    if (m_boundToOwnFactors)
        bindToOwnFactors();
}

DataArray& DataArray::operator=(const DataArray& other)
{
    if (this == &other)
        return *this;
    m_name = other.m_name;
    m_compiledFormulas = other.m_compiledFormulas;
    m_meta = other.m_meta;
    m_factors = other.m_factors;
    m_dims = other.m_dims;
    m_formulas = other.m_formulas;
    m_currentFactors = other.m_currentFactors;
    m_currentDims = other.m_currentDims;
    m_currentFormulas = other.m_currentFormulas;
    m_values = Marray();
    m_values = other.m_values;
    m_boundToOwnFactors = other.m_boundToOwnFactors;
    if (m_boundToOwnFactors)
        bindToOwnFactors();
    return *this;
}

DataArray::~DataArray() = default;

DataArray::Dims DataArray::dimsOf(const InputFactorPtrs& factors)
{
    Dims dims;
    for (const InputFactor* factor : factors)
        dims.push_back(static_cast<std::uint64_t>(factor->levelCount()));
    return dims;
}

DataArray::Dims DataArray::dimsOf(const QVector<InputFactor>& factors)
{
    Dims dims;
    for (const InputFactor& factor : factors)
        dims.push_back(static_cast<std::uint64_t>(factor.levelCount()));
    return dims;
}

Marray::Shape DataArray::shapeOf(const Dims& dims)
{
    return Marray::Shape(dims);
}

void DataArray::bindToOwnFactors()
{
    m_boundToOwnFactors = true;
    m_currentFactors.clear();
    for (const InputFactor& factor : m_factors)
        m_currentFactors << &factor;
}

InputFactorPtrs DataArray::factors() const
{
    InputFactorPtrs pointers;
    for (const InputFactor& factor : m_factors)
        pointers << &factor;
    return pointers;
}

std::uint64_t DataArray::cellCount() const
{
    return productOf(m_currentDims);
}

bool DataArray::compile()
{
    return m_compiledFormulas.compile(m_currentFormulas);
}

void DataArray::initializeParser()
{
    m_compiledFormulas.clear();
    if (m_currentFormulas.isEmpty())
        return;
    if (compile())
        return;
    ut::Exception failure(QStringLiteral("One or more formulas for parameter %1 cannot be parsed.\n"
                                         "Instead all formulas have been initialized to evaluate to 0.")
                              .arg(m_name),
                          QStringLiteral("fn::DataArray::initializeParser"));
    // Which cells and why, before their texts are gone.
    const QStringList problems = FormulaProblems::describe(m_currentFormulas, m_currentFactors);
    for (const QString& problem : problems)
        failure.addDetail(problem);
    if (problems.isEmpty())
        failure.addDetail(QStringLiteral("every cell compiles on its own, but not all of them in a row"));
    for (QString& formula : m_currentFormulas)
        formula = QStringLiteral("0");
    compile();
    throw failure;
}

void DataArray::evaluate()
{
    m_compiledFormulas.evaluate(m_values.begin(), m_values.size());
}

void DataArray::setFormulas(const QStringList& formulas)
{
    m_formulas = formulas;
    m_currentFormulas = formulas;
    m_compiledFormulas.clear();
    const InputFactorPtrs current = m_currentFactors;
    setInputFactors(current);
}

void DataArray::replaceFactorCopies(const InputFactorPtrs& factors)
{
    QVector<InputFactor> copies;
    for (const InputFactor* factor : factors)
        copies << *factor;
    m_factors = copies;
}

void DataArray::setInputFactors(const InputFactorPtrs& newFactors)
{
    // Pointers into the array's own copies stay meaningful only while those copies live.
    bool ownPointers = !newFactors.isEmpty();
    for (const InputFactor* factor : newFactors) {
        const bool own = !m_factors.isEmpty() && factor >= m_factors.constData()
            && factor < m_factors.constData() + m_factors.size();
        ownPointers = ownPointers && own;
    }

    m_currentFactors = newFactors;
    m_currentDims = dimsOf(newFactors);
    m_boundToOwnFactors = ownPointers;

    const bool from19 = isAgeBySex(m_dims, 19);
    const bool from20 = isAgeBySex(m_dims, 20);
    const bool to19 = isAgeBySex(m_currentDims, 19);
    const bool to20 = isAgeBySex(m_currentDims, 20);
    if (from19 && to20) {
        // The extra first age group takes the formula of the first group's second sex for both
        // sexes; a cell the list does not reach reads as "0", as an unwritten cell would.
        m_formulas.insert(0, m_formulas.value(1, QStringLiteral("0")));
        m_formulas.insert(0, m_formulas.value(2, QStringLiteral("0")));
        m_currentFormulas = m_formulas;
        m_dims = m_currentDims;
        replaceFactorCopies(newFactors);
        m_compiledFormulas.clear();
    } else if (from20 && to20) {
        replaceFactorCopies(newFactors);
    } else if (from20 && to19) {
        m_formulas.erase(m_formulas.begin(), m_formulas.begin() + std::min(2, m_formulas.size()));
        m_currentFormulas = m_formulas;
        m_dims = m_currentDims;
        replaceFactorCopies(newFactors);
        m_compiledFormulas.clear();
    }
    if (m_boundToOwnFactors)
        bindToOwnFactors();
    m_values = Marray(shapeOf(m_currentDims));
}

} // namespace fn

#pragma once

#include <cstdint>
#include <vector>

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include "fn/values/formula/CompiledFormulaList.h"
#include "fn/values/InputFactor.h"
#include "fn/values/Marray.h"

namespace fn {

// A stratified model parameter: one formula per stratum (every combination of the levels
// of its factors), evaluated together once per Monte-Carlo iteration into an Marray.
class DataArray
{
public:
    using Dims = std::vector<std::uint64_t>;
    using Meta = QMap<QString, QString>;

    DataArray();
    DataArray(const InputFactorPtrs& factors, const QString& defaultFormula);
    DataArray(const QVector<InputFactor>& factors, const QString& name, const Meta& meta,
              const QString& defaultFormula);
    DataArray(const QVector<InputFactor>& factors, const QString& name, const Meta& meta, const QStringList& formulas);
    DataArray(const DataArray& other);
    DataArray& operator=(const DataArray& other);
    virtual ~DataArray();

    // Compiles the current formulas, in chunks of bounded length so that any number of
    // strata can be compiled; throws ut::Exception (all cells become "0") on failure.
    void initializeParser();
    // Draws every cell once, in scalar-index order, into values().
    void evaluate();

    // Replaces the defined formulas (laid out for dims()) and adapts them to the current factors.
    void setFormulas(const QStringList& formulas);
    // Binds the array to other factors, converting between 19 and 20 age groups; a formula
    // list shorter than its shape converts as far as it reaches.
    void setInputFactors(const InputFactorPtrs& factors);

    void setName(const QString& name) { m_name = name; }
    void setMeta(const Meta& meta) { m_meta = meta; }
    void setMetaValue(const QString& key, const QString& value) { m_meta.insert(key, value); }
    QString metaValue(const QString& key) const { return m_meta.value(key); }

    const QString& name() const { return m_name; }
    const Meta& meta() const { return m_meta; }
    InputFactorPtrs factors() const;
    const QVector<InputFactor>& factorCopies() const { return m_factors; }
    const Dims& dims() const { return m_dims; }
    const QStringList& formulas() const { return m_formulas; }
    const InputFactorPtrs& currentFactors() const { return m_currentFactors; }
    const Dims& currentDims() const { return m_currentDims; }
    const QStringList& currentFormulas() const { return m_currentFormulas; }
    const Marray& values() const { return m_values; }
    Marray& values() { return m_values; }

    std::uint64_t cellCount() const;

private:
    static Dims dimsOf(const InputFactorPtrs& factors);
    static Dims dimsOf(const QVector<InputFactor>& factors);
    static Marray::Shape shapeOf(const Dims& dims);
    void bindToOwnFactors();
    void replaceFactorCopies(const InputFactorPtrs& factors);
    bool compile();

    QString m_name;
    CompiledFormulaList m_compiledFormulas;
    Meta m_meta;
    QVector<InputFactor> m_factors;
    Dims m_dims;
    QStringList m_formulas;
    InputFactorPtrs m_currentFactors;
    Dims m_currentDims;
    QStringList m_currentFormulas;
    Marray m_values;
    // The current factors are the array's own copies (arrays read from files and
    // specifications); copies then point to their own copies, not to the source's.
    bool m_boundToOwnFactors = false;
};

} // namespace fn

#include "fn/model/SensitivityInputs.h"

#include <QMap>

#include "fn/model/DiseaseModel.h"
#include "fn/model/OutcomeTree.h"
#include "fn/values/RandomFunctions.h"

namespace fn {

SensitivityInputs::SensitivityInputs(std::uint32_t iterations, std::vector<double> weights)
    : m_iterations(iterations)
    , m_weights(std::move(weights))
{
}

QString SensitivityInputs::describeCells(const DataArray& array, const std::vector<std::size_t>& cells) const
{
    // A cell by its levels, age group and sex in practice.
    const InputFactorPtrs& factors = array.currentFactors();
    const auto levelsOf = [&](std::size_t index) {
        QStringList levels;
        for (int j = factors.size() - 1; j >= 0; --j) {
            const int count = factors[j]->levelCount();
            if (count <= 0)
                break;
            levels.prepend(factors[j]->levels().value(int(index % std::size_t(count))));
            index /= std::size_t(count);
        }
        return levels.join(QLatin1Char(' '));
    };
    if (cells.size() == 1)
        return QStringLiteral("cell %1 (%2)").arg(cells.front()).arg(levelsOf(cells.front()));
    const std::size_t total = std::size_t(array.currentFormulas().size());
    QString which = cells.size() == total ? QStringLiteral("all %1 cells").arg(total)
                                          : QStringLiteral("%1 of %2 cells").arg(cells.size()).arg(total);
    if (cells.size() <= 4 && cells.size() < total) {
        QStringList names;
        for (std::size_t cell : cells)
            names << levelsOf(cell);
        which += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return which + QStringLiteral(", one formula: their population-weighted mean");
}

void SensitivityInputs::addArray(const DataArray& array, const QString& treeId, const QString& elementId,
                                 const QString& elementName)
{
    const QStringList& formulas = array.currentFormulas();
    // Cells grouped by formula, in the order the formulas first appear.
    QMap<QString, std::size_t> groupOf;
    std::vector<Input> groups;
    for (int i = 0; i < formulas.size(); ++i) {
        if (!callsRandomFunction(formulas[i]))
            continue;
        const auto found = groupOf.constFind(formulas[i]);
        if (found == groupOf.constEnd()) {
            groupOf.insert(formulas[i], groups.size());
            groups.push_back({treeId, elementId, elementName, array.name(), formulas[i], {std::size_t(i)}, QString()});
        } else {
            groups[found.value()].cells.push_back(std::size_t(i));
        }
    }
    for (Input& input : groups) {
        input.cellsText = describeCells(array, input.cells);
        m_inputs.push_back(std::move(input));
        m_arrays.push_back(&array);
    }
}

void SensitivityInputs::startTree(const OutcomeTree& tree, const DiseaseModel& model)
{
    m_firstOfTree = m_inputs.size();
    m_arrays.clear();
    const QString& treeId = tree.id();
    // In the order they are drawn: the model's parameters, the infection, states, transitions.
    for (const int type : {DiseaseModel::NotifiedCases, DiseaseModel::AgeDistribution, DiseaseModel::LifeExpectancy,
                           DiseaseModel::Coverage, DiseaseModel::Underestimation, DiseaseModel::Underreporting,
                           DiseaseModel::Underascertainment})
        addArray(model.getParameter(type), treeId, QString(), QString());
    const Infection& infection = *tree.infection();
    addArray(infection.lifeExpectancy(), treeId, infection.id(), infection.name());
    addArray(infection.notifiedCases(), treeId, infection.id(), infection.name());
    for (const HealthState& state : tree.healthStates()) {
        for (const DataArray* array : {&state.severity(), &state.duration(), &state.proportion()})
            addArray(*array, treeId, state.id(), state.name());
    }
    for (const TransitionProbability& transition : tree.transitions()) {
        addArray(transition.probabilityParameter(), treeId, transition.id(), transition.name());
        addArray(transition.redistributionParameter(), treeId, transition.id(), transition.name());
    }
    const std::size_t count = m_inputs.size() - m_firstOfTree;
    m_buffers.emplace_back(count * m_iterations);
    m_draws.resize(m_inputs.size());
    for (std::size_t i = 0; i < count; ++i)
        m_draws[m_firstOfTree + i] = m_buffers.back().data() + i * m_iterations;
}

void SensitivityInputs::capture(std::uint32_t k)
{
    for (std::size_t i = 0; i < m_arrays.size(); ++i) {
        const Input& input = m_inputs[m_firstOfTree + i];
        const Marray& values = m_arrays[i]->values();
        double weighted = 0.0;
        double weights = 0.0;
        double plain = 0.0;
        std::size_t counted = 0;
        for (std::size_t cell : input.cells) {
            if (cell >= values.size())
                continue;
            const double w = cell < m_weights.size() ? m_weights[cell] : 0.0;
            weighted += w * values[cell];
            weights += w;
            plain += values[cell];
            ++counted;
        }
        // Strata without population weigh nothing; if none has any, every cell weighs the same.
        m_draws[m_firstOfTree + i][k] = weights > 0.0 ? weighted / weights : plain / double(std::max<std::size_t>(counted, 1));
    }
}

} // namespace fn

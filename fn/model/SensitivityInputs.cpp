#include "fn/model/SensitivityInputs.h"

#include <QMap>

#include "fn/model/DiseaseModel.h"
#include "fn/model/OutcomeTree.h"
#include "fn/values/random/RandomFunctions.h"

namespace fn {

SensitivityInputs::SensitivityInputs(std::uint32_t iterations)
    : m_iterations(iterations)
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
    return which + QStringLiteral(", one formula: their mean weighted by the cases reaching the element");
}

void SensitivityInputs::addArray(const DataArray& array, const Marray& cases, const QString& treeId,
                                 const QString& elementId, const QString& elementName)
{
    const QStringList& formulas = array.currentFormulas();
    // Cells of the tree's strata grouped by formula, in the order the formulas first appear.
    QMap<QString, std::size_t> groupOf;
    std::vector<Input> groups;
    for (int i = 0; i < formulas.size(); ++i) {
        if (std::size_t(i) >= m_inTree.size() || !m_inTree[std::size_t(i)] || !callsRandomFunction(formulas[i]))
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
        m_firstValue.push_back(m_firstValue.back() + input.cells.size());
        m_inputs.push_back(std::move(input));
        m_arrays.push_back(&array);
        m_cases.push_back(&cases);
    }
}

void SensitivityInputs::startTree(const OutcomeTree& tree, const DiseaseModel& model)
{
    m_firstOfTree = m_inputs.size();
    m_arrays.clear();
    m_cases.clear();
    m_firstValue.assign(1, 0);
    const Marray& mapping = model.getParameter(DiseaseModel::OutcomeTreeMapping).values();
    m_inTree.assign(mapping.size(), false);
    for (std::size_t i = 0; i < mapping.size(); ++i)
        m_inTree[i] = mapping[i] == static_cast<double>(tree.number());

    const QString& treeId = tree.id();
    const Infection& infection = *tree.infection();
    // In the order they are drawn: the model's parameters, the infection, states, transitions.
    for (const int type : {DiseaseModel::Coverage, DiseaseModel::Underestimation, DiseaseModel::Underreporting,
                           DiseaseModel::Underascertainment})
        addArray(model.getParameter(type), infection.casesView(), treeId, QString(), QString());
    addArray(infection.lifeExpectancy(), infection.casesView(), treeId, infection.id(), infection.name());
    addArray(infection.notifiedCases(), infection.casesView(), treeId, infection.id(), infection.name());
    for (const HealthState& state : tree.healthStates()) {
        addArray(state.severity(), state.casesView(), treeId, state.id(), state.name());
        addArray(state.duration(), state.casesView(), treeId, state.id(), state.name());
        if (!state.remainingCases())
            addArray(state.proportion(), state.casesView(), treeId, state.id(), state.name());
    }
    // The notified cases are scaled back to infections through one transition's probability; when
    // it is the infection's only way on, its flow is the notified cases whatever it draws.
    const TransitionProbabilityBase* cancelling = infection.sourceTransition();
    if (!cancelling || infection.outgoing().size() != 1 || !cancelling->isDirect())
        cancelling = nullptr;
    for (const TransitionProbability& transition : tree.transitions()) {
        const Marray& reaching = transition.source()->casesView();
        if (&transition != cancelling)
            addArray(transition.probabilityParameter(), reaching, treeId, transition.id(), transition.name());
        if (transition.isRedistributed())
            addArray(transition.redistributionParameter(), reaching, treeId, transition.id(), transition.name());
    }
    const std::size_t count = m_inputs.size() - m_firstOfTree;
    m_values.assign(m_firstValue.back(), 0.0);
    m_buffers.emplace_back(count * m_iterations);
    m_draws.resize(m_inputs.size());
    for (std::size_t i = 0; i < count; ++i)
        m_draws[m_firstOfTree + i] = m_buffers.back().data() + i * m_iterations;
}

void SensitivityInputs::capture(std::uint32_t)
{
    for (std::size_t i = 0; i < m_arrays.size(); ++i) {
        const std::vector<std::size_t>& cells = m_inputs[m_firstOfTree + i].cells;
        const Marray& values = m_arrays[i]->values();
        double* kept = m_values.data() + m_firstValue[i];
        for (std::size_t c = 0; c < cells.size(); ++c)
            kept[c] = cells[c] < values.size() ? values[cells[c]] : 0.0;
    }
}

void SensitivityInputs::weigh(std::uint32_t k)
{
    for (std::size_t i = 0; i < m_arrays.size(); ++i) {
        const std::vector<std::size_t>& cells = m_inputs[m_firstOfTree + i].cells;
        const Marray& cases = *m_cases[i];
        const double* kept = m_values.data() + m_firstValue[i];
        double weighted = 0.0;
        double weights = 0.0;
        double plain = 0.0;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const double w = cells[c] < cases.size() && cases[cells[c]] > 0.0 ? cases[cells[c]] : 0.0;
            weighted += w * kept[c];
            weights += w;
            plain += kept[c];
        }
        // When no case reaches the element, every cell weighs the same.
        m_draws[m_firstOfTree + i][k] = weights > 0.0 ? weighted / weights : plain / double(cells.size());
    }
}

} // namespace fn

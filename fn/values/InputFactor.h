#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace fn {

// One dimension of stratification (age group, sex, ...) with its ordered level names.
class InputFactor
{
public:
    InputFactor() = default;
    InputFactor(const QString& name, const QStringList& levels);
    virtual ~InputFactor();
    InputFactor(const InputFactor&) = default;
    InputFactor& operator=(const InputFactor&) = default;

    QString name() const { return m_name; }
    const QStringList& levels() const { return m_levels; }
    int levelCount() const { return m_levels.size(); }

    bool operator==(const InputFactor& other) const { return m_name == other.m_name && m_levels == other.m_levels; }

private:
    QString m_name;
    QStringList m_levels;
};

// Non-owning references to factors, in dimension order.
using InputFactorPtrs = QVector<const InputFactor*>;

} // namespace fn

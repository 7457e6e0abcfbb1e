#include "fn/values/InputFactor.h"

namespace fn {

InputFactor::InputFactor(const QString& name, const QStringList& levels)
    : m_name(name)
    , m_levels(levels)
{
}

InputFactor::~InputFactor() = default;

} // namespace fn

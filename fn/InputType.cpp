#include "fn/InputType.h"

#include <QMetaEnum>

namespace fn::InputType {

int healthStateFromKey(const QString& key)
{
    bool ok = false;
    const int value = QMetaEnum::fromType<HealthState>().keyToValue(key.toUtf8().constData(), &ok);
    return ok ? value : -1;
}

} // namespace fn::InputType

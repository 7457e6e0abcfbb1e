#include "app/refdata/sources/FactorSource.h"

#include "app/refdata/sources/SourceObject.h"

namespace refdata {

QVector<fn::InputFactor> FactorSource::read(const QJsonArray& factors, const SourcePath& path)
{
    if (factors.isEmpty())
        path.fail(QStringLiteral("at least one factor is needed"));
    QVector<fn::InputFactor> result;
    QStringList names;
    for (int i = 0; i < factors.size(); ++i) {
        const SourceObject factor(factors.at(i), path / i);
        factor.allowOnly({QStringLiteral("name"), QStringLiteral("levels")});
        const QString name = factor.identifier(QStringLiteral("name"));
        if (names.contains(name))
            factor.path(QStringLiteral("name")).fail(QStringLiteral("the factor \"%1\" is listed twice").arg(name));
        names << name;
        const QJsonArray levelValues = factor.array(QStringLiteral("levels"));
        if (levelValues.isEmpty())
            factor.path(QStringLiteral("levels")).fail(QStringLiteral("a factor needs at least one level"));
        QStringList levels;
        for (int j = 0; j < levelValues.size(); ++j) {
            const SourcePath levelPath = factor.path(QStringLiteral("levels")) / j;
            const QString level = levelValues.at(j).toString().trimmed();
            if (!levelValues.at(j).isString() || level.isEmpty())
                levelPath.fail(QStringLiteral("expected a non-empty string"));
            if (levels.contains(level))
                levelPath.fail(QStringLiteral("the level \"%1\" is listed twice").arg(level));
            levels << level;
        }
        result << fn::InputFactor(name, levels);
    }
    return result;
}

} // namespace refdata

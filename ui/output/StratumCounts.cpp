#include "ui/output/StratumCounts.h"

#include "fn/model/ModelRunRecord.h"
#include "fn/stats/Statistics.h"

namespace ui {

QJsonObject StratumCounts::of(const fn::ModelRunRecord& record, QJsonObject* errors)
{
    QJsonObject counts;
    const std::pair<QString, fn::ModelRunRecord::Sum> sums[] = {
        {QStringLiteral("cases"), fn::ModelRunRecord::Cases},
        {QStringLiteral("deaths"), fn::ModelRunRecord::Deaths},
    };
    for (const auto& [key, sum] : sums) {
        QVariantMap errorMap;
        const QVariantMap statistics = fn::statistics::stratifiedStatistics(
            record.strataShape(), record.factors(), record.iterations(),
            [&record, sum = sum](std::uint32_t k, std::size_t i) { return record.row(sum, k)[i]; },
            [&record](std::uint32_t k) { return record.waitForRows(k + 1); }, errors ? &errorMap : nullptr);
        counts.insert(key, QJsonObject::fromVariantMap(statistics));
        if (errors)
            errors->insert(key, QJsonObject::fromVariantMap(errorMap));
    }
    return counts;
}

} // namespace ui

#include <cmath>

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "app/ProgramRun.h"

// Scenarios run beside the base data with the same seeds: what they avert is paired iteration by
// iteration, checked against separate runs of the base and of the scenario.
namespace {

const char* const measures[] = {"daly", "cases", "deaths"};

QJsonObject document(const QString& path)
{
    return QJsonDocument::fromJson(contents(path)).object();
}

// A data folder with the CRKP specification edited (from empty: as shipped).
bool makeData(const QString& folder, const QByteArray& from, const QByteArray& to)
{
    QByteArray crkp = contents(crkpPath(binaryDir()));
    return stageDataFolder(folder, from.isEmpty() ? crkp : crkp.replace(from, to));
}

QJsonObject modelResults(const QJsonObject& results, const QString& country, const QString& disease)
{
    for (const QJsonValue& value : results.value(QStringLiteral("aggregatedResults"))
                                       .toObject()
                                       .value(QStringLiteral("modelResults"))
                                       .toArray()) {
        const QJsonObject model = value.toObject();
        if (model.value(QStringLiteral("country")) == country && model.value(QStringLiteral("disease")) == disease)
            return model.value(QStringLiteral("results")).toObject();
    }
    return {};
}

QJsonObject named(const QJsonArray& list, const char* key, const QString& id)
{
    for (const QJsonValue& value : list) {
        if (value.toObject().value(QLatin1String(key)).toString() == id)
            return value.toObject();
    }
    return {};
}

double mean(const QJsonObject& figures, const QString& measure)
{
    return figures.value(measure).toObject().value(QStringLiteral("Mean")).toDouble(std::nan(""));
}

// Every group of a scenario: its models, countries, diseases and total.
QList<QJsonObject> groupsOf(const QJsonObject& scenario)
{
    QList<QJsonObject> groups = {scenario.value(QStringLiteral("total")).toObject()};
    for (const char* part : {"models", "countries", "diseases"}) {
        for (const QJsonValue& value : scenario.value(QLatin1String(part)).toArray())
            groups << value.toObject();
    }
    return groups;
}

} // namespace

TEST(Scenario, SameDataAvertNothingAndChangedDataTheDifferenceOfSeparateRuns)
{
    const QTemporaryDir work;
    const QString same = work.filePath(QStringLiteral("same"));
    const QString treated = work.filePath(QStringLiteral("treated"));
    const QString renamed = work.filePath(QStringLiteral("renamed"));
    ASSERT_TRUE(makeData(same, QByteArray(), QByteArray()));
    // A treatment that lowers the case fatality of the youngest by a fifth.
    ASSERT_TRUE(makeData(treated, "\"RandPert(0.05, 0.1, 0.16)\"", "\"0.8 * RandPert(0.05, 0.1, 0.16)\""));
    // The CRKP pairs move to a disease of another id: the base's lack a partner, the new ones a base.
    ASSERT_TRUE(makeData(renamed, "\"id\": \"IllustrativeCRKPBSI\"", "\"id\": \"IllustrativeCRKPBSI2\""));
    const QStringList common = {QStringLiteral("--countries"), QStringLiteral("all"), QStringLiteral("--diseases"),
                                QStringLiteral("all"),         QStringLiteral("-s"),  QStringLiteral("60"),
                                QStringLiteral("-r"),          QStringLiteral("42")};
    const ProgramRun paired = batchRun(
        common
            + QStringList{QStringLiteral("-o"), QStringLiteral("paired.json"), QStringLiteral("--table"),
                          QStringLiteral("paired.csv"), QStringLiteral("--scenario"), QStringLiteral("same=") + same,
                          QStringLiteral("--scenario"), QStringLiteral("treated=") + treated,
                          QStringLiteral("--scenario"), QStringLiteral("renamed=") + renamed,
                          QStringLiteral("--threads"), QStringLiteral("3")},
        work.path());
    ASSERT_EQ(paired.exitCode, 0) << paired.errors.toStdString();
    ASSERT_EQ(batchRun(common + QStringList{QStringLiteral("-o"), QStringLiteral("base.json")}, work.path()).exitCode,
              0);
    ASSERT_EQ(batchRun(common
                           + QStringList{QStringLiteral("-o"), QStringLiteral("treated.json"),
                                         QStringLiteral("--data-folder"), treated},
                       work.path())
                  .exitCode,
              0);
    const QJsonObject result = document(work.filePath(QStringLiteral("paired.json")));
    const QJsonObject base = document(work.filePath(QStringLiteral("base.json")));
    const QJsonObject alone = document(work.filePath(QStringLiteral("treated.json")));

    // The base part is the base run's.
    for (const char* key : {"models", "aggregatedResults", "summary"})
        EXPECT_TRUE(result.value(QLatin1String(key)) == base.value(QLatin1String(key))) << key;
    const QJsonArray scenarios = result.value(QStringLiteral("scenarios")).toArray();
    ASSERT_EQ(scenarios.size(), 3);
    const int models = base.value(QStringLiteral("models")).toArray().size();

    // Identical data: every statistic of every difference is exactly 0, so every iteration paired.
    const QJsonObject identical = scenarios[0].toObject();
    EXPECT_EQ(identical.value(QStringLiteral("models")).toArray().size(), models);
    for (const QJsonObject& group : groupsOf(identical)) {
        for (const char* measure : measures) {
            const QJsonObject statistics = group.value(QLatin1String(measure) + QStringLiteral("Averted")).toObject();
            ASSERT_EQ(statistics.size(), 4);
            for (const QJsonValue& value : statistics)
                EXPECT_TRUE(value.isDouble() && value.toDouble() == 0.0) << measure;
        }
    }

    // Changed data: the mean of the differences is the difference of the separate runs' means,
    // per model, per country, per disease and in total.
    const QJsonObject changed = scenarios[1].toObject();
    const QJsonObject baseSummary = base.value(QStringLiteral("summary")).toObject();
    const QJsonObject aloneSummary = alone.value(QStringLiteral("summary")).toObject();
    int compared = 0;
    const auto expectDifference = [&](const QJsonObject& averted, const QJsonObject& before, const QJsonObject& after) {
        for (const char* measure : measures) {
            const double expected = mean(before, QLatin1String(measure)) - mean(after, QLatin1String(measure));
            const double got = mean(averted, QLatin1String(measure) + QStringLiteral("Averted"));
            EXPECT_NEAR(got, expected, 1e-9 * std::max(1.0, std::abs(expected))) << measure;
            ++compared;
        }
    };
    for (const QJsonValue& value : changed.value(QStringLiteral("models")).toArray()) {
        const QJsonObject model = value.toObject();
        const QString country = model.value(QStringLiteral("country")).toString();
        const QString disease = model.value(QStringLiteral("disease")).toString();
        expectDifference(model, modelResults(base, country, disease), modelResults(alone, country, disease));
    }
    expectDifference(changed.value(QStringLiteral("total")).toObject(),
                     baseSummary.value(QStringLiteral("total")).toObject(),
                     aloneSummary.value(QStringLiteral("total")).toObject());
    for (const char* part : {"countries", "diseases"}) {
        const char* key = part[0] == 'c' ? "country" : "disease";
        for (const QJsonValue& value : changed.value(QLatin1String(part)).toArray()) {
            const QString id = value.toObject().value(QLatin1String(key)).toString();
            expectDifference(value.toObject(), named(baseSummary.value(QLatin1String(part)).toArray(), key, id),
                             named(aloneSummary.value(QLatin1String(part)).toArray(), key, id));
        }
    }
    EXPECT_EQ(compared, 3 * (models + 1 + 4 + 3));
    const QJsonObject total = changed.value(QStringLiteral("total")).toObject();
    EXPECT_GT(mean(total, QStringLiteral("deathsAverted")), 0.0);

    // Pairs on one side only are named, never matched.
    const QJsonObject moved = scenarios[2].toObject();
    const QJsonArray missing = moved.value(QStringLiteral("notInScenario")).toArray();
    const QJsonArray added = moved.value(QStringLiteral("onlyInScenario")).toArray();
    ASSERT_EQ(missing.size(), 4);
    ASSERT_EQ(added.size(), 4);
    EXPECT_EQ(missing[0].toObject().value(QStringLiteral("disease")).toString(), QStringLiteral("IllustrativeCRKPBSI"));
    EXPECT_EQ(added[0].toObject().value(QStringLiteral("disease")).toString(), QStringLiteral("IllustrativeCRKPBSI2"));
    EXPECT_EQ(moved.value(QStringLiteral("total")).toObject().value(QStringLiteral("models")).toInt(), models - 4);
    EXPECT_TRUE(paired.errors.contains(QStringLiteral("4 of the 12 country-disease pairs of the base have no data")))
        << paired.errors.toStdString();
    EXPECT_TRUE(paired.errors.contains(QStringLiteral("Austria/IllustrativeCRKPBSI2")));
    EXPECT_TRUE(paired.errors.contains(QStringLiteral("Scenario \"treated\" against the base")));

    // The table holds the document's doubles under the scenario's name.
    const QByteArray table = contents(work.filePath(QStringLiteral("paired.csv")));
    const QByteArray row = "all,,all,,summary,all,treated,all,all,dalyAverted,";
    const int at = table.indexOf(row);
    ASSERT_GE(at, 0);
    const QByteArray field = table.mid(at + row.size()).split(',').value(0);
    EXPECT_EQ(field.toDouble(), mean(total, QStringLiteral("dalyAverted")));
    EXPECT_EQ(table.count(",treated,"), (models + 1 + 4 + 3) * 3);
}

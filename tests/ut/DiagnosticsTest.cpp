#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <QStringList>

#include "ut/Diagnostics.h"

TEST(Diagnostics, ScopedSinksNestAndRestoreTheirPredecessor)
{
    QStringList outer, inner;
    {
        const ut::ScopedDiagnosticsSink outerSink([&](const QString& text) { outer << text; });
        ut::Diagnostics::report("first");
        {
            const ut::ScopedDiagnosticsSink innerSink([&](const QString& text) { inner << text; });
            ut::Diagnostics::report("second");
        }
        ut::Diagnostics::report("third");
    }
    EXPECT_EQ(outer, QStringList({"first", "third"}));
    EXPECT_EQ(inner, QStringList({"second"}));
}

TEST(Diagnostics, ReportsFromManyThreadsArriveWhole)
{
    // The sink is not itself thread-safe: the reports must be handed over one at a time.
    QStringList received;
    const ut::ScopedDiagnosticsSink sink([&](const QString& text) { received << text; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i)
                ut::Diagnostics::report(QStringLiteral("thread %1 report %2").arg(t).arg(i));
        });
    for (std::thread& thread : threads)
        thread.join();
    ASSERT_EQ(received.size(), 2000);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(received.filter(QStringLiteral("thread %1 ").arg(t)).size(), 500);
}

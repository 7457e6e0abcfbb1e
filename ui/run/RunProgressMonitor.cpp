#include "ui/run/RunProgressMonitor.h"

#include <algorithm>
#include <numeric>

#include "fn/model/RunControl.h"

namespace ui {

RunProgressMonitor::RunProgressMonitor(QObject* parent)
    : QObject(parent)
{
    // Often enough for a bar that moves, rarely enough to cost nothing next to the run.
    m_timer.setInterval(250);
    connect(&m_timer, &QTimer::timeout, this, &RunProgressMonitor::poll);
}

RunProgressMonitor::~RunProgressMonitor() = default;

void RunProgressMonitor::start(const fn::RunControl* control, const QVector<std::uint64_t>& iterations)
{
    m_control = control;
    m_iterations = iterations;
    m_total = std::accumulate(iterations.begin(), iterations.end(), std::uint64_t(0));
    m_modelIndex = 0;
    m_modelName.clear();
    m_clock.start();
    m_timer.start();
}

void RunProgressMonitor::stop()
{
    m_timer.stop();
    m_control = nullptr;
}

void RunProgressMonitor::modelReached(int index, const QString& name)
{
    m_modelIndex = index;
    m_modelName = name;
    if (isActive())
        poll();
}

QVariantMap RunProgressMonitor::progress() const
{
    const std::uint64_t done = m_control ? std::min(m_control->iterationsDone(), m_total) : 0;
    const int count = m_iterations.size();
    const int index = std::clamp(m_modelIndex, 0, count);

    // Models may run side by side: the iterations beyond those of the models done are
    // counted towards the model being reported, up to its own.
    double modelFraction = 0.0;
    if (index < count) {
        const std::uint64_t before = std::accumulate(m_iterations.begin(), m_iterations.begin() + index,
                                                     std::uint64_t(0));
        const std::uint64_t own = m_iterations[index];
        const std::uint64_t inModel = done > before ? std::min(done - before, own) : 0;
        modelFraction = own > 0 ? double(inModel) / double(own) : 0.0;
    } else if (count > 0) {
        modelFraction = 1.0;
    }

    const double seconds = m_clock.isValid() ? m_clock.elapsed() / 1000.0 : 0.0;
    double secondsLeft = -1.0;
    // An estimate from less than a second or no iterations at all would only jump about.
    if (done > 0 && seconds >= 1.0)
        secondsLeft = seconds * double(m_total - done) / double(done);

    return {
        {QStringLiteral("modelIndex"), index},
        {QStringLiteral("modelCount"), count},
        {QStringLiteral("modelName"), m_modelName},
        {QStringLiteral("modelFraction"), modelFraction},
        {QStringLiteral("fraction"), m_total > 0 ? double(done) / double(m_total) : 0.0},
        {QStringLiteral("iterationsDone"), static_cast<qulonglong>(done)},
        {QStringLiteral("iterationsTotal"), static_cast<qulonglong>(m_total)},
        {QStringLiteral("secondsElapsed"), seconds},
        {QStringLiteral("secondsLeft"), secondsLeft},
    };
}

void RunProgressMonitor::poll()
{
    emit progressUpdated(progress());
}

} // namespace ui

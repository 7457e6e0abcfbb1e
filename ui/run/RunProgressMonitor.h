#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <QVector>
#include <cstdint>

namespace fn {
class RunControl;
}

namespace ui {

// Follows a threaded run from the main thread: the worker only reports between models, so
// the monitor reads the iterations the run has computed so far and turns them into the
// fraction of the model being run, of the whole run, and the time left.
//
// The progress map has the keys "modelIndex" (models done), "modelCount", "modelName",
// "modelFraction" (of the model being run, 0 to 1), "fraction" (of the whole run),
// "iterationsDone", "iterationsTotal", "secondsElapsed" and "secondsLeft" (-1 while unknown).
class RunProgressMonitor : public QObject
{
    Q_OBJECT

public:
    explicit RunProgressMonitor(QObject* parent = nullptr);
    ~RunProgressMonitor() override;

    // iterations: per model, in run order, its tree-iterations (trees times samples).
    void start(const fn::RunControl* control, const QVector<std::uint64_t>& iterations);
    void stop();
    bool isActive() const { return m_control != nullptr; }

    // The worker's report that index models are done and the next one is called name.
    void modelReached(int index, const QString& name);
    // The progress as of now (also what progressUpdated carries).
    QVariantMap progress() const;

    void setInterval(int milliseconds) { m_timer.setInterval(milliseconds); }

signals:
    void progressUpdated(QVariantMap progress);

private:
    void poll();

    const fn::RunControl* m_control = nullptr;
    QVector<std::uint64_t> m_iterations;
    std::uint64_t m_total = 0;
    int m_modelIndex = 0;
    QString m_modelName;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace ui

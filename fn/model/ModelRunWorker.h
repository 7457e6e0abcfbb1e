#pragma once

#include <QObject>
#include <QString>

#include "fn/model/DiseaseModel.h"

namespace fn {

// Runs every model of the list in turn, re-seeding the random engine before each one,
// and reports progress. Lives in the run thread for a threaded run.
class ModelRunWorker : public QObject
{
    Q_OBJECT

public:
    ModelRunWorker(unsigned int numSamples, unsigned int randomSeed, double timeDiscountRate,
                   DiseaseModelList& models);
    ~ModelRunWorker() override;

signals:
    void started();
    void progressInfo(float fraction, int index, int count, QString name);
    void finished();

public slots:
    void process();

private:
    unsigned int m_numSamples;
    unsigned int m_randomSeed;
    double m_timeDiscountRate;
    int m_treeCount = 0;
    int m_treeIndex = 0;
    int m_modelCount;
    int m_modelIndex = 0;
    QString m_modelName;
    DiseaseModelList& m_models;
};

} // namespace fn

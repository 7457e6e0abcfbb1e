// A JSON model specification through the reader, the model built from it, a three-iteration
// run and the results document, over the population data of the built reference data cache.

#include <QFile>

#include "FuzzSupport.h"
#include "fn/data/InputDataMgr.h"
#include "fn/data/JSONInputDataMgr.h"
#include "ut/Exception.h"

namespace {

fn::InputDataMgr& referenceData()
{
    static fn::InputDataMgr store;
    static const bool loaded = [] {
        QFile cache(QStringLiteral(OZMID_BINARY_DIR "/referenceData.dat"));
        return cache.open(QIODevice::ReadOnly) && store.loadCache(cache, cache.fileName());
    }();
    Q_UNUSED(loaded)
    return store;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    referenceData();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fn::JSONInputDataMgr reader;
    reader.readSpecification(QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)),
                             QStringLiteral("fuzz.model_spec.json"));
    fn::InputDataMgr& store = referenceData();
    for (const QString& disease : reader.getDiseaseIds()) {
        try {
            fuzz::runModel(std::make_unique<fn::DiseaseModel>(
                &store, QStringLiteral("model 1"), QStringLiteral("Austria"),
                store.countryCaption(QStringLiteral("Austria")), &reader.getDiseaseTemplate(disease)));
        } catch (const ut::Exception&) {
        }
    }
    return 0;
}

// A reference data cache through the loader, then the first models it offers built, run for
// three iterations and turned into results documents.

#include <QBuffer>

#include "FuzzSupport.h"
#include "fn/data/InputDataMgr.h"
#include "ut/Exception.h"

namespace {

constexpr int ModelsPerInput = 2;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    fn::InputDataMgr store;
    store.loadCache(buffer, QStringLiteral("fuzz.dat"));

    int built = 0;
    const fn::InputDataMgr::CountryDiseaseMap pairs = store.countryDiseases();
    for (auto it = pairs.constBegin(); it != pairs.constEnd() && built < ModelsPerInput; ++it) {
        const QString& disease = it.value();
        if (!store.hasDiseaseTemplate(disease))
            continue;
        ++built;
        try {
            fuzz::runModel(std::make_unique<fn::DiseaseModel>(
                &store, QStringLiteral("model 1"), it.key(), store.countryCaption(it.key()),
                &store.diseaseTemplates().get(disease), store.inputFactors().getInputFactors(disease)));
        } catch (const ut::Exception&) {
        }
    }
    return 0;
}

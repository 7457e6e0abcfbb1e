#include "fn/KnownIds.h"

namespace fn {

const QStringList& knownCountryIds()
{
    static const QStringList ids = {
        QStringLiteral("CustomPopulation"), QStringLiteral("EUEEA"),
        QStringLiteral("Austria"),          QStringLiteral("Belgium"),
        QStringLiteral("Bulgaria"),         QStringLiteral("Croatia"),
        QStringLiteral("Cyprus"),           QStringLiteral("CzechRepublic"),
        QStringLiteral("Denmark"),          QStringLiteral("Estonia"),
        QStringLiteral("Finland"),          QStringLiteral("France"),
        QStringLiteral("Germany"),          QStringLiteral("Greece"),
        QStringLiteral("Hungary"),          QStringLiteral("Iceland"),
        QStringLiteral("Ireland"),          QStringLiteral("Italy"),
        QStringLiteral("Latvia"),           QStringLiteral("Lithuania"),
        QStringLiteral("Luxembourg"),       QStringLiteral("Malta"),
        QStringLiteral("Netherlands"),      QStringLiteral("Norway"),
        QStringLiteral("Poland"),           QStringLiteral("Portugal"),
        QStringLiteral("Romania"),          QStringLiteral("Slovakia"),
        QStringLiteral("Slovenia"),         QStringLiteral("Spain"),
        QStringLiteral("Sweden"),           QStringLiteral("UnitedKingdom"),
        QStringLiteral("Generic"),
    };
    return ids;
}

const QStringList& knownDiseaseIds()
{
    static const QStringList ids = [] {
        const QStringList stems = {
            QStringLiteral("Baseline"),
            QStringLiteral("Klebsiella3GCRKP"),
            QStringLiteral("KlebsiellaCRKP"),
            QStringLiteral("KlebsiellaColRKP"),
            QStringLiteral("EscherichiaColi3GCREC"),
            QStringLiteral("EscherichiaColiCREC"),
            QStringLiteral("EscherichiaColiColREC"),
            QStringLiteral("AcinetobacterSppMDRACI"),
            QStringLiteral("AcinetobacterSppCRACI"),
            QStringLiteral("AcinetobacterSppColRACI"),
            QStringLiteral("PseudomonasAeruginosaMDRPA"),
            QStringLiteral("PseudomonasAeruginosaCRPA"),
            QStringLiteral("PseudomonasAeruginosaColRPA"),
            QStringLiteral("StaphylococcusAureusMRSA"),
            QStringLiteral("EnterococcusFaecalisVRE"),
            QStringLiteral("StreptococcusPneumoniaePRSP"),
            QStringLiteral("StreptococcusPneumoniaePMRSP"),
        };
        const QStringList sites = {QStringLiteral("BSI"), QStringLiteral("RESP"), QStringLiteral("UTI"),
                                   QStringLiteral("SSI"), QStringLiteral("OTH")};
        QStringList all;
        for (const QString& stem : stems) {
            for (const QString& site : sites)
                all << stem + site;
        }
        // The reference data name this one respiratory entry with "RES", not "RESP".
        const int odd = all.indexOf(QStringLiteral("StreptococcusPneumoniaePMRSPRESP"));
        all[odd] = QStringLiteral("StreptococcusPneumoniaePMRSPRES");
        return all;
    }();
    return ids;
}

} // namespace fn

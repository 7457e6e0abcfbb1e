#include "fn/values/random/IndependentStreams.h"

#include <array>
#include <random>

#include <QCryptographicHash>

namespace fn {

boost::random::mt19937 IndependentStreams::engine(std::uint32_t seed, const QString& country, const QString& disease)
{
    // A digest of seed and ids spreads nearby seeds and similar ids over unrelated states; the
    // ids are separated by a byte no id contains, so ("AB", "C") and ("A", "BC") differ.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const char seedBytes[4] = {char(seed >> 24), char(seed >> 16), char(seed >> 8), char(seed)};
    hash.addData(seedBytes, 4);
    hash.addData(country.toUtf8());
    hash.addData("\0", 1);
    hash.addData(disease.toUtf8());
    const QByteArray digest = hash.result();
    std::array<std::uint32_t, 8> words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        for (int b = 0; b < 4; ++b)
            words[i] = (words[i] << 8) | std::uint8_t(digest[int(4 * i) + b]);
    }
    // The standard seed sequence fills the whole state from the digest, the same on every platform.
    std::seed_seq sequence(words.begin(), words.end());
    return boost::random::mt19937(sequence);
}

} // namespace fn

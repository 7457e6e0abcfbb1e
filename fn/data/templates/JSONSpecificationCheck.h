#pragma once

#include <cstdint>

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

namespace fn {

// Looks over a parsed model specification before it is read, and says what the reader would
// take in a way its author cannot have meant, naming the file and the element: cells that
// are not text (read as "0"), "vals" that are not lists of rows (read as no cells), arrays
// with another number of cells than the dimensions have strata, trees with two infections.
// It refuses what the program cannot hold: more dimensions than an array has, arrays whose
// strata cannot fit in memory, or a cell that is not one value (82,1 is two).
class JSONSpecificationCheck
{
public:
    // Memory one stratum of one parameter array takes while it is read and made into a model:
    // its value and formula in the file's template, in the model and in their working copies.
    static constexpr std::uint64_t BytesPerStratum = 64;
    // Memory one cell of the file takes: its text in the parsed document and in the model's
    // copy of it, its formula in the arrays' lists and compiled for the model and each tree
    // (about 770 bytes measured for a specification of two trees).
    static constexpr std::uint64_t BytesPerCell = 1024;

    JSONSpecificationCheck(const QJsonObject& json, const QString& fileName);

    // Reports every warning and the refusal, if any; false when the file must be skipped.
    bool run();

    std::uint64_t strata() const { return m_strata; }
    const QStringList& warnings() const { return m_warnings; }
    const QString& refusal() const { return m_refusal; }

private:
    void checkDimensions();
    void checkArrays();
    // Refuses the file when a cell's formula cannot stand for one value (CellFormula).
    void refuseUnlessOneValue(const QString& element, int row, int column, const QString& formula);
    void checkTree(const QString& treeKey, const QJsonObject& tree);
    void checkArray(const QJsonObject& owner, const char* key, const QString& element);
    void warn(const QString& text);

    QJsonObject m_json;
    QString m_fileName;
    std::uint64_t m_strata = 1;
    std::uint64_t m_arrayCount = 0;
    std::uint64_t m_cellCount = 0;
    QStringList m_warnings;
    QString m_refusal;
};

} // namespace fn

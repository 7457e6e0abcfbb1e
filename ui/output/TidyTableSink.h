#pragma once

#include <array>
#include <optional>

#include <QString>

namespace ui {

// Where the rows of a TidyTable go: a file of one format, written whole or not at all. The rows
// come as text and numbers, so that each format writes them in its own way (the CSV as text of
// 17 significant digits, a workbook as number cells).
class TidyTableSink
{
public:
    static constexpr int textColumns = 10;
    static constexpr int numberColumns = 5;

    struct Row
    {
        // country, country_name, disease, disease_name, model_id, tree, category, sex, age_group,
        // measure
        std::array<QString, textColumns> texts;
        // mean, q025, q50, q975, se; none where the document has no number (NA)
        std::array<std::optional<double>, numberColumns> numbers;
    };

    virtual ~TidyTableSink() = default;

    // The names of the columns, in order.
    static std::array<const char*, textColumns + numberColumns> columnNames()
    {
        return {"country",   "country_name", "disease", "disease_name", "model_id", "tree", "category", "sex",
                "age_group", "measure",      "mean",    "q025",         "q50",      "q975", "se"};
    }

    // Starts the file with its header; false with errorString() when it cannot be.
    virtual bool open() = 0;
    virtual void addRow(const Row& row) = 0;
    // Passes the rows added so far on towards the file; false once anything failed.
    virtual bool flush() = 0;
    // Puts the file in place; false when anything failed.
    virtual bool commit() = 0;
    // Abandons the file; an earlier one is left as it was.
    virtual void cancel() = 0;
    // The file and the reason of the first failure.
    virtual QString errorString() const = 0;
};

} // namespace ui

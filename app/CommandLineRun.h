#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

class QCoreApplication;
class QCommandLineParser;

namespace ui {

class Chief;

// The program started with arguments: one model input (a model specification with a country,
// or a model workbook) run with the options of the command line, the results written to a
// file and, on request, to the clipboard. The run log on standard output has fixed lines that
// scripts read; everything else the user should know (a value the program did not understand,
// input read with a fallback, a failure and its reason) is explained on standard error.
class CommandLineRun
{
public:
    CommandLineRun(QCoreApplication& application, Chief& chief);

    // The exit code: 0, also after "Unsupported input file specified" or "Error", as the
    // log's readers expect.
    int exec();

private:
    struct Options
    {
        QFileInfo input;
        bool inputGiven = false;
        QFileInfo output;
        bool outputGiven = false;
        bool toClipboard = false;
        unsigned int samples = 0;
        bool samplesUnderstood = true;
        double discount = 0.0;
        unsigned int seed = 0;
        QString country;
        bool countryGiven = false;
        QStringList unusedArguments;
    };

    Options readOptions(QCommandLineParser& parser);
    void printHead(const QString& description, const Options& options) const;
    // False when the input is of no kind the program reads (the log then ends).
    bool loadInput(const Options& options);
    void run(const Options& options);
    void writeResults(const Options& options);
    void saveUncertainty(const QFileInfo& results);
    void saveTable(const QFileInfo& results);
    void saveProvenance(const Options& options);

    // The value as an unsigned whole number, 0 (said so, with its consequence) when it is not one.
    static unsigned int wholeNumber(const QString& value, const QString& label, const QString& consequence,
                                    bool* understood = nullptr);
    void explainUnusedArguments(const QStringList& arguments, bool inputGiven) const;
    void explainCountry(const QString& country, bool given) const;

    QCoreApplication& m_application;
    Chief& m_chief;
};

} // namespace ui

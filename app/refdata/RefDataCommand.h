#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>

namespace fn {
class InputDataMgr;
}

namespace refdata {

// The command line of the reference data maintenance program: one subcommand and its
// operands. Results go to out, problems to err; run() returns the process exit code.
class RefDataCommand
{
public:
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

    RefDataCommand(QTextStream& out, QTextStream& err);

    // arguments as the application has them, the program name first.
    int run(const QStringList& arguments);

private:
    struct Subcommand
    {
        QString name;
        QString operands;
        QString summary;
        int (RefDataCommand::*run)(const QStringList& operands);
    };

    static const QVector<Subcommand>& subcommands();
    int build(const QStringList& operands);
    int writeWorkbooks(const QStringList& operands);
    int importWorkbooks(const QStringList& operands);
    int listCountries(const QStringList& operands);
    int listDiseases(const QStringList& operands);
    bool readSources(const QString& dataFolder, fn::InputDataMgr& store);
    // Copies source over target in one step; false, with the reason on err, when it fails.
    bool replaceFile(const QString& source, const QString& target);
    void printUsage(QTextStream& stream) const;

    QTextStream& m_out;
    QTextStream& m_err;
    QString m_program;
};

} // namespace refdata

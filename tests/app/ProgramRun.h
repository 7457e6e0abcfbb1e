#pragma once

#include <QDir>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <string>

#include <gtest/gtest.h>

// The built programs started as a user does, next to their staged models and reference data.

inline const QString& binaryDir()
{
    static const QString dir = QStringLiteral(OZMID_BINARY_DIR);
    return dir;
}

struct ProgramRun
{
    int exitCode = -1;
    QByteArray output;
    QStringList lines;
    QString errors;
};

struct ProgramStart
{
    QString program = QStringLiteral("ozmid");
    QStringList arguments = {};
    QString workingDirectory = {};
    QStringList unset = {}; // taken out of the test's environment
    QString outputFile = {}; // standard output's file, when given
    // When given, bash runs this script with the program as $0 and the arguments as "$@".
    QString shellScript = {};
};

inline ProgramRun runProgram(const ProgramStart& start)
{
    QProcess process;
    process.setWorkingDirectory(start.workingDirectory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : start.unset)
        environment.remove(name);
    process.setProcessEnvironment(environment);
    if (!start.outputFile.isEmpty())
        process.setStandardOutputFile(start.outputFile, QIODevice::Append);
    const QString program = binaryDir() + QLatin1Char('/') + start.program;
    if (start.shellScript.isEmpty())
        process.start(program, start.arguments);
    else
        process.start(QStringLiteral("/bin/bash"),
                      QStringList{QStringLiteral("-c"), start.shellScript, program} + start.arguments);
    ProgramRun run;
    if (!process.waitForFinished(300000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = process.readAllStandardOutput();
    run.lines = QString::fromLocal8Bit(run.output).split(QLatin1Char('\n'));
    if (!run.lines.isEmpty() && run.lines.last().isEmpty())
        run.lines.removeLast();
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Arguments written as one line, split at spaces; a word "%N" is the Nth of values, whole.
inline QStringList arguments(const char* line, const QStringList& values = {})
{
    QStringList words = QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString& word : words) {
        if (word.startsWith(QLatin1Char('%')))
            word = values.value(word.mid(1).toInt() - 1);
    }
    return words;
}

// Each of words somewhere in text (standard error, mostly).
inline void expectAll(const QString& text, const QStringList& words)
{
    for (const QString& word : words)
        EXPECT_TRUE(text.contains(word)) << word.toStdString() << "\nin:\n" << text.toStdString();
}

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray sha256(const QString& path)
{
    return QCryptographicHash::hash(contents(path), QCryptographicHash::Sha256).toHex();
}

// The member at path ("a/b/0/c": keys of objects, indexes of arrays).
inline QJsonValue jsonAt(QJsonValue value, const char* path)
{
    for (const QString& key : QString::fromLatin1(path).split(QLatin1Char('/')))
        value = value.isArray() ? value.toArray().at(key.toInt()) : value.toObject().value(key);
    return value;
}

// value with the member at path (keys of objects, indexes of arrays) replaced.
inline QJsonValue replaced(const QJsonValue& value, const QStringList& path, const QJsonValue& newValue)
{
    if (path.isEmpty())
        return newValue;
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        array.replace(path.first().toInt(), replaced(array.at(path.first().toInt()), path.mid(1), newValue));
        return array;
    }
    QJsonObject object = value.toObject();
    object.insert(path.first(), replaced(object.value(path.first()), path.mid(1), newValue));
    return object;
}

// The JSON object json with the member at path ("a/b/0/c") replaced.
inline QByteArray edited(const QByteArray& json, const QString& path, const QJsonValue& newValue)
{
    const QJsonValue object = QJsonDocument::fromJson(json).object();
    return QJsonDocument(replaced(object, path.split(QLatin1Char('/')), newValue).toObject()).toJson();
}

inline QJsonArray resultsIn(const QString& path)
{
    return QJsonDocument::fromJson(contents(path)).array();
}

// The run log with the times of its start and finish lines as "<time>": the rest is fixed.
inline std::string logWithoutTimes(const QByteArray& output)
{
    static const QRegularExpression time(
        QStringLiteral("^(Run start time {9}: |Run finish time {8}: )[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]?[0-9] "
                       "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}$"),
        QRegularExpression::MultilineOption);
    return QString::fromLocal8Bit(output).replace(time, QStringLiteral("\\1<time>")).toLocal8Bit().toStdString();
}

// The log of a command-line run of a model specification, ending in last.
inline std::string specificationLog(const QString& input, const QString& output, const QString& samples,
                                    const QString& discount, const QString& seed, const QString& country,
                                    const QString& last = QStringLiteral("Run finish time        : <time>"))
{
    return QStringLiteral("Ozmid 2.0.0, CLI mode\n"
                          "Run start time         : <time>\n"
                          "Input file             : %1\n"
                          "Output file            : %2\n"
                          "Output to clipboard    : No\n"
                          "Sample size            : %3\n"
                          "Time discounting factor: %4\n"
                          "Random seed            : %5\n"
                          "Country ID             : %6\n"
                          "%7\n")
        .arg(input, output, samples, discount, seed, country, last)
        .toLocal8Bit()
        .toStdString();
}

inline ProgramRun batchRun(const QStringList& arguments, const QString& workingDirectory)
{
    return runProgram({QStringLiteral("ozmid-batch"), arguments, workingDirectory});
}

// The shipped CRKP specification, relative to a data folder, and its staged copy.
inline const QString sample = QStringLiteral("models/Illustrative-CRKP-BSI.model_spec.json");
inline const QString samplePath = binaryDir() + QLatin1Char('/') + sample;

// A data folder as the staged one with the CRKP specification replaced by crkp.
inline bool stageDataFolder(const QString& folder, const QByteArray& crkp)
{
    const QString listeriosis = QStringLiteral("/models/Illustrative-Listeriosis.model_spec.json");
    return QDir().mkpath(folder + QStringLiteral("/models"))
        && QFile::copy(binaryDir() + QStringLiteral("/referenceData.dat"),
                       folder + QStringLiteral("/referenceData.dat"))
        && QFile::copy(binaryDir() + listeriosis, folder + listeriosis) && writeFile(folder + '/' + sample, crkp);
}

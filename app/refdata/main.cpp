#include <QCoreApplication>
#include <QTextStream>

#include "app/refdata/RefDataCommand.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ozmid-refdata"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return refdata::RefDataCommand(out, err).run(QCoreApplication::arguments());
}

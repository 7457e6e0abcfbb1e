#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tesk"));
    QApplication::setApplicationName(QStringLiteral("Ozmid"));
    QApplication::setApplicationVersion(QStringLiteral("2.0.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("%1 %2, CLI mode")
                                         .arg(QApplication::applicationName(), QApplication::applicationVersion()));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(application);
    return 0;
}

#include <QApplication>
#include <gtest/gtest.h>

#include "ut/RuntimeFolder.h"

// Every test program gets an application object: the clipboard, message boxes and
// workbook code need one, exactly as the program itself has one in both modes.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ut::RuntimeFolder::prepare();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tesk"));
    QApplication::setApplicationName(QStringLiteral("OzmidTests"));
    return RUN_ALL_TESTS();
}

#include "ApplicationSetup.h"

#include <QGuiApplication>

#include "ut/RuntimeFolder.h"

namespace ui {

void ApplicationSetup::prepare()
{
    ut::RuntimeFolder::prepare();
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void ApplicationSetup::name()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tesk"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("ozmid.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Ozmid"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.0"));
}

} // namespace ui

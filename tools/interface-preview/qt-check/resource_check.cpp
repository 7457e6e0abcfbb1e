// Lists the compiled interface resources and fails when a page, icon or vendor file is missing.
#include "InterfaceResources.h"
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const char* must[] = {":/interface/index.html",
                          ":/interface/images/icons/exit.svg",
                          ":/interface/images/icons/info.svg",
                          ":/interface/images/icons/cog.svg",
                          ":/interface/images/icons/download.svg",
                          ":/interface/images/icons/floppy-disk.svg",
                          ":/interface/images/icons/folder-open.svg",
                          ":/interface/images/icons/library.svg",
                          ":/interface/images/icons/newspaper.svg",
                          ":/interface/images/icons/pencil2.svg",
                          ":/interface/subpages/infectionView.html",
                          ":/interface/subpages/asymptomaticView.html",
                          ":/interface/subpages/yldHealthOutcomeView.html",
                          ":/interface/subpages/yllHealthOutcomeView.html",
                          ":/interface/subpages/transProbView.html",
                          ":/interface/subpages/aboutOzmidView.html",
                          ":/interface/subpages/about3rdPartyView.html",
                          ":/interface/subpages/whatsNewView.html",
                          ":/interface/vendor/chart.js/chart.umd.js",
                          ":/interface/js/main.js"};
    ozmidInitInterfaceResources();
    int missing = 0;
    for (auto m : must)
        if (!QFile::exists(QString::fromLatin1(m))) {
            std::printf("missing %s\n", m);
            ++missing;
        }
    int n = 0;
    QDirIterator it(QStringLiteral(":/interface"), QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isFile()) {
            ++n;
            std::printf("%s %lld\n", qPrintable(it.filePath()), (long long)it.fileInfo().size());
        }
    }
    std::printf("%d missing, %d files\n", missing, n);
    return missing == 0 ? 0 : 1;
}

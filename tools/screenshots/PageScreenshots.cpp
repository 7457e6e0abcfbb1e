// Pictures of the main window at 1280 x 720 with 99 models, for a person to compare before and
// after a change of the page (scripts/screenshots.sh). Not a test: it checks only that each
// step happened, and writes what the window showed.
//
//   PageScreenshots <output folder>
#include <iostream>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>

#include "ui/shell/GuiTestSupport.h"
#include "InterfaceResources.h"
#include "fn/model/DiseaseModel.h"
#include "fn/model/OutcomeTree.h"
#include "ui/Chief.h"
#include "ui/shell/presenters/DataPresenter.h"
#include "ui/shell/OzmidMainWnd.h"
#include "ui/shell/WebGUI.h"
#include "ut/RuntimeFolder.h"

namespace {

constexpr int modelCount = 99;

class Session
{
public:
    explicit Session(const QString& out)
        : m_out(out)
    {
    }

    bool run();

private:
    bool script(const QString& condition, const char* what);
    QVariant js(const QString& code) { return guitest::runJavaScript(m_page, code); }
    void shoot(const QString& name, const QString& scrollTo = QString());
    bool createModels();
    bool exportPdf();

    QString m_out;
    QTemporaryDir m_base;
    ui::Chief m_chief;
    ui::OzmidMainWnd* m_window = nullptr;
    QWebEnginePage* m_page = nullptr;
};

bool Session::script(const QString& condition, const char* what)
{
    if (guitest::waitForScript(m_page, condition))
        return true;
    std::cerr << "PageScreenshots: gave up waiting for " << what << std::endl;
    return false;
}

void Session::shoot(const QString& name, const QString& scrollTo)
{
    if (!scrollTo.isEmpty())
        js(QStringLiteral("(function () { var e = document.querySelector('%1'); if (e) e.scrollIntoView({block: "
                          "'start'}); })()")
               .arg(scrollTo));
    QTest::qWait(600);
    const QString path = QDir(m_out).filePath(name + ".png");
    if (m_window->grab().save(path, "PNG"))
        std::cout << qPrintable(path) << std::endl;
    else
        std::cerr << "PageScreenshots: could not write " << qPrintable(path) << std::endl;
}

// Every country with every disease, then the first countries once more with the first disease,
// up to 99 models (two models of one country and disease are told apart by their ids).
bool Session::createModels()
{
    js("ozmidPage.selectCountries(Array.from(document.querySelectorAll('#countrySelect input'))"
       ".map(function (i) { return i.value; }));"
       "ozmidPage.selectDiseases(Array.from(document.querySelectorAll('#diseaseSelect input'))"
       ".map(function (i) { return i.value; })); ozmidPage.createModels();");
    if (!guitest::waitFor([this] { return m_chief.models().size() > 0; }))
        return false;
    const std::size_t first = m_chief.models().size();
    if (first < std::size_t(modelCount)) {
        js(QStringLiteral("ozmidPage.selectCountries(Array.from(document.querySelectorAll('#countrySelect input'))"
                          ".map(function (i) { return i.value; }).slice(0, %1));"
                          "ozmidPage.selectDiseases([document.querySelector('#diseaseSelect input').value]);"
                          "ozmidPage.createModels();")
               .arg(std::size_t(modelCount) - first));
        if (!guitest::waitFor([&] { return m_chief.models().size() > first; }))
            return false;
    }
    std::cout << "PageScreenshots: " << m_chief.models().size() << " models" << std::endl;
    return script(QStringLiteral("ozmidPage.state.models.length === %1").arg(m_chief.models().size()), "the models");
}

bool Session::exportPdf()
{
    const QString path = QDir(m_out).filePath("main-page.pdf");
    QFile::remove(path);
    QSignalSpy exported(&m_window->webGUI(), &ui::WebGUI::pdfExportFinished);
    guitest::whenModal<QFileDialog>([path](QFileDialog* dialog) { guitest::typeFileName(dialog, path); });
    js("ozmidPage.exportPdf()");
    if (!guitest::waitFor([&] { return !exported.isEmpty(); }, 180000))
        return false;
    std::cout << qPrintable(path) << std::endl;
    return true;
}

bool Session::run()
{
    // The sample specifications, with the reference data the build stages.
    if (!m_base.isValid() || !guitest::prepareBaseFolder(m_base.path())
        || !guitest::useStagedReferenceData(m_base.path())) {
        std::cerr << "PageScreenshots: the sample data could not be copied (is the build complete?)" << std::endl;
        return false;
    }
    QDir::setCurrent(m_base.path());
    m_chief.setBasePath(m_base.path());
    m_window = ui::OzmidMainWnd::create();
    m_window->setChief(&m_chief);
    m_window->resize(1280, 720);
    m_window->show();
    m_page = m_window->webView()->page();
    if (!script("!!window.ozmidPage && ozmidPage.isReady() && "
                "document.querySelectorAll('#diseaseSelect input').length > 0",
                "the page"))
        return false;
    if (!createModels())
        return false;
    shoot("01-models");
    js("document.getElementById('countrySelect').scrollTop = 1e6");
    shoot("02-countries-end");

    js("ozmidPage.setNumSamples(200); ozmidPage.setUncertaintyAnalysis(true)");
    guitest::waitFor([this] { return m_chief.isUncertaintyAnalysisEnabled(); });
    js("ozmidPage.runModels()");
    if (!script("ozmidPage.state.lastRunOutcome === 'finished' && !ozmidPage.state.running && "
                "ozmidPage.state.lastAggregatedResults !== null",
                "the run"))
        return false;
    js("ozmidPage.showTab('results')");
    shoot("03-results-table", "#aggregatedResultsTable");
    shoot("04-per-model-chart", "#aggregatedChartMetric");
    js("document.querySelector('.chart-scroll').scrollTop = 1e6");
    shoot("05-per-model-chart-end");

    const auto& first = m_chief.models().front();
    js(QStringLiteral("ozmidPage.showDetailedResults('%1', '%2', '%3')")
           .arg(first->countryId(), first->diseaseId(), first->modelId()));
    script("!!Chart.getChart(document.getElementById('tornadoChart'))", "the tornado chart");
    shoot("06-tornado", "#uncertaintyPanel");
    js("document.getElementById('tornadoExpand').click()");
    shoot("07-tornado-open", "#uncertaintyPanel");

    // A detail pop-up of a model of a country without a name in the reference data.
    const auto& last = m_chief.models().back();
    fn::OutcomeTree& tree = last->getOutcomeTree(0);
    m_chief.showOutcomeTreeElementDetails(tree.id(), "infection", tree.infection()->id(), last->countryId(),
                                          last->diseaseId(), last->modelId());
    auto* popup = qobject_cast<ui::DataPresenter*>(
        m_chief.presenterMgr().presenter(last->modelId(), tree.id(), tree.infection()->id()));
    if (auto* view = popup ? popup->findChild<QWebEngineView*>() : nullptr) {
        guitest::waitForScript(view->page(),
                               "!!document.getElementById('elemInfo') && "
                               "document.getElementById('elemInfo').textContent.length > 0");
        QTest::qWait(800);
        const QString path = QDir(m_out).filePath("10-popup.png");
        if (popup->grab().save(path, "PNG"))
            std::cout << qPrintable(path) << std::endl;
        popup->close();
    }

    js("Oz.notify('Model creation', 'An information that passes.<br />With a second line.', 'info');"
       "Oz.notify('Run', 'An error stays until it is closed; its text may run much longer than "
       "the width of one notice, and shows whole when the notice is opened.', 'error');");
    shoot("08-notices");
    js("document.querySelector('#notifications .toast-error .toast-head').click()");
    shoot("09-notice-open");
    js("document.querySelectorAll('#notifications .toast-close').forEach(function (b) { b.click(); })");

    if (!exportPdf())
        std::cerr << "PageScreenshots: the PDF was not written" << std::endl;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: PageScreenshots <output folder>" << std::endl;
        return 2;
    }
    ut::RuntimeFolder::prepare();
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Tesk");
    QApplication::setApplicationName("OzmidScreenshots");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    ozmidInitInterfaceResources();
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(out)) {
        std::cerr << "PageScreenshots: cannot create " << argv[1] << std::endl;
        return 1;
    }
    Session session(out);
    const bool done = session.run();
    delete ui::OzmidMainWnd::create();
    return done ? 0 : 1;
}

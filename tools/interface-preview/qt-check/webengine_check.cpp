// Loads qrc:/interface/index.html in Qt WebEngine with a stand-in "webGUI"
// that follows the bridge contract, drives the page through window.ozmidPage and checks results.
#include "InterfaceResources.h"
#include <QApplication>
#include <QWebEngineView>
#include <QWebEnginePage>
#include <QWebChannel>
#include <QTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>
#include <cstdio>
#include <functional>

static QVariantMap stat(double m)
{
    return {{"Mean", m}, {"Quantile0.025", m * 0.6}, {"Quantile0.5", m * 0.97}, {"Quantile0.975", m * 1.5}};
}
static QVariantMap table(const QString& name, const QString& cell)
{
    QVariantList rows;
    const QStringList ages = {"0", "1-4", "5-9"};
    for (int i = 0; i < ages.size(); ++i)
        rows << QVariantMap{{"id", i}, {"Age", ages[i]}, {"Female", cell}, {"Male", cell}};
    return {{"factorNames", QStringList{"Age", "Gender"}},
            {"stratified", rows},
            {"meta",
             QVariantList{QVariantMap{
                 {"id", 0}, {"ParameterName", "description"}, {"DisplayString", "Description"}, {"Value", "d"}}}},
            {"name", name}};
}

class Bridge : public QObject
{
    Q_OBJECT
public:
    QStringList countries, diseases, log;
    QVariantList lastApply;
    QVariantList lastElement;
    int numSamples = 1000;
    double rate = 0.0;
    QVariantList created;
signals:
    void programReinitialized();
    void showMessage(QString, QString, QString);
    void modelsCreated(QVariantList);
    void modelSelected(QVariantMap, QVariantMap, QVariantMap, QVariantMap, QVariantMap, QString);
    void detailedResultsAvailable(QVariantMap);
    void aggregatedResultsAvailable(QVariantMap);
    void formulaCheckResultsAvailable(QVariantMap);
    void createUpdatableMessage(QString, QString);
    void updateMessage(QString, QString);
    void destroyUpdatableMessage();
    void runStarted();
    void runFinished(QVariantList);
    void runProgressUpdated(float, int, int, QString);

public:
    Q_INVOKABLE void dataRequested()
    {
        log << "dataRequested";
        emit programReinitialized();
    }
    Q_INVOKABLE void pageOpened(int i, QString n) { log << QString("pageOpened %1 %2").arg(i).arg(n); }
    Q_INVOKABLE void webLinkClicked(QString) { }
    Q_INVOKABLE QVariantList getAvailableDiseases()
    {
        return {QVariantMap{{"id", "D1"}, {"disease", "Disease one"}},
                QVariantMap{{"id", "J1"}, {"disease", "JSON disease"}}};
    }
    Q_INVOKABLE QVariantMap getOutcomeTreeDiagram(QString, QString, QString) { return {}; }
    Q_INVOKABLE void setSelectedCountries(QStringList c) { countries = c; }
    Q_INVOKABLE void setSelectedDiseases(QStringList d) { diseases = d; }
    Q_INVOKABLE int getNumSamples() { return numSamples; }
    Q_INVOKABLE double getTimeDiscountRate() { return rate; }
    Q_INVOKABLE void setNumSamples(int n)
    {
        numSamples = n;
        log << QString("setNumSamples %1").arg(n);
    }
    Q_INVOKABLE void setTimeDiscountRate(double r)
    {
        rate = r;
        log << QString("setTimeDiscountRate %1").arg(r);
    }
    Q_INVOKABLE void createModels()
    {
        created.clear();
        int k = 0;
        for (auto& c : countries)
            for (auto& d : diseases) {
                QVariantMap spec;
                if (d == "J1") {
                    spec = QJsonDocument::fromJson(R"({"id":"J1","outcomeTrees":{"a":{"id":"T","name":"Tree",
                  "healthOutcomesRunOrder":["inf","ac","dt"],
                  "healthOutcomes":{"inf":{"name":"Infection","type":"INFECTION","healthStates":{}},
                   "ac":{"name":"Acute","type":"ACUTE","healthStates":{"s":{"id":"ac_state","name":"State"}}},
                   "dt":{"name":"Death","type":"DEATH","healthStates":{}}},
                  "transitions":{"x":{"id":"t1","name":"to acute","source":{"id":"inf"},"target":{"id":"ac"}},
                   "y":{"id":"t2","name":"fatal","source":{"id":"ac_state"},"target":{"id":"dt"}}}}}})")
                               .object()
                               .toVariantMap();
                }
                created << QVariantMap{
                    {"countryID", c},         {"diseaseID", d},   {"modelID", QString("model %1").arg(++k)},
                    {"countryName", c},       {"diseaseName", d}, {"isCongenital", false},
                    {"jsonDiseaseSpec", spec}};
            }
        emit showMessage(
            "Model creation",
            QString("%1 new model(s) created.<br />Total number of models defined: %1.").arg(created.size()), "info");
        emit modelsCreated(created);
    }
    Q_INVOKABLE void deleteModels()
    {
        created.clear();
        emit programReinitialized();
    }
    Q_INVOKABLE void selectModel(QString c, QString d, QString m)
    {
        for (auto& v : created) {
            auto info = v.toMap();
            if (info["countryID"] == c && info["diseaseID"] == d && info["modelID"] == m) {
                emit modelSelected(info,
                                   {{"underestimation", table("Underestimation", "2")},
                                    {"underreporting", table("Underreporting", "1.5")},
                                    {"underascertainment", table("Underascertainment", "RandUniform(1, 2)")},
                                    {"estimType", 1}},
                                   table("Cases", "10"), table("Life expectancy", "70"),
                                   table("Age distribution", "1000"), "<p>Report</p>");
            }
        }
    }
    Q_INVOKABLE void applyChangesToModelParams(QVariantMap info, int et, QVariantMap a, QVariantMap b, QVariantMap c,
                                               QVariantMap d, QVariantMap e, QVariantMap f)
    {
        lastApply = {info, et, a, b, c, d, e, f};
        QVariantMap check{
            {"lifeExp",
             QVariantMap{{"factorNames", QStringList{"Age", "Gender"}},
                         {"stratified",
                          QVariantList{QVariantMap{{"id", 0}, {"Age", "0"}, {"Female", false}, {"Male", true}}}}}}};
        emit showMessage("Model parameters", "Changes have NOT been applied to:<br /><ul><li>Life expectancy</li></ul>",
                         "error");
        emit formulaCheckResultsAvailable(check);
    }
    Q_INVOKABLE void showOutcomeTreeElementDetails(QString t, QString type, QString id, QString c, QString d, QString m)
    {
        lastElement = {t, type, id, c, d, m};
    }
    Q_INVOKABLE void runModels()
    {
        const int n = created.size();
        emit runStarted();
        emit runProgressUpdated(0.0f / 0.0f, 0, 0, "bogus");
        QString name;
        for (int i = 0; i < n; ++i) {
            name = created[i].toMap()["modelID"].toString();
            emit runProgressUpdated(float(i) / n, i, n, name);
        }
        emit runProgressUpdated(1.0f, n, n, name);
        QVariantList mr;
        QVariantList rl;
        for (int i = 0; i < n; ++i) {
            auto info = created[i].toMap();
            QVariantMap res{{"daly", stat(100.5 * (i + 1))},
                            {"yld", stat(10)},
                            {"yll", stat(90)},
                            {"cases", stat(50)},
                            {"deaths", stat(2)},
                            {"dalyPer100k", stat(3)},
                            {"dalyPerCase", stat(2)}};
            mr << QVariantMap{{"id", info["modelID"]},
                              {"country", info["countryID"]},
                              {"disease", info["diseaseID"]},
                              {"countryName", info["countryName"]},
                              {"diseaseName", info["diseaseName"]},
                              {"results", res}};
            rl << QVariantMap{{"countryID", info["countryID"]},
                              {"diseaseID", info["diseaseID"]},
                              {"modelID", info["modelID"]},
                              {"countryName", info["countryName"]},
                              {"diseaseName", info["diseaseName"]}};
        }
        QVariantList fem, mal;
        for (int i = 0; i < 3; ++i) {
            auto s = stat(i + 1);
            s["id"] = i;
            s["Age"] = QString::number(i);
            fem << s;
            mal << s;
        }
        emit aggregatedResultsAvailable(
            {{"modelResults", mr},
             {"totalResults", QVariantMap{{"daly", stat(301.5)}}},
             {"allResults",
              QVariantMap{{"daly", QVariantMap{{"meta", QVariantList{}}, {"arrayFemale", fem}, {"arrayMale", mal}}}}}});
        emit runFinished(rl);
    }
    Q_INVOKABLE void showDetailedResults(QString, QString, QString) { }
    Q_INVOKABLE void copyTextToClipboard(QString t) { log << "copy:" + t.left(40); }
    Q_INVOKABLE QVariantMap pasteFromClipboardToGrid(QStringList, QStringList, QString)
    {
        return {{"stratified", QVariantList{}}};
    }
    Q_INVOKABLE void savePngImageToFile(QString b64) { log << QString("png %1 %2").arg(b64.size()).arg(b64.left(8)); }
    Q_INVOKABLE void exportPageToPdf() { log << "pdf"; }
};

class WebData : public QObject
{
    Q_OBJECT
public:
    QVariantMap entries;
signals:
    void publishData(QVariantMap);
public slots:
    void dataRequested() { emit publishData(entries); }
};

class PopupBridge : public Bridge
{
    Q_OBJECT
public:
    QVariantList yld;
signals:
    void showMessageInYLDPage(QString, QString, QString);
    void formulaCheckResultsAvailableForYLDPage(QVariantMap);

public:
    Q_INVOKABLE void applyChangesToYLDParams(QVariantMap info, QVariantMap sev, QVariantMap dur, QVariantMap prop)
    {
        yld = {info, sev, dur, prop};
        emit showMessageInYLDPage("YLD parameters", "Changes have NOT been applied to:<br /><ul><li>Severity</li></ul>",
                                  "error");
        emit formulaCheckResultsAvailableForYLDPage(
            {{"severity",
              QVariantMap{{"factorNames", QStringList{"Age", "Gender"}},
                          {"stratified",
                           QVariantList{QVariantMap{{"id", 1}, {"Age", "1-4"}, {"Female", true}, {"Male", false}}}}}}});
    }
};

static int failures = 0;
static void expect(bool ok, const char* what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok)
        ++failures;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ozmidInitInterfaceResources();
    // Screenshots of the driven page go to the folder given as the first argument, if any.
    const QString shotDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') : QString();
    auto save = [&](const QPixmap& p, const QString& name) {
        if (!shotDir.isEmpty())
            p.save(name);
    };
    QWebEngineView view;
    view.resize(1110, 900);
    Bridge bridge;
    QWebChannel channel;
    channel.registerObject("webGUI", &bridge);
    view.page()->setWebChannel(&channel);
    QObject::connect(view.page(), &QWebEnginePage::loadFinished, [](bool ok) { std::printf("loadFinished %d\n", ok); });
    view.load(QUrl("qrc:/interface/index.html"));
    view.show();

    auto js = [&](const QString& code) {
        QVariant out;
        QEventLoop loop;
        view.page()->runJavaScript(code, [&](const QVariant& v) {
            out = v;
            loop.quit();
        });
        loop.exec();
        return out;
    };
    auto wait = [&](const QString& cond, int ms) {
        for (int t = 0; t < ms; t += 50) {
            if (js(cond).toBool())
                return true;
            QEventLoop l;
            QTimer::singleShot(50, &l, &QEventLoop::quit);
            l.exec();
        }
        return false;
    };
    auto shot = [&](const QString& file) {
        QEventLoop l;
        QTimer::singleShot(400, &l, &QEventLoop::quit);
        l.exec();
        save(view.grab(), file);
    };

    expect(wait("window.ozmidPage && ozmidPage.isReady() && ozmidPage.state.availableDiseases.length === 2", 15000),
           "page ready with diseases");
    expect(bridge.log.contains("dataRequested"), "dataRequested called");
    js("ozmidPage.selectCountries(['Austria','Germany']); ozmidPage.selectDiseases(['D1','J1']); "
       "ozmidPage.createModels();");
    expect(wait("ozmidPage.state.models.length === 4", 5000), "four models listed");
    expect(bridge.countries == QStringList({"Austria", "Germany"}), "countries arrive as string list");
    js("ozmidPage.setNumSamples(250); ozmidPage.setTimeDiscountRate(0.03);");
    shot(shotDir + QStringLiteral("qt_setup.png"));
    js("ozmidPage.showTab('results'); ozmidPage.runModels();");
    expect(wait("ozmidPage.state.lastRunList && ozmidPage.state.lastRunList.length === 4", 5000), "run list received");
    expect(bridge.numSamples == 250 && qFuzzyCompare(bridge.rate, 0.03), "samples and rate set");
    expect(js("ozmidPage.dalyMean('model 2')").toDouble() == 201.0, "DALY mean of model 2 in table");
    expect(js("ozmidPage.state.progress.fraction").toDouble() == 1.0, "progress at 1");
    expect(js("document.getElementById('runProgressBar').dataset.fraction").toString() == "1", "bar shows 1");
    shot(shotDir + QStringLiteral("qt_results.png"));
    js("document.querySelector('#aggregatedChartTools button[data-chart-action=\"save\"]').click(); "
       "document.getElementById('copyAggregatedTable').click();");
    wait("false", 300);
    bool png = false, copied = false;
    for (auto& l : bridge.log) {
        if (l.startsWith("png ") && l.contains("iVBOR"))
            png = true;
        if (l.startsWith("copy:Model\tCountry"))
            copied = true;
    }
    expect(png, "chart saved as base64 PNG without prefix");
    expect(copied, "table copied as tab-separated text");
    js("ozmidPage.openModel('Austria','J1','model 2')");
    expect(wait("ozmidPage.state.selectedModel && ozmidPage.state.selectedModel.modelID === 'model 2'", 5000),
           "model selected");
    js("document.querySelector('#gridLifeExp .cell-input').value = 'x+'; ozmidPage.applyModelChanges();");
    expect(wait("document.querySelectorAll('#gridLifeExp td.cell-invalid').length === 1", 5000),
           "invalid cell highlighted");
    expect(bridge.lastApply.size() == 8 && bridge.lastApply[1].toInt() == 1, "apply sent with estimType 1");
    expect(bridge.lastApply.size() == 8
               && bridge.lastApply[6].toMap()["stratified"].toList()[0].toMap()["Female"].toString() == "x+",
           "edited cell sent");
    js("document.querySelector('#modelDataContent .subtab[data-subtab=tree]').click()");
    shot(shotDir + QStringLiteral("qt_tree.png"));
    js("document.querySelector('.state-row.clickable').dispatchEvent(new MouseEvent('click', {bubbles:true}))");
    wait("false", 300);
    expect(bridge.lastElement == QVariantList({"T", "symptomatic", "ac_state", "Austria", "J1", "model 2"}),
           "state click opens symptomatic ac_state");
    js("document.querySelector('.outcome-head.clickable').dispatchEvent(new MouseEvent('click', {bubbles:true}))");
    wait("false", 300);
    expect(bridge.lastElement.value(1) == "infection" && bridge.lastElement.value(2) == "inf_hs",
           "infection click uses _hs id");
    js("document.querySelector('.edge-label.clickable').dispatchEvent(new MouseEvent('click', {bubbles:true}))");
    wait("false", 300);
    expect(bridge.lastElement.value(1) == "arrow" && bridge.lastElement.value(2) == "t1", "arrow click");
    js("ozmidPage.deleteModels()");
    expect(wait("ozmidPage.state.models.length === 0 && ozmidPage.state.lastRunList === null", 5000),
           "reinitialised page resets");
    {
        QWebEngineView pop;
        pop.resize(980, 670);
        PopupBridge gui;
        WebData data;
        QVariantList fem;
        for (int i = 0; i < 3; ++i) {
            auto st = stat(i + 1);
            st["id"] = i;
            st["Age"] = QString::number(i);
            fem << st;
        }
        const QVariantMap strat{{"meta", QVariantList{}}, {"arrayFemale", fem}, {"arrayMale", fem}};
        const QVariantMap elem{{"countryID", "Austria"},
                               {"diseaseID", "J1"},
                               {"modelID", "model 2"},
                               {"outcomeTreeID", "T"},
                               {"outcomeTreeNodeID", "ac_state"}};
        data.entries = {{"Caption", "Acute - State"},
                        {"ResultsAvailable", true},
                        {"ElemInfo", elem},
                        {"SeverityData", table("Severity", "0.2")},
                        {"DurationData", table("Duration", "0.1")},
                        {"ProportionData", table("Proportion", "1")},
                        {"IncidenceData", strat},
                        {"BurdenData", strat},
                        {"RemLEData", strat}};
        QWebChannel ch;
        ch.registerObject("webData", &data);
        ch.registerObject("webGUI", &gui);
        pop.page()->setWebChannel(&ch);
        pop.load(QUrl("qrc:/interface/subpages/yldHealthOutcomeView.html"));
        pop.show();
        auto pjs = [&](const QString& code) {
            QVariant out;
            QEventLoop loop;
            pop.page()->runJavaScript(code, [&](const QVariant& v) {
                out = v;
                loop.quit();
            });
            loop.exec();
            return out;
        };
        auto pwait = [&](const QString& cond, int ms) {
            for (int t = 0; t < ms; t += 50) {
                if (pjs(cond).toBool())
                    return true;
                QEventLoop l;
                QTimer::singleShot(50, &l, &QEventLoop::quit);
                l.exec();
            }
            return false;
        };
        expect(pwait("document.getElementById('caption').textContent === 'Acute - State'", 15000),
               "pop-up shows caption");
        pjs("document.querySelector('#grid-severity .cell-input').value = '0.3'; "
            "document.getElementById('applyChangesButton').click();");
        expect(pwait("document.querySelectorAll('#grid-severity td.cell-invalid').length === 1", 5000),
               "pop-up highlights rejected cell");
        expect(gui.yld.size() == 4 && gui.yld[0].toMap()["outcomeTreeNodeID"] == "ac_state",
               "ElemInfo passed back unchanged");
        expect(gui.yld.size() == 4 && gui.yld[1].toMap()["stratified"].toList()[0].toMap()["Female"] == "0.3",
               "edited severity sent");
        pjs("document.querySelector('.subtab[data-subtab=results]').click()");
        QEventLoop l;
        QTimer::singleShot(600, &l, &QEventLoop::quit);
        l.exec();
        expect(pjs("document.querySelectorAll('#subpage-results canvas').length").toInt() == 3, "three result charts");
        save(pop.grab(), shotDir + QStringLiteral("qt_popup.png"));
    }
    std::printf("%d failures\n", failures);
    return failures ? 1 : 0;
}
#include "webengine_check.moc"

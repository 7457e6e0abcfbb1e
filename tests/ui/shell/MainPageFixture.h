#pragma once

#include <memory>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include "ui/StoreFixtures.h"
#include "ui/shell/GuiTestSupport.h"
#include "InterfaceResources.h"
#include "ui/shell/OzmidMainWnd.h"
#include "ui/shell/presenters/DataPresenter.h"

namespace guitest {

// The texts of the notices a page shows, one after the other.
inline const QString noticeTexts = QStringLiteral("Array.from(document.querySelectorAll('#notifications .toast')).map("
                                                  "function (t) { return t.textContent; }).join(' | ')");

inline QString jsString(const QString& text)
{
    return '\'' + text + '\'';
}

// "text|title" of the first element the selector finds on the page, empty when there is none.
inline QString textAndTitle(QWebEnginePage* page, const QString& selector)
{
    return runJavaScript(page,
                         QStringLiteral("(function () { var c = document.querySelector(%1);"
                                        " return c ? c.textContent + '|' + (c.title || '') : ''; })()")
                             .arg(jsString(selector)))
        .toString();
}

// Types text into an input of the page and commits it, as leaving the field does; then runs
// the script then (an Apply button's click, say).
inline void typeInto(QWebEnginePage* page, const QString& selector, const QString& text, const QString& then = {})
{
    runJavaScript(page,
                  QStringLiteral("(function () { var e = document.querySelector(%1); e.value = %2;"
                                 " e.dispatchEvent(new Event('input', {bubbles: true}));"
                                 " e.dispatchEvent(new Event('change', {bubbles: true})); %3 })()")
                      .arg(jsString(selector), jsString(text), then));
}

// Answers the next message box (within the time-out) with the button; asked becomes
// "title: text", with " (No by default)" when No is its default button.
inline void answerMessageBox(QMessageBox::StandardButton answer, QString& asked, int timeout = timeoutMs)
{
    whenModal<QMessageBox>(
        [answer, &asked](QMessageBox* box) {
            const bool noByDefault = box->defaultButton() == box->button(QMessageBox::No);
            asked = box->windowTitle() + ": " + box->text() + (noByDefault ? " (No by default)" : "");
            box->button(answer)->click();
        },
        timeout);
}

// Runs the script (a Copy button's click) on a cleared clipboard; what it copied.
inline QString copiedBy(QWebEnginePage* page, const QString& script)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    runJavaScript(page, script);
    waitFor([&] { return !clipboard->text().isEmpty(); });
    return clipboard->text();
}

// Clicks the middle of the element as the user would, with the mouse on the view's widget, once
// nothing covers it (a notice may lie over it for a while); false when the element is not shown
// or stays covered.
inline bool clickElement(QWebEngineView* view, const QString& selector)
{
    const QString script = QStringLiteral("(function () { var e = document.querySelector(%1);"
                                          " if (!e) return []; e.scrollIntoView({block: 'center'});"
                                          " var r = e.getBoundingClientRect();"
                                          " var x = r.left + r.width / 2, y = r.top + r.height / 2;"
                                          " var hit = document.elementFromPoint(x, y);"
                                          " return r.width > 0 && hit && e.contains(hit) ? [x, y] : []; })()")
                               .arg(jsString(selector));
    QVariantList centre;
    if (!waitFor([&] { return (centre = runJavaScript(view->page(), script).toList()).size() == 2; }))
        return false;
    QWidget* target = view->focusProxy() ? view->focusProxy() : view;
    const QPoint at(qRound(centre[0].toDouble()), qRound(centre[1].toDouble()));
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
    return true;
}

// A working directory of its own for each test, hence a settings file of its own; native
// dialogs are off, so that the tests can answer them.
class FolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        ozmidInitInterfaceResources();
        ASSERT_TRUE(base.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(base.path());
    }

    void TearDown() override { QDir::setCurrent(previousDirectory); }

    QTemporaryDir base;
    QString previousDirectory;
};

// The main window on a fresh base folder (the sample specifications and the population of
// one country), its page loaded; tests drive it through the page as a user would.
class MainPageFixture : public FolderTest
{
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(prepareBaseFolder(base.path()));
    }

    void TearDown() override
    {
        if (chief) {
            chief->presenterMgr().closeAll();
            EXPECT_TRUE(waitFor([&] { return chief->presenterMgr().count() == 0; }));
        }
        delete window.data();
        chief.reset();
        FolderTest::TearDown();
    }

    void openWindow()
    {
        window = ui::OzmidMainWnd::create();
        useChief();
        window->show();
        page = window->webView()->page();
    }

    void useChief()
    {
        chief = std::make_unique<ui::Chief>();
        chief->setBasePath(base.path());
        window->setChief(chief.get());
    }

    // Opens the window at size (its own size when invalid) and waits until the page has it.
    void openWindowAt(const QSize& size)
    {
        openWindow();
        if (!size.isValid())
            return;
        window->resize(size);
        ASSERT_TRUE(waitFor([&] { return window->size() == size; }));
        ASSERT_TRUE(waitJs(
            QStringLiteral("window.innerWidth <= %1 && window.innerHeight < %2").arg(size.width()).arg(size.height())));
    }

    // Selects the countries and the disease on the page and creates their models.
    void createModels(const QStringList& countries, const QString& disease)
    {
        ASSERT_TRUE(
            pageReadyAnd(QStringLiteral("!!document.querySelector('input[data-disease-id=\"%1\"]')").arg(disease)));
        QStringList quoted;
        for (const QString& country : countries)
            quoted << jsString(country);
        const std::size_t before = chief->models().size();
        js(QStringLiteral("ozmidPage.selectCountries([%1]); ozmidPage.selectDiseases([%2]);"
                          "ozmidPage.createModels();")
               .arg(quoted.join(','), jsString(disease)));
        ASSERT_TRUE(
            waitJs(QStringLiteral("ozmidPage.state.models.length === %1").arg(before + std::size_t(countries.size()))));
    }

    void createModelOf(const QString& disease)
    {
        ASSERT_NO_FATAL_FAILURE(createModels({country}, disease));
        ASSERT_EQ(chief->models().size(), 1u);
    }

    // Runs the models from the page and waits for the results to be shown.
    void runFromPage(int samples)
    {
        ASSERT_TRUE(
            js(QStringLiteral("ozmidPage.setNumSamples(%1) === %1 && ozmidPage.runModels()").arg(samples)).toBool());
        ASSERT_TRUE(waitJs(QStringLiteral("ozmidPage.state.lastRunOutcome === 'finished' && "
                                          "!ozmidPage.state.running && "
                                          "ozmidPage.state.lastAggregatedResults !== null")));
    }

    QVariant js(const QString& code) { return runJavaScript(page, code); }
    bool waitJs(const QString& condition) { return waitForScript(page, condition); }
    bool jsTrue(const QString& code) { return js(code).toBool(); }
    bool click(const QString& selector) { return clickElement(window->webView(), selector); }
    QString pageText(const QString& expression) { return js(expression).toString(); }
    QString textOf(const QString& selector)
    {
        return pageText(QStringLiteral("document.querySelector(%1).textContent").arg(jsString(selector)));
    }
    bool hidden(const QString& selector)
    {
        return js(QStringLiteral("document.querySelector(%1).hidden").arg(jsString(selector))).toBool();
    }

    void editSeverity() { uitest::applySeverity(*chief, *chief->models().front()); }

    // Calls a function of the page's automation hook on model 1 of guitest::country.
    void onModel(const char* function, const QString& disease = bsiDisease)
    {
        js(QStringLiteral("ozmidPage.%1(%2, %3, 'model 1');")
               .arg(QLatin1String(function), jsString(country), jsString(disease)));
    }

    // Shows the tree of model 1 of guitest::country, once the element on it can be clicked.
    void showTree(const QString& element, const QString& disease = bsiDisease)
    {
        onModel("openModel", disease);
        js("document.querySelector('.subtab[data-subtab=\"tree\"]').click();");
        ASSERT_TRUE(waitJs(
            QStringLiteral("!!document.querySelector('.state-row.clickable[data-element-id=\"%1\"]')").arg(element)));
    }

    // The pop-up of an element of model 1 of guitest::country, opened as a click on its tree does.
    ui::DataPresenter* openPopup(const QString& tree, const QString& type, const QString& element,
                                 const QString& disease = bsiDisease)
    {
        chief->showOutcomeTreeElementDetails(tree, type, element, country, disease, "model 1");
        return popupOf(tree, element);
    }

    ui::DataPresenter* popupOf(const QString& tree, const QString& element) const
    {
        return qobject_cast<ui::DataPresenter*>(chief->presenterMgr().presenter("model 1", tree, element));
    }

    void waitForPage() { ASSERT_TRUE(pageReadyAnd("ozmidPage.state.countries.length > 0")); }
    bool pageReadyAnd(const QString& condition)
    {
        return waitJs("!!window.ozmidPage && ozmidPage.isReady() && " + condition);
    }

    // Waits for a notice on the page with this title whose text contains text.
    bool noticeShown(const QString& title, const QString& text)
    {
        return waitJs(QStringLiteral("ozmidPage.state.messages.some(function (m) {"
                                     " return m.title === %1 && m.text.indexOf(%2) >= 0; })")
                          .arg(jsString(title), jsString(text)));
    }

    QAction* action(const char* name) const { return window->findChild<QAction*>(QLatin1String(name)); }

    std::unique_ptr<ui::Chief> chief;
    QPointer<ui::OzmidMainWnd> window;
    QWebEnginePage* page = nullptr;
};

// The fixture at each of windowSizes.
template <typename Fixture>
class AtWindowSizes : public Fixture, public ::testing::WithParamInterface<QSize>
{
};

} // namespace guitest

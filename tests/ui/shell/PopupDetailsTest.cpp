#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ui/shell/presenters/YLDHealthOutcomeDataPresenter.h"

namespace {

using guitest::jsString;

const QString tree = QStringLiteral("bsi");
const QString septicShock = QStringLiteral("bsiSepticShock");

class PopupDetailsTest : public guitest::MainPageFixture
{
protected:
    // Opens the model's outcome trees on the page.
    void showTrees()
    {
        guitest::runJavaScript(page,
                               QStringLiteral("ozmidPage.openModel(%1, %2, 'model 1');"
                                              "document.querySelector('.subtab[data-subtab=\"tree\"]').click();")
                                   .arg(jsString(guitest::country), jsString(guitest::bsiDisease)));
        ASSERT_TRUE(guitest::waitForScript(
            page,
            QStringLiteral("!!document.querySelector('.state-row.clickable[data-element-id=\"%1\"]')")
                .arg(septicShock)));
    }

    // Clicks the element on the drawn tree and returns its window once it has shown its data.
    ui::YLDHealthOutcomeDataPresenter* clickSepticShock()
    {
        if (!guitest::clickElement(window->webView(),
                                   QStringLiteral(".state-row.clickable[data-element-id=\"%1\"]").arg(septicShock)))
            return nullptr;
        if (!guitest::waitFor(
                [&] { return chief->presenterMgr().isRegistered(QStringLiteral("model 1"), tree, septicShock); }))
            return nullptr;
        auto* popup = qobject_cast<ui::YLDHealthOutcomeDataPresenter*>(
            chief->presenterMgr().presenter(QStringLiteral("model 1"), tree, septicShock));
        if (popup
            && !guitest::waitForScript(popup->view()->page(),
                                       QStringLiteral("!!window.ozmidSubpage && !!ozmidSubpage.data &&"
                                                      " !!document.querySelector('.subtab')")))
            return nullptr;
        return popup;
    }
};

} // namespace

// Escape closes the pop-up, also while a table cell has the focus; a second click on an element
// whose pop-up is open brings that window back instead of only saying so under it.
TEST_F(PopupDetailsTest, EscapeClosesAndASecondClickRaises)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    ASSERT_NO_FATAL_FAILURE(showTrees());
    QPointer<ui::YLDHealthOutcomeDataPresenter> popup = clickSepticShock();
    ASSERT_TRUE(popup);
    popup->activateWindow();
    ASSERT_TRUE(guitest::clickElement(popup->view(), QStringLiteral("input.cell-input")));
    ASSERT_TRUE(guitest::waitForScript(
        popup->view()->page(),
        QStringLiteral("document.activeElement && document.activeElement.classList.contains('cell-input')")));
    QTest::keyClick(popup->view()->focusProxy(), Qt::Key_Escape);
    EXPECT_TRUE(guitest::waitFor([&] { return popup.isNull(); }));
    EXPECT_EQ(chief->presenterMgr().count(), 0);

    popup = clickSepticShock();
    ASSERT_TRUE(popup);
    popup->showMinimized();
    ASSERT_TRUE(guitest::waitFor([&] { return popup->windowState().testFlag(Qt::WindowMinimized); }));
    ASSERT_TRUE(guitest::clickElement(window->webView(),
                                      QStringLiteral(".state-row.clickable[data-element-id=\"%1\"]").arg(septicShock)));
    EXPECT_TRUE(guitest::waitFor([&] { return popup && !popup->windowState().testFlag(Qt::WindowMinimized); }));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(chief->presenterMgr().count(), 1);
    EXPECT_TRUE(guitest::waitForScript(
        page,
        QStringLiteral("ozmidPage.state.messages.some(function (m) {"
                       " return m.text === 'Pop-up window for this element is already displayed'; })")));
}

// After a run the pop-up shows the health outcome's totals with their 95 % interval and the
// strata's means, formatted like the main tables (full precision only in the copies).
TEST_F(PopupDetailsTest, PopUpResultsAreFormattedLikeTheMainTables)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    ASSERT_NO_FATAL_FAILURE(runFromPage(300));
    ASSERT_NO_FATAL_FAILURE(showTrees());
    ui::YLDHealthOutcomeDataPresenter* popup = clickSepticShock();
    ASSERT_TRUE(popup);
    QWebEnginePage* sub = popup->view()->page();
    ASSERT_TRUE(guitest::waitForScript(
        sub, QStringLiteral("document.querySelectorAll('#subpage-results .stat-block tr[data-key]').length > 0")));
    const QVariantList intervals =
        guitest::runJavaScript(sub,
                               QStringLiteral("Array.from(document.querySelectorAll('#subpage-results .stat-block "
                                              "td.ci-cell')).map(function (c) { return c.textContent; })"))
            .toList();
    ASSERT_FALSE(intervals.isEmpty());
    const QRegularExpression interval(QStringLiteral("^-?[\\d,.]+ – -?[\\d,.]+$"));
    for (const QVariant& text : intervals)
        EXPECT_TRUE(interval.match(text.toString()).hasMatch()) << qPrintable(text.toString());
    EXPECT_TRUE(
        guitest::runJavaScript(
            sub, QStringLiteral("!!document.querySelector('#subpage-results .stat-block tr[data-key=\"daly\"]')"))
            .toBool());

    // No raw doubles anywhere in the shown results; the means table keeps them for copying.
    const QStringList cells = guitest::runJavaScript(
                                  sub,
                                  QStringLiteral("Array.from(document.querySelectorAll('#subpage-results "
                                                 "td')).map(function (c) { return c.textContent; })"))
                                  .toStringList();
    ASSERT_FALSE(cells.isEmpty());
    const QRegularExpression rawDouble(QStringLiteral("\\d\\.\\d{7,}"));
    for (const QString& cell : cells)
        EXPECT_FALSE(rawDouble.match(cell).hasMatch()) << qPrintable(cell);
    EXPECT_GT(guitest::runJavaScript(
                  sub, QStringLiteral("document.querySelectorAll('#subpage-results .means-table td.mean-cell').length"))
                  .toInt(),
              0);
    EXPECT_TRUE(guitest::runJavaScript(sub,
                                       QStringLiteral("Array.from(document.querySelectorAll('#subpage-results "
                                                      ".means-table td.mean-cell')).some(function (c) {"
                                                      " return c.dataset.value.length > c.textContent.length; })"))
                    .toBool());
}

// Every chart has a Copy image button that puts the chart on the clipboard as a picture.
TEST_F(PopupDetailsTest, ChartsAreCopiedAsImages)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    ASSERT_NO_FATAL_FAILURE(runFromPage(200));
    guitest::runJavaScript(page, QStringLiteral("ozmidPage.showTab('results');"));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    ASSERT_TRUE(guitest::waitFor([&] { return clipboard->image().isNull(); }));
    ASSERT_TRUE(guitest::clickElement(window->webView(),
                                      QStringLiteral("#aggregatedChartTools button[data-chart-action=\"copy\"]")));
    ASSERT_TRUE(guitest::waitFor([&] { return !clipboard->image().isNull(); }));
    const QSize canvas(
        guitest::runJavaScript(page, QStringLiteral("document.getElementById('aggregatedChart').width")).toInt(),
        guitest::runJavaScript(page, QStringLiteral("document.getElementById('aggregatedChart').height")).toInt());
    EXPECT_EQ(clipboard->image().size(), canvas);
    EXPECT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("ozmidPage.state.messages.some(function (m) {"
                                                      " return m.title === 'Copy image' && m.type === 'success'; })")));
    EXPECT_EQ(
        guitest::runJavaScript(
            page,
            QStringLiteral("document.querySelectorAll('#page-results canvas').length === "
                           "document.querySelectorAll('#page-results button[data-chart-action=\"copy\"]').length"))
            .toBool(),
        true);
}

// Arrow labels and box titles wrap instead of being cut after a few letters; whatever is still
// cut shows its full name on hover.
TEST_F(PopupDetailsTest, TreeLabelsWrapAndShowTheirFullNames)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    ASSERT_NO_FATAL_FAILURE(showTrees());
    const QVariantMap labels = guitest::runJavaScript(page, QStringLiteral(R"((function () {
        var groups = Array.from(document.querySelectorAll('#outcomeTreeHost .edge-label, #outcomeTreeHost .outcome-head'));
        var longest = 0, multi = 0, untitled = 0, cutWithoutName = 0;
        groups.forEach(function (g) {
            var lines = Array.from(g.querySelectorAll('text:not(.outcome-type) tspan')).map(function (t) { return t.textContent; });
            lines.forEach(function (l) { longest = Math.max(longest, l.length); });
            if (lines.length > 1) multi++;
            var title = g.querySelector('title');
            if (!title) { untitled++; return; }
            var shown = lines.join(' ').replace(/- /g, '').replace(/…$/, '');
            if (title.textContent.indexOf(shown) < 0) cutWithoutName++;
        });
        return {count: groups.length, longest: longest, multi: multi, untitled: untitled, cutWithoutName: cutWithoutName};
    })())"))
                                   .toMap();
    EXPECT_GT(labels.value(QStringLiteral("count")).toInt(), 3);
    EXPECT_LE(labels.value(QStringLiteral("longest")).toInt(), 27);
    EXPECT_GT(labels.value(QStringLiteral("multi")).toInt(), 0);
    EXPECT_EQ(labels.value(QStringLiteral("untitled")).toInt(), 0);
    EXPECT_EQ(labels.value(QStringLiteral("cutWithoutName")).toInt(), 0);
}

// A pop-up's refused formula comes with the reason, and the next attempt clears what was said;
// during a run its Apply is off and says why.
TEST_F(PopupDetailsTest, PopUpEditsExplainRefusalsAndWaitForARun)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    ASSERT_NO_FATAL_FAILURE(showTrees());
    ui::YLDHealthOutcomeDataPresenter* popup = clickSepticShock();
    ASSERT_TRUE(popup);
    QWebEnginePage* sub = popup->view()->page();
    const QString cell = QStringLiteral("#grid-severity tr[data-row=\"0\"] td[data-col=\"Female\"] input");
    const QString original =
        guitest::runJavaScript(sub, QStringLiteral("document.querySelector(%1).value").arg(jsString(cell))).toString();
    const auto typeAndApply = [&](const QString& text) {
        guitest::runJavaScript(sub,
                               QStringLiteral("(function () { var e = document.querySelector(%1); e.value = %2;"
                                              " e.dispatchEvent(new Event('input', {bubbles: true}));"
                                              " document.getElementById('applyChangesButton').click(); })()")
                                   .arg(jsString(cell), jsString(text)));
    };
    const QString toasts = QStringLiteral("Array.from(document.querySelectorAll('#notifications .toast')).map("
                                          "function (t) { return t.textContent; }).join(' | ')");
    typeAndApply(QStringLiteral("RandPert(1, 2)"));
    ASSERT_TRUE(
        guitest::waitForScript(sub, QStringLiteral("(%1).indexOf('Why the formulas were refused') >= 0").arg(toasts)));
    EXPECT_TRUE(guitest::runJavaScript(sub, toasts)
                    .toString()
                    .contains(QStringLiteral("Severity, 0-4, Female: \"RandPert(1, 2)\" is refused: ")));
    typeAndApply(original);
    ASSERT_TRUE(
        guitest::waitForScript(sub, QStringLiteral("(%1).indexOf('Changes have been applied to:') >= 0").arg(toasts)));
    EXPECT_FALSE(guitest::runJavaScript(sub, toasts).toString().contains(QStringLiteral("refused")));

    chief->setNumSamples(20000);
    chief->runModels(true);
    EXPECT_TRUE(guitest::waitForScript(sub,
                                       QStringLiteral("document.getElementById('applyChangesButton').disabled && "
                                                      "!document.getElementById('runNote').hidden")));
    chief->cancelRun();
    EXPECT_TRUE(guitest::waitForScript(sub,
                                       QStringLiteral("!document.getElementById('applyChangesButton').disabled && "
                                                      "document.getElementById('runNote').hidden")));
}

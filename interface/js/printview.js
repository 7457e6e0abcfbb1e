/* The page as a printed document: every tab and sub-tab one after the other under its own heading,
   editable cells as text, charts as pictures, and only the chosen countries and diseases. The
   program puts this view in place before it prints the page to PDF and takes it away afterwards;
   the print style sheet (ozmid.css, "printing") does the layout. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});
    const ADDED = 'print-added';

    function added(tag, cls, text) {
        const node = document.createElement(tag);
        node.className = ADDED + (cls ? ' ' + cls : '');
        if (text !== undefined) node.textContent = text;
        return node;
    }

    function buttonText(selector) {
        const b = document.querySelector(selector);
        return b ? b.textContent.replace(/^\s*\d+\s*·\s*/, '').trim() : '';
    }

    function addHeadings() {
        document.querySelectorAll('.tab-page').forEach(function (page) {
            const name = buttonText('.tabbar .tab[data-tab="' + page.id.replace(/^page-/, '') + '"]');
            if (name) page.insertBefore(added('h1', 'print-heading', name), page.firstChild);
        });
        document.querySelectorAll('.subtab-page').forEach(function (page) {
            const name = buttonText('.subtab[data-subtab="' + page.id.replace(/^subpage-/, '') + '"]');
            if (name) page.insertBefore(added('h2', 'print-subheading', name), page.firstChild);
        });
    }

    // Inputs print clipped to their box; their text is printed instead.
    function inputsAsText() {
        document.querySelectorAll('input.cell-input, input.meta-input, .form-row input').forEach(function (input) {
            input.parentNode.insertBefore(added('span', 'print-value', input.value), input.nextSibling);
        });
        document.querySelectorAll('.check-list .check-item').forEach(function (item) {
            const box = item.querySelector('input[type=checkbox]');
            if (box && !box.checked) item.classList.add('print-unselected');
        });
        document.querySelectorAll('.check-list').forEach(function (list) {
            if (!list.querySelector('input[type=checkbox]:checked')) list.appendChild(added('p', 'empty-note', 'None selected.'));
        });
    }

    // A frame prints only the part that fits its box: its document is copied into the page.
    function framesAsText() {
        document.querySelectorAll('iframe.report-frame').forEach(function (frame) {
            let html = '';
            try {
                html = frame.contentDocument && frame.contentDocument.body ? frame.contentDocument.body.innerHTML : '';
            } catch (e) {
                html = '';
            }
            const copy = added('div', 'print-report');
            copy.innerHTML = html;
            frame.parentNode.insertBefore(copy, frame.nextSibling);
        });
    }

    // Charts are drawn for the width of the printed page, then kept as pictures.
    function chartsAsPictures() {
        if (!Oz.charts || !Oz.charts.instances) return;
        for (const chart of Oz.charts.instances()) {
            const canvas = chart.canvas;
            if (!canvas || !canvas.offsetParent) continue;
            chart.resize();
            const picture = added('img', 'print-chart');
            picture.src = canvas.toDataURL('image/png');
            picture.alt = 'Chart';
            canvas.parentNode.insertBefore(picture, canvas.nextSibling);
            canvas.classList.add('print-replaced');
            canvas.parentNode.classList.add('print-pictured');
        }
    }

    // A choice that decides what a section shows is printed as text.
    function selectsAsText() {
        document.querySelectorAll('.toolbar-panel select').forEach(function (select) {
            const option = select.options[select.selectedIndex];
            select.parentNode.insertBefore(added('span', 'print-value print-choice', option && select.value ? option.text : 'none chosen'),
                select.nextSibling);
        });
    }

    // A results table that is wider than the paper even with its cells wrapped (many columns of
    // large numbers) is scaled down to the paper's width. The page is printed on A4 without
    // margins; the body's padding gives the sides.
    const PAPER_WIDTH_PX = 210 / 25.4 * 96;

    function tablesToPaperWidth() {
        const body = getComputedStyle(document.body);
        const sides = parseFloat(body.paddingLeft) + parseFloat(body.paddingRight);
        const inner = document.body.clientWidth - sides;
        document.querySelectorAll('.results-table').forEach(function (table) {
            if (!table.offsetParent) return;
            // What the table's ancestors take of the width, here as on paper.
            const room = PAPER_WIDTH_PX - sides - (inner - table.parentNode.clientWidth);
            const width = table.style.width;
            table.style.width = 'min-content';
            const least = table.offsetWidth;
            table.style.width = width;
            if (room > 0 && least > room) {
                table.style.zoom = String(Math.floor(room / least * 1000) / 1000);
                table.classList.add('print-zoomed');
            }
        });
    }

    function resizeCharts() {
        if (!Oz.charts || !Oz.charts.instances) return;
        for (const chart of Oz.charts.instances()) chart.resize();
    }

    Oz.printView = {
        active: function () { return document.body.classList.contains('printing'); },
        begin: function () {
            if (Oz.printView.active()) Oz.printView.end();
            document.body.classList.add('printing');
            addHeadings();
            inputsAsText();
            framesAsText();
            selectsAsText();
            chartsAsPictures();
            tablesToPaperWidth();
            return true;
        },
        end: function () {
            document.querySelectorAll('.' + ADDED).forEach(function (node) { node.remove(); });
            document.querySelectorAll('.print-zoomed').forEach(function (table) { table.style.zoom = ''; });
            ['print-unselected', 'print-replaced', 'print-pictured', 'print-zoomed'].forEach(function (cls) {
                document.querySelectorAll('.' + cls).forEach(function (node) { node.classList.remove(cls); });
            });
            document.body.classList.remove('printing');
            resizeCharts();
            return true;
        }
    };
})(window);

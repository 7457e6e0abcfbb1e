/* Main page: the data of one model (incidence and corrections, life expectancy, age distribution,
   outcome trees, disease report), edited in grids and applied to the program. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const P = Oz.page;
    const el = Oz.el;
    const $ = P.$;
    const state = P.state;
    const grids = P.grids;

    const APPLY_TITLE = 'Model parameters';

    P.GRID_SPECS = [
        { key: 'caseBeforeCorr', host: 'gridCaseBeforeCorr', title: 'Average number of cases per year' },
        { key: 'underestimation', host: 'gridUnderestimation', title: 'Underestimation' },
        { key: 'underreporting', host: 'gridUnderreporting', title: 'Underreporting' },
        { key: 'underascertainment', host: 'gridUnderascertainment', title: 'Underascertainment' },
        { key: 'lifeExp', host: 'gridLifeExp', title: 'Remaining life expectancy (years)' },
        { key: 'ageDistr', host: 'gridAgeDistr', title: 'Age distribution (population)' }
    ];

    P.initGrids = function () {
        for (const spec of P.GRID_SPECS) {
            grids[spec.key] = new Oz.ParamGrid($(spec.host), {
                key: spec.key, title: spec.title, editable: true,
                getWebGUI: function () { return P.webGUI; },
                onEdit: function () { P.refreshControls(); if (spec.key === 'ageDistr') drawPyramid(); }
            });
        }
        document.querySelectorAll('input[name=estimType]').forEach(function (r) {
            r.addEventListener('change', function () { updateEstimTypeView(); P.refreshControls(); });
        });
        $('modelDataSelect').addEventListener('change', function () {
            const k = P.parseKey(this.value);
            if (k) P.openModel(k[0], k[1], k[2], false);
        });
        $('applyModelChangesButton').addEventListener('click', P.applyModelChanges);
        $('savePyramidPng').addEventListener('click', function () { Oz.charts.savePng($('pyramidChart'), P.webGUI); });
        $('copyPyramidPng').addEventListener('click', function () { Oz.charts.copyPng($('pyramidChart'), P.webGUI); });
    };

    function currentEstimType() {
        const r = document.querySelector('input[name=estimType]:checked');
        return r ? parseInt(r.value, 10) : 0;
    }

    function updateEstimTypeView() {
        const t = currentEstimType();
        $('gridUnderestimation').classList.toggle('inactive', t !== 0);
        $('gridUnderreporting').classList.toggle('inactive', t === 0);
        $('gridUnderascertainment').classList.toggle('inactive', t === 0);
    }

    P.openModel = function (c, d, m, switchTab) {
        if (switchTab) P.showTab('modeldata');
        $('modelDataSelect').value = P.modelKey(c, d, m);
        P.call('selectModel', String(c), String(d), String(m));
    };

    P.onModelSelected = function (info, corrections, caseBeforeCorr, lifeExp, ageDistr, report) {
        corrections = corrections || {};
        state.selectedModel = {
            info: info || {}, corrections: corrections, caseBeforeCorr: caseBeforeCorr,
            lifeExp: lifeExp, ageDistr: ageDistr, report: report
        };
        state.lastFormulaCheck = null;
        $('modelDataEmpty').hidden = true;
        $('modelDataContent').hidden = false;
        const title = $('selectedModelTitle');
        title.textContent = P.isJsonModel(info) ? 'JSON specification' : 'Reference data';
        title.className = 'tag ' + (P.isJsonModel(info) ? 'tag-json' : 'tag-ref');
        $('modelPopulationNote').hidden = !P.lacksPopulation((info || {}).countryID);
        P.fillModelSelect($('modelDataSelect'), state.models, P.keyOfInfo(info || {}));
        grids.caseBeforeCorr.setData(caseBeforeCorr);
        grids.underestimation.setData(corrections.underestimation);
        grids.underreporting.setData(corrections.underreporting);
        grids.underascertainment.setData(corrections.underascertainment);
        grids.lifeExp.setData(lifeExp);
        grids.ageDistr.setData(ageDistr);
        const et = corrections.estimType === 0 ? 0 : 1;
        $('estimType' + et).checked = true;
        updateEstimTypeView();
        drawPyramid();
        renderTree(info || {});
        P.showParameterWarnings();
        renderReport(report);
        P.refreshControls();
    };

    P.applyModelChanges = function () {
        if (!state.selectedModel) return;
        // The answer to this request replaces what the previous one said.
        Oz.clearNotices(APPLY_TITLE);
        const info = state.selectedModel.info;
        P.call('applyChangesToModelParams', info, currentEstimType(),
            grids.underestimation.getData(), grids.underreporting.getData(), grids.underascertainment.getData(),
            grids.caseBeforeCorr.getData(), grids.lifeExp.getData(), grids.ageDistr.getData());
    };

    P.onFormulaCheck = function (map) {
        state.lastFormulaCheck = map || {};
        for (const spec of P.GRID_SPECS) {
            const check = map ? map[spec.key] : null;
            grids[spec.key].setCheck(check || null);
            if (!check) grids[spec.key].clearEdited();
        }
    };

    P.onParameterWarnings = function (list) {
        for (const m of Array.isArray(list) ? list : []) {
            const key = P.modelKey(m.countryID, m.diseaseID, m.modelID);
            const cells = Array.isArray(m.cells) ? m.cells : [];
            if (cells.length > 0) state.parameterWarnings[key] = cells;
            else delete state.parameterWarnings[key];
        }
        P.renderModelList();
        P.showParameterWarnings();
    };

    // The selected model's cells outside their domain: marked in the tables of this tab, the
    // others listed above the outcome trees, whose elements holding them are marked.
    P.showParameterWarnings = function () {
        if (!state.selectedModel) return;
        const cells = state.parameterWarnings[P.keyOfInfo(state.selectedModel.info)] || [];
        const inGrid = function (w) { return !w.treeID && !!grids[w.parameter]; };
        const marked = new Set();
        for (const spec of P.GRID_SPECS) {
            const own = cells.filter(function (w) { return inGrid(w) && w.parameter === spec.key; });
            grids[spec.key].setWarnings(own);
            const page = own.length > 0 ? $(spec.host).closest('.subtab-page') : null;
            if (page) marked.add(page.id.replace(/^subpage-/, ''));
        }
        const elsewhere = cells.filter(function (w) { return !inGrid(w); });
        if (elsewhere.some(function (w) { return !!w.treeID; })) marked.add('tree');
        // The sub-tabs of the model data say which of their tables hold such cells.
        $('page-modeldata').querySelectorAll('.subtab[data-subtab]').forEach(function (tab) {
            tab.classList.toggle('has-warning', marked.has(tab.dataset.subtab));
        });
        const note = $('modelWarningsNote');
        note.hidden = elsewhere.length === 0;
        note.textContent = elsewhere.length === 0 ? '' : 'Values outside their domain (the run uses them as written, ' +
            'and its results are marked ' + Oz.results.MARK + '): ' +
            elsewhere.map(function (w) { return P.describeWarning(w, false); }).join('; ') +
            '. Click the marked element of the outcome tree to edit it.';
        $('outcomeTreeHost').querySelectorAll('[data-element-id]').forEach(function (node) {
            const own = elsewhere.filter(function (w) { return w.elementID === node.dataset.elementId; });
            node.classList.toggle('has-warning', own.length > 0);
            const title = node.querySelector('title');
            if (!title) return;
            if (title.dataset.base === undefined) title.dataset.base = title.textContent;
            title.textContent = title.dataset.base + own.map(function (w) { return '\n' + Oz.results.MARK + ' ' + P.describeWarning(w, false); }).join('');
        });
    };

    P.resetModelData = function () {
        $('modelDataEmpty').hidden = false;
        $('modelDataContent').hidden = true;
        $('selectedModelTitle').textContent = '';
        $('selectedModelTitle').className = 'model-title';
        for (const k of Object.keys(grids)) { grids[k].setData(null); grids[k].setWarnings([]); }
        $('modelWarningsNote').hidden = true;
        $('outcomeTreeHost').innerHTML = '';
        $('diseaseReportFrame').srcdoc = '';
    };

    function drawPyramid() {
        const canvas = $('pyramidChart');
        Oz.charts.destroy(canvas);
        const note = $('pyramidNote');
        const grid = grids.ageDistr;
        if (!grid || grid.isEmpty() || !Oz.charts.available()) { note.textContent = ''; return; }
        const data = grid.getData();
        const cols = grid.colNames();
        const rows = data.stratified;
        const female = cols.find(function (c) { return /^f/i.test(c); }) || cols[0];
        const male = cols.find(function (c) { return /^m/i.test(c); }) || cols[1];
        const num = function (v) { return Oz.toNumberOrNaN(v); };
        const fv = rows.map(function (r) { return num(r[female]); });
        const mv = rows.map(function (r) { return num(r[male]); });
        const numeric = fv.concat(mv).filter(Number.isFinite).length;
        note.textContent = numeric < fv.length + mv.length
            ? 'Cells holding formulas rather than plain numbers are left out of the chart.' : '';
        Oz.charts.custom(canvas, {
            type: 'bar',
            data: {
                labels: rows.map(function (r) { return String(r.Age); }),
                datasets: [
                    { label: female, data: fv.map(function (v) { return Number.isFinite(v) ? -v : null; }), backgroundColor: Oz.charts.COLORS.female },
                    { label: male, data: mv.map(function (v) { return Number.isFinite(v) ? v : null; }), backgroundColor: Oz.charts.COLORS.male }
                ]
            },
            options: {
                animation: false, indexAxis: 'y', responsive: true, maintainAspectRatio: false,
                scales: {
                    x: { stacked: true, ticks: { callback: function (v) { return Oz.formatNumber(Math.abs(v)); } } },
                    y: { stacked: true, reverse: true, grid: { display: false } }
                },
                plugins: {
                    legend: { position: 'top', labels: { boxWidth: 12 } },
                    tooltip: { callbacks: { label: function (i) { return i.dataset.label + ': ' + Oz.formatNumber(Math.abs(i.raw)); } } }
                }
            }
        });
    }

    function renderTree(info) {
        const host = $('outcomeTreeHost');
        host.innerHTML = '';
        if (P.isJsonModel(info)) {
            drawTrees(host, info, info.jsonDiseaseSpec, 'The model specification defines no outcome tree.');
            return;
        }
        // A reference-data model's trees come from its disease template in the program.
        host.appendChild(el('p', { class: 'empty-note', text: 'Loading the outcome trees…' }));
        P.webGUI.getOutcomeTreeDiagram(info.countryID, info.diseaseID, info.modelID, function (diagram) {
            const current = state.selectedModel && state.selectedModel.info;
            if (!current || P.keyOfInfo(current) !== P.keyOfInfo(info)) return;
            host.innerHTML = '';
            drawTrees(host, info, diagram, 'The disease template of this model defines no outcome tree.');
            P.showParameterWarnings();
        });
    }

    function drawTrees(host, info, spec, emptyText) {
        const n = Oz.drawOutcomeTrees(host, spec, function (treeId, elementType, elementId) {
            state.lastElementRequest = { treeId: treeId, elementType: elementType, elementId: elementId,
                country: info.countryID, disease: info.diseaseID, modelId: info.modelID };
            P.call('showOutcomeTreeElementDetails', treeId, elementType, elementId, info.countryID, info.diseaseID, info.modelID);
        });
        if (n === 0) host.appendChild(el('p', { class: 'empty-note', text: emptyText }));
    }

    function renderReport(html) {
        const frame = $('diseaseReportFrame');
        const text = String(html || 'No disease report found.');
        const looksHtml = /<[a-z][\s\S]*>/i.test(text);
        frame.srcdoc = looksHtml ? text
            : '<!DOCTYPE html><html><body style="font-family:sans-serif;color:#444">' + Oz.escapeHtml(text) + '</body></html>';
        frame.onload = function () {
            try {
                const doc = frame.contentDocument;
                Oz.routeExternalLinks(doc, function () { return P.webGUI; });
                if (!doc.querySelector('style,link[rel=stylesheet]')) {
                    const st = doc.createElement('style');
                    st.textContent = 'body{font-family:"Segoe UI","DejaVu Sans",Arial,sans-serif;font-size:14px;line-height:1.5;color:#222;margin:16px 20px;}' +
                        'h1,h2,h3{color:#3f6d12}table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:3px 6px}';
                    doc.head.appendChild(st);
                }
            } catch (e) {
                console.warn('Disease report frame not accessible', e);
            }
        };
    }
})(window);

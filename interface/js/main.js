/* Ozmid main page: drives the program through the web channel object "webGUI".

   Element ids an automated test can rely on:
     #countrySelect                 check list of countries; each box is input#country-<countryId>
     #diseaseSelect                 check list of diseases; each box is input[data-disease-id="<diseaseId>"]
     #createModelsButton            creates one model per selected country and disease
     #deleteModelsButton            deletes all models (asks for a second click)
     #modelListTable                defined models; rows carry data-model-id, data-country-id, data-disease-id
     #numSamplesInput               number of samples (sent on change)
     #timeDiscountRateInput         time discount rate (sent on change)
     #runModelsButton               runs all models
     #runProgressBar                progress bar; its data-fraction holds the last fraction shown
     #aggregatedResultsTable        results per model; rows carry data-model-id, data-country-id,
                                    data-disease-id; the DALY mean cell has class "daly-mean" and the
                                    raw number in data-value; the row of all models has data-total="true"
     #detailedResultsModelSelect    model whose detailed results are shown
     #applyModelChangesButton       sends the edited tables of the selected model

   Test hook window.ozmidPage (all functions return at once; results arrive through the channel):
     isReady(), selectCountries(ids), selectDiseases(ids), createModels(), deleteModels(),
     setNumSamples(n), setTimeDiscountRate(r), runModels(), openModel(country, disease, modelId),
     applyModelChanges(), showDetailedResults(country, disease, modelId), showTab(name),
     dalyMean(modelId), state (a plain snapshot: models, lastRunList, lastAggregatedResults, …),
     stateJson() (the same snapshot as JSON text). */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const el = Oz.el;
    const $ = function (id) { return document.getElementById(id); };

    let webGUI = null;

    const TAB_NAMES = ['setup', 'modeldata', 'run', 'results'];

    const state = {
        channelReady: false,
        availableDiseases: [],
        selectedCountries: [],
        selectedDiseases: [],
        models: [],
        selectedModel: null,
        numSamples: null,
        timeDiscountRate: null,
        running: false,
        runSamples: null,
        progress: null,
        lastRunList: null,
        lastAggregatedResults: null,
        lastDetailedResults: null,
        detailedModelKey: null,
        lastFormulaCheck: null,
        lastElementRequest: null,
        activeTab: 'setup'
    };

    const grids = {};
    const tsvCache = {};

    /* ---------- small helpers ---------- */

    function modelKey(c, d, m) { return JSON.stringify([String(c), String(d), String(m)]); }
    function keyOfInfo(info) { return modelKey(info.countryID, info.diseaseID, info.modelID); }
    function parseKey(k) { try { return JSON.parse(k); } catch (e) { return null; } }

    function isJsonModel(info) {
        const s = info && info.jsonDiseaseSpec;
        return !!(s && typeof s === 'object' && Object.keys(s).length > 0);
    }

    function diseaseName(id) {
        const d = state.availableDiseases.find(function (x) { return x.id === id; });
        return d ? (d.disease || d.id) : id;
    }

    function modelLabel(info) {
        return info.modelID + ' — ' + (info.countryName || Oz.countryName(info.countryID)) + ' — ' + (info.diseaseName || diseaseName(info.diseaseID));
    }

    function call(name) {
        const args = Array.prototype.slice.call(arguments, 1);
        if (!webGUI || typeof webGUI[name] !== 'function') {
            Oz.notify('Ozmid', 'The page is not connected to the program (' + Oz.escapeHtml(name) + ').', 'error');
            return false;
        }
        webGUI[name].apply(webGUI, args);
        return true;
    }

    function copyText(text) {
        if (!text) {
            Oz.notify('Copy', 'There is nothing to copy yet.', 'warning');
            return;
        }
        if (call('copyTextToClipboard', text)) Oz.notify('Copy', 'The table has been copied to the clipboard.', 'success');
    }

    /* ---------- tabs ---------- */

    function showTab(name) {
        if (TAB_NAMES.indexOf(name) < 0) return;
        state.activeTab = name;
        document.querySelectorAll('.tabbar .tab').forEach(function (b) {
            const on = b.dataset.tab === name;
            b.classList.toggle('active', on);
            b.setAttribute('aria-selected', on ? 'true' : 'false');
        });
        document.querySelectorAll('.tab-page').forEach(function (p) { p.classList.toggle('active', p.id === 'page-' + name); });
        const page = $('page-' + name);
        if (webGUI && webGUI.pageOpened) webGUI.pageOpened(TAB_NAMES.indexOf(name), page ? page.dataset.pageName : name);
    }

    function showSubtab(scope, name) {
        scope.querySelectorAll(':scope > .subtabs .subtab').forEach(function (b) { b.classList.toggle('active', b.dataset.subtab === name); });
        scope.querySelectorAll(':scope > .subtab-page').forEach(function (p) { p.classList.toggle('active', p.id === 'subpage-' + name); });
    }

    function initTabs() {
        document.querySelectorAll('.tabbar .tab').forEach(function (b) {
            b.addEventListener('click', function () { showTab(b.dataset.tab); });
        });
        document.querySelectorAll('.subtabs').forEach(function (bar) {
            const scope = bar.parentNode;
            bar.querySelectorAll('.subtab').forEach(function (b) {
                b.addEventListener('click', function () { showSubtab(scope, b.dataset.subtab); });
            });
        });
    }

    /* ---------- selection of countries and diseases ---------- */

    function buildCheckList(host, items, prefix, onChange) {
        host.innerHTML = '';
        for (const item of items) {
            const input = el('input', { type: 'checkbox', value: item.id, id: prefix + '-' + item.id });
            input.dataset[prefix + 'Id'] = item.id;
            input.addEventListener('change', onChange);
            const label = el('label', { class: 'check-item', 'data-search': (item.name + ' ' + item.id).toLowerCase() }, [
                input, el('span', { class: 'check-name', text: item.name })
            ]);
            if (item.note) label.appendChild(el('span', { class: 'check-note', text: item.note }));
            host.appendChild(label);
        }
    }

    function checkedIds(host) {
        return Array.from(host.querySelectorAll('input[type=checkbox]:checked')).map(function (i) { return i.value; });
    }

    function setChecked(host, ids) {
        const wanted = new Set(ids.map(String));
        host.querySelectorAll('input[type=checkbox]').forEach(function (i) { i.checked = wanted.has(i.value); });
    }

    function applyFilter(host, text) {
        const t = String(text || '').trim().toLowerCase();
        host.querySelectorAll('.check-item').forEach(function (l) {
            l.hidden = t !== '' && l.dataset.search.indexOf(t) < 0;
        });
    }

    function countriesChanged() {
        state.selectedCountries = checkedIds($('countrySelect'));
        if (webGUI) webGUI.setSelectedCountries(state.selectedCountries);
        updateSelectionSummary();
    }

    function diseasesChanged() {
        state.selectedDiseases = checkedIds($('diseaseSelect'));
        if (webGUI) webGUI.setSelectedDiseases(state.selectedDiseases);
        updateSelectionSummary();
    }

    function updateSelectionSummary() {
        const nc = state.selectedCountries.length, nd = state.selectedDiseases.length;
        $('countrySelectionCount').textContent = nc + ' selected';
        $('diseaseSelectionCount').textContent = nd + ' selected';
        $('comboSummary').textContent = nc > 0 && nd > 0
            ? nc + (nc === 1 ? ' country' : ' countries') + ' × ' + nd + (nd === 1 ? ' disease' : ' diseases') + ' = up to ' + (nc * nd) + ' new model' + (nc * nd === 1 ? '' : 's') + '.'
            : 'Select at least one country and one disease.';
        $('createModelsButton').disabled = !state.channelReady || nc === 0 || nd === 0;
    }

    function initSelection() {
        buildCheckList($('countrySelect'), Oz.COUNTRY_IDS.map(function (id) {
            return { id: id, name: Oz.countryName(id), note: Oz.countryName(id) !== id ? id : '' };
        }), 'country', countriesChanged);
        $('countryFilter').addEventListener('input', function () { applyFilter($('countrySelect'), this.value); });
        $('diseaseFilter').addEventListener('input', function () { applyFilter($('diseaseSelect'), this.value); });
        const bulk = function (host, on, after) {
            host.querySelectorAll('.check-item').forEach(function (l) {
                if (!l.hidden) l.querySelector('input').checked = on;
            });
            after();
        };
        $('countrySelectAll').addEventListener('click', function () { bulk($('countrySelect'), true, countriesChanged); });
        $('countrySelectNone').addEventListener('click', function () { setChecked($('countrySelect'), []); countriesChanged(); });
        $('diseaseSelectAll').addEventListener('click', function () { bulk($('diseaseSelect'), true, diseasesChanged); });
        $('diseaseSelectNone').addEventListener('click', function () { setChecked($('diseaseSelect'), []); diseasesChanged(); });
    }

    function setAvailableDiseases(list) {
        state.availableDiseases = (Array.isArray(list) ? list : []).map(function (d) {
            return { id: String(d.id), disease: String(d.disease || d.id) };
        });
        const host = $('diseaseSelect');
        const keep = state.selectedDiseases.slice();
        buildCheckList(host, state.availableDiseases.map(function (d) {
            return { id: d.id, name: d.disease, note: d.disease !== d.id ? d.id : '' };
        }), 'disease', diseasesChanged);
        if (state.availableDiseases.length === 0) {
            host.appendChild(el('p', { class: 'empty-note', text: 'No diseases in the reference data. Import reference data through the Tools menu.' }));
        }
        setChecked(host, keep);
        applyFilter(host, $('diseaseFilter').value);
        const now = checkedIds(host);
        if (now.length !== keep.length) diseasesChanged();
        else state.selectedDiseases = now;
        updateSelectionSummary();
    }

    /* ---------- models ---------- */

    function renderModelList() {
        const tbody = $('modelListTable').querySelector('tbody');
        tbody.innerHTML = '';
        const computed = new Set((state.lastRunList || []).map(keyOfInfo));
        for (const info of state.models) {
            const key = keyOfInfo(info);
            const open = el('button', { class: 'btn btn-small', type: 'button', text: 'Open data', onclick: function () { openModel(info.countryID, info.diseaseID, info.modelID, true); } });
            const res = el('button', { class: 'btn btn-small', type: 'button', text: 'Results', disabled: !computed.has(key),
                title: computed.has(key) ? 'Detailed results of this model' : 'Run the models first',
                onclick: function () { showTab('results'); showSubtab($('resultsContent'), 'detailed'); requestDetailed(key); } });
            tbody.appendChild(el('tr', { 'data-model-id': info.modelID, 'data-country-id': info.countryID, 'data-disease-id': info.diseaseID }, [
                el('td', { class: 'model-id', text: info.modelID }),
                el('td', { text: info.countryName || Oz.countryName(info.countryID) }),
                el('td', { text: info.diseaseName || diseaseName(info.diseaseID), title: info.diseaseID }),
                el('td', {}, [el('span', { class: 'tag ' + (isJsonModel(info) ? 'tag-json' : 'tag-ref'), text: isJsonModel(info) ? 'JSON specification' : 'Reference data' })]),
                el('td', { class: 'actions-col' }, [open, res])
            ]));
        }
        const n = state.models.length;
        $('modelCount').textContent = n + (n === 1 ? ' model' : ' models');
        $('modelListEmpty').hidden = n > 0;
        $('deleteModelsButton').disabled = !state.channelReady || n === 0;
        $('runModelsButton').disabled = !state.channelReady || n === 0 || state.running;
        fillModelSelect($('modelDataSelect'), state.models, state.selectedModel ? keyOfInfo(state.selectedModel.info) : '');
    }

    function fillModelSelect(select, models, current) {
        const prev = current !== undefined ? current : select.value;
        select.innerHTML = '';
        select.appendChild(el('option', { value: '', text: '— choose a model —' }));
        for (const info of models) select.appendChild(el('option', { value: keyOfInfo(info), text: modelLabel(info) }));
        select.value = models.some(function (i) { return keyOfInfo(i) === prev; }) ? prev : '';
    }

    function onModelsCreated(list) {
        for (const info of (Array.isArray(list) ? list : [])) {
            const key = keyOfInfo(info);
            const i = state.models.findIndex(function (m) { return keyOfInfo(m) === key; });
            if (i >= 0) state.models[i] = info; else state.models.push(info);
        }
        renderModelList();
    }

    let deleteArmed = null;
    function onDeleteClicked() {
        const btn = $('deleteModelsButton');
        if (!deleteArmed) {
            btn.textContent = 'Click again to delete all';
            btn.classList.add('armed');
            deleteArmed = setTimeout(disarmDelete, 4000);
            return;
        }
        disarmDelete();
        call('deleteModels');
    }
    function disarmDelete() {
        clearTimeout(deleteArmed);
        deleteArmed = null;
        const btn = $('deleteModelsButton');
        btn.textContent = 'Delete all models';
        btn.classList.remove('armed');
    }

    /* ---------- model data ---------- */

    const GRID_SPECS = [
        { key: 'caseBeforeCorr', host: 'gridCaseBeforeCorr', title: 'Average number of cases per year' },
        { key: 'underestimation', host: 'gridUnderestimation', title: 'Underestimation' },
        { key: 'underreporting', host: 'gridUnderreporting', title: 'Underreporting' },
        { key: 'underascertainment', host: 'gridUnderascertainment', title: 'Underascertainment' },
        { key: 'lifeExp', host: 'gridLifeExp', title: 'Remaining life expectancy (years)' },
        { key: 'ageDistr', host: 'gridAgeDistr', title: 'Age distribution (population)' }
    ];

    function initGrids() {
        for (const spec of GRID_SPECS) {
            grids[spec.key] = new Oz.ParamGrid($(spec.host), {
                key: spec.key, title: spec.title, editable: true,
                getWebGUI: function () { return webGUI; },
                onEdit: function () { updateApplyState(); if (spec.key === 'ageDistr') drawPyramid(); }
            });
        }
        document.querySelectorAll('input[name=estimType]').forEach(function (r) {
            r.addEventListener('change', function () { updateEstimTypeView(); updateApplyState(); });
        });
    }

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

    function updateApplyState() {
        $('applyModelChangesButton').disabled = !state.selectedModel || !state.channelReady;
    }

    function openModel(c, d, m, switchTab) {
        if (switchTab) showTab('modeldata');
        $('modelDataSelect').value = modelKey(c, d, m);
        call('selectModel', String(c), String(d), String(m));
    }

    function onModelSelected(info, corrections, caseBeforeCorr, lifeExp, ageDistr, report) {
        corrections = corrections || {};
        state.selectedModel = {
            info: info || {}, corrections: corrections, caseBeforeCorr: caseBeforeCorr,
            lifeExp: lifeExp, ageDistr: ageDistr, report: report
        };
        state.lastFormulaCheck = null;
        $('modelDataEmpty').hidden = true;
        $('modelDataContent').hidden = false;
        const title = $('selectedModelTitle');
        title.textContent = isJsonModel(info) ? 'JSON specification' : 'Reference data';
        title.className = 'tag ' + (isJsonModel(info) ? 'tag-json' : 'tag-ref');
        fillModelSelect($('modelDataSelect'), state.models, keyOfInfo(info || {}));
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
        renderReport(report);
        updateApplyState();
    }

    function applyModelChanges() {
        if (!state.selectedModel) return;
        const info = state.selectedModel.info;
        call('applyChangesToModelParams', info, currentEstimType(),
            grids.underestimation.getData(), grids.underreporting.getData(), grids.underascertainment.getData(),
            grids.caseBeforeCorr.getData(), grids.lifeExp.getData(), grids.ageDistr.getData());
    }

    function onFormulaCheck(map) {
        state.lastFormulaCheck = map || {};
        for (const spec of GRID_SPECS) {
            const check = map ? map[spec.key] : null;
            grids[spec.key].setCheck(check || null);
            if (!check) grids[spec.key].clearEdited();
        }
    }

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
        if (isJsonModel(info)) {
            drawTrees(host, info, info.jsonDiseaseSpec, 'The model specification defines no outcome tree.');
            return;
        }
        // A reference-data model's trees come from its disease template in the program.
        host.appendChild(el('p', { class: 'empty-note', text: 'Loading the outcome trees…' }));
        webGUI.getOutcomeTreeDiagram(info.countryID, info.diseaseID, info.modelID, function (diagram) {
            const current = state.selectedModel && state.selectedModel.info;
            if (!current || keyOfInfo(current) !== keyOfInfo(info)) return;
            host.innerHTML = '';
            drawTrees(host, info, diagram, 'The disease template of this model defines no outcome tree.');
        });
    }

    function drawTrees(host, info, spec, emptyText) {
        const n = Oz.drawOutcomeTrees(host, spec, function (treeId, elementType, elementId) {
            state.lastElementRequest = { treeId: treeId, elementType: elementType, elementId: elementId,
                country: info.countryID, disease: info.diseaseID, modelId: info.modelID };
            call('showOutcomeTreeElementDetails', treeId, elementType, elementId, info.countryID, info.diseaseID, info.modelID);
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
                Oz.routeExternalLinks(doc, function () { return webGUI; });
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

    /* ---------- run ---------- */

    function initRunControls() {
        $('numSamplesInput').addEventListener('change', function () {
            const n = parseInt(this.value, 10);
            if (!Number.isFinite(n) || n < 1) {
                Oz.notify('Number of samples', 'Please enter a whole number of at least 1.', 'warning');
                this.value = state.numSamples || 1000;
                return;
            }
            this.value = n;
            setNumSamples(n);
        });
        $('timeDiscountRateInput').addEventListener('change', function () {
            const r = parseFloat(this.value);
            if (!Number.isFinite(r) || r < 0) {
                Oz.notify('Time discount rate', 'Please enter a rate of 0 or more, for example 0.03.', 'warning');
                this.value = state.timeDiscountRate || 0;
                return;
            }
            setTimeDiscountRate(r);
        });
        $('runModelsButton').addEventListener('click', runModels);
    }

    function setNumSamples(n) {
        state.numSamples = n;
        $('numSamplesInput').value = n;
        call('setNumSamples', n);
    }

    function setTimeDiscountRate(r) {
        state.timeDiscountRate = r;
        $('timeDiscountRateInput').value = r;
        call('setTimeDiscountRate', r);
    }

    function runModels() {
        if (!webGUI) return;
        const n = parseInt($('numSamplesInput').value, 10);
        const r = parseFloat($('timeDiscountRateInput').value);
        // The fields may hold a value that was typed but never committed with a change event.
        if (Number.isFinite(n) && n >= 1 && n !== state.numSamples) setNumSamples(n);
        if (Number.isFinite(r) && r >= 0 && r !== state.timeDiscountRate) setTimeDiscountRate(r);
        state.runSamples = state.numSamples;
        setProgress(0, 0, state.models.length, '');
        $('runProgressLabel').textContent = 'Starting the run…';
        call('runModels');
    }

    function setProgress(fraction, index, count, name) {
        const bar = $('runProgressBar');
        bar.style.width = (fraction * 100).toFixed(1) + '%';
        bar.dataset.fraction = String(fraction);
        $('runProgressText').textContent = Math.round(fraction * 100) + ' %';
        state.progress = { fraction: fraction, index: index, count: count, name: name };
    }

    function onRunStarted() {
        state.running = true;
        $('runProgress').classList.add('running');
        $('runModelsButton').disabled = true;
        $('runModelsButton').textContent = 'Running…';
    }

    function onRunProgress(fraction, index, count, name) {
        // 0 of 0 models gives a fraction that is not a number; only proper fractions move the bar.
        if (typeof fraction !== 'number' || !(fraction >= 0 && fraction <= 1)) return;
        setProgress(fraction, index, count, name);
        $('runProgressLabel').textContent = index < count
            ? 'Computing model ' + (index + 1) + ' of ' + count + ': ' + name
            : 'All ' + count + ' models computed; collecting results…';
    }

    function onRunFinished(runList) {
        state.running = false;
        state.lastRunList = Array.isArray(runList) ? runList : [];
        $('runProgress').classList.remove('running');
        $('runModelsButton').textContent = 'Run all models';
        const n = state.lastRunList.length;
        if (n > 0) setProgress(1, n, n, state.progress ? state.progress.name : '');
        $('runProgressLabel').textContent = n > 0
            ? 'Finished: ' + n + (n === 1 ? ' model' : ' models') + ' computed with ' + (state.runSamples || state.numSamples) + ' samples each.'
            : 'Finished: there were no models to compute.';
        const tbody = $('runListTable').querySelector('tbody');
        tbody.innerHTML = '';
        state.lastRunList.forEach(function (r, i) {
            tbody.appendChild(el('tr', { 'data-model-id': r.modelID }, [
                el('td', { text: String(i + 1) }), el('td', { text: r.modelID }),
                el('td', { text: r.countryName || Oz.countryName(r.countryID) }), el('td', { text: r.diseaseName || diseaseName(r.diseaseID) })
            ]));
        });
        fillModelSelect($('detailedResultsModelSelect'), state.lastRunList, state.detailedModelKey || '');
        renderModelList();
        if (n > 0) Oz.notify('Run finished', n + (n === 1 ? ' model has' : ' models have') + ' been computed. See the <b>Results</b> tab.', 'success');
        if (state.detailedModelKey) requestDetailed(state.detailedModelKey);
    }

    /* ---------- aggregated results ---------- */

    const AGG_COLUMNS = [
        { key: 'daly', label: 'DALY', split: true, meanClass: 'daly-mean' },
        { key: 'dalyPer100k', label: 'DALY per 100 000' },
        { key: 'dalyPerCase', label: 'DALY per case' },
        { key: 'yld', label: 'YLD' },
        { key: 'yll', label: 'YLL' },
        { key: 'cases', label: 'Cases' },
        { key: 'deaths', label: 'Deaths' }
    ];

    function onAggregatedResults(results) {
        state.lastAggregatedResults = results || {};
        const r = state.lastAggregatedResults;
        const models = Array.isArray(r.modelResults) ? r.modelResults : [];
        $('resultsEmpty').hidden = true;
        $('resultsContent').hidden = false;
        $('aggregatedNote').innerHTML = 'Monte-Carlo estimates' + (state.runSamples ? ' from <b>' + Oz.escapeHtml(state.runSamples) + '</b> samples per model' : '') +
            ': the mean with the 95 % uncertainty interval (UI) from the 2.5 % to the 97.5 % quantile of the samples.';

        const rows = models.map(function (m) {
            return {
                cells: [m.id, m.countryName || Oz.countryName(m.country), m.diseaseName || diseaseName(m.disease)],
                data: m.results || {},
                attrs: { 'data-model-id': m.id, 'data-country-id': m.country, 'data-disease-id': m.disease }
            };
        });
        rows.push({ cells: ['All models', '', ''], data: r.totalResults || {}, attrs: { 'data-total': 'true', class: 'total-row' } });
        tsvCache.aggregated = Oz.results.fillStatTable($('aggregatedResultsTable'), {
            rowHeaders: ['Model', 'Country', 'Disease'], columns: AGG_COLUMNS, rows: rows
        });
        tsvCache.total = Oz.results.fillStatListTable($('totalResultsTable'), r.totalResults || {});

        const metricKeys = Oz.results.sortKeys(Object.keys((models[0] && models[0].results) || r.totalResults || {}));
        Oz.results.fillSelect($('aggregatedChartMetric'), metricKeys, $('aggregatedChartMetric').value);
        drawAggregatedChart();

        const allKeys = Oz.results.sortKeys(Object.keys(r.allResults || {}));
        Oz.results.fillSelect($('allResultsMetric'), allKeys, $('allResultsMetric').value);
        drawAllResults();
    }

    function drawAggregatedChart() {
        const r = state.lastAggregatedResults || {};
        const models = Array.isArray(r.modelResults) ? r.modelResults : [];
        const key = $('aggregatedChartMetric').value;
        const stats = models.map(function (m) { return (m.results || {})[key]; });
        Oz.charts.intervalBars($('aggregatedChart'), models.map(function (m) {
            return m.id + ': ' + (m.countryName || m.country);
        }), [{
            label: Oz.results.label(key), color: Oz.charts.COLORS.single,
            means: stats.map(function (s) { return Oz.toNumberOrNaN(s && s.Mean); }),
            lows: stats.map(function (s) { return Oz.toNumberOrNaN(s && s['Quantile0.025']); }),
            highs: stats.map(function (s) { return Oz.toNumberOrNaN(s && s['Quantile0.975']); })
        }], { valueTitle: Oz.results.label(key) + ' (mean, 95 % UI)', horizontal: models.length > 6 });
    }

    function drawAllResults() {
        const r = state.lastAggregatedResults || {};
        const key = $('allResultsMetric').value;
        const strat = (r.allResults || {})[key];
        tsvCache.allResults = Oz.results.fillStratifiedTable($('allResultsTable'), strat);
        drawStratifiedChart($('allResultsChart'), strat, key);
    }

    function drawStratifiedChart(canvas, strat, key) {
        const s = Oz.results.stratifiedSeries(strat);
        Oz.charts.intervalBars(canvas, s.labels, [
            Object.assign({ label: 'Female', color: Oz.charts.COLORS.female }, s.female),
            Object.assign({ label: 'Male', color: Oz.charts.COLORS.male }, s.male)
        ], { valueTitle: Oz.results.label(key), categoryTitle: Oz.stratumFactorName(((strat || {}).arrayFemale || [])[0]) });
    }

    /* ---------- detailed results ---------- */

    function requestDetailed(key) {
        const k = parseKey(key);
        if (!k) return;
        state.detailedModelKey = key;
        $('detailedResultsModelSelect').value = key;
        call('showDetailedResults', k[0], k[1], k[2]);
    }

    const TREE_CATEGORY_COLUMNS = ['daly', 'dalyPerCase', 'dalyPer100k', 'yld', 'yll', 'yldPer100k', 'yllPer100k'];
    const OUTCOME_COLUMNS = ['populationCasesCount', 'deathCasesCount', 'daly', 'dalyPerCase', 'dalyPer100k', 'yld', 'yll'];

    function columnsFor(keys) {
        return keys.map(function (k) { return { key: k, label: Oz.results.label(k) }; });
    }

    function categoryRows(map) {
        return ['acute', 'sequela', 'total'].filter(function (k) { return map && map[k]; }).map(function (k) {
            return { cells: [Oz.results.label(k)], data: map[k], attrs: { 'data-category': k } };
        });
    }

    function fullTsv(spec) {
        return Oz.results.fillStatTable(document.createElement('table'), spec);
    }

    function onDetailedResults(doc) {
        state.lastDetailedResults = doc || {};
        const d = state.lastDetailedResults;
        $('detailedEmpty').hidden = true;
        $('detailedResultsContent').hidden = false;

        const seq = d.totalSequelaTypeResults || {};
        const seqKeys = Oz.results.sortKeys(Object.keys(seq.total || seq.acute || {}));
        tsvCache.sequelaType = Oz.results.fillStatTable($('sequelaTypeTable'), {
            rowHeaders: ['Category'], columns: columnsFor(seqKeys.length ? seqKeys : TREE_CATEGORY_COLUMNS), rows: categoryRows(seq)
        });

        const catKeys = Oz.results.sortKeys(Object.keys(d.totalCategorizedResults || {}));
        Oz.results.fillSelect($('categorizedMetric'), catKeys, $('categorizedMetric').value);
        drawCategorized();

        const host = $('treeResultsHost');
        host.innerHTML = '';
        (Array.isArray(d.detailedResults) ? d.detailedResults : []).forEach(function (tree, ti) {
            host.appendChild(renderTreeResults(tree, ti));
        });
    }

    function drawCategorized() {
        const d = state.lastDetailedResults || {};
        const key = $('categorizedMetric').value;
        const strat = (d.totalCategorizedResults || {})[key];
        tsvCache.categorized = Oz.results.fillStratifiedTable($('categorizedTable'), strat);
        drawStratifiedChart($('categorizedChart'), strat, key);
    }

    function renderTreeResults(tree, index) {
        const panel = el('div', { class: 'panel tree-results', 'data-tree-id': tree.outcomeTreeID });
        panel.appendChild(el('div', { class: 'panel-head' }, [
            el('h3', { text: 'Outcome tree: ' + (tree.outcomeTreeName || tree.outcomeTreeID) })
        ]));
        const cat = tree.sequelaTypeAggregatedResults || {};
        const outcomes = Array.isArray(tree.healthOutcomeAggregatedResults) ? tree.healthOutcomeAggregatedResults : [];
        if (Object.keys(cat).length === 0 && outcomes.length === 0) {
            panel.appendChild(el('p', { class: 'empty-note', text: 'No results for this tree yet: run the models.' }));
            return panel;
        }
        const catSpec = { rowHeaders: ['Category'], columns: columnsFor(TREE_CATEGORY_COLUMNS), rows: categoryRows(cat) };
        const catFull = { rowHeaders: ['Category'], columns: columnsFor(Oz.results.sortKeys(Object.keys(cat.total || {}))), rows: catSpec.rows };
        const catTable = el('table', { class: 'data-table results-table' });
        Oz.results.fillStatTable(catTable, catSpec);
        panel.appendChild(el('div', { class: 'sub-head' }, [
            el('h4', { text: 'Acute and sequela burden' }),
            el('button', { class: 'btn btn-small', type: 'button', text: 'Copy table', onclick: function () { copyText(fullTsv(catFull)); } })
        ]));
        panel.appendChild(el('div', { class: 'table-scroll' }, [catTable]));

        const outRows = outcomes.map(function (o) {
            return { cells: [o.name, o.acuteType === 'acute' ? 'Acute' : 'Sequela'], data: o, attrs: { 'data-outcome': o.name } };
        });
        const outSpec = { rowHeaders: ['Health outcome', 'Type'], columns: columnsFor(OUTCOME_COLUMNS), rows: outRows };
        const allOutKeys = Oz.results.sortKeys(Object.keys(outcomes[0] || {}).filter(function (k) { return Oz.isStatMap((outcomes[0] || {})[k]); }));
        const outFull = { rowHeaders: ['Health outcome', 'Type'], columns: columnsFor(allOutKeys), rows: outRows };
        const outTable = el('table', { class: 'data-table results-table' });
        Oz.results.fillStatTable(outTable, outSpec);
        panel.appendChild(el('div', { class: 'sub-head' }, [
            el('h4', { text: 'Health outcomes' }),
            el('button', { class: 'btn btn-small', type: 'button', text: 'Copy table (all quantities)', onclick: function () { copyText(fullTsv(outFull)); } })
        ]));
        panel.appendChild(el('div', { class: 'table-scroll' }, [outTable]));

        if (outcomes.length > 0) {
            const canvas = el('canvas', { id: 'treeChart' + index });
            panel.appendChild(el('div', { class: 'sub-head' }, [
                el('h4', { text: 'DALY per health outcome' }),
                el('button', { class: 'btn btn-small', type: 'button', text: 'Save PNG', onclick: function () { Oz.charts.savePng(canvas, webGUI); } })
            ]));
            const box = el('div', { class: 'chart-box' }, [canvas]);
            box.style.height = Math.max(160, 60 + outcomes.length * 34) + 'px';
            panel.appendChild(box);
            setTimeout(function () {
                const stats = outcomes.map(function (o) { return o.daly; });
                Oz.charts.intervalBars(canvas, outcomes.map(function (o) { return o.name; }), [{
                    label: 'DALY', color: Oz.charts.COLORS.single,
                    means: stats.map(function (s) { return Oz.toNumberOrNaN(s && s.Mean); }),
                    lows: stats.map(function (s) { return Oz.toNumberOrNaN(s && s['Quantile0.025']); }),
                    highs: stats.map(function (s) { return Oz.toNumberOrNaN(s && s['Quantile0.975']); })
                }], { horizontal: true, valueTitle: 'DALY (mean, 95 % UI)' });
            }, 0);
        }
        return panel;
    }

    /* ---------- reset ---------- */

    function resetState() {
        state.models = [];
        state.selectedModel = null;
        state.running = false;
        state.progress = null;
        state.lastRunList = null;
        state.lastAggregatedResults = null;
        state.lastDetailedResults = null;
        state.detailedModelKey = null;
        state.lastFormulaCheck = null;
        state.lastElementRequest = null;
        state.runSamples = null;
        disarmDelete();
        renderModelList();
        $('modelDataEmpty').hidden = false;
        $('modelDataContent').hidden = true;
        $('selectedModelTitle').textContent = '';
        $('selectedModelTitle').className = 'model-title';
        for (const k of Object.keys(grids)) grids[k].setData(null);
        $('outcomeTreeHost').innerHTML = '';
        $('diseaseReportFrame').srcdoc = '';
        setProgress(0, 0, 0, '');
        $('runProgress').classList.remove('running');
        $('runProgressLabel').textContent = 'No run started.';
        $('runModelsButton').textContent = 'Run all models';
        $('runListTable').querySelector('tbody').innerHTML = '';
        $('resultsEmpty').hidden = false;
        $('resultsContent').hidden = true;
        $('detailedEmpty').hidden = false;
        $('detailedResultsContent').hidden = true;
        fillModelSelect($('detailedResultsModelSelect'), [], '');
        ['aggregatedChart', 'allResultsChart', 'categorizedChart'].forEach(function (id) { Oz.charts.destroy($(id)); });
        for (const k of Object.keys(tsvCache)) delete tsvCache[k];
        updateApplyState();
    }

    function loadFromProgram() {
        webGUI.getAvailableDiseases(setAvailableDiseases);
        webGUI.getNumSamples(function (n) {
            state.numSamples = n;
            $('numSamplesInput').value = n;
        });
        webGUI.getTimeDiscountRate(function (r) {
            state.timeDiscountRate = r;
            $('timeDiscountRateInput').value = r;
        });
        // The program keeps its selection across a reinitialisation; keep both ends equal.
        webGUI.setSelectedCountries(state.selectedCountries);
        webGUI.setSelectedDiseases(state.selectedDiseases);
    }

    /* ---------- channel ---------- */

    function connectSignals() {
        const on = function (name, fn) {
            if (webGUI[name] && typeof webGUI[name].connect === 'function') webGUI[name].connect(fn);
            else console.warn('webGUI has no signal ' + name);
        };
        on('programReinitialized', function () { resetState(); loadFromProgram(); });
        on('showMessage', function (title, text, type) { Oz.notify(title, text, type); });
        on('createUpdatableMessage', function (title, text) { Oz.updatableMessage.show(title, text); });
        on('updateMessage', function (title, text) { Oz.updatableMessage.show(title, text); });
        on('destroyUpdatableMessage', function () { Oz.updatableMessage.destroy(); });
        on('modelsCreated', onModelsCreated);
        on('modelSelected', onModelSelected);
        on('formulaCheckResultsAvailable', onFormulaCheck);
        on('runStarted', onRunStarted);
        on('runProgressUpdated', onRunProgress);
        on('runFinished', onRunFinished);
        on('aggregatedResultsAvailable', onAggregatedResults);
        on('detailedResultsAvailable', onDetailedResults);
    }

    function connectChannel() {
        const status = $('channelStatus');
        if (typeof global.QWebChannel !== 'function' || !global.qt || !global.qt.webChannelTransport) {
            status.textContent = 'Not connected';
            status.classList.add('offline');
            Oz.notify('Ozmid', 'This page must be shown inside the Ozmid program; it cannot reach the program from here.', 'error');
            return;
        }
        new global.QWebChannel(global.qt.webChannelTransport, function (channel) {
            webGUI = channel.objects.webGUI;
            if (!webGUI) {
                status.textContent = 'Not connected';
                status.classList.add('offline');
                Oz.notify('Ozmid', 'The program did not publish its interface object.', 'error');
                return;
            }
            state.channelReady = true;
            status.textContent = 'Connected';
            status.classList.add('online');
            connectSignals();
            updateSelectionSummary();
            renderModelList();
            webGUI.dataRequested();
        });
    }

    /* ---------- wiring ---------- */

    function init() {
        initTabs();
        initSelection();
        initGrids();
        initRunControls();
        Oz.routeExternalLinks(document, function () { return webGUI; });

        $('createModelsButton').addEventListener('click', function () { call('createModels'); });
        $('deleteModelsButton').addEventListener('click', onDeleteClicked);
        $('modelDataSelect').addEventListener('change', function () {
            const k = parseKey(this.value);
            if (k) openModel(k[0], k[1], k[2], false);
        });
        $('applyModelChangesButton').addEventListener('click', applyModelChanges);
        $('savePyramidPng').addEventListener('click', function () { Oz.charts.savePng($('pyramidChart'), webGUI); });
        $('exportPdfButton').addEventListener('click', function () { call('exportPageToPdf'); });

        $('aggregatedChartMetric').addEventListener('change', drawAggregatedChart);
        $('allResultsMetric').addEventListener('change', drawAllResults);
        $('categorizedMetric').addEventListener('change', drawCategorized);
        $('detailedResultsModelSelect').addEventListener('change', function () { if (this.value) requestDetailed(this.value); });
        $('saveAggregatedChart').addEventListener('click', function () { Oz.charts.savePng($('aggregatedChart'), webGUI); });
        $('saveAllResultsChart').addEventListener('click', function () { Oz.charts.savePng($('allResultsChart'), webGUI); });
        $('saveCategorizedChart').addEventListener('click', function () { Oz.charts.savePng($('categorizedChart'), webGUI); });
        $('copyAggregatedTable').addEventListener('click', function () { copyText(tsvCache.aggregated); });
        $('copyTotalResultsTable').addEventListener('click', function () { copyText(tsvCache.total); });
        $('copyAllResultsTable').addEventListener('click', function () { copyText(tsvCache.allResults); });
        $('copySequelaTypeTable').addEventListener('click', function () { copyText(tsvCache.sequelaType); });
        $('copyCategorizedTable').addEventListener('click', function () { copyText(tsvCache.categorized); });

        updateSelectionSummary();
        renderModelList();
        connectChannel();
    }

    /* ---------- test hook ---------- */

    function snapshot() {
        return Oz.clone({
            channelReady: state.channelReady,
            activeTab: state.activeTab,
            availableDiseases: state.availableDiseases,
            selectedCountries: state.selectedCountries,
            selectedDiseases: state.selectedDiseases,
            models: state.models,
            selectedModel: state.selectedModel ? state.selectedModel.info : null,
            numSamples: state.numSamples,
            timeDiscountRate: state.timeDiscountRate,
            running: state.running,
            progress: state.progress,
            lastRunList: state.lastRunList,
            lastAggregatedResults: state.lastAggregatedResults,
            lastDetailedResults: state.lastDetailedResults,
            lastFormulaCheck: state.lastFormulaCheck,
            lastElementRequest: state.lastElementRequest,
            messages: Oz.messageLog
        });
    }

    global.ozmidPage = {
        isReady: function () { return state.channelReady; },
        selectCountries: function (ids) {
            setChecked($('countrySelect'), Array.isArray(ids) ? ids : [ids]);
            countriesChanged();
            return state.selectedCountries.slice();
        },
        selectDiseases: function (ids) {
            setChecked($('diseaseSelect'), Array.isArray(ids) ? ids : [ids]);
            diseasesChanged();
            return state.selectedDiseases.slice();
        },
        createModels: function () { return call('createModels'); },
        deleteModels: function () { return call('deleteModels'); },
        setNumSamples: function (n) { setNumSamples(parseInt(n, 10)); return state.numSamples; },
        setTimeDiscountRate: function (r) { setTimeDiscountRate(parseFloat(r)); return state.timeDiscountRate; },
        runModels: function () { runModels(); return true; },
        openModel: function (c, d, m) { openModel(c, d, m, true); return true; },
        applyModelChanges: function () { applyModelChanges(); return !!state.selectedModel; },
        showDetailedResults: function (c, d, m) { showTab('results'); showSubtab($('resultsContent'), 'detailed'); requestDetailed(modelKey(c, d, m)); return true; },
        showTab: function (name) { showTab(name); return state.activeTab; },
        dalyMean: function (modelId) {
            const rows = document.querySelectorAll('#aggregatedResultsTable tr[data-model-id]');
            for (const tr of rows) {
                if (tr.dataset.modelId === String(modelId)) {
                    const cell = tr.querySelector('.daly-mean');
                    return cell ? Number(cell.dataset.value) : null;
                }
            }
            return null;
        },
        get state() { return snapshot(); },
        stateJson: function () { return JSON.stringify(snapshot()); }
    };

    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', init);
    else init();
})(window);

/* Shared context of the main page's modules: the page state, the bridge, small helpers. Every module
   of the main page (selection, models, modeldata, run, resultsview, printview, main) adds its part
   to Oz.page; main.js wires them together once the document is loaded. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});

    const P = Oz.page = {
        webGUI: null,
        TAB_NAMES: ['setup', 'modeldata', 'run', 'results'],
        state: {
            channelReady: false,
            availableDiseases: [],
            // From the program: [{id, name, hasPopulationData}]; empty until it answered.
            countries: [],
            selectedCountries: [],
            selectedDiseases: [],
            models: [],
            selectedModel: null,
            numSamples: null,
            timeDiscountRate: null,
            // Whether the next run also estimates standard errors, convergence and sensitivity.
            uncertaintyAnalysis: false,
            // True from the run request until the program says the run has ended.
            running: false,
            cancelling: false,
            runSamples: null,
            // From the program: with fewer samples its quantiles are raw draws, not estimates.
            fewestSamplesForQuantiles: null,
            // How often the table of all models was drawn: once per answer is what froze the page.
            aggregatedRenders: 0,
            progress: null,
            // 'finished', 'cancelled' or 'failed'; null before the first run.
            lastRunOutcome: null,
            lastRunList: null,
            lastAggregatedResults: null,
            lastDetailedResults: null,
            detailedModelKey: null,
            // Keys of models whose parameters changed after their results were computed.
            outdated: [],
            // From the program, per model key: the cells of its parameters whose values lie
            // outside their domain ({treeID, elementID, parameter, row, column, stratum, formula,
            // place, text}); runWarnings: the same as the last run started, for its results.
            parameterWarnings: {},
            runWarnings: {},
            lastFormulaCheck: null,
            lastElementRequest: null,
            activeTab: 'setup'
        },
        grids: {},
        tsvCache: {}
    };

    P.$ = function (id) { return document.getElementById(id); };

    P.modelKey = function (c, d, m) { return JSON.stringify([String(c), String(d), String(m)]); };
    P.keyOfInfo = function (info) { return P.modelKey(info.countryID, info.diseaseID, info.modelID); };
    P.parseKey = function (k) { try { return JSON.parse(k); } catch (e) { return null; } };

    P.isJsonModel = function (info) {
        const s = info && info.jsonDiseaseSpec;
        return !!(s && typeof s === 'object' && Object.keys(s).length > 0);
    };

    P.diseaseName = function (id) {
        const d = P.state.availableDiseases.find(function (x) { return x.id === id; });
        return d ? (d.disease || d.id) : id;
    };

    P.countryName = function (id) {
        const c = P.state.countries.find(function (x) { return x.id === id; });
        return c && c.name && c.name !== id ? c.name : Oz.countryName(id);
    };

    // Unknown until the program has answered: then nothing is marked.
    P.lacksPopulation = function (countryId) {
        const c = P.state.countries.find(function (x) { return x.id === countryId; });
        return !!c && !c.hasPopulationData;
    };

    // One cell's warning in words; the model is left out where the reader knows it.
    P.describeWarning = function (w, withModel) {
        const place = withModel ? w.place : String(w.place || '').replace(/^Model "[^"]*", /, '');
        return place + ', ' + w.stratum + ': "' + w.formula + '" ' + w.text;
    };

    // Why the results of the last run of a model are marked: computed from values outside their
    // domain. Undefined for a model whose inputs were sound.
    P.suspectOf = function (key) {
        const cells = P.state.runWarnings[key] || [];
        if (cells.length === 0) return undefined;
        // One line per formula of a table: a table of equal values is one mistake.
        const groups = [];
        for (const w of cells) {
            const same = groups.find(function (g) { return g.w.place === w.place && g.w.formula === w.formula; });
            if (same) same.count += 1;
            else groups.push({ w: w, count: 1 });
        }
        const listed = groups.slice(0, 3).map(function (g) {
            const w = Object.assign({}, g.w, { stratum: g.w.stratum + (g.count > 1 ? ' and ' + (g.count - 1) + ' more cells' : '') });
            return P.describeWarning(w, false);
        });
        return 'computed from values outside their domain: ' + listed.join('; ') +
            (groups.length > 3 ? '; and ' + (groups.length - 3) + ' more formulas' : '');
    };

    P.modelLabel = function (info) {
        return info.modelID + ' — ' + (info.countryName || P.countryName(info.countryID)) + ' — ' + (info.diseaseName || P.diseaseName(info.diseaseID));
    };

    P.isOutdated = function (key) { return P.state.outdated.indexOf(key) >= 0; };

    P.call = function (name) {
        const args = Array.prototype.slice.call(arguments, 1);
        const gui = P.webGUI;
        if (!gui || typeof gui[name] !== 'function') {
            Oz.notify('Ozmid', 'The page is not connected to the program (' + Oz.escapeHtml(name) + ').', 'error');
            return false;
        }
        gui[name].apply(gui, args);
        return true;
    };

    P.copyText = function (text) {
        if (!text) {
            Oz.notify('Copy', 'There is nothing to copy yet.', 'warning');
            return;
        }
        if (P.call('copyTextToClipboard', text)) Oz.notify('Copy', 'The table has been copied to the clipboard.', 'success');
    };

    /* ---------- tabs ---------- */

    P.showTab = function (name) {
        if (P.TAB_NAMES.indexOf(name) < 0) return;
        P.state.activeTab = name;
        document.querySelectorAll('.tabbar .tab').forEach(function (b) {
            const on = b.dataset.tab === name;
            b.classList.toggle('active', on);
            b.setAttribute('aria-selected', on ? 'true' : 'false');
        });
        document.querySelectorAll('.tab-page').forEach(function (p) { p.classList.toggle('active', p.id === 'page-' + name); });
        const page = P.$('page-' + name);
        if (P.webGUI && P.webGUI.pageOpened) P.webGUI.pageOpened(P.TAB_NAMES.indexOf(name), page ? page.dataset.pageName : name);
    };

    P.showSubtab = function (scope, name) {
        scope.querySelectorAll(':scope > .subtabs .subtab').forEach(function (b) { b.classList.toggle('active', b.dataset.subtab === name); });
        scope.querySelectorAll(':scope > .subtab-page').forEach(function (p) { p.classList.toggle('active', p.id === 'subpage-' + name); });
    };

    P.initTabs = function () {
        document.querySelectorAll('.tabbar .tab').forEach(function (b) {
            b.addEventListener('click', function () { P.showTab(b.dataset.tab); });
        });
        document.querySelectorAll('.subtabs').forEach(function (bar) {
            const scope = bar.parentNode;
            bar.querySelectorAll('.subtab').forEach(function (b) {
                b.addEventListener('click', function () { P.showSubtab(scope, b.dataset.subtab); });
            });
        });
    };

    /* ---------- controls that depend on the connection, the models and a run ---------- */

    // Every button that changes models is off while a run uses them; the program refuses such
    // requests anyway, this only keeps the user from trying.
    P.refreshControls = function () {
        const s = P.state;
        const ready = s.channelReady;
        const n = s.models.length;
        P.$('createModelsButton').disabled = !ready || s.running || s.selectedCountries.length === 0 || s.selectedDiseases.length === 0;
        P.$('deleteModelsButton').disabled = !ready || s.running || n === 0;
        P.$('applyModelChangesButton').disabled = !ready || s.running || !s.selectedModel;
        P.$('runModelsButton').disabled = !ready || s.running || n === 0;
        P.$('cancelRunButton').hidden = !s.running;
        P.$('cancelRunButton').disabled = s.cancelling;
        P.$('numSamplesInput').disabled = s.running;
        P.$('timeDiscountRateInput').disabled = s.running;
        P.$('uncertaintyAnalysisInput').disabled = !ready || s.running;
        document.body.classList.toggle('run-in-progress', s.running);
        document.querySelectorAll('#modelListTable button[data-action="results"]').forEach(function (b) {
            b.disabled = s.running || b.dataset.computed !== 'true';
        });
    };
})(window);

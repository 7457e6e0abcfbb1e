/* Ozmid main page: drives the program through the web channel object "webGUI". The page's parts
   live in page.js (state, helpers), selection.js, models.js, modeldata.js, run.js, resultsview.js
   and printview.js; this file connects them to the program.

   Element ids an automated test can rely on:
     #countrySelect                 check list of countries; each box is input#country-<countryId>; a
                                    country without population data has the label class "lacks-data"
     #diseaseSelect                 check list of diseases; each box is input[data-disease-id="<diseaseId>"]
     #createModelsButton            creates one model per selected country and disease
     #deleteModelsButton            deletes all models (asks for a second click)
     #modelListTable                defined models; rows carry data-model-id, data-country-id, data-disease-id
     #numSamplesInput               number of samples (sent on change; whole numbers only)
     #timeDiscountRateInput         time discount rate (sent on change; above 0.2 asks first)
     #uncertaintyAnalysisInput      check box: the next run estimates standard errors, convergence and
                                    sensitivity
     #runModelsButton               runs all models
     #cancelRunButton               cancels the run (shown while one is in progress)
     #runProgressBar                progress bar; its data-fraction holds the last fraction shown
     #aggregatedResultsTable        results per model; rows carry data-model-id, data-country-id,
                                    data-disease-id; the DALY mean cell has class "daly-mean" and the
                                    raw number in data-value; the row of all models has data-total="true"
     #detailedResultsModelSelect    model whose detailed results are shown
     #uncertaintyPanel              precision and sensitivity of that model (hidden when its run had no
                                    analysis): #convergenceVerdict (class "verdict-ok" or "verdict-warn"),
                                    #tornadoChart (canvas), #sensitivityTable (rows carry data-rank);
                                    #uncertaintySuspectNote (shown when the model was computed from
                                    values outside their domain)
     .se                            the standard error beside a mean ("± 4.9"), in every results table
     #applyModelChangesButton       sends the edited tables of the selected model
     #confirmDialog                 the page's question, while one is open; its buttons carry data-choice
     #exportPdfButton               prints the page to a PDF file

   Test hook window.ozmidPage (all functions return at once; results arrive through the channel):
     isReady(), selectCountries(ids), selectDiseases(ids), createModels(), deleteModels(),
     setNumSamples(n), setTimeDiscountRate(r), setUncertaintyAnalysis(on), runModels(), cancelRun(),
     openModel(country, disease, modelId),
     applyModelChanges(), showDetailedResults(country, disease, modelId), showTab(name),
     dalyMean(modelId), exportPdf(), state (a plain snapshot: models, running, progress, lastRunList,
     lastAggregatedResults, uncertaintyAnalysis, analysedModels, analysis, outdated, messages, …), stateJson()
     (the same snapshot as JSON text).
     cellWarning(table, row, column): the warning of a cell of the model data's tables whose value lies
     outside its domain ("caseBeforeCorr", "lifeExp", …), or null; resultsMark(modelId): why the model's
     results are marked ⚠ (computed from such values), or null; state.parameterWarnings holds every
     model's cells outside their domain. Pop-ups: window.ozmidSubpage.warnings, and the cell's class
     "cell-warning" with the reason in its title.
     createModels, deleteModels and applyModelChanges reach the program even while a run is in
     progress (the program refuses them then), as a request from elsewhere would. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const P = Oz.page;
    const $ = P.$;
    const state = P.state;

    /* ---------- reset ---------- */

    function resetState() {
        state.models = [];
        state.selectedModel = null;
        state.progress = null;
        state.lastRunList = null;
        state.lastRunOutcome = null;
        state.lastAggregatedResults = null;
        state.lastDetailedResults = null;
        state.detailedModelKey = null;
        state.lastFormulaCheck = null;
        state.lastElementRequest = null;
        state.runSamples = null;
        state.outdated = [];
        state.parameterWarnings = {};
        state.runWarnings = {};
        P.disarmDelete();
        P.resetModelData();
        P.resetRunView();
        P.clearResults();
        P.renderModelList();
    }

    function loadFromProgram() {
        const gui = P.webGUI;
        gui.getAvailableDiseases(P.setAvailableDiseases);
        if (gui.getAvailableCountries) gui.getAvailableCountries(P.setAvailableCountries);
        gui.getNumSamples(function (n) { P.showRunSettings(n, state.timeDiscountRate); });
        if (gui.getFewestSamplesForQuantiles) gui.getFewestSamplesForQuantiles(function (n) { state.fewestSamplesForQuantiles = n; });
        gui.getTimeDiscountRate(function (r) { P.showRunSettings(state.numSamples, r); });
        if (gui.isUncertaintyAnalysisEnabled) gui.isUncertaintyAnalysisEnabled(P.showUncertaintyAnalysis);
        if (gui.isRunning) gui.isRunning(function (running) { if (running) P.onRunningChanged(true); });
        // The program keeps its selection across a reinitialisation; keep both ends equal.
        gui.setSelectedCountries(state.selectedCountries);
        gui.setSelectedDiseases(state.selectedDiseases);
    }

    /* ---------- channel ---------- */

    function connectSignals() {
        const gui = P.webGUI;
        const on = function (name, fn) {
            if (gui[name] && typeof gui[name].connect === 'function') gui[name].connect(fn);
            else console.warn('webGUI has no signal ' + name);
        };
        on('programReinitialized', function () { resetState(); loadFromProgram(); });
        // The import's progress lets the page ask for the lists while it reads the workbooks:
        // ask again once it has ended.
        on('referenceDataChanged', function () {
            P.webGUI.getAvailableDiseases(P.setAvailableDiseases);
            P.webGUI.getAvailableCountries(P.setAvailableCountries);
        });
        on('showMessage', function (title, text, type) {
            // An error ends the step the progress message showed: a later step shows it again,
            // and a failed import or export leaves no spinner behind.
            if (type === 'error') Oz.updatableMessage.destroy();
            Oz.notify(title, text, type);
        });
        on('notice', function (title, text, type) { Oz.notify(title, text, type); });
        on('createUpdatableMessage', function (title, text) { Oz.updatableMessage.show(title, text); });
        on('updateMessage', function (title, text) { Oz.updatableMessage.show(title, text); });
        on('destroyUpdatableMessage', function () { Oz.updatableMessage.destroy(); });
        on('modelsCreated', P.onModelsCreated);
        on('modelSelected', P.onModelSelected);
        on('formulaCheckResultsAvailable', P.onFormulaCheck);
        on('formulaErrorsExplained', function (pageKind, title, text) {
            if (pageKind === 'model') Oz.notify(title, text, 'error');
        });
        on('runStarted', P.onRunStarted);
        on('runProgressUpdated', P.onRunProgress);
        on('runIterationProgressUpdated', P.onIterationProgress);
        on('runningChanged', P.onRunningChanged);
        on('runFinished', P.onRunFinished);
        on('runCancelled', P.onRunCancelled);
        on('runFailed', P.onRunFailed);
        on('aggregatedResultsAvailable', P.onAggregatedResults);
        on('detailedResultsAvailable', P.onDetailedResults);
        on('resultsOutdated', P.onResultsOutdated);
        on('parameterWarningsChanged', P.onParameterWarnings);
        on('runSettingsChanged', P.showRunSettings);
        on('uncertaintyAnalysisChanged', P.showUncertaintyAnalysis);
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
            P.webGUI = channel.objects.webGUI;
            if (!P.webGUI) {
                status.textContent = 'Not connected';
                status.classList.add('offline');
                Oz.notify('Ozmid', 'The program did not publish its interface object.', 'error');
                return;
            }
            state.channelReady = true;
            status.textContent = 'Connected';
            status.classList.add('online');
            connectSignals();
            P.updateSelectionSummary();
            P.renderModelList();
            P.webGUI.dataRequested();
        });
    }

    /* ---------- wiring ---------- */

    function init() {
        P.initTabs();
        P.initSelection();
        P.initModels();
        P.initGrids();
        P.initRunControls();
        P.initResults();
        P.initUncertainty();
        Oz.routeExternalLinks(document, function () { return P.webGUI; });
        $('exportPdfButton').addEventListener('click', function () { P.call('exportPageToPdf'); });
        P.updateSelectionSummary();
        P.renderModelList();
        connectChannel();
    }

    /* ---------- test hook ---------- */

    function snapshot() {
        return Oz.clone({
            channelReady: state.channelReady,
            activeTab: state.activeTab,
            availableDiseases: state.availableDiseases,
            countries: state.countries,
            selectedCountries: state.selectedCountries,
            selectedDiseases: state.selectedDiseases,
            models: state.models,
            selectedModel: state.selectedModel ? state.selectedModel.info : null,
            numSamples: state.numSamples,
            timeDiscountRate: state.timeDiscountRate,
            uncertaintyAnalysis: state.uncertaintyAnalysis,
            // The models whose last run analysed its uncertainty, as [country, disease, model id].
            analysedModels: Object.keys(state.uncertainty).filter(P.uncertaintyOf).map(P.parseKey),
            // Every model the program has answered about since the last results: {model, analysed}.
            analysis: Object.keys(state.uncertainty).map(function (k) { return { model: P.parseKey(k), analysed: !!P.uncertaintyOf(k) }; }),
            running: state.running,
            cancelling: state.cancelling,
            progress: state.progress,
            lastRunOutcome: state.lastRunOutcome,
            lastRunList: state.lastRunList,
            lastAggregatedResults: state.lastAggregatedResults,
            aggregatedRenders: state.aggregatedRenders,
            lastDetailedResults: state.lastDetailedResults,
            outdated: state.outdated.map(P.parseKey),
            // Per model key (JSON [country, disease, model id]): its cells outside their domain.
            parameterWarnings: state.parameterWarnings,
            lastFormulaCheck: state.lastFormulaCheck,
            lastElementRequest: state.lastElementRequest,
            messages: Oz.messageLog
        });
    }

    global.ozmidPage = {
        isReady: function () { return state.channelReady; },
        selectCountries: function (ids) {
            P.setChecked($('countrySelect'), Array.isArray(ids) ? ids : [ids]);
            P.countriesChanged();
            return state.selectedCountries.slice();
        },
        selectDiseases: function (ids) {
            P.setChecked($('diseaseSelect'), Array.isArray(ids) ? ids : [ids]);
            P.diseasesChanged();
            return state.selectedDiseases.slice();
        },
        createModels: function () { return P.call('createModels'); },
        deleteModels: function () { return P.call('deleteModels'); },
        setNumSamples: function (n) { P.commitNumSamples(n); return state.numSamples; },
        setTimeDiscountRate: function (r) { P.commitTimeDiscountRate(r); return state.timeDiscountRate; },
        setUncertaintyAnalysis: function (on) { P.commitUncertaintyAnalysis(!!on); return state.uncertaintyAnalysis; },
        runModels: function () { return P.runModels(); },
        cancelRun: function () { return P.cancelRun(); },
        openModel: function (c, d, m) { P.openModel(c, d, m, true); return true; },
        applyModelChanges: function () { P.applyModelChanges(); return !!state.selectedModel; },
        showDetailedResults: function (c, d, m) {
            P.showTab('results');
            P.showSubtab($('resultsContent'), 'detailed');
            P.requestDetailed(P.modelKey(c, d, m));
            return true;
        },
        showTab: function (name) { P.showTab(name); return state.activeTab; },
        exportPdf: function () { return P.call('exportPageToPdf'); },
        dalyMean: function (modelId) {
            const rows = document.querySelectorAll('#aggregatedResultsTable tr[data-model-id]');
            for (const tr of rows) {
                if (tr.dataset.modelId === String(modelId)) {
                    const cell = tr.querySelector('.daly-mean');
                    // null too where the DALY is not computable (no population data).
                    return cell && cell.dataset.value !== undefined ? Number(cell.dataset.value) : null;
                }
            }
            return null;
        },
        // The warning of a cell of the main page's tables ('caseBeforeCorr', 'lifeExp', …), or null.
        cellWarning: function (table, row, column) {
            const spec = P.GRID_SPECS.find(function (g) { return g.key === table; });
            const td = spec ? document.querySelector('#' + spec.host + ' tr[data-row="' + row + '"] td.cell-warning[data-col="' + column + '"]') : null;
            return td ? td.title : null;
        },
        // Why the model's results are marked ("computed from values outside their domain: …"), or null.
        resultsMark: function (modelId) {
            const tr = Array.from(document.querySelectorAll('#aggregatedResultsTable tr[data-model-id]')).find(function (r) {
                return r.dataset.modelId === String(modelId);
            });
            const mark = tr ? tr.querySelector('.suspect-mark') : null;
            return mark ? mark.title : null;
        },
        get state() { return snapshot(); },
        stateJson: function () { return JSON.stringify(snapshot()); }
    };

    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', init);
    else init();
})(window);

/* Main page: the Monte-Carlo settings, the run with its progress, and its cancellation. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const P = Oz.page;
    const el = Oz.el;
    const $ = P.$;
    const state = P.state;

    const MAX_SAMPLES = 10000000;
    // Above this a rate is most likely a percentage typed as a number.
    const PLAUSIBLE_RATE = 0.2;

    /* ---------- settings ---------- */

    // A whole number of at least 1, as typed: "1e3" or "2.5" are refused rather than cut.
    P.commitNumSamples = function (text) {
        const raw = String(text === undefined || text === null ? '' : text).trim();
        const n = /^\d+$/.test(raw) ? Number(raw) : NaN;
        if (!Number.isInteger(n) || n < 1 || n > MAX_SAMPLES) {
            Oz.notify('Number of samples', 'The number of samples must be a whole number from 1 to ' +
                Oz.formatNumber(MAX_SAMPLES) + ', such as 1000' + (raw ? '; “' + Oz.escapeHtml(raw) + '” is not one.' : '.'), 'error');
            $('numSamplesInput').value = state.numSamples || 1000;
            return false;
        }
        setNumSamples(n);
        return true;
    };

    // Rates are fractions; one above 0.2 is only taken once the user confirmed it.
    P.commitTimeDiscountRate = function (text) {
        const raw = String(text === undefined || text === null ? '' : text).trim();
        const r = raw === '' ? NaN : Number(raw);
        const restore = function () { $('timeDiscountRateInput').value = state.timeDiscountRate || 0; };
        if (!Number.isFinite(r) || r < 0) {
            Oz.notify('Time discount rate', 'Please enter a rate of 0 or more, as a fraction: 0.03 for 3 %.', 'error');
            restore();
            return false;
        }
        if (r <= PLAUSIBLE_RATE) {
            setTimeDiscountRate(r);
            return true;
        }
        const choices = [{ id: 'keep', label: 'Keep ' + Oz.formatNumber(state.timeDiscountRate || 0), primary: true }];
        if (r / 100 <= PLAUSIBLE_RATE) choices.unshift({ id: 'fraction', label: 'Use ' + (r / 100) + ' (' + r + ' %)' });
        choices.unshift({ id: 'asTyped', label: 'Use ' + r });
        Oz.confirmDialog('Time discount rate',
            'A time discount rate of <b>' + Oz.escapeHtml(raw) + '</b> means ' + Oz.escapeHtml(Oz.formatNumber(r * 100)) +
            ' % per year. Rates are entered as fractions: <b>0.03 for 3 %</b>.', choices,
            function (choice) {
                if (choice === 'asTyped') setTimeDiscountRate(r);
                else if (choice === 'fraction') setTimeDiscountRate(r / 100);
                else restore();
            });
        return false;
    };

    function setNumSamples(n) {
        state.numSamples = n;
        $('numSamplesInput').value = n;
        P.call('setNumSamples', n);
    }

    function setTimeDiscountRate(r) {
        state.timeDiscountRate = r;
        $('timeDiscountRateInput').value = r;
        P.call('setTimeDiscountRate', r);
    }

    P.commitUncertaintyAnalysis = function (enabled) {
        state.uncertaintyAnalysis = !!enabled;
        $('uncertaintyAnalysisInput').checked = state.uncertaintyAnalysis;
        return P.call('setUncertaintyAnalysis', state.uncertaintyAnalysis);
    };

    // The program's value, when the page opens and after the options dialog.
    P.showUncertaintyAnalysis = function (enabled) {
        if (typeof enabled !== 'boolean') return;
        state.uncertaintyAnalysis = enabled;
        $('uncertaintyAnalysisInput').checked = enabled;
    };

    // The program's values, after a reinitialisation or the options dialog.
    P.showRunSettings = function (n, r) {
        if (typeof n === 'number') {
            state.numSamples = n;
            $('numSamplesInput').value = n;
        }
        if (typeof r === 'number') {
            state.timeDiscountRate = r;
            $('timeDiscountRateInput').value = r;
        }
    };

    /* ---------- run ---------- */

    P.runModels = function () {
        if (!P.webGUI || state.running) return false;
        // The fields may hold a value that was typed but never committed with a change event.
        const typedSamples = $('numSamplesInput').value;
        if (String(typedSamples) !== String(state.numSamples) && !P.commitNumSamples(typedSamples)) return false;
        const typedRate = $('timeDiscountRateInput').value;
        if (Number(typedRate) !== state.timeDiscountRate && !P.commitTimeDiscountRate(typedRate)) return false;
        state.runSamples = state.numSamples;
        state.lastRunOutcome = null;
        setProgress(0, { index: 0, count: state.models.length, name: '' });
        $('runProgressLabel').textContent = 'Starting the run…';
        $('runProgressDetail').textContent = '';
        // Until the program confirms, the page already behaves as during a run.
        setRunning(true);
        if (!P.call('runModels')) setRunning(false);
        return true;
    };

    P.cancelRun = function () {
        if (!state.running || state.cancelling) return false;
        state.cancelling = true;
        $('runProgressLabel').textContent = 'Cancelling the run: the models stop after their current iteration…';
        P.refreshControls();
        P.call('cancelRun');
        return true;
    };

    function setRunning(running) {
        state.running = running;
        if (!running) state.cancelling = false;
        $('runProgress').classList.toggle('running', running);
        $('runModelsButton').textContent = running ? 'Running…' : 'Run all models';
        P.refreshControls();
    }

    P.onRunningChanged = function (running) {
        setRunning(!!running);
    };

    function setProgress(fraction, extra) {
        const bar = $('runProgressBar');
        bar.style.width = (fraction * 100).toFixed(1) + '%';
        bar.dataset.fraction = String(fraction);
        $('runProgressText').textContent = Math.round(fraction * 100) + ' %';
        state.progress = Object.assign({}, state.progress || {}, extra || {}, { fraction: fraction });
    }

    P.resetRunView = function () {
        setRunning(false);
        setProgress(0, { index: 0, count: 0, name: '' });
        state.progress = null;
        $('runProgressLabel').textContent = 'No run started.';
        $('runProgressDetail').textContent = '';
        $('runListTable').querySelector('tbody').innerHTML = '';
    };

    P.onRunStarted = function () {
        // A run the page did not ask for (the automation hook, another page) has the program's count.
        if (!state.runSamples) state.runSamples = state.numSamples;
        // The results of this run are those of the values the models hold now.
        state.runWarnings = Oz.clone(state.parameterWarnings);
        setRunning(true);
    };

    function describeModel(index, count, name) {
        return 'Model ' + (index + 1) + ' of ' + count + (name ? ': ' + name : '');
    }

    // Between models: index models are done, name is the one being run.
    P.onRunProgress = function (fraction, index, count, name) {
        // 0 of 0 models gives a fraction that is not a number; only proper fractions move the bar.
        if (typeof fraction !== 'number' || !(fraction >= 0 && fraction <= 1)) return;
        const shown = state.running ? Math.max(fraction, (state.progress && state.progress.fraction) || 0) : fraction;
        setProgress(shown, { index: index, count: count, name: name });
        $('runProgressLabel').textContent = index < count
            ? describeModel(index, count, name)
            : 'All ' + count + ' models computed; collecting results…';
    };

    function duration(seconds) {
        if (!(seconds >= 0)) return '';
        if (seconds < 60) return Math.max(1, Math.round(seconds)) + ' s';
        const minutes = Math.floor(seconds / 60), rest = Math.round(seconds % 60);
        if (minutes < 60) return minutes + ' min ' + rest + ' s';
        return Math.floor(minutes / 60) + ' h ' + (minutes % 60) + ' min';
    }

    // Within models: the iterations computed so far, several times a second.
    P.onIterationProgress = function (p) {
        if (!state.running || !p || !(p.fraction >= 0 && p.fraction <= 1)) return;
        const fraction = Math.max(p.fraction, (state.progress && state.progress.fraction) || 0);
        setProgress(fraction, { index: p.modelIndex, count: p.modelCount, name: p.modelName,
            modelFraction: p.modelFraction, secondsLeft: p.secondsLeft });
        if (state.cancelling) return;
        if (p.modelIndex < p.modelCount) {
            $('runProgressLabel').textContent = describeModel(p.modelIndex, p.modelCount, p.modelName);
        }
        const parts = [];
        if (p.modelIndex < p.modelCount) parts.push(Math.floor(p.modelFraction * 100) + ' % of this model');
        parts.push(p.modelIndex + ' of ' + p.modelCount + ' models done');
        parts.push(p.secondsLeft >= 0 ? 'about ' + duration(p.secondsLeft) + ' left' : 'estimating the time left…');
        $('runProgressDetail').textContent = parts.join(' · ');
    };

    P.onRunFinished = function (runList) {
        setRunning(false);
        state.lastRunOutcome = 'finished';
        state.lastRunList = Array.isArray(runList) ? runList : [];
        state.outdated = [];
        const n = state.lastRunList.length;
        if (n > 0) setProgress(1, { index: n, count: n });
        $('runProgressLabel').textContent = n > 0
            ? 'Finished: ' + n + (n === 1 ? ' model' : ' models') + ' computed with ' + (state.runSamples || state.numSamples) + ' samples each.'
            : 'Finished: there were no models to compute.';
        $('runProgressDetail').textContent = '';
        const tbody = $('runListTable').querySelector('tbody');
        tbody.innerHTML = '';
        state.lastRunList.forEach(function (r, i) {
            tbody.appendChild(el('tr', { 'data-model-id': r.modelID }, [
                el('td', { text: String(i + 1) }), el('td', { text: r.modelID }),
                el('td', { text: r.countryName || P.countryName(r.countryID) }), el('td', { text: r.diseaseName || P.diseaseName(r.diseaseID) })
            ]));
        });
        P.fillModelSelect($('detailedResultsModelSelect'), state.lastRunList, state.detailedModelKey || '');
        P.renderModelList();
        P.fetchRunUncertainty(state.lastRunList);
        if (n > 0) Oz.notify('Run finished', n + (n === 1 ? ' model has' : ' models have') + ' been computed. See the <b>Results</b> tab.', 'success');
        if (state.detailedModelKey) P.requestDetailed(state.detailedModelKey);
    };

    // A run that ended early leaves some models without results: none are shown.
    function endedEarly(outcome, label) {
        setRunning(false);
        state.lastRunOutcome = outcome;
        state.lastRunList = null;
        $('runProgressLabel').textContent = label;
        $('runProgressDetail').textContent = '';
        $('runListTable').querySelector('tbody').innerHTML = '';
        P.clearResults(outcome === 'cancelled'
            ? 'The last run was cancelled before all models were computed. Run the models again to see results.'
            : 'The last run failed. Run the models again to see results.');
        P.renderModelList();
    }

    P.onRunCancelled = function () {
        endedEarly('cancelled', 'Run cancelled.');
    };

    P.onRunFailed = function (reason) {
        endedEarly('failed', 'Run failed: ' + String(reason || 'no reason given') + '.');
    };

    P.initRunControls = function () {
        $('numSamplesInput').addEventListener('change', function () { P.commitNumSamples(this.value); });
        $('timeDiscountRateInput').addEventListener('change', function () { P.commitTimeDiscountRate(this.value); });
        $('uncertaintyAnalysisInput').addEventListener('change', function () { P.commitUncertaintyAnalysis(this.checked); });
        $('runModelsButton').addEventListener('click', P.runModels);
        $('cancelRunButton').addEventListener('click', P.cancelRun);
    };
})(window);

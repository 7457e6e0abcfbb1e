/* Main page: the results of the last run, over all models and per model, as tables and charts. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const P = Oz.page;
    const el = Oz.el;
    const $ = P.$;
    const state = P.state;
    const tsvCache = P.tsvCache;

    const AGG_COLUMNS = [
        { key: 'daly', label: 'DALY', split: true, meanClass: 'daly-mean' },
        { key: 'dalyPer100k', label: 'DALY per 100 000' },
        { key: 'dalyPerCase', label: 'DALY per case' },
        { key: 'yld', label: 'YLD' },
        { key: 'yll', label: 'YLL' },
        { key: 'cases', label: 'Cases' },
        { key: 'deaths', label: 'Deaths' }
    ];
    const TREE_CATEGORY_COLUMNS = ['daly', 'dalyPerCase', 'dalyPer100k', 'yld', 'yll', 'yldPer100k', 'yllPer100k'];
    const OUTCOME_COLUMNS = ['populationCasesCount', 'deathCasesCount', 'daly', 'dalyPerCase', 'dalyPer100k', 'yld', 'yll'];

    // The bars of statistics of the figure key; errors: the standard errors of the means, when
    // the run estimated them.
    function statSeries(stats, errors, key) {
        return Object.assign(Oz.results.barSeries(stats, key), { errors: errors });
    }

    function uncertaintyNote() {
        const n = state.runSamples;
        const fewest = state.fewestSamplesForQuantiles;
        if (n && fewest && n < fewest) {
            return 'Monte-Carlo estimates from <b>' + Oz.escapeHtml(n) + '</b> sample' + (n === 1 ? '' : 's') +
                ' per model: with fewer than ' + fewest + ' samples the quantiles are <b>not estimated</b>, ' +
                'so only means are shown. Run again with more samples for uncertainty intervals.';
        }
        return 'Monte-Carlo estimates' + (n ? ' from <b>' + Oz.escapeHtml(n) + '</b> samples per model' : '') +
            ': the mean with the 95 % uncertainty interval (UI) from the 2.5 % to the 97.5 % quantile of the samples.';
    }

    function modelKeyOf(result) {
        return P.modelKey(result.country, result.disease, result.id);
    }

    // The standard errors of a model's totals, when its run analysed its uncertainty.
    function totalErrorsOf(result) {
        const se = P.standardErrorsOf(modelKeyOf(result));
        return se ? Oz.uncertainty.errorsOf(se.totalResults) : undefined;
    }

    // Why a model's burden is not shown: without the population of its country the run has no
    // burden to give it, and its zeros are not figures.
    function withheldOf(countryId) {
        return P.lacksPopulation(countryId) ? 'not computable: no population data for ' + P.countryName(countryId) : undefined;
    }

    // What the totals over all models make of models without population data: the run sums their
    // figures with the others', zeros included.
    function totalsCaveat(models) {
        const lacking = models.filter(function (m) { return P.lacksPopulation(m.country); });
        if (lacking.length === 0) return '';
        const names = Array.from(new Set(lacking.map(function (m) { return m.countryName || P.countryName(m.country); })));
        const one = lacking.length === 1;
        return 'No population data for ' + names.join(', ') + ': the YLD, YLL, DALY and figures per 100 000 of ' +
            (one ? 'its model are' : 'their models are') + ' not computable (shown as ' + Oz.NOT_COMPUTABLE + '). ' +
            'All models includes ' + lacking.length + ' model' + (one ? '' : 's') + ' without population data: ' +
            (one ? 'its' : 'their') + ' YLD, YLL and DALY count as 0 and ' +
            (one ? 'its' : 'their') + ' population as none, while ' + (one ? 'its' : 'their') +
            ' cases and deaths count in full. So the totals of YLD, YLL and DALY leave out ' + (one ? 'its' : 'their') +
            ' burden, DALY per case is lowered and incidence and mortality per 100 000 are raised by ' +
            (one ? 'its' : 'their') + ' cases and deaths; YLD, YLL and DALY per 100 000 are those of the other models.';
    }

    // Which models of the run were computed from values outside their domain, and what that
    // makes of the totals over all models.
    function suspectCaveat(models) {
        const marked = models.filter(function (m) { return !!P.suspectOf(modelKeyOf(m)); });
        if (marked.length === 0) return '';
        const one = marked.length === 1;
        return Oz.results.MARK + ' ' + marked.map(function (m) { return m.id; }).join(', ') + (one ? ' was' : ' were') +
            ' computed from values outside their domain (' + marked.map(function (m) {
            return m.id + ': ' + P.suspectOf(modelKeyOf(m)).replace(/^computed from values outside their domain: /, '');
        }).join('; ') + '): ' + (one ? 'its' : 'their') + ' results and the totals over all models are marked ' +
            Oz.results.MARK + ' and are not estimates of a burden.';
    }

    // Why the totals over all models are marked, if they are.
    function totalsSuspect(models) {
        const marked = models.filter(function (m) { return !!P.suspectOf(modelKeyOf(m)); });
        return marked.length === 0 ? undefined : 'includes ' + marked.map(function (m) { return m.id; }).join(', ') +
            ', computed from values outside their domain';
    }

    /* ---------- all models ---------- */

    P.onAggregatedResults = function (results) {
        state.lastAggregatedResults = results || {};
        // Results of a completed run: every model's match its parameters.
        state.outdated = [];
        // Their analysis is asked for once the run has finished.
        P.resetUncertainty();
        Oz.quantilesEstimated = !(state.runSamples && state.fewestSamplesForQuantiles
            && state.runSamples < state.fewestSamplesForQuantiles);
        const r = state.lastAggregatedResults;
        const models = Array.isArray(r.modelResults) ? r.modelResults : [];
        $('resultsEmpty').hidden = true;
        $('resultsContent').hidden = false;
        P.renderAggregated();
        const caveat = [totalsCaveat(models), suspectCaveat(models)].filter(Boolean).join('\n');
        tsvCache.total = Oz.results.fillStatListTable($('totalResultsTable'), r.totalResults || {}, totalsSuspect(models)) +
            (caveat ? caveat + '\n' : '');
        $('totalResultsTable').title = caveat;

        const metricKeys = Oz.results.sortKeys(Object.keys((models[0] && models[0].results) || r.totalResults || {}));
        Oz.results.fillSelect($('aggregatedChartMetric'), metricKeys, $('aggregatedChartMetric').value);
        drawAggregatedChart();

        const allKeys = Oz.results.sortKeys(Object.keys(r.allResults || {}));
        Oz.results.fillSelect($('allResultsMetric'), allKeys, $('allResultsMetric').value);
        drawAllResults();
    };

    // The note and the table of the models: again when the analysis of a model arrives.
    P.renderAggregated = function () {
        state.aggregatedRenders += 1;
        const r = state.lastAggregatedResults || {};
        const models = Array.isArray(r.modelResults) ? r.modelResults : [];
        const analysed = models.filter(function (m) { return !!P.uncertaintyOf(modelKeyOf(m)); });
        $('aggregatedNote').innerHTML = uncertaintyNote() + (analysed.length === 0 ? '' :
            ' ± gives the Monte-Carlo standard error of a model\'s mean, which shrinks as the samples grow; ' +
            'the totals over all models are shown without one.');
        $('aggregatedNote').classList.toggle('warning-text', !Oz.quantilesEstimated);

        const rows = models.map(function (m) {
            const u = P.uncertaintyOf(modelKeyOf(m));
            const withheld = withheldOf(m.country);
            const verdict = !u ? null : withheld ? { text: Oz.NOT_COMPUTABLE, title: withheld } : Oz.uncertainty.verdict(u.convergence);
            const convergence = (u && u.convergence) || {};
            // The precision of results computed from values outside their domain is marked with them.
            const suspect = withheld ? undefined : P.suspectOf(modelKeyOf(m));
            return {
                cells: [m.id, m.countryName || P.countryName(m.country), m.diseaseName || P.diseaseName(m.disease)],
                data: m.results || {},
                errors: totalErrorsOf(m),
                trailing: verdict ? [{
                    text: (suspect ? Oz.results.MARK + ' ' : '') + verdict.text,
                    title: suspect ? verdict.title + ' ' + Oz.results.MARK + ' The results were ' + suspect + '.' : verdict.title,
                    class: 'verdict-cell ' + (withheld ? 'withheld' : verdict.ok === true && !suspect ? 'verdict-ok' : 'verdict-warn'),
                    tsv: withheld ? [Oz.tsvEscape(withheld), ''] :
                        [Oz.rawNumber(convergence.relativeStandardError), Oz.rawNumber(convergence.iterationsNeeded)]
                }] : undefined,
                attrs: { 'data-model-id': m.id, 'data-country-id': m.country, 'data-disease-id': m.disease },
                withheld: withheld,
                suspect: P.suspectOf(modelKeyOf(m))
            };
        });
        const population = totalsCaveat(models);
        const suspect = suspectCaveat(models);
        const caveat = [population, suspect].filter(Boolean).join('\n');
        rows.push({ cells: ['All models', '', ''], data: r.totalResults || {}, suspect: totalsSuspect(models),
            attrs: { 'data-total': 'true', class: 'total-row', title: caveat || undefined } });
        $('totalsNote').textContent = population;
        $('totalsNote').hidden = !population;
        $('suspectNote').textContent = suspect;
        $('suspectNote').hidden = !suspect;
        tsvCache.aggregated = Oz.results.fillStatTable($('aggregatedResultsTable'), {
            rowHeaders: ['Model', 'Country', 'Disease'], columns: AGG_COLUMNS, rows: rows,
            trailing: analysed.length === 0 ? [] : [{
                label: 'DALY precision', sub: 'relative SE of the mean (samples for 1 % of mean and 95 % bounds)',
                tsv: ['DALY relative SE of mean', 'Samples for a relative SE of 1 % of mean and quantiles']
            }]
        }) + (caveat ? caveat + '\n' : '');
        if (analysed.length > 0 && $('aggregatedChartMetric').value) drawAggregatedChart();
        P.showOutdatedNotes();
    };

    // "country · disease", the disease's name cut to fit the axis (the tooltip gives it whole); the
    // model id is added only where two models share both.
    function modelLabels(models, short) {
        const cut = function (name) { return short && name.length > 34 ? name.slice(0, 33) + '…' : name; };
        const labels = models.map(function (m) {
            return (m.countryName || P.countryName(m.country)) + ' · ' + cut(m.diseaseName || P.diseaseName(m.disease));
        });
        return labels.map(function (l, i) {
            return labels.indexOf(l) !== labels.lastIndexOf(l) ? l + ' (' + models[i].id + ')' : l;
        });
    }

    function drawAggregatedChart() {
        const r = state.lastAggregatedResults || {};
        const models = Array.isArray(r.modelResults) ? r.modelResults : [];
        const key = $('aggregatedChartMetric').value;
        const shown = function (m) { return !(withheldOf(m.country) && Oz.results.needsPopulation(key)); };
        const stats = models.map(function (m) { return shown(m) ? (m.results || {})[key] : undefined; });
        const analysed = models.some(function (m) { return !!totalErrorsOf(m); });
        const errors = analysed ? models.map(function (m) { return (totalErrorsOf(m) || {})[key]; }) : undefined;
        const horizontal = models.length > 6;
        // One row per model, tall enough to read; beyond the panel's height the chart scrolls.
        $('aggregatedChart').parentNode.style.height = horizontal ? Math.max(300, 70 + 22 * models.length) + 'px' : '';
        const withheld = function (i, why) { return shown(models[i]) ? '' : ' (not computable' + why + ')'; };
        const suspect = function (i, why) { return P.suspectOf(modelKeyOf(models[i])) ? ' ' + Oz.results.MARK + why : ''; };
        Oz.charts.intervalBars($('aggregatedChart'), modelLabels(models, true).map(function (label, i) {
            return label + withheld(i, '') + suspect(i, '');
        }), [Object.assign({ label: Oz.results.label(key), color: Oz.charts.COLORS.single }, statSeries(stats, errors, key))],
        { valueTitle: Oz.results.label(key) + (Oz.quantilesEstimated ? ' (mean, 95 % UI)' : ' (mean)'), horizontal: horizontal,
            valueAxisTop: horizontal && models.length > 14,
            fullLabels: modelLabels(models, false).map(function (label, i) {
                return label + withheld(i, ': no population data') + suspect(i, ' (from values outside their domain)');
            }) });
    }

    function drawAllResults() {
        const r = state.lastAggregatedResults || {};
        const key = $('allResultsMetric').value;
        const strat = (r.allResults || {})[key];
        const models = Array.isArray(r.modelResults) ? r.modelResults : [];
        tsvCache.allResults = Oz.results.fillStratifiedTable($('allResultsTable'), strat, undefined, undefined, key, totalsSuspect(models));
        drawStratifiedChart($('allResultsChart'), strat, key);
    }

    // withheld: why the figures are not computable; the chart then shows the reason and no bars.
    function drawStratifiedChart(canvas, strat, key, errors, withheld) {
        const s = Oz.results.stratifiedSeries(strat, errors, key);
        Oz.charts.intervalBars(canvas, s.labels, [
            Object.assign({ label: 'Female', color: Oz.charts.COLORS.female }, withheld ? noBars(s.female) : s.female),
            Object.assign({ label: 'Male', color: Oz.charts.COLORS.male }, withheld ? noBars(s.male) : s.male)
        ], { valueTitle: Oz.results.label(key), categoryTitle: Oz.stratumFactorName(((strat || {}).arrayFemale || [])[0]),
            title: withheld ? Oz.results.label(key) + ': ' + withheld : undefined });
    }

    function noBars(series) {
        const none = series.means.map(function () { return NaN; });
        return { means: none, lows: none, highs: none };
    }

    // Why the burden of the model shown per model is not computable, if it is not.
    function detailedWithheld() {
        const k = P.parseKey(state.detailedModelKey);
        return k ? withheldOf(k[0]) : undefined;
    }

    // Models whose parameters changed after the run are marked wherever their results show.
    P.showOutdatedNotes = function () {
        const stale = state.models.filter(function (info) { return P.isOutdated(P.keyOfInfo(info)); });
        const note = $('outdatedNote');
        note.hidden = stale.length === 0 || !state.lastAggregatedResults;
        note.textContent = stale.length === 0 ? '' : 'Out of date: the parameters of ' +
            stale.map(function (i) { return i.modelID; }).join(', ') +
            ' changed after the run, so ' + (stale.length === 1 ? 'its results no longer match them' : 'their results no longer match them') +
            '. Run the models again.';
        document.querySelectorAll('#aggregatedResultsTable tr[data-model-id]').forEach(function (tr) {
            const key = P.modelKey(tr.dataset.countryId, tr.dataset.diseaseId, tr.dataset.modelId);
            tr.classList.toggle('outdated', P.isOutdated(key));
        });
        $('detailedOutdatedNote').hidden = !(state.detailedModelKey && P.isOutdated(state.detailedModelKey));
    };

    P.clearResults = function (text) {
        state.lastAggregatedResults = null;
        state.lastDetailedResults = null;
        $('resultsEmpty').textContent = text || 'Results appear here after a run.';
        $('resultsEmpty').hidden = false;
        $('resultsContent').hidden = true;
        $('detailedEmpty').hidden = false;
        $('detailedResultsContent').hidden = true;
        P.fillModelSelect($('detailedResultsModelSelect'), [], '');
        ['aggregatedChart', 'allResultsChart', 'categorizedChart'].forEach(function (id) { Oz.charts.destroy($(id)); });
        for (const k of Object.keys(tsvCache)) delete tsvCache[k];
        P.resetUncertainty();
    };

    /* ---------- per model ---------- */

    P.requestDetailed = function (key) {
        const k = P.parseKey(key);
        if (!k) return;
        state.detailedModelKey = key;
        $('detailedResultsModelSelect').value = key;
        if (!(key in state.uncertainty)) P.fetchUncertainty(key);
        P.call('showDetailedResults', k[0], k[1], k[2]);
    };

    function columnsFor(keys) {
        return keys.map(function (k) { return { key: k, label: Oz.results.label(k) }; });
    }

    // errorsMap: the standard errors of the same categories, when the run estimated them.
    function categoryRows(map, errorsMap, withheld) {
        const suspect = P.suspectOf(state.detailedModelKey);
        return ['acute', 'sequela', 'total'].filter(function (k) { return map && map[k]; }).map(function (k) {
            return { cells: [Oz.results.label(k)], data: map[k], errors: errorsMap ? Oz.uncertainty.errorsOf(errorsMap[k]) : undefined,
                attrs: { 'data-category': k }, withheld: withheld, suspect: suspect };
        });
    }

    function fullTsv(spec) {
        return Oz.results.fillStatTable(document.createElement('table'), spec);
    }

    P.onDetailedResults = function (doc) {
        state.lastDetailedResults = doc || {};
        const d = state.lastDetailedResults;
        $('detailedEmpty').hidden = true;
        $('detailedResultsContent').hidden = false;

        const se = P.standardErrorsOf(state.detailedModelKey);
        const withheld = detailedWithheld();
        $('detailedWithheldNote').textContent = withheld ? 'The burden of this model is ' + withheld +
            ': its YLD, YLL and DALY and the figures per 100 000 are not shown.' : '';
        $('detailedWithheldNote').hidden = !withheld;
        const suspect = P.suspectOf(state.detailedModelKey);
        $('detailedSuspectNote').textContent = suspect ? Oz.results.MARK + ' The results of this model were ' + suspect +
            '. They are marked ' + Oz.results.MARK + ' and are not estimates of a burden.' : '';
        $('detailedSuspectNote').hidden = !suspect;
        const seq = d.totalSequelaTypeResults || {};
        const seqKeys = Oz.results.sortKeys(Object.keys(seq.total || seq.acute || {}));
        tsvCache.sequelaType = Oz.results.fillStatTable($('sequelaTypeTable'), {
            rowHeaders: ['Category'], columns: columnsFor(seqKeys.length ? seqKeys : TREE_CATEGORY_COLUMNS),
            rows: categoryRows(seq, se && se.totalSequelaTypeResults, withheld)
        });
        P.renderUncertaintyPanel();

        const catKeys = Oz.results.sortKeys(Object.keys(d.totalCategorizedResults || {}));
        Oz.results.fillSelect($('categorizedMetric'), catKeys, $('categorizedMetric').value);
        drawCategorized();

        const host = $('treeResultsHost');
        // Drawn again when the model's analysis arrives: the charts of the old panels go with them.
        host.querySelectorAll('canvas').forEach(function (canvas) { Oz.charts.destroy(canvas); });
        host.innerHTML = '';
        (Array.isArray(d.detailedResults) ? d.detailedResults : []).forEach(function (tree, ti) {
            host.appendChild(renderTreeResults(tree, ti, Oz.uncertainty.treeErrors(se, tree.outcomeTreeID), withheld));
        });
        P.showOutdatedNotes();
    };

    function drawCategorized() {
        const d = state.lastDetailedResults || {};
        const key = $('categorizedMetric').value;
        const strat = (d.totalCategorizedResults || {})[key];
        const se = P.standardErrorsOf(state.detailedModelKey);
        const errors = se ? Oz.results.stratifiedErrors(strat, (se.totalCategorizedResults || {})[key]) : undefined;
        const withheld = Oz.results.needsPopulation(key) ? detailedWithheld() : undefined;
        tsvCache.categorized = Oz.results.fillStratifiedTable($('categorizedTable'), strat, errors, withheld, key,
            P.suspectOf(state.detailedModelKey));
        drawStratifiedChart($('categorizedChart'), strat, key, errors, withheld);
    }

    function subHead(title, buttons) {
        return el('div', { class: 'sub-head' }, [el('h4', { text: title }), el('div', { class: 'head-tools' }, buttons)]);
    }

    // treeErrors: the standard errors of the tree's results, when the run estimated them;
    // withheld: why the model's burden is not computable, if it is not.
    function renderTreeResults(tree, index, treeErrors, withheld) {
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
        const catSpec = { rowHeaders: ['Category'], columns: columnsFor(TREE_CATEGORY_COLUMNS),
            rows: categoryRows(cat, treeErrors && treeErrors.sequelaTypeAggregatedResults, withheld) };
        const catFull = { rowHeaders: ['Category'], columns: columnsFor(Oz.results.sortKeys(Object.keys(cat.total || {}))), rows: catSpec.rows };
        const catTable = el('table', { class: 'data-table results-table' });
        Oz.results.fillStatTable(catTable, catSpec);
        panel.appendChild(subHead('Acute and sequela burden', [
            el('button', { class: 'btn btn-small', type: 'button', text: 'Copy table', onclick: function () { P.copyText(fullTsv(catFull)); } })
        ]));
        panel.appendChild(el('div', { class: 'table-scroll' }, [catTable]));

        const outRows = outcomes.map(function (o, oi) {
            return { cells: [o.name, o.acuteType === 'acute' ? 'Acute' : 'Sequela'], data: o,
                errors: treeErrors ? Oz.uncertainty.outcomeErrors(treeErrors, o, oi) : undefined, attrs: { 'data-outcome': o.name },
                withheld: withheld, suspect: P.suspectOf(state.detailedModelKey) };
        });
        const outSpec = { rowHeaders: ['Health outcome', 'Type'], columns: columnsFor(OUTCOME_COLUMNS), rows: outRows };
        const allOutKeys = Oz.results.sortKeys(Object.keys(outcomes[0] || {}).filter(function (k) { return Oz.isStatMap((outcomes[0] || {})[k]); }));
        const outFull = { rowHeaders: ['Health outcome', 'Type'], columns: columnsFor(allOutKeys), rows: outRows };
        const outTable = el('table', { class: 'data-table results-table' });
        Oz.results.fillStatTable(outTable, outSpec);
        panel.appendChild(subHead('Health outcomes', [
            el('button', { class: 'btn btn-small', type: 'button', text: 'Copy table (all quantities)', onclick: function () { P.copyText(fullTsv(outFull)); } })
        ]));
        panel.appendChild(el('div', { class: 'table-scroll' }, [outTable]));

        if (outcomes.length > 0) {
            const canvas = el('canvas', { id: 'treeChart' + index });
            panel.appendChild(subHead('DALY per health outcome', Oz.charts.imageButtons(canvas, function () { return P.webGUI; })));
            const box = el('div', { class: 'chart-box' }, [canvas]);
            box.style.height = Math.max(160, 60 + outcomes.length * 34) + 'px';
            panel.appendChild(box);
            setTimeout(function () {
                const series = statSeries(outcomes.map(function (o) { return o.daly; }),
                    treeErrors ? outRows.map(function (row) { return (row.errors || {}).daly; }) : undefined, 'daly');
                Oz.charts.intervalBars(canvas, outcomes.map(function (o) { return o.name; }), [
                    Object.assign({ label: 'DALY', color: Oz.charts.COLORS.single }, withheld ? noBars(series) : series)
                ], { horizontal: true, valueTitle: Oz.quantilesEstimated ? 'DALY (mean, 95 % UI)' : 'DALY (mean)',
                    title: withheld ? 'DALY: ' + withheld : undefined });
            }, 0);
        }
        return panel;
    }

    /* ---------- wiring ---------- */

    P.initResults = function () {
        const gui = function () { return P.webGUI; };
        $('aggregatedChartMetric').addEventListener('change', drawAggregatedChart);
        $('allResultsMetric').addEventListener('change', drawAllResults);
        $('categorizedMetric').addEventListener('change', drawCategorized);
        $('detailedResultsModelSelect').addEventListener('change', function () { if (this.value) P.requestDetailed(this.value); });
        [['aggregatedChartTools', 'aggregatedChart'], ['allResultsChartTools', 'allResultsChart'],
            ['categorizedChartTools', 'categorizedChart']].forEach(function (pair) {
            Oz.charts.imageButtons($(pair[1]), gui).forEach(function (b) { $(pair[0]).appendChild(b); });
        });
        $('copyAggregatedTable').addEventListener('click', function () { P.copyText(tsvCache.aggregated); });
        $('copyTotalResultsTable').addEventListener('click', function () { P.copyText(tsvCache.total); });
        $('copyAllResultsTable').addEventListener('click', function () { P.copyText(tsvCache.allResults); });
        $('copySequelaTypeTable').addEventListener('click', function () { P.copyText(tsvCache.sequelaType); });
        $('copyCategorizedTable').addEventListener('click', function () { P.copyText(tsvCache.categorized); });
    };
})(window);

/* Main page: what the uncertainty analysis of a run adds to its results. The Monte-Carlo standard
   error of every mean, whether the number of samples was large enough for the total DALY, and which
   random inputs drive it, as a tornado chart per model. The program hands a model's analysis over
   through getUncertaintyResults; a model run without it gets an empty map and shows none of this. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const P = Oz.page;
    const el = Oz.el;
    const $ = P.$;
    const state = P.state;
    const tsvCache = P.tsvCache;

    const TORNADO_INPUTS = 10;

    // Model key → its analysis as the program gave it ({} for a model run without one).
    state.uncertainty = {};
    // Answers asked for before the last reset belong to earlier results and are dropped.
    let generation = 0;

    const U = Oz.uncertainty = {};

    /* ---------- reading the analysis ---------- */

    // {daly: {MeanStandardError: 4.9}, ...} as {daly: 4.9, ...}; undefined without a map.
    U.errorsOf = function (map) {
        if (!map || typeof map !== 'object') return undefined;
        const errors = {};
        for (const k of Object.keys(map)) {
            const v = map[k];
            if (v && typeof v === 'object' && !Array.isArray(v) && 'MeanStandardError' in v) errors[k] = v.MeanStandardError;
        }
        return errors;
    };

    // The standard errors of a tree of the results, found by its id.
    U.treeErrors = function (standardErrors, treeId) {
        const trees = standardErrors && Array.isArray(standardErrors.detailedResults) ? standardErrors.detailedResults : [];
        return trees.find(function (t) { return t && t.outcomeTreeID === treeId; }) || null;
    };

    // The standard errors of a health outcome of a tree: by its name, else by its place.
    U.outcomeErrors = function (treeErrors, outcome, index) {
        const outcomes = treeErrors && Array.isArray(treeErrors.healthOutcomeAggregatedResults) ? treeErrors.healthOutcomeAggregatedResults : [];
        const byName = outcomes.filter(function (o) { return o && o.name === outcome.name; });
        return U.errorsOf(byName.length === 1 ? byName[0] : outcomes[index]);
    };

    function percent(fraction) {
        return (fraction * 100).toLocaleString('en-US', { maximumSignificantDigits: 2 }) + ' %';
    }

    function count(n) {
        return typeof n === 'number' && Number.isFinite(n) ? Oz.formatNumber(n) : null;
    }

    function quantileText(q) {
        const name = (q.probability * 100).toLocaleString('en-US', { maximumSignificantDigits: 3 }) + ' %';
        const rse = typeof q.relativeStandardError === 'number' && Number.isFinite(q.relativeStandardError) ? q.relativeStandardError : null;
        return rse === null
            ? 'the ' + name + ' quantile cannot be judged yet (' + Oz.escapeHtml(q.reason || 'its error is not defined') + ')'
            : 'the ' + name + ' quantile, ' + Oz.escapeHtml(Oz.formatNumber(q.value)) + ', <b>' + percent(rse) + '</b>';
    }

    /* Whether the run had samples enough for what the results say of the total DALY: the mean and
       the 2.5 % and 97.5 % quantiles, each to a relative standard error below 1 %. {ok (true,
       false or null when the mean's relative standard error is not defined), html, text (short,
       for a table cell), title}. */
    U.verdict = function (convergence) {
        const c = convergence || {};
        const rse = typeof c.relativeStandardError === 'number' && Number.isFinite(c.relativeStandardError) ? c.relativeStandardError : null;
        const runText = count(c.iterations) ? ' (this run: ' + count(c.iterations) + ' samples)' : '';
        const mean = Oz.escapeHtml(Oz.formatNumber(c.mean)) + ' ± ' + Oz.escapeHtml(Oz.formatStandardError(c.standardError));
        const needed = count(c.iterationsNeeded);
        if (rse === null) {
            const html = 'The relative standard error of the total DALY is not defined: its mean (' + mean +
                ') is 0 or not a number' + runText + '.';
            return { ok: null, html: html, text: 'n/a', title: html.replace(/<[^>]+>/g, '') };
        }
        const quantiles = Array.isArray(c.quantiles) ? c.quantiles : [];
        const ok = c.enoughIterations === true;
        const errors = 'The mean total DALY, ' + mean + ', has a relative standard error of <b>' + percent(rse) + '</b>' +
            (quantiles.length ? '; the Monte-Carlo relative standard error of ' + quantiles.map(quantileText).join(', of ') : '');
        const floor = ' (never fewer than ' + Oz.formatNumber(c.minimumIterations || 1000) + ' nor than this run\'s)';
        const html = ok
            ? '<b>Enough samples.</b> ' + errors + ': all below 1 %' + runText + '.'
            : '<b>More samples needed.</b> ' + errors + runText + '.' +
              (needed ? ' About <b>' + needed + '</b> samples would bring all of them below 1 %' + floor + '.'
                      : ' How many samples would do cannot be said from this run.');
        return {
            ok: ok, html: html, title: html.replace(/<[^>]+>/g, ''),
            text: ok ? percent(rse) + ' ✓' : percent(rse) + (needed ? ' · ' + needed + ' for 1 %' : '')
        };
    };

    // "70-74 Female, 70-74 Male" of "2 of 38 cells (70-74 Female, 70-74 Male), one formula: ...";
    // empty when the input is the whole array.
    U.shortCells = function (cells) {
        const text = String(cells || '');
        if (/^all \d+ cells/.test(text)) return '';
        const one = /^cell \d+ \((.*)\)$/.exec(text);
        if (one) return one[1];
        const group = /^(\d+ of \d+ cells)(?: \(([^)]*)\))?/.exec(text);
        if (group) return group[2] || group[1];
        return text;
    };

    function capitalized(text) {
        const t = String(text || '');
        return t.charAt(0).toUpperCase() + t.slice(1);
    }

    // Two lines: tree › element (or "model" for the model's own parameters), parameter · cells.
    U.inputLabel = function (input, treeNames) {
        const tree = (treeNames && treeNames[input.tree]) || input.tree || '';
        const element = input.element ? (input.elementName || input.element) : 'model';
        const cells = U.shortCells(input.cells);
        return [tree + ' › ' + element, capitalized(input.parameter) + (cells ? ' · ' + cells : '')];
    };

    function finite(v) {
        return typeof v === 'number' && Number.isFinite(v) ? v : null;
    }

    const AGE_GROUP = /^\d+(-\d+|\+)(\s|$)/;

    /* The inputs of one parameter of one element (in practice its age groups, where they have
       formulas of their own) as one group, the strongest group first. parameterGroups: the
       program's figures of each group of two or more inputs, among them its R² (the share of the
       variance of the total DALY the parameter explains by itself). A group's bar is the root of
       that R² with the sign of its members' summed coefficients (for one input it is its
       coefficient), beside the rank correlation of its strongest member.
       [{key, members: [{input, rank}], rSquared (null for one input or none fitted), coefficient, spearman}] */
    U.groupInputs = function (inputs, parameterGroups) {
        const keyOf = function (x) { return [x.tree, x.element, x.parameter].join('\u0001'); };
        const fitted = new Map();
        (Array.isArray(parameterGroups) ? parameterGroups : []).forEach(function (g) {
            if (g) fitted.set(keyOf(g), finite(g.rSquared));
        });
        const groups = [];
        const byKey = new Map();
        inputs.forEach(function (input, i) {
            const key = keyOf(input);
            let group = byKey.get(key);
            if (!group) {
                group = { key: key, members: [] };
                byKey.set(key, group);
                groups.push(group);
            }
            group.members.push({ input: input, rank: i + 1 });
        });
        groups.forEach(function (g) {
            const betas = g.members.map(function (m) { return finite(m.input.standardizedRegressionCoefficient); })
                .filter(function (b) { return b !== null; });
            const sum = betas.reduce(function (a, b) { return a + b; }, 0);
            g.rSquared = g.members.length > 1 && fitted.has(g.key) ? fitted.get(g.key) : null;
            // Where the regression on all inputs gave no coefficients, a group has no bar of that kind either.
            g.coefficient = g.members.length === 1 ? finite(g.members[0].input.standardizedRegressionCoefficient)
                : (g.rSquared === null || betas.length === 0 ? null : (sum < 0 ? -1 : 1) * Math.sqrt(g.rSquared));
            g.mixedSigns = betas.some(function (b) { return b > 0; }) && betas.some(function (b) { return b < 0; });
            g.spearman = g.members.map(function (m) { return finite(m.input.spearman); })
                .reduce(function (best, v) { return v !== null && (best === null || Math.abs(v) > Math.abs(best)) ? v : best; }, null);
        });
        const strength = function (g) {
            return [g.coefficient === null ? -1 : Math.abs(g.coefficient), g.spearman === null ? -1 : Math.abs(g.spearman)];
        };
        return groups.map(function (g, i) { return { g: g, i: i, s: strength(g) }; }).sort(function (a, b) {
            return b.s[0] - a.s[0] || b.s[1] - a.s[1] || a.i - b.i;
        }).map(function (x) { return x.g; });
    };

    // "5 age groups" when the members are age groups, "5 parts" otherwise.
    function partsText(group) {
        const ages = group.members.every(function (m) { return AGE_GROUP.test(U.shortCells(m.input.cells)); });
        return group.members.length + (ages ? ' age groups' : ' parts');
    }

    U.groupLabel = function (group, treeNames) {
        if (group.members.length === 1) return U.inputLabel(group.members[0].input, treeNames);
        const first = U.inputLabel(group.members[0].input, treeNames)[0];
        return [first, capitalized(group.members[0].input.parameter) + ' · ' + partsText(group) +
            (group.rSquared === null ? '' : ' · group R² = ' + group.rSquared.toFixed(3))];
    };

    function coefficientText(v) {
        return typeof v === 'number' && Number.isFinite(v) ? v.toFixed(3) : 'n/a';
    }

    /* ---------- the analysis of the models ---------- */

    P.uncertaintyOf = function (key) {
        const u = key ? state.uncertainty[key] : null;
        return u && typeof u === 'object' && Object.keys(u).length > 0 ? u : null;
    };

    P.standardErrorsOf = function (key) {
        const u = P.uncertaintyOf(key);
        return u && u.standardErrors ? u.standardErrors : null;
    };

    // Requests not answered yet, and the analysed models answered since the last redraw: the
    // tables are redrawn once every answer is in, not once per model (a run of 99 models would
    // redraw them 99 times and freeze the page).
    let pending = 0;
    let answered = [];

    // New results: whatever was known belongs to the earlier ones.
    P.resetUncertainty = function () {
        generation += 1;
        pending = 0;
        answered = [];
        state.uncertainty = {};
        P.renderUncertaintyPanel();
    };

    P.fetchUncertainty = function (key) {
        const k = P.parseKey(key);
        const gui = P.webGUI;
        if (!k || !gui || typeof gui.getUncertaintyResults !== 'function') return;
        const asked = generation;
        pending += 1;
        gui.getUncertaintyResults(k[0], k[1], k[2], function (map) {
            if (asked !== generation) return;
            pending -= 1;
            state.uncertainty[key] = map && typeof map === 'object' ? map : {};
            if (P.uncertaintyOf(key)) answered.push(key);
            if (pending > 0 || answered.length === 0) return;
            const keys = answered;
            answered = [];
            if (state.lastAggregatedResults) P.renderAggregated();
            if (keys.indexOf(state.detailedModelKey) >= 0 && state.lastDetailedResults) P.onDetailedResults(state.lastDetailedResults);
        });
    };

    // After a run: the analysis of every model it computed.
    P.fetchRunUncertainty = function (runList) {
        (runList || []).forEach(function (r) { P.fetchUncertainty(P.modelKey(r.countryID, r.diseaseID, r.modelID)); });
    };

    /* ---------- the per-model panel: verdict, tornado chart, inputs ---------- */

    function treeNames() {
        const names = {};
        const trees = state.lastDetailedResults && Array.isArray(state.lastDetailedResults.detailedResults)
            ? state.lastDetailedResults.detailedResults : [];
        trees.forEach(function (t) { if (t && t.outcomeTreeID) names[t.outcomeTreeID] = t.outcomeTreeName || t.outcomeTreeID; });
        return names;
    }

    function tornadoCaption(sensitivity, shown, groups) {
        const inputs = sensitivity.inputs.length;
        const r2 = finite(sensitivity.rSquared);
        const withheld = typeof sensitivity.coefficientsWithheld === 'string' ? sensitivity.coefficientsWithheld : '';
        let text = (withheld ? 'Spearman rank correlations' : 'Standardised regression coefficients and Spearman rank correlations') +
            ' of the total DALY with each random input over ' + Oz.formatNumber(sensitivity.iterations) + ' samples; ' +
            (groups === inputs
                ? (shown < inputs ? 'the ' + shown + ' strongest of ' + inputs + ' inputs' : (inputs === 1 ? 'the only input' : 'all ' + inputs + ' inputs'))
                : (shown < groups ? 'the ' + shown + ' strongest of ' + groups + ' parameters' : 'all ' + groups + ' parameters') +
                  ' (' + inputs + ' inputs: the inputs of one parameter make one bar' +
                  (withheld ? '' : ', the root of its group R², the share of the variance it explains by itself,') +
                  ' which a click opens into theirs)') +
            (withheld ? ', by the size of the rank correlation. ' : ', by the size of the coefficient. ');
        if (withheld) {
            text += withheld;
        } else if (r2 === null) {
            text += 'R² is not defined: the regression could not be fitted.';
        } else {
            const adjusted = finite(sensitivity.adjustedRSquared);
            const rank = finite(sensitivity.rankRSquared);
            text += 'R² = ' + r2.toFixed(3) + (adjusted === null ? '' : ' (adjusted ' + adjusted.toFixed(3) + ')') +
                ': the linear regression on all inputs explains ' + percent(r2) + ' of the variance of the total DALY.';
            if (rank !== null) text += ' On ranks, R² = ' + rank.toFixed(3) + '.';
            if (r2 < 0.7) text += ' With an R² this low the coefficients tell only part of the story; the rank correlations say more.';
        }
        return text;
    }

    function fillInputsTable(table, inputs, names, inChart) {
        table.innerHTML = '';
        const headers = ['#', 'Tree', 'Element', 'Parameter', 'Cells', 'Formula', 'Std. regression coefficient', 'Spearman rank correlation'];
        table.appendChild(el('thead', {}, [el('tr', {}, headers.map(function (h, i) {
            return el('th', { class: i >= 6 ? 'stat-head' : '', text: h });
        }))]));
        const tbody = el('tbody');
        const lines = [headers.join('\t')];
        inputs.forEach(function (input, i) {
            const tree = names[input.tree] || input.tree;
            const element = input.element ? (input.elementName || input.element) : 'model';
            tbody.appendChild(el('tr', { 'data-rank': String(i + 1), class: inChart.has(i + 1) ? 'in-chart' : '' }, [
                el('td', { class: 'num', text: String(i + 1) }),
                el('td', { text: tree }),
                el('td', { text: element }),
                el('td', { text: input.parameter }),
                el('td', { class: 'text-cell', text: input.cells }),
                el('td', { class: 'formula-cell', text: input.formula }),
                el('td', { class: 'num', 'data-value': Oz.rawNumber(input.standardizedRegressionCoefficient), text: coefficientText(input.standardizedRegressionCoefficient) }),
                el('td', { class: 'num', 'data-value': Oz.rawNumber(input.spearman), text: coefficientText(input.spearman) })
            ]));
            lines.push([String(i + 1), tree, element, input.parameter, input.cells, input.formula,
                Oz.rawNumber(input.standardizedRegressionCoefficient), Oz.rawNumber(input.spearman)].map(Oz.tsvEscape).join('\t'));
        });
        table.appendChild(tbody);
        return lines.join('\n') + '\n';
    }

    // Groups opened into their members, by key; a new model starts folded.
    const expanded = new Set();
    let expandedModel = null;

    function tornadoRows(groups, names) {
        const rows = [];
        groups.forEach(function (g) {
            const single = g.members.length === 1;
            const details = single
                ? ['Cells: ' + g.members[0].input.cells, 'Formula: ' + g.members[0].input.formula]
                : [partsText(g) + ' of this parameter, each with a formula of its own' + (expanded.has(g.key) ? '.' : ': click to show them.'),
                    g.rSquared === null ? 'No group R²: no regression was fitted.'
                        : 'Group R² = ' + g.rSquared.toFixed(3) + ': the share of the variance the parameter explains by itself; ' +
                          'the bar is its root' + (g.mixedSigns ? ', though its inputs act in both directions.' : '.'),
                    'Rank correlation: that of its strongest member.'];
            rows.push({ label: U.groupLabel(g, names), coefficient: g.coefficient, spearman: g.spearman, details: details,
                group: single ? null : g.key });
            if (single || !expanded.has(g.key)) return;
            g.members.forEach(function (m) {
                rows.push({ label: ['    ↳ ' + (U.shortCells(m.input.cells) || m.input.cells)],
                    coefficient: m.input.standardizedRegressionCoefficient, spearman: m.input.spearman,
                    details: ['Input ' + m.rank + ' of the table below', 'Formula: ' + m.input.formula], group: g.key });
            });
        });
        return rows;
    }

    function drawTornado(sensitivity, modelName, suspect) {
        if (expandedModel !== state.detailedModelKey) { expanded.clear(); expandedModel = state.detailedModelKey; }
        const names = treeNames();
        const groups = U.groupInputs(sensitivity.inputs, sensitivity.parameterGroups);
        const top = groups.slice(0, TORNADO_INPUTS);
        const rows = tornadoRows(top, names);
        const foldable = top.filter(function (g) { return g.members.length > 1; });
        const toggle = $('tornadoExpand');
        toggle.hidden = foldable.length === 0;
        const allOpen = foldable.length > 0 && foldable.every(function (g) { return expanded.has(g.key); });
        toggle.textContent = allOpen ? 'Fold groups' : 'Open groups';
        toggle.onclick = function () {
            foldable.forEach(function (g) { if (allOpen) expanded.delete(g.key); else expanded.add(g.key); });
            drawTornado(sensitivity, modelName, suspect);
        };
        const canvas = $('tornadoChart');
        canvas.parentNode.style.height = Math.max(220, 110 + rows.length * 46) + 'px';
        Oz.charts.tornado(canvas, rows, {
            title: (suspect ? Oz.results.MARK + ' ' : '') + 'Sensitivity of the total DALY' + (modelName ? ' — ' + modelName : ''),
            subtitle: finite(sensitivity.rSquared) !== null
                ? 'R² = ' + sensitivity.rSquared.toFixed(3) + (finite(sensitivity.adjustedRSquared) !== null ? ', adjusted ' + sensitivity.adjustedRSquared.toFixed(3) : '')
                : (typeof sensitivity.coefficientsWithheld === 'string' ? 'No regression coefficients: see below' : 'R² not defined'),
            valueTitle: 'Standardised regression coefficient and rank correlation',
            onRowClick: function (index) {
                const key = rows[index] && rows[index].group;
                if (!key) return;
                if (expanded.has(key)) expanded.delete(key); else expanded.add(key);
                drawTornado(sensitivity, modelName, suspect);
            }
        });
        $('tornadoCaption').textContent = tornadoCaption(sensitivity, top.length, groups.length);
        const inChart = new Set();
        top.forEach(function (g) { g.members.forEach(function (m) { inChart.add(m.rank); }); });
        tsvCache.sensitivity = fillInputsTable($('sensitivityTable'), sensitivity.inputs, names, inChart) +
            (suspect ? Oz.tsvEscape(Oz.results.MARK + ' ' + suspect) + '\n' : '');
    }

    function detailedModelName() {
        const k = P.parseKey(state.detailedModelKey);
        if (!k) return '';
        const info = (state.lastRunList || []).find(function (r) { return P.modelKey(r.countryID, r.diseaseID, r.modelID) === state.detailedModelKey; });
        return info ? P.modelLabel(info) : k[2];
    }

    // The panel of the model shown in detail; hidden, with no chart, when its run had no analysis.
    P.renderUncertaintyPanel = function () {
        const k = P.parseKey(state.detailedModelKey);
        // Without population data the model has no DALY whose precision or sensitivity could be told.
        const u = k && P.lacksPopulation(k[0]) ? null : P.uncertaintyOf(state.detailedModelKey);
        $('uncertaintyPanel').hidden = !u;
        const sensitivity = u && u.sensitivity && Array.isArray(u.sensitivity.inputs) ? u.sensitivity : null;
        // Nothing to rank when no input has a figure: no chart then, the reason instead.
        const ranked = !!sensitivity && sensitivity.inputs.some(function (i) {
            return finite(i.standardizedRegressionCoefficient) !== null || finite(i.spearman) !== null;
        });
        const drawn = ranked;
        $('sensitivityContent').hidden = !drawn;
        if (!drawn) {
            Oz.charts.destroy($('tornadoChart'));
            $('sensitivityTable').innerHTML = '';
            $('tornadoCaption').textContent = '';
            delete tsvCache.sensitivity;
        }
        if (!u) return;
        // The precision and the sensitivity of results computed from values outside their domain
        // are those of no burden: marked like the results.
        const suspect = P.suspectOf(state.detailedModelKey);
        $('uncertaintySuspectNote').hidden = !suspect;
        $('uncertaintySuspectNote').textContent = suspect ? Oz.results.MARK + ' The results of this model were ' + suspect +
            ': their precision and sensitivity are marked ' + Oz.results.MARK + ' and are not those of an estimate of a burden.' : '';
        const verdict = U.verdict(u.convergence);
        const note = $('convergenceVerdict');
        note.innerHTML = (suspect ? '<span class="suspect-mark">' + Oz.results.MARK + '</span> ' : '') + verdict.html;
        note.title = suspect || '';
        note.classList.toggle('verdict-ok', verdict.ok === true && !suspect);
        note.classList.toggle('verdict-warn', verdict.ok !== true || !!suspect);
        $('sensitivityEmpty').hidden = drawn;
        $('sensitivityEmpty').textContent = drawn ? '' : (sensitivity && sensitivity.inputs.length > 0
            ? 'None of the ' + sensitivity.inputs.length + ' random inputs can be ranked: ' +
              (typeof sensitivity.coefficientsWithheld === 'string' ? sensitivity.coefficientsWithheld : 'no figure of any input is defined.')
            : 'No parameter of this model draws random values: no input varies, so there is nothing whose influence could be measured.');
        if (drawn) drawTornado(sensitivity, detailedModelName(), suspect);
    };

    P.initUncertainty = function () {
        const gui = function () { return P.webGUI; };
        Oz.charts.imageButtons($('tornadoChart'), gui).forEach(function (b) { $('tornadoChartTools').appendChild(b); });
        $('copySensitivityTable').addEventListener('click', function () { P.copyText(tsvCache.sensitivity); });
    };
})(window);

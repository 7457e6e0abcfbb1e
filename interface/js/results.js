/* Tables of result maps: statistics maps (Mean and the 2.5 %, 50 %, 97.5 % quantiles) and
   stratified maps (age group by sex). Every filler returns the table as tab-separated text. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});
    const el = function () { return Oz.el.apply(null, arguments); };

    const LABELS = {
        yld: 'YLD', yldPerCase: 'YLD per case', yldPer100k: 'YLD per 100 000',
        yldPer100kTotalPopulation: 'YLD per 100 000 total population',
        yll: 'YLL', yllPerCase: 'YLL per case', yllPer100k: 'YLL per 100 000',
        yllPer100kTotalPopulation: 'YLL per 100 000 total population',
        daly: 'DALY', dalyPerCase: 'DALY per case', dalyPer100k: 'DALY per 100 000',
        dalyPer100kTotalPopulation: 'DALY per 100 000 total population',
        cases: 'Cases', incidencePer100k: 'Incidence per 100 000',
        deaths: 'Deaths', mortalityPer100k: 'Mortality per 100 000',
        populationCasesCount: 'Cases', deathCasesCount: 'Deaths', allCasesCount: 'Cases incl. deaths',
        acute: 'Acute', sequela: 'Sequelae', total: 'Total'
    };
    const ORDER = ['daly', 'dalyPerCase', 'dalyPer100k', 'dalyPer100kTotalPopulation',
        'yld', 'yldPerCase', 'yldPer100k', 'yldPer100kTotalPopulation',
        'yll', 'yllPerCase', 'yllPer100k', 'yllPer100kTotalPopulation',
        'cases', 'incidencePer100k', 'deaths', 'mortalityPer100k',
        'populationCasesCount', 'allCasesCount', 'deathCasesCount'];

    const R = Oz.results = {};

    R.label = function (key) {
        if (LABELS[key]) return LABELS[key];
        return String(key).replace(/([a-z])([A-Z])/g, '$1 $2').replace(/^./, function (c) { return c.toUpperCase(); });
    };

    // The figures a model can only have with the population of its country: its burden (YLD, YLL,
    // DALY in every form), every rate per 100 000 and the remaining life expectancy, which comes
    // with the population data.
    R.needsPopulation = function (key) {
        return /^(yld|yll|daly)/.test(key) || /Per100k/.test(key) || key === 'remainingLifeExpectancy';
    };

    // A burden (YLD, YLL or DALY in any form) whose mean is negative: no burden can be, so it is
    // never shown as a figure. The reason says so, and why where the inputs say it.
    R.negativeBurden = function (key, stat, suspect) {
        if (!/^(yld|yll|daly)/.test(key) || !Oz.isStatMap(stat) || !(Number(stat.Mean) < 0)) return undefined;
        return 'not a valid ' + R.label(key) + ': ' + Oz.formatNumber(stat.Mean) + ' is negative, which no burden can be' +
            (suspect ? '; ' + suspect : '');
    };

    // The mark of a figure computed from values outside their domain, or of one that cannot be.
    R.MARK = '⚠';

    function markedCell(cls, reason, key, text) {
        return el('td', { class: 'num suspect ' + cls, 'data-key': key, title: reason, text: R.MARK + ' ' + text });
    }

    // A figure the program could not compute: a dash with the reason, and the reason in copies.
    function withheldCell(cls, reason, key) {
        return el('td', { class: 'num withheld ' + cls, 'data-key': key, title: reason, text: Oz.NOT_COMPUTABLE });
    }

    R.sortKeys = function (keys) {
        return keys.slice().sort(function (a, b) {
            const ia = ORDER.indexOf(a), ib = ORDER.indexOf(b);
            if (ia < 0 && ib < 0) return a < b ? -1 : (a > b ? 1 : 0);
            if (ia < 0) return 1;
            if (ib < 0) return -1;
            return ia - ib;
        });
    };

    function statHeader(col, withErrors) {
        return el('th', { class: 'stat-head', title: 'Mean' + (withErrors ? ' ± its Monte-Carlo standard error' : '') +
            ' and 95 % uncertainty interval (2.5 % – 97.5 % quantiles)' }, [
            el('span', { text: col.label }), el('span', { class: 'sub', text: withErrors ? 'mean ± SE (95 % UI)' : 'mean (95 % UI)' })
        ]);
    }

    // The standard error of a row's statistic: undefined when the row has none (no analysis).
    function errorOf(row, key) {
        return row.errors ? row.errors[key] : undefined;
    }

    /* spec: { rowHeaders: [..], columns: [{key, label, split, meanClass}],
               rows: [{cells: [..], data: {key: stat}, errors: {key: standard error}, trailing: [{text, class, title, tsv}], attrs,
                       withheld: why the row's figures that need a population are not computable,
                       suspect: why the row's figures are marked (computed from values outside their domain)}],
               trailing: [{label, sub, tsv: [..]}] }
       errors and the trailing columns are optional: a table shows standard errors when a row has them. */
    R.fillStatTable = function (table, spec) {
        table.innerHTML = '';
        const withErrors = spec.rows.some(function (row) { return !!row.errors; });
        const trailing = spec.trailing || [];
        const head = el('tr');
        const tsvHead = [];
        for (const h of spec.rowHeaders) {
            head.appendChild(el('th', { text: h }));
            tsvHead.push(h);
        }
        for (const col of spec.columns) {
            if (col.split) {
                head.appendChild(el('th', { class: 'stat-head', text: col.label + (withErrors ? ' mean ± SE' : ' mean') }));
                head.appendChild(el('th', { class: 'stat-head', text: col.label + ' 95 % UI' }));
            } else {
                head.appendChild(statHeader(col, withErrors));
            }
            tsvHead.push(col.label + ' mean');
            if (withErrors) tsvHead.push(col.label + ' SE of mean');
            tsvHead.push(col.label + ' 2.5 %', col.label + ' 97.5 %');
        }
        for (const t of trailing) {
            head.appendChild(el('th', { class: 'stat-head' }, [el('span', { text: t.label }), el('span', { class: 'sub', text: t.sub || '' })]));
            tsvHead.push.apply(tsvHead, t.tsv);
        }
        table.appendChild(el('thead', {}, [head]));
        const tbody = el('tbody');
        const lines = [tsvHead.join('\t')];
        for (const row of spec.rows) {
            const tr = el('tr', row.attrs || {});
            const tsv = [];
            row.cells.forEach(function (c, i) {
                const th = el('th', { class: i === 0 ? 'row-head' : 'row-head text-cell', text: c });
                if (i === 0 && row.suspect) {
                    tr.classList.add('suspect-row');
                    th.appendChild(el('span', { class: 'suspect-mark', title: row.suspect, text: ' ' + R.MARK }));
                }
                tsv.push(Oz.tsvEscape(i === 0 && row.suspect ? c + ' ' + R.MARK + ' (' + row.suspect + ')' : c));
                tr.appendChild(th);
            });
            for (const col of spec.columns) {
                const stat = row.data ? row.data[col.key] : undefined;
                const se = errorOf(row, col.key);
                if (row.withheld && R.needsPopulation(col.key)) {
                    tr.appendChild(withheldCell(col.split ? (col.meanClass || '') : 'stat-cell', row.withheld, col.split ? undefined : col.key));
                    if (col.split) tr.appendChild(withheldCell('ci-cell', row.withheld));
                    tsv.push(Oz.tsvEscape(row.withheld));
                    tsv.push.apply(tsv, withErrors ? ['', '', ''] : ['', '']);
                    continue;
                }
                const negative = R.negativeBurden(col.key, stat, row.suspect);
                if (negative) {
                    const text = Oz.formatNumber(stat.Mean);
                    tr.appendChild(markedCell(col.split ? (col.meanClass || '') : 'stat-cell', negative, col.split ? undefined : col.key, text));
                    if (col.split) tr.appendChild(markedCell('ci-cell', negative, undefined, Oz.intervalText(stat)));
                    tsv.push(Oz.tsvEscape(R.negativeBurden(col.key, stat)));
                    tsv.push.apply(tsv, withErrors ? ['', '', ''] : ['', '']);
                    continue;
                }
                if (col.split) {
                    const mean = Oz.statValue(stat, 'mean');
                    tr.appendChild(el('td', {
                        class: 'num ' + (col.meanClass || ''), 'data-value': Oz.rawNumber(mean),
                        html: Oz.escapeHtml(Oz.formatNumber(mean)) + Oz.standardErrorHtml(se)
                    }));
                    tr.appendChild(el('td', {
                        class: 'num ci-cell',
                        text: Oz.intervalText(stat)
                    }));
                } else {
                    tr.appendChild(el('td', { class: 'num stat-cell', 'data-key': col.key, html: Oz.statHtml(stat, se) }));
                }
                const values = Oz.statTsv(stat);
                if (withErrors) values.splice(1, 0, Oz.rawNumber(se));
                tsv.push.apply(tsv, values);
            }
            trailing.forEach(function (t, i) {
                const cell = (row.trailing || [])[i];
                tr.appendChild(el('td', { class: 'num ' + ((cell && cell.class) || ''), title: cell && cell.title, text: cell ? cell.text : '' }));
                tsv.push.apply(tsv, cell ? cell.tsv : t.tsv.map(function () { return ''; }));
            });
            tbody.appendChild(tr);
            lines.push(tsv.join('\t'));
        }
        table.appendChild(tbody);
        return lines.join('\n') + '\n';
    };

    /* A map key → statistics map, shown as rows of one table (key, mean, interval); suspect: why
       its figures are marked, if they are; withheld: why those that need a population are not
       computable (they are then not shown). */
    R.fillStatListTable = function (table, statsByKey, suspect, withheld) {
        const keys = R.sortKeys(Object.keys(statsByKey || {}).filter(function (k) { return Oz.isStatMap(statsByKey[k]); }));
        table.innerHTML = '';
        table.appendChild(el('thead', {}, [el('tr', {}, [
            el('th', { text: 'Quantity' }), el('th', { class: 'stat-head', text: 'Mean' }),
            el('th', { class: 'stat-head', text: 'Median' }), el('th', { class: 'stat-head', text: '95 % UI' })
        ])]));
        const tbody = el('tbody');
        const lines = ['Quantity\tMean\t2.5 %\t50 %\t97.5 %'];
        for (const k of keys) {
            const s = statsByKey[k];
            if (withheld && R.needsPopulation(k)) {
                tbody.appendChild(el('tr', { 'data-key': k }, [
                    el('th', { class: 'row-head', text: R.label(k) }),
                    withheldCell('mean-cell', withheld), withheldCell('', withheld), withheldCell('ci-cell', withheld)
                ]));
                lines.push([R.label(k), Oz.tsvEscape(withheld), '', '', ''].join('\t'));
                continue;
            }
            const negative = R.negativeBurden(k, s, suspect);
            if (negative) {
                tbody.appendChild(el('tr', { 'data-key': k }, [
                    el('th', { class: 'row-head', text: R.label(k) }),
                    markedCell('mean-cell', negative, undefined, Oz.formatNumber(s.Mean)),
                    markedCell('', negative, undefined, Oz.medianText(s)),
                    markedCell('ci-cell', negative, undefined, Oz.intervalText(s))
                ]));
                lines.push([R.label(k), Oz.tsvEscape(R.negativeBurden(k, s)), '', '', ''].join('\t'));
                continue;
            }
            tbody.appendChild(el('tr', { 'data-key': k }, [
                el('th', { class: 'row-head', text: R.label(k) }),
                el('td', { class: 'num mean-cell', 'data-value': Oz.rawNumber(s.Mean), text: Oz.formatNumber(s.Mean) }),
                el('td', { class: 'num', text: Oz.medianText(s) }),
                el('td', { class: 'num ci-cell', text: Oz.intervalText(s) })
            ]));
            lines.push([R.label(k), Oz.rawNumber(s.Mean), Oz.rawNumber(s[Oz.STAT_KEYS.low]),
                Oz.rawNumber(s[Oz.STAT_KEYS.median]), Oz.rawNumber(s[Oz.STAT_KEYS.high])].join('\t'));
        }
        table.appendChild(tbody);
        if (keys.length === 0) {
            tbody.appendChild(el('tr', {}, [el('td', { colspan: '4', class: 'empty-note', text: 'No results.' })]));
        }
        return lines.join('\n') + '\n';
    };

    /* The standard errors of a stratified map as {female: [..], male: [..]}, one per age group
       of the results (matched by the age group's id); undefined without them. */
    R.stratifiedErrors = function (strat, errorsMap) {
        if (!errorsMap) return undefined;
        const pick = function (rows, errorRows) {
            return (rows || []).map(function (row) {
                const match = (errorRows || []).find(function (e) { return e && row && e.id === row.id; });
                return match ? match.MeanStandardError : null;
            });
        };
        return { female: pick(strat && strat.arrayFemale, errorsMap.arrayFemale), male: pick(strat && strat.arrayMale, errorsMap.arrayMale) };
    };

    /* A stratified map: one row per age group, female and male columns; errors as from stratifiedErrors;
       withheld: why none of its figures is computable (they are then not shown). */
    R.fillStratifiedTable = function (table, strat, errors, withheld, key, suspect) {
        table.innerHTML = '';
        table.classList.add('inline-stats');
        const female = (strat && strat.arrayFemale) || [];
        const male = (strat && strat.arrayMale) || [];
        const n = Math.max(female.length, male.length);
        const factor = Oz.stratumFactorName(female[0] || male[0]);
        const withErrors = !!errors;
        table.appendChild(el('thead', {}, [el('tr', {}, [
            el('th', { text: factor }),
            statHeader({ label: 'Female' }, withErrors), statHeader({ label: 'Male' }, withErrors)
        ])]));
        const tbody = el('tbody');
        const sexHead = function (sex) {
            return [sex + ' mean'].concat(withErrors ? [sex + ' SE of mean'] : [], [sex + ' 2.5 %', sex + ' 97.5 %']);
        };
        // key: the quantity shown, whose negative burdens are marked; suspect: why all its figures are.
        const negative = function (stat) { return withheld ? undefined : R.negativeBurden(key || '', stat, suspect); };
        const cell = function (stat, se) {
            if (withheld) return withheldCell('stat-cell', withheld);
            const why = negative(stat) || suspect;
            const td = el('td', { class: 'num stat-cell' + (why ? ' suspect' : ''), title: why, html: Oz.statHtml(stat, se) });
            if (why) td.insertBefore(el('span', { class: 'suspect-mark', text: R.MARK + ' ' }), td.firstChild);
            return td;
        };
        const sexTsv = function (stat, se) {
            if (withheld) return [Oz.tsvEscape(withheld)].concat(withErrors ? ['', '', ''] : ['', '']);
            if (negative(stat)) return [Oz.tsvEscape(R.negativeBurden(key, stat))].concat(withErrors ? ['', '', ''] : ['', '']);
            const values = Oz.statTsv(stat);
            if (withErrors) values.splice(1, 0, Oz.rawNumber(se));
            return values;
        };
        const lines = [[factor].concat(sexHead('Female'), sexHead('Male')).join('\t')];
        for (let i = 0; i < n; i++) {
            const f = female[i], m = male[i];
            const fe = withErrors ? errors.female[i] : undefined, me = withErrors ? errors.male[i] : undefined;
            const label = Oz.stratumLabel(f || m);
            tbody.appendChild(el('tr', { 'data-row': String(i) }, [
                el('th', { class: 'row-head', text: label }),
                cell(f, fe), cell(m, me)
            ]));
            lines.push([Oz.tsvEscape(label)].concat(sexTsv(f, fe), sexTsv(m, me)).join('\t'));
        }
        if (n === 0) {
            tbody.appendChild(el('tr', {}, [el('td', { colspan: '3', class: 'empty-note', text: 'No stratified results (they need at least 2 samples).' })]));
        }
        table.appendChild(tbody);
        if (suspect) lines.push(Oz.tsvEscape(R.MARK + ' ' + suspect));
        return lines.join('\n') + '\n';
    };

    /* Chart series of a stratified map: labels and, per sex, means with interval bounds (and
       standard errors, when errors as from stratifiedErrors are given). */
    // The bars of statistics of the figure key: a negative burden is drawn as no bar, as it is
    // shown as no figure (its table cell says why).
    R.barSeries = function (stats, key) {
        const drawn = stats.map(function (s) { return s && !R.negativeBurden(key || '', s) ? s : undefined; });
        return {
            means: drawn.map(function (s) { return Oz.toNumberOrNaN(s && s.Mean); }),
            lows: drawn.map(function (s) { return Oz.toNumberOrNaN(s && s[Oz.STAT_KEYS.low]); }),
            highs: drawn.map(function (s) { return Oz.toNumberOrNaN(s && s[Oz.STAT_KEYS.high]); })
        };
    };

    R.stratifiedSeries = function (strat, errors, key) {
        const female = (strat && strat.arrayFemale) || [];
        const male = (strat && strat.arrayMale) || [];
        const n = Math.max(female.length, male.length);
        const labels = [];
        for (let i = 0; i < n; i++) labels.push(Oz.stratumLabel(female[i] || male[i]));
        const result = { labels: labels, female: R.barSeries(female, key), male: R.barSeries(male, key) };
        if (errors) {
            result.female.errors = errors.female;
            result.male.errors = errors.male;
        }
        return result;
    };

    R.fillSelect = function (select, keys, current) {
        select.innerHTML = '';
        for (const k of keys) select.appendChild(el('option', { value: k, text: R.label(k) }));
        if (current && keys.indexOf(current) >= 0) select.value = current;
        else if (keys.indexOf('daly') >= 0) select.value = 'daly';
    };
})(window);

/* Results of a detail pop-up, formatted like the main page's tables: per age group and sex the mean
   over the samples (the element's strata keep only means), and the totals of what the element
   belongs to with their 95 % uncertainty interval. Copies keep full precision. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const el = Oz.el;

    const R = Oz.subResults = {};
    let chartCount = 0;

    function isEmptyMap(v) {
        return v === undefined || v === null || (typeof v === 'object' && Object.keys(v).length === 0);
    }

    function head(title, buttons, note) {
        const h = el('div', { class: 'panel-head' }, [el('h3', { text: title }), el('div', { class: 'head-tools' }, buttons)]);
        return note ? [h, el('p', { class: 'hint', text: note })] : [h];
    }

    function copyButton(ctx, tsv) {
        return el('button', { class: 'btn btn-small', type: 'button', text: 'Copy table', onclick: function () { ctx.copy(tsv); } });
    }

    function newCanvas() {
        return el('canvas', { id: 'chart' + (chartCount++) });
    }

    // The figures of a model without population data that need one: never shown as numbers.
    function withheldFor(key, opts) {
        return opts && opts.withheld && Oz.results.needsPopulation(key || '') ? opts.withheld : undefined;
    }

    function renderStratified(ctx, host, title, strat, opts) {
        const key = (opts && opts.key) || '';
        const withheld = withheldFor(key, opts);
        const canvas = newCanvas();
        const table = el('table', { class: 'data-table results-table' });
        const tsv = Oz.results.fillStratifiedTable(table, strat, undefined, withheld, key);
        const panel = el('div', { class: 'panel result-block' },
            head(title, [copyButton(ctx, tsv)].concat(Oz.charts.imageButtons(canvas, ctx.webGUI))));
        panel.appendChild(el('div', { class: 'grid-2' }, [
            el('div', { class: 'chart-box' }, [canvas]),
            el('div', { class: 'table-scroll tall' }, [table])
        ]));
        host.appendChild(panel);
        const s = Oz.results.stratifiedSeries(strat, undefined, key);
        const bars = function (series) {
            const none = series.means.map(function () { return NaN; });
            return withheld ? { means: none, lows: none, highs: none } : series;
        };
        Oz.charts.intervalBars(canvas, s.labels, [
            Object.assign({ label: 'Female', color: Oz.charts.COLORS.female }, bars(s.female)),
            Object.assign({ label: 'Male', color: Oz.charts.COLORS.male }, bars(s.male))
        ], { valueTitle: title, categoryTitle: Oz.stratumFactorName((strat.arrayFemale || [])[0]),
            title: withheld ? title + ': ' + withheld : undefined });
    }

    // A value table of means: rows of the first factor, one column per level of the second.
    function renderMeans(ctx, host, title, map, opts) {
        const key = (opts && opts.key) || '';
        const withheld = withheldFor(key, opts);
        // One mean: shown, not computable, or marked as no burden can be.
        const meanCell = function (v) {
            if (withheld) return el('td', { class: 'num mean-cell withheld', title: withheld, text: Oz.NOT_COMPUTABLE });
            const negative = Oz.results.negativeBurden(key, { Mean: v });
            if (negative) {
                return el('td', { class: 'num mean-cell suspect', title: negative, text: Oz.results.MARK + ' ' + Oz.formatNumber(v) });
            }
            return el('td', { class: 'num mean-cell', 'data-value': Oz.rawNumber(v), text: Oz.formatNumber(v) });
        };
        const meanTsv = function (v) {
            if (withheld) return Oz.tsvEscape(withheld);
            const negative = Oz.results.negativeBurden(key, { Mean: v });
            return negative ? Oz.tsvEscape(negative) : Oz.rawNumber(v);
        };
        const rows = Array.isArray(map.stratified) ? map.stratified : [];
        const cols = Oz.ParamGrid.columnsOf(map);
        const factor = (map.factorNames || [])[0] || 'Age';
        const table = el('table', { class: 'data-table results-table means-table' });
        table.appendChild(el('thead', {}, [el('tr', {}, [el('th', { text: factor })].concat(cols.map(function (c) {
            return el('th', { class: 'stat-head' }, [el('span', { text: c }), el('span', { class: 'sub', text: 'mean' })]);
        })))]));
        const tbody = el('tbody');
        const lines = [[factor].concat(cols.map(function (c) { return c + ' mean'; })).join('\t')];
        for (const r of rows) {
            tbody.appendChild(el('tr', {}, [el('th', { class: 'row-head', text: String(r.Age) })].concat(cols.map(function (c) {
                return meanCell(r[c]);
            }))));
            lines.push([Oz.tsvEscape(r.Age)].concat(cols.map(function (c) { return meanTsv(r[c]); })).join('\t'));
        }
        table.appendChild(tbody);
        const canvas = newCanvas();
        const panel = el('div', { class: 'panel result-block', 'data-key': key || undefined },
            head(title, [copyButton(ctx, lines.join('\n') + '\n')].concat(Oz.charts.imageButtons(canvas, ctx.webGUI)),
                'Mean over the samples, per ' + factor.toLowerCase() + ' and ' + ((map.factorNames || [])[1] || 'column').toLowerCase() + '.'));
        panel.appendChild(el('div', { class: 'grid-2' }, [
            el('div', { class: 'chart-box' }, [canvas]),
            el('div', { class: 'table-scroll tall' }, [table])
        ]));
        host.appendChild(panel);
        if (withheld) panel.appendChild(el('p', { class: 'note-warning withheld-note', text: title + ': ' + withheld }));
        const numeric = !withheld && rows.length > 0 && rows.every(function (r) { return cols.every(function (c) { return Number.isFinite(Oz.toNumberOrNaN(r[c])); }); });
        if (!numeric) return;
        const series = cols.map(function (c, i) {
            const v = rows.map(function (r) {
                return Oz.results.negativeBurden(key, { Mean: r[c] }) ? NaN : Oz.toNumberOrNaN(r[c]);
            });
            const color = /^f/i.test(c) ? Oz.charts.COLORS.female : (/^m/i.test(c) ? Oz.charts.COLORS.male : Oz.charts.COLORS.palette[i]);
            return { label: c, color: color, means: v, lows: v.map(function () { return NaN; }), highs: v.map(function () { return NaN; }) };
        });
        Oz.charts.intervalBars(canvas, rows.map(function (r) { return String(r.Age); }), series, { valueTitle: title + ' (mean)' });
    }

    // opts: {withheld: why the figures that need a population are not computable}.
    R.renderStatList = function (ctx, host, title, map, note, opts) {
        const table = el('table', { class: 'data-table results-table' });
        const tsv = Oz.results.fillStatListTable(table, map, undefined, opts && opts.withheld);
        const panel = el('div', { class: 'panel result-block stat-block' }, head(title, [copyButton(ctx, tsv)], note));
        panel.appendChild(table);
        host.appendChild(panel);
    };

    /* ctx: {webGUI: function returning the bridge, copy: function (tsv)}; opts: {key: the quantity
       shown (yld, yll, …), whose negative burdens are marked, withheld: why the figures that need
       a population are not computable} */
    R.render = function (ctx, host, title, value, depth, opts) {
        if (isEmptyMap(value)) {
            host.appendChild(el('div', { class: 'panel result-block' }, [
                el('div', { class: 'panel-head' }, [el('h3', { text: title })]),
                el('p', { class: 'empty-note', text: 'No results.' })
            ]));
            return;
        }
        if (Oz.isStratifiedMap(value)) return renderStratified(ctx, host, title, value, opts);
        if (Oz.isParamTableMap(value)) return renderMeans(ctx, host, title, value, opts);
        if (Oz.isStatMap(value)) {
            const single = {};
            single[(opts && opts.key) || 'value'] = value;
            return R.renderStatList(ctx, host, title, single, undefined, opts);
        }
        if (typeof value === 'object' && !Array.isArray(value)) {
            const keys = Object.keys(value);
            if (keys.every(function (k) { return Oz.isStatMap(value[k]); })) return R.renderStatList(ctx, host, title, value, undefined, opts);
            if ((depth || 0) < 2) {
                for (const k of Oz.results.sortKeys(keys)) {
                    R.render(ctx, host, title + ' — ' + Oz.results.label(k), value[k], (depth || 0) + 1, opts);
                }
                return;
            }
        }
        host.appendChild(el('div', { class: 'panel result-block' }, [
            el('div', { class: 'panel-head' }, [el('h3', { text: title })]),
            el('p', { text: String(value) })
        ]));
    };

    // Only the statistics maps of an entry (a health outcome's entry also has its name and type).
    R.statisticsOf = function (map) {
        const stats = {};
        for (const k of Object.keys(map || {})) if (Oz.isStatMap(map[k])) stats[k] = map[k];
        return stats;
    };
})(window);

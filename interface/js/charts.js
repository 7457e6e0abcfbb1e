/* Bar charts with 95 % uncertainty intervals drawn as whiskers, and PNG export and copy through the program. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});
    const C = Oz.charts = {};

    C.COLORS = {
        female: '#c2527a', male: '#3a76b0', single: '#68b022', acute: '#e0912f', sequela: '#8a5bb5',
        total: '#4e8a16', palette: ['#68b022', '#3a76b0', '#e0912f', '#8a5bb5', '#c2527a', '#2c9c9c', '#9c8f2c', '#6d6d6d']
    };

    const whiskers = {
        id: 'ozIntervals',
        afterDatasetsDraw: function (chart) {
            const ctx = chart.ctx;
            const horizontal = chart.options.indexAxis === 'y';
            const valueScale = horizontal ? chart.scales.x : chart.scales.y;
            chart.data.datasets.forEach(function (ds, di) {
                if (!ds.intervals || !chart.isDatasetVisible(di)) return;
                const meta = chart.getDatasetMeta(di);
                meta.data.forEach(function (bar, i) {
                    const iv = ds.intervals[i];
                    if (!iv || !Number.isFinite(iv[0]) || !Number.isFinite(iv[1])) return;
                    const a = valueScale.getPixelForValue(iv[0]);
                    const b = valueScale.getPixelForValue(iv[1]);
                    const half = Math.max(3, Math.min(8, (horizontal ? bar.height : bar.width) / 4 || 4));
                    ctx.save();
                    ctx.strokeStyle = '#222';
                    ctx.lineWidth = 1.2;
                    ctx.beginPath();
                    if (horizontal) {
                        ctx.moveTo(a, bar.y); ctx.lineTo(b, bar.y);
                        ctx.moveTo(a, bar.y - half); ctx.lineTo(a, bar.y + half);
                        ctx.moveTo(b, bar.y - half); ctx.lineTo(b, bar.y + half);
                    } else {
                        ctx.moveTo(bar.x, a); ctx.lineTo(bar.x, b);
                        ctx.moveTo(bar.x - half, a); ctx.lineTo(bar.x + half, a);
                        ctx.moveTo(bar.x - half, b); ctx.lineTo(bar.x + half, b);
                    }
                    ctx.stroke();
                    ctx.restore();
                });
            });
        }
    };

    // Saved images get an opaque background instead of the canvas' transparency.
    const whiteBackground = {
        id: 'ozBackground',
        beforeDraw: function (chart) {
            const ctx = chart.ctx;
            ctx.save();
            ctx.globalCompositeOperation = 'destination-over';
            ctx.fillStyle = '#ffffff';
            ctx.fillRect(0, 0, chart.width, chart.height);
            ctx.restore();
        }
    };

    const instances = new Map();

    C.available = function () {
        return typeof global.Chart === 'function';
    };

    C.destroy = function (canvas) {
        const old = instances.get(canvas);
        if (old) { old.destroy(); instances.delete(canvas); }
    };

    /* series: [{label, color, means, lows, highs, errors}]; errors (the standard errors of the
       means) are optional and shown in the tooltips. options.fullLabels: the labels as the
       tooltips give them, where the axis shows them cut. */
    C.intervalBars = function (canvas, labels, series, options) {
        C.destroy(canvas);
        if (!C.available()) {
            canvas.parentNode.classList.add('chart-unavailable');
            return null;
        }
        const opts = options || {};
        // Quantiles that were not estimated draw no whiskers (and leave the axis alone).
        if (!Oz.quantilesEstimated) {
            series = series.map(function (s) {
                const none = s.means.map(function () { return NaN; });
                return Object.assign({}, s, { lows: none, highs: none });
            });
        }
        const datasets = series.map(function (s, i) {
            return {
                label: s.label,
                data: s.means.map(function (v) { return Number.isFinite(v) ? v : null; }),
                intervals: s.means.map(function (_, j) { return [s.lows[j], s.highs[j]]; }),
                errors: s.errors,
                backgroundColor: s.color || C.COLORS.palette[i % C.COLORS.palette.length],
                borderWidth: 0,
                maxBarThickness: 42
            };
        });
        // The value axis must leave room for the upper ends of the intervals, not only the means.
        let top = 0, bottom = 0;
        series.forEach(function (s) {
            s.highs.concat(s.means).forEach(function (v) { if (Number.isFinite(v)) top = Math.max(top, v); });
            s.lows.concat(s.means).forEach(function (v) { if (Number.isFinite(v)) bottom = Math.min(bottom, v); });
        });
        // A label longer than about 40 % of the chart's width loses its middle on the axis (its ends
        // tell it apart); the tooltip gives it whole.
        const shortLabel = function (value) {
            const label = this.getLabelForValue(value);
            const room = Math.max(24, Math.floor(this.chart.width * 0.4 / 6.5));
            if (typeof label !== 'string' || label.length <= room) return label;
            const tail = Math.floor(room * 0.4);
            return label.slice(0, room - tail - 1) + '…' + label.slice(-tail);
        };
        const valueAxis = { suggestedMax: top > 0 ? top * 1.04 : undefined, suggestedMin: bottom < 0 ? bottom * 1.04 : undefined };
        const chart = new global.Chart(canvas, {
            type: 'bar',
            data: { labels: labels, datasets: datasets },
            plugins: [whiskers, whiteBackground],
            options: {
                animation: false,
                responsive: true,
                maintainAspectRatio: false,
                indexAxis: opts.horizontal ? 'y' : 'x',
                plugins: {
                    legend: { display: series.length > 1, position: 'top', labels: { boxWidth: 12 } },
                    title: { display: !!opts.title, text: opts.title || '', font: { size: 13, weight: '600' } },
                    tooltip: {
                        callbacks: {
                            title: function (items) {
                                return items.length ? (opts.fullLabels || labels)[items[0].dataIndex] : '';
                            },
                            label: function (item) {
                                const iv = item.dataset.intervals[item.dataIndex] || [];
                                const interval = Number.isFinite(iv[0]) && Number.isFinite(iv[1])
                                    ? ' (95 % UI ' + Oz.formatNumber(iv[0]) + ' – ' + Oz.formatNumber(iv[1]) + ')' : '';
                                const errors = item.dataset.errors;
                                const se = errors ? ' ± ' + Oz.formatStandardError(errors[item.dataIndex]) : '';
                                return (item.dataset.label ? item.dataset.label + ': ' : '') + Oz.formatNumber(item.raw) + se + interval;
                            }
                        }
                    }
                },
                scales: {
                    x: { title: { display: !!(opts.horizontal ? opts.valueTitle : opts.categoryTitle), text: (opts.horizontal ? opts.valueTitle : opts.categoryTitle) || '' },
                        position: opts.valueAxisTop ? 'top' : 'bottom',
                        ticks: Object.assign({ autoSkip: !opts.horizontal, maxRotation: 60 }, opts.horizontal ? {} : { callback: shortLabel }), beginAtZero: !!opts.horizontal, grid: { display: !!opts.horizontal },
                        suggestedMax: opts.horizontal ? valueAxis.suggestedMax : undefined, suggestedMin: opts.horizontal ? valueAxis.suggestedMin : undefined },
                    y: { title: { display: !!(opts.horizontal ? opts.categoryTitle : opts.valueTitle), text: (opts.horizontal ? opts.categoryTitle : opts.valueTitle) || '' },
                        ticks: opts.horizontal ? { callback: shortLabel } : {},
                        beginAtZero: !opts.horizontal, grid: { display: !opts.horizontal },
                        suggestedMax: opts.horizontal ? undefined : valueAxis.suggestedMax, suggestedMin: opts.horizontal ? undefined : valueAxis.suggestedMin }
                }
            }
        });
        instances.set(canvas, chart);
        return chart;
    };

    /* A tornado chart: one row per input, the strongest at the top, a bar for its standardised
       regression coefficient and one for its rank correlation, on an axis fitted to them.
       inputs: [{label: [lines], coefficient, spearman, details: [tooltip lines]}]; options.onRowClick(index)
       is called when a row's bar is clicked. */
    C.tornado = function (canvas, inputs, options) {
        const opts = options || {};
        const value = function (v) { return typeof v === 'number' && Number.isFinite(v) ? v : null; };
        const coefficients = inputs.map(function (i) { return value(i.coefficient); });
        const correlations = inputs.map(function (i) { return value(i.spearman); });
        const values = coefficients.concat(correlations).filter(function (v) { return v !== null; });
        // Fitted to the bars, with 0 always in view: a side no bar reaches gets no room. The ends
        // are whole steps of the ticks, so that 0 is one of them.
        const highest = Math.max.apply(null, [0].concat(values));
        const lowest = Math.min.apply(null, [0].concat(values));
        const raw = (highest - lowest || 0.1) / 6;
        const magnitude = Math.pow(10, Math.floor(Math.log10(raw)));
        const step = [1, 2, 2.5, 5, 10].map(function (f) { return f * magnitude; }).find(function (v) { return v >= raw; });
        const whole = function (v) { return Number((Math.ceil(v * 1.04 / step - 1e-9) * step).toFixed(10)); };
        const high = highest > 0 ? whole(highest) : 0;
        const low = lowest < 0 ? -whole(-lowest) : 0;
        const fixed = function (v) { return v === null ? 'not defined' : v.toFixed(3); };
        return C.custom(canvas, {
            type: 'bar',
            data: {
                labels: inputs.map(function (i) { return i.label; }),
                datasets: [
                    { label: 'Standardised regression coefficient', data: coefficients, backgroundColor: C.COLORS.male,
                        borderWidth: 0, maxBarThickness: 18 },
                    { label: 'Spearman rank correlation', data: correlations, backgroundColor: C.COLORS.acute,
                        borderWidth: 0, maxBarThickness: 18 }
                ]
            },
            options: {
                animation: false,
                responsive: true,
                maintainAspectRatio: false,
                indexAxis: 'y',
                onClick: function (event, elements) {
                    if (opts.onRowClick && elements.length) opts.onRowClick(elements[0].index);
                },
                plugins: {
                    legend: { display: true, position: 'top', labels: { boxWidth: 12 } },
                    title: { display: !!opts.title, text: opts.title || '', font: { size: 13, weight: '600' } },
                    subtitle: { display: !!opts.subtitle, text: opts.subtitle || '', padding: { bottom: 6 } },
                    tooltip: {
                        callbacks: {
                            title: function (items) { return items.length ? [].concat(inputs[items[0].dataIndex].label) : ''; },
                            label: function (item) { return item.dataset.label + ': ' + fixed(item.raw); },
                            afterBody: function (items) { return items.length ? inputs[items[0].dataIndex].details || [] : []; }
                        }
                    }
                },
                scales: {
                    x: { min: low, max: high > low ? high : step,
                        ticks: { stepSize: step, callback: function (v) { return String(Number((Math.round(v / step) * step).toFixed(6))); } },
                        title: { display: true, text: opts.valueTitle || '' },
                        grid: { color: function (ctx) { return ctx.tick && Math.abs(ctx.tick.value) < step / 1000 ? '#555' : 'rgba(0,0,0,0.08)'; } } },
                    y: { grid: { display: false }, ticks: { autoSkip: false } }
                }
            }
        });
    };

    /* Any other chart configuration, with the same background and bookkeeping. */
    C.custom = function (canvas, config) {
        C.destroy(canvas);
        if (!C.available()) return null;
        config.plugins = (config.plugins || []).concat([whiteBackground]);
        const chart = new global.Chart(canvas, config);
        instances.set(canvas, chart);
        return chart;
    };

    C.pngBase64 = function (canvas) {
        const url = canvas.toDataURL('image/png');
        const comma = url.indexOf(',');
        return comma >= 0 ? url.substring(comma + 1) : url;
    };

    C.savePng = function (canvas, webGUI) {
        if (!webGUI || !canvas || !instances.get(canvas)) {
            Oz.notify('Save image', 'There is no chart to save yet.', 'warning');
            return;
        }
        // The program answers with a notice to every page: the one that asked shows it.
        C.savePending = true;
        webGUI.savePngImageToFile(C.pngBase64(canvas));
    };

    C.copyPng = function (canvas, webGUI) {
        if (!webGUI || !canvas || !instances.get(canvas)) {
            Oz.notify('Copy image', 'There is no chart to copy yet.', 'warning');
            return;
        }
        webGUI.copyPngImageToClipboard(C.pngBase64(canvas));
        Oz.notify('Copy image', 'The chart has been copied to the clipboard as an image.', 'success');
    };

    C.instances = function () {
        return Array.from(instances.values());
    };

    // The pair of buttons every chart has.
    C.imageButtons = function (canvasOrGetter, getWebGUI) {
        const canvas = function () { return typeof canvasOrGetter === 'function' ? canvasOrGetter() : canvasOrGetter; };
        return [
            Oz.el('button', { class: 'btn btn-small', type: 'button', text: 'Copy image', 'data-chart-action': 'copy',
                title: 'Copy the chart to the clipboard as an image', onclick: function () { C.copyPng(canvas(), getWebGUI()); } }),
            Oz.el('button', { class: 'btn btn-small', type: 'button', text: 'Save PNG', 'data-chart-action': 'save',
                title: 'Save the chart as a PNG image', onclick: function () { C.savePng(canvas(), getWebGUI()); } })
        ];
    };
})(window);

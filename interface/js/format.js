/* Shared helpers of the Ozmid pages: names, number formatting, statistics maps, small DOM helpers. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});

    // The program knows exactly these country ids; the names are for display only.
    Oz.COUNTRY_IDS = [
        'CustomPopulation', 'EUEEA', 'Austria', 'Belgium', 'Bulgaria', 'Croatia', 'Cyprus',
        'CzechRepublic', 'Denmark', 'Estonia', 'Finland', 'France', 'Germany', 'Greece', 'Hungary',
        'Iceland', 'Ireland', 'Italy', 'Latvia', 'Lithuania', 'Luxembourg', 'Malta', 'Netherlands',
        'Norway', 'Poland', 'Portugal', 'Romania', 'Slovakia', 'Slovenia', 'Spain', 'Sweden',
        'UnitedKingdom', 'Generic'
    ];

    const COUNTRY_NAMES = {
        CustomPopulation: 'Custom population',
        EUEEA: 'EU/EEA',
        CzechRepublic: 'Czech Republic',
        UnitedKingdom: 'United Kingdom',
        Generic: 'Generic data set'
    };

    Oz.countryName = function (id) {
        return COUNTRY_NAMES[id] || String(id);
    };

    Oz.STAT_KEYS = { mean: 'Mean', low: 'Quantile0.025', median: 'Quantile0.5', high: 'Quantile0.975' };

    Oz.escapeHtml = function (value) {
        return String(value === undefined || value === null ? '' : value)
            .replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
            .replace(/"/g, '&quot;').replace(/'/g, '&#39;');
    };

    Oz.isNumber = function (v) {
        return typeof v === 'number' && Number.isFinite(v);
    };

    // Numbers are shown with a precision that suits their size; copies keep full precision.
    Oz.formatNumber = function (v) {
        if (v === undefined || v === null || v === '') return '–';
        if (typeof v === 'string') {
            const parsed = Number(v);
            if (v.trim() === '' || Number.isNaN(parsed)) return v;
            v = parsed;
        }
        if (typeof v !== 'number') return String(v);
        if (Number.isNaN(v)) return 'n/a';
        if (!Number.isFinite(v)) return v > 0 ? '∞' : '−∞';
        const a = Math.abs(v);
        let digits;
        if (a === 0) digits = 0;
        else if (a >= 1000) digits = 0;
        else if (a >= 100) digits = 1;
        else if (a >= 1) digits = 2;
        else digits = Math.min(6, Math.max(2, 2 - Math.floor(Math.log10(a))));
        return v.toLocaleString('en-US', { minimumFractionDigits: 0, maximumFractionDigits: digits });
    };

    Oz.rawNumber = function (v) {
        if (v === undefined || v === null) return '';
        return String(v);
    };

    Oz.isStatMap = function (m) {
        return !!m && typeof m === 'object' && !Array.isArray(m) && ('Mean' in m);
    };

    Oz.isStratifiedMap = function (m) {
        return !!m && typeof m === 'object' && !Array.isArray(m) &&
            (Array.isArray(m.arrayFemale) || Array.isArray(m.arrayMale));
    };

    Oz.isParamTableMap = function (m) {
        return !!m && typeof m === 'object' && !Array.isArray(m) && Array.isArray(m.stratified);
    };

    Oz.statValue = function (stat, which) {
        if (!stat || typeof stat !== 'object') return undefined;
        return stat[Oz.STAT_KEYS[which]];
    };

    // With fewer samples than the quantile estimator has markers, its quantiles are raw draws:
    // pages showing such a run set this to false and show no intervals.
    Oz.quantilesEstimated = true;
    Oz.NOT_ESTIMATED = 'not estimated';
    // What a cell shows in place of a figure that could not be computed; its title says why.
    Oz.NOT_COMPUTABLE = '—';

    // "low – high", the interval from the 2.5 % to the 97.5 % quantile.
    Oz.intervalText = function (stat) {
        if (!Oz.isStatMap(stat)) return '–';
        if (!Oz.quantilesEstimated) return Oz.NOT_ESTIMATED;
        return Oz.formatNumber(stat[Oz.STAT_KEYS.low]) + ' – ' + Oz.formatNumber(stat[Oz.STAT_KEYS.high]);
    };

    Oz.medianText = function (stat) {
        if (!Oz.isStatMap(stat)) return '–';
        return Oz.quantilesEstimated ? Oz.formatNumber(stat[Oz.STAT_KEYS.median]) : Oz.NOT_ESTIMATED;
    };

    // A Monte-Carlo standard error with two significant digits: the precision it is known to.
    Oz.formatStandardError = function (se) {
        if (se === undefined) return '';
        if (typeof se !== 'number' || Number.isNaN(se)) return 'n/a';
        if (!Number.isFinite(se)) return '∞';
        if (se === 0) return '0';
        return se.toLocaleString('en-US', { maximumSignificantDigits: 2 });
    };

    // " ± se" beside a mean; nothing when the run estimated no standard errors (se undefined),
    // "± n/a" when it did but this one is not a number.
    Oz.standardErrorHtml = function (se) {
        if (se === undefined) return '';
        return '<span class="se" title="Monte-Carlo standard error of the mean"> ± ' +
            Oz.escapeHtml(Oz.formatStandardError(se)) + '</span>';
    };

    // "mean ± se (low – high)" as HTML; se only when given.
    Oz.statHtml = function (stat, se) {
        if (!Oz.isStatMap(stat)) return '<span class="mean">–</span>';
        return '<span class="mean">' + Oz.escapeHtml(Oz.formatNumber(stat.Mean)) + Oz.standardErrorHtml(se) + '</span>' +
            '<span class="ci">' + Oz.escapeHtml(Oz.intervalText(stat)) + '</span>';
    };

    Oz.statTsv = function (stat) {
        if (!Oz.isStatMap(stat)) return ['', '', ''];
        return [Oz.rawNumber(stat.Mean), Oz.rawNumber(stat[Oz.STAT_KEYS.low]), Oz.rawNumber(stat[Oz.STAT_KEYS.high])];
    };

    Oz.toNumberOrNaN = function (v) {
        if (typeof v === 'number') return v;
        if (typeof v === 'string' && v.trim() !== '') {
            const n = Number(v);
            return Number.isNaN(n) ? NaN : n;
        }
        return NaN;
    };

    // The level label of an age-group entry of a stratified map is keyed by the factor name.
    const RESERVED_STRAT_KEYS = ['id'].concat(Object.values(Oz.STAT_KEYS));
    Oz.stratumLabel = function (row) {
        if (!row) return '';
        for (const k of Object.keys(row)) {
            if (RESERVED_STRAT_KEYS.indexOf(k) < 0) return String(row[k]);
        }
        return String(row.id);
    };
    Oz.stratumFactorName = function (row) {
        if (!row) return 'Age';
        for (const k of Object.keys(row)) {
            if (RESERVED_STRAT_KEYS.indexOf(k) < 0) return k;
        }
        return 'Age';
    };

    Oz.el = function (tag, attrs, children) {
        const node = document.createElement(tag);
        if (attrs) {
            for (const k of Object.keys(attrs)) {
                const v = attrs[k];
                if (v === undefined || v === null || v === false) continue;
                if (k === 'class') node.className = v;
                else if (k === 'text') node.textContent = v;
                else if (k === 'html') node.innerHTML = v;
                else if (k.startsWith('on') && typeof v === 'function') node.addEventListener(k.substring(2), v);
                else if (k === 'dataset') Object.assign(node.dataset, v);
                else node.setAttribute(k, v === true ? '' : v);
            }
        }
        if (children) {
            for (const c of [].concat(children)) {
                if (c === undefined || c === null) continue;
                node.appendChild(typeof c === 'string' ? document.createTextNode(c) : c);
            }
        }
        return node;
    };

    Oz.clone = function (obj) {
        return obj === undefined ? undefined : JSON.parse(JSON.stringify(obj));
    };

    Oz.tsvEscape = function (v) {
        return String(v === undefined || v === null ? '' : v).replace(/[\t\r\n]+/g, ' ');
    };

    // Links open in the desktop's browser through the program rather than inside the view.
    Oz.routeExternalLinks = function (root, webGUIProvider) {
        root.addEventListener('click', function (ev) {
            const a = ev.target && ev.target.closest ? ev.target.closest('a[href]') : null;
            if (!a) return;
            const href = a.getAttribute('href') || '';
            if (/^https?:/i.test(href)) {
                ev.preventDefault();
                const gui = webGUIProvider();
                if (gui && gui.webLinkClicked) gui.webLinkClicked(href);
            }
        });
    };
})(window);

/* Main page: the check lists of countries and diseases whose combinations become models.
   Countries without population data in the reference data are marked: their models run, but
   their burden cannot be computed. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const P = Oz.page;
    const el = Oz.el;
    const $ = P.$;
    const state = P.state;

    const NO_POPULATION_NOTE = 'no population data';
    const NO_POPULATION_TITLE = 'The reference data hold no age distribution and life expectancy for this country: ' +
        'the burden of its models (YLL, DALY, figures per 100 000) cannot be computed.';

    function buildCheckList(host, items, prefix, onChange) {
        host.innerHTML = '';
        let group = '';
        for (const item of items) {
            if ((item.group || '') !== group) {
                group = item.group || '';
                host.appendChild(el('div', { class: 'check-group', text: group }));
            }
            const input = el('input', { type: 'checkbox', value: item.id, id: prefix + '-' + item.id });
            input.dataset[prefix + 'Id'] = item.id;
            input.addEventListener('change', onChange);
            const label = el('label', {
                class: 'check-item' + (item.warning ? ' lacks-data' : ''),
                'data-search': (item.name + ' ' + item.id).toLowerCase(),
                title: item.warning || null
            }, [input, el('span', { class: 'check-name', text: item.name })]);
            if (item.note) label.appendChild(el('span', { class: 'check-note', text: item.note }));
            if (item.warning) label.appendChild(el('span', { class: 'check-note warn', text: NO_POPULATION_NOTE }));
            host.appendChild(label);
        }
    }

    P.checkedIds = function (host) {
        return Array.from(host.querySelectorAll('input[type=checkbox]:checked')).map(function (i) { return i.value; });
    };

    P.setChecked = function (host, ids) {
        const wanted = new Set(ids.map(String));
        host.querySelectorAll('input[type=checkbox]').forEach(function (i) { i.checked = wanted.has(i.value); });
    };

    function applyFilter(host, text) {
        const t = String(text || '').trim().toLowerCase();
        host.querySelectorAll('.check-item').forEach(function (l) {
            l.hidden = t !== '' && l.dataset.search.indexOf(t) < 0;
        });
        host.querySelectorAll('.check-group').forEach(function (g) {
            let next = g.nextElementSibling, shown = false;
            for (; next && !next.classList.contains('check-group'); next = next.nextElementSibling) shown = shown || !next.hidden;
            g.hidden = !shown;
        });
    }

    P.countriesChanged = function () {
        state.selectedCountries = P.checkedIds($('countrySelect'));
        if (P.webGUI) P.webGUI.setSelectedCountries(state.selectedCountries);
        updateSelectionSummary();
    };

    P.diseasesChanged = function () {
        state.selectedDiseases = P.checkedIds($('diseaseSelect'));
        if (P.webGUI) P.webGUI.setSelectedDiseases(state.selectedDiseases);
        updateSelectionSummary();
    };

    function updateSelectionSummary() {
        const nc = state.selectedCountries.length, nd = state.selectedDiseases.length;
        $('countrySelectionCount').textContent = nc + ' selected';
        $('diseaseSelectionCount').textContent = nd + ' selected';
        $('comboSummary').textContent = nc > 0 && nd > 0
            ? nc + (nc === 1 ? ' country' : ' countries') + ' × ' + nd + (nd === 1 ? ' disease' : ' diseases') + ' = up to ' + (nc * nd) + ' new model' + (nc * nd === 1 ? '' : 's') + '.'
            : 'Select at least one country and one disease.';
        const lacking = state.selectedCountries.filter(P.lacksPopulation).map(P.countryName);
        const note = $('populationNote');
        note.hidden = lacking.length === 0;
        note.textContent = lacking.length === 0 ? '' : 'No population data for ' + lacking.join(', ') +
            ': the burden of ' + (lacking.length === 1 ? 'its' : 'their') + ' models cannot be computed.';
        P.refreshControls();
    }
    P.updateSelectionSummary = updateSelectionSummary;

    // A population of the user's own is no country: it comes last, under a heading of its own.
    const OWN_POPULATION_GROUP = 'Population of your own';

    function countryItems() {
        const known = state.countries.length > 0 ? state.countries : Oz.COUNTRY_IDS.map(function (id) { return { id: id }; });
        const items = known.map(function (c) {
            const name = P.countryName(c.id);
            return {
                id: c.id, name: name, note: name !== c.id ? c.id : '',
                group: c.id === 'CustomPopulation' ? OWN_POPULATION_GROUP : '',
                warning: c.hasPopulationData === false ? NO_POPULATION_TITLE : ''
            };
        });
        return items.filter(function (i) { return !i.group; }).concat(items.filter(function (i) { return i.group; }));
    }

    function buildCountryList() {
        const host = $('countrySelect');
        const keep = state.selectedCountries.slice();
        buildCheckList(host, countryItems(), 'country', P.countriesChanged);
        P.setChecked(host, keep);
        applyFilter(host, $('countryFilter').value);
        const missing = state.countries.filter(function (c) { return !c.hasPopulationData; }).length;
        $('countryDataNote').textContent = missing > 0
            ? missing + ' of ' + state.countries.length + ' countries have no population data in the reference data.' : '';
    }

    P.initSelection = function () {
        buildCountryList();
        $('countryFilter').addEventListener('input', function () { applyFilter($('countrySelect'), this.value); });
        $('diseaseFilter').addEventListener('input', function () { applyFilter($('diseaseSelect'), this.value); });
        const bulk = function (host, on, after) {
            host.querySelectorAll('.check-item').forEach(function (l) {
                if (!l.hidden) l.querySelector('input').checked = on;
            });
            after();
        };
        $('countrySelectAll').addEventListener('click', function () { bulk($('countrySelect'), true, P.countriesChanged); });
        $('countrySelectNone').addEventListener('click', function () { P.setChecked($('countrySelect'), []); P.countriesChanged(); });
        $('diseaseSelectAll').addEventListener('click', function () { bulk($('diseaseSelect'), true, P.diseasesChanged); });
        $('diseaseSelectNone').addEventListener('click', function () { P.setChecked($('diseaseSelect'), []); P.diseasesChanged(); });
    };

    P.setAvailableCountries = function (list) {
        state.countries = (Array.isArray(list) ? list : []).map(function (c) {
            return { id: String(c.id), name: String(c.name || c.id), hasPopulationData: c.hasPopulationData === true };
        });
        buildCountryList();
        updateSelectionSummary();
        if (P.renderModelList) P.renderModelList();
    };

    P.setAvailableDiseases = function (list) {
        state.availableDiseases = (Array.isArray(list) ? list : []).map(function (d) {
            return { id: String(d.id), disease: String(d.disease || d.id) };
        });
        const host = $('diseaseSelect');
        const keep = state.selectedDiseases.slice();
        buildCheckList(host, state.availableDiseases.map(function (d) {
            return { id: d.id, name: d.disease, note: d.disease !== d.id ? d.id : '' };
        }), 'disease', P.diseasesChanged);
        if (state.availableDiseases.length === 0) {
            host.appendChild(el('p', { class: 'empty-note', text: 'No diseases in the reference data. Import reference data through the Tools menu.' }));
        }
        P.setChecked(host, keep);
        applyFilter(host, $('diseaseFilter').value);
        const now = P.checkedIds(host);
        if (now.length !== keep.length) P.diseasesChanged();
        else state.selectedDiseases = now;
        updateSelectionSummary();
    };
})(window);

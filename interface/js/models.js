/* Main page: the list of defined models, their creation and deletion. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const P = Oz.page;
    const el = Oz.el;
    const $ = P.$;
    const state = P.state;

    function tag(cls, text, title) {
        return el('span', { class: 'tag ' + cls, text: text, title: title || null });
    }

    P.renderModelList = function () {
        const tbody = $('modelListTable').querySelector('tbody');
        tbody.innerHTML = '';
        const computed = new Set((state.lastRunList || []).map(P.keyOfInfo));
        for (const info of state.models) {
            const key = P.keyOfInfo(info);
            const hasResults = computed.has(key);
            const open = el('button', { class: 'btn btn-small', type: 'button', text: 'Open data',
                onclick: function () { P.openModel(info.countryID, info.diseaseID, info.modelID, true); } });
            const res = el('button', { class: 'btn btn-small', type: 'button', text: 'Results', 'data-action': 'results',
                'data-computed': hasResults ? 'true' : 'false',
                title: hasResults ? 'Detailed results of this model' : 'Run the models first',
                onclick: function () { P.showTab('results'); P.showSubtab($('resultsContent'), 'detailed'); P.requestDetailed(key); } });
            const source = [tag(P.isJsonModel(info) ? 'tag-json' : 'tag-ref', P.isJsonModel(info) ? 'JSON specification' : 'Reference data')];
            if (P.lacksPopulation(info.countryID)) {
                source.push(tag('tag-warn', 'no population data', 'The burden of this model cannot be computed: the reference data hold no population for its country.'));
            }
            const outside = state.parameterWarnings[key] || [];
            if (outside.length > 0) {
                source.push(tag('tag-warn', Oz.results.MARK + ' values outside their domain', outside.length + ' cell' +
                    (outside.length === 1 ? '' : 's') + ', the first ' + P.describeWarning(outside[0], false) +
                    '. The run uses them as written; its results are marked.'));
            }
            if (hasResults && P.isOutdated(key)) {
                source.push(tag('tag-warn', 'results out of date', 'Its parameters changed after the run: run the models again.'));
            }
            tbody.appendChild(el('tr', { 'data-model-id': info.modelID, 'data-country-id': info.countryID, 'data-disease-id': info.diseaseID }, [
                el('td', { class: 'model-id', text: info.modelID }),
                el('td', { text: info.countryName || P.countryName(info.countryID) }),
                el('td', { text: info.diseaseName || P.diseaseName(info.diseaseID), title: info.diseaseID }),
                el('td', {}, source),
                el('td', { class: 'actions-col' }, [open, res])
            ]));
        }
        const n = state.models.length;
        $('modelCount').textContent = n + (n === 1 ? ' model' : ' models');
        $('modelListEmpty').hidden = n > 0;
        P.fillModelSelect($('modelDataSelect'), state.models, state.selectedModel ? P.keyOfInfo(state.selectedModel.info) : '');
        P.refreshControls();
    };

    P.fillModelSelect = function (select, models, current) {
        const prev = current !== undefined ? current : select.value;
        select.innerHTML = '';
        select.appendChild(el('option', { value: '', text: '— choose a model —' }));
        for (const info of models) select.appendChild(el('option', { value: P.keyOfInfo(info), text: P.modelLabel(info) }));
        select.value = models.some(function (i) { return P.keyOfInfo(i) === prev; }) ? prev : '';
    };

    P.onModelsCreated = function (list) {
        for (const info of (Array.isArray(list) ? list : [])) {
            const key = P.keyOfInfo(info);
            const i = state.models.findIndex(function (m) { return P.keyOfInfo(m) === key; });
            if (i >= 0) state.models[i] = info; else state.models.push(info);
        }
        P.renderModelList();
    };

    // Results of these models no longer match their parameters.
    P.onResultsOutdated = function (list) {
        for (const info of (Array.isArray(list) ? list : [])) {
            const key = P.keyOfInfo(info);
            if (!P.isOutdated(key)) state.outdated.push(key);
        }
        P.renderModelList();
        if (P.showOutdatedNotes) P.showOutdatedNotes();
    };

    let deleteArmed = null;
    function onDeleteClicked() {
        const btn = $('deleteModelsButton');
        if (!deleteArmed) {
            btn.textContent = 'Click again to delete all';
            btn.classList.add('armed');
            deleteArmed = setTimeout(P.disarmDelete, 4000);
            return;
        }
        P.disarmDelete();
        P.call('deleteModels');
    }
    P.disarmDelete = function () {
        clearTimeout(deleteArmed);
        deleteArmed = null;
        const btn = $('deleteModelsButton');
        btn.textContent = 'Delete all models';
        btn.classList.remove('armed');
    };

    P.initModels = function () {
        $('createModelsButton').addEventListener('click', function () { P.call('createModels'); });
        $('deleteModelsButton').addEventListener('click', onDeleteClicked);
    };
})(window);

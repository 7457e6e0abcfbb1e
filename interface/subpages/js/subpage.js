/* Detail pop-up of one outcome tree element. The window publishes its data through "webData"
   (entries "Caption", "ResultsAvailable", "ElemInfo" and the element's parameter and result maps);
   edits go back through the shared "webGUI". The page kind comes from <body data-view>. */
(function (global) {
    'use strict';

    const Oz = global.Oz;
    const el = Oz.el;

    const VIEWS = {
        infection: {
            inputs: [{ entry: 'LifeExpData', tab: 'Life expectancy', title: 'Remaining life expectancy (years)', editable: false }],
            inputNote: 'Life expectancy and notified cases are edited on the main page, in the model data.',
            statisticsTitle: 'Totals of the outcome tree',
            results: [{ entry: 'SampleMeanOutputIncidence', title: 'Infections (mean over the samples)' }]
        },
        asymptomatic: {
            inputs: [],
            inputNote: 'There are no parameters for an asymptomatic health outcome: it receives the cases that its transition sends.',
            statisticsTitle: 'Totals of the health outcome',
            results: [{ entry: 'IncidenceData', title: 'Cases' }]
        },
        yld: {
            inputs: [
                { entry: 'SeverityData', key: 'severity', tab: 'Severity', title: 'Severity (disability weight)', editable: true },
                { entry: 'DurationData', key: 'duration', tab: 'Duration', title: 'Duration (years)', editable: true },
                { entry: 'ProportionData', key: 'proportion', tab: 'Proportion', title: 'Proportion of the outcome\'s cases', editable: true }
            ],
            apply: function (gui, info, g) { gui.applyChangesToYLDParams(info, g.severity.getData(), g.duration.getData(), g.proportion.getData()); },
            messageSignal: 'showMessageInYLDPage',
            messageTitle: 'YLD parameters',
            kind: 'yld',
            statisticsTitle: 'Totals of the health outcome',
            checkSignal: 'formulaCheckResultsAvailableForYLDPage',
            results: [
                { entry: 'IncidenceData', title: 'Cases' },
                { entry: 'BurdenData', title: 'Years lived with disability (YLD)', key: 'yld' },
                { entry: 'RemLEData', title: 'Remaining life expectancy', key: 'remainingLifeExpectancy' }
            ]
        },
        yll: {
            inputs: [{ entry: 'ProportionData', key: 'proportion', tab: 'Proportion', title: 'Proportion of the outcome\'s cases', editable: true }],
            apply: function (gui, info, g) { gui.applyChangesToYLLParams(info, g.proportion.getData()); },
            messageSignal: 'showMessageInYLLPage',
            messageTitle: 'YLL parameters',
            kind: 'yll',
            statisticsTitle: 'Totals of the health outcome',
            checkSignal: 'formulaCheckResultsAvailableForYLLPage',
            results: [
                { entry: 'IncidenceData', title: 'Deaths' },
                { entry: 'BurdenData', title: 'Years of life lost (YLL)', key: 'yll' },
                { entry: 'RemLEData', title: 'Remaining life expectancy at death', key: 'remainingLifeExpectancy' }
            ]
        },
        trans: {
            flags: [
                { entry: 'IsBaseTrans', on: 'Transition from the infection', off: 'Transition between health outcomes' },
                { entry: 'IsRedistributeType', on: 'Cases redistributed over age groups', off: 'No age-group redistribution' }
            ],
            inputs: [
                { entry: 'InputProbability', key: 'probability', tab: 'Probability', title: 'Transition probability', editable: true },
                { entry: 'InputRedistribution', key: 'redistribution', tab: 'Redistribution', title: 'Age-group redistribution', editable: true }
            ],
            apply: function (gui, info, g) { gui.applyChangesToTransParams(info, g.probability.getData(), g.redistribution.getData()); },
            messageSignal: 'showMessageInTransPage',
            messageTitle: 'Transition parameters',
            kind: 'trans',
            statisticsNote: 'A transition keeps the means of its strata only: the uncertainty intervals are those of the health outcomes it leads to.',
            checkSignal: 'formulaCheckResultsAvailableForTransPage',
            results: [
                { entry: 'OutputProbabilityData', title: 'Probability as drawn' },
                { entry: 'OutputRedistributionData', title: 'Redistribution as drawn' },
                { entry: 'OutputIncidenceData', title: 'Cases passing the transition' }
            ]
        }
    };

    const page = {
        webGUI: null, webData: null, data: null, grids: {}, warnings: [], pendingApply: false, running: false,
        // From the program: [{id, name, hasPopulationData}]; empty when it did not answer.
        countries: []
    };

    // Why the element's burden is not computable, if it is not: the run has no burden to give a
    // model whose country has no population data, and its zeros are not figures.
    function withheld() {
        const id = ((page.data && page.data.ElemInfo) || {}).countryID;
        const c = page.countries.find(function (x) { return x.id === id; });
        if (!c || c.hasPopulationData) return undefined;
        return 'not computable: no population data for ' + (c.name && c.name !== id ? c.name : Oz.countryName(id));
    }

    const resultsContext = {
        webGUI: function () { return page.webGUI; },
        copy: function (tsv) { copy(tsv); }
    };

    // Apply is off while a run uses the model; the program would refuse the edit anyway.
    function setRunning(running) {
        page.running = !!running;
        const button = document.getElementById('applyChangesButton');
        if (button) button.disabled = page.running;
        const note = document.getElementById('runNote');
        if (note) note.hidden = !page.running;
    }

    function view() { return VIEWS[document.body.dataset.view] || { inputs: [], results: [] }; }

    // The header names the element's country, disease, model and tree as a reader knows them;
    // the identifiers behind them are in its tooltip.
    function countryOf(info) {
        const name = info.countryName;
        return name && name !== info.countryID ? name : Oz.countryName(info.countryID);
    }

    function describeElement(info, treeName) {
        if (!info) return '';
        const parts = [];
        if (info.countryName || info.countryID) parts.push(countryOf(info));
        if (info.diseaseName || info.diseaseID) parts.push(info.diseaseName || info.diseaseID);
        if (info.modelID) parts.push(info.modelID);
        let text = parts.join(' · ');
        if (treeName || info.outcomeTreeID) text += ' — ' + (treeName || 'tree ' + info.outcomeTreeID);
        return text;
    }

    function elementIds(info) {
        if (!info) return '';
        return ['countryID', 'diseaseID', 'outcomeTreeID', 'outcomeTreeNodeID'].filter(function (k) { return info[k]; })
            .map(function (k) { return k.replace(/ID$/, '') + ' ' + info[k]; }).join(', ');
    }

    function treeNameIn(spec, id) {
        const trees = Object.values((spec && spec.outcomeTrees) || {});
        const tree = trees.find(function (t) { return t && t.id === id; });
        return tree && tree.name ? String(tree.name) : '';
    }

    // A specification's model carries its trees; a reference-data model's come from the program.
    function showTreeName(info) {
        if (!info || !info.outcomeTreeID) return;
        const show = function (name) {
            if (name && page.data && page.data.ElemInfo === info)
                document.getElementById('elemInfo').textContent = describeElement(info, name);
        };
        const spec = info.jsonDiseaseSpec;
        if (spec && typeof spec === 'object' && Object.keys(spec).length > 0) {
            show(treeNameIn(spec, info.outcomeTreeID));
            return;
        }
        const gui = page.webGUI;
        if (!gui || !gui.getOutcomeTreeDiagram) return;
        gui.getOutcomeTreeDiagram(info.countryID, info.diseaseID, info.modelID, function (diagram) {
            show(treeNameIn(diagram, info.outcomeTreeID));
        });
    }

    function copy(tsv) {
        if (!page.webGUI || !tsv) return;
        page.webGUI.copyTextToClipboard(tsv);
        Oz.notify('Copy', 'The table has been copied to the clipboard.', 'success');
    }

    /* ---------- rendering of the published map ---------- */

    function render(data) {
        page.data = data || {};
        page.grids = {};
        const v = view();
        const caption = page.data.Caption || document.title;
        document.getElementById('caption').textContent = caption;
        const elemInfo = document.getElementById('elemInfo');
        elemInfo.textContent = describeElement(page.data.ElemInfo);
        elemInfo.title = elementIds(page.data.ElemInfo);
        showTreeName(page.data.ElemInfo);
        const content = document.getElementById('content');
        content.innerHTML = '';

        const head = el('div', { class: 'subpage-top' });
        content.appendChild(head);
        if (v.flags) {
            const flags = el('div', { class: 'flags' });
            for (const f of v.flags) {
                const on = page.data[f.entry] === true;
                flags.appendChild(el('span', { class: 'flag' + (on ? ' on' : ''), text: on ? f.on : f.off }));
            }
            head.appendChild(flags);
        }
        if (v.inputs.some(function (i) { return i.editable; })) {
            head.appendChild(el('div', { class: 'panel toolbar-panel' }, [
                el('span', { class: 'hint', text: 'Cells hold formulas and may call random functions such as RandPert(min, mode, max). Apply sends all tables; changes take effect at the next run.' }),
                el('span', { class: 'spacer' }),
                el('button', { class: 'btn btn-primary', type: 'button', id: 'applyChangesButton', text: 'Apply changes', onclick: applyChanges })
            ]));
            head.appendChild(el('p', { class: 'note-warning', id: 'runNote', hidden: true,
                text: 'A run is in progress: changes can be applied once it has finished or been cancelled.' }));
            setRunning(page.running);
        }

        // One tab per parameter table, so that formulas get the full width, and one for the results.
        const tabs = el('nav', { class: 'subtabs', role: 'tablist' });
        const pages = [];
        const addTab = function (name, label) {
            const first = pages.length === 0;
            const pg = el('div', { class: 'subtab-page' + (first ? ' active' : ''), id: 'subpage-' + name });
            const b = el('button', { class: 'subtab' + (first ? ' active' : ''), type: 'button', 'data-subtab': name, text: label });
            b.addEventListener('click', function () {
                tabs.querySelectorAll('.subtab').forEach(function (x) { x.classList.toggle('active', x === b); });
                pages.forEach(function (x) { x.classList.toggle('active', x === pg); });
                global.dispatchEvent(new Event('resize'));
            });
            tabs.appendChild(b);
            pages.push(pg);
            return pg;
        };
        content.appendChild(tabs);

        if (v.inputs.length === 0) {
            addTab('inputs', 'Parameters').appendChild(el('p', { class: 'empty-note', text: v.inputNote || 'This element has no parameters.' }));
        }
        for (const input of v.inputs) {
            const pg = addTab(input.key || input.entry, input.tab || input.title);
            if (v.inputNote) pg.appendChild(el('p', { class: 'hint', text: v.inputNote }));
            const holder = el('div', { id: 'grid-' + (input.key || input.entry), class: 'wide-grid' });
            pg.appendChild(holder);
            const grid = new Oz.ParamGrid(holder, {
                key: input.key, title: input.title, editable: !!input.editable,
                getWebGUI: function () { return page.webGUI; },
                onEdit: function () { tabs.querySelector('[data-subtab="' + (input.key || input.entry) + '"]').classList.add('edited'); }
            });
            grid.setData(page.data[input.entry] || null);
            page.grids[input.key || input.entry] = grid;
        }
        const resultsPage = addTab('results', page.data.ResultsAvailable ? 'Results' : 'Results (not computed)');
        pages.forEach(function (pg) { content.appendChild(pg); });

        if (!page.data.ResultsAvailable) {
            resultsPage.appendChild(el('p', { class: 'empty-note', text: 'No results to show: the model has not been run since its last change, ' +
                'or a run was in progress when this window opened. Run the models from the main window, then open this window again.' }));
        } else {
            // Filled in once the program has said which of the model's values lie outside their domain.
            resultsPage.appendChild(el('p', { class: 'note-warning', id: 'suspectNote', hidden: true }));
            resultsPage.appendChild(el('p', { class: 'hint uncertainty-note',
                text: 'Monte-Carlo estimates of the last run. Totals: the mean with the 95 % uncertainty interval (UI, the 2.5 % to 97.5 % ' +
                    'quantiles of the samples). Per age group and sex: the mean over the samples.' }));
            const notComputable = withheld();
            if (notComputable) {
                resultsPage.appendChild(el('p', { class: 'note-warning', id: 'withheldNote', text: 'The burden of this model is ' +
                    notComputable + ': its YLD, YLL and DALY and the figures per 100 000 are not shown.' }));
            }
            const statistics = Oz.subResults.statisticsOf(page.data.Statistics);
            if (v.statisticsTitle && Object.keys(statistics).length > 0) {
                const owner = (page.data.Statistics || {}).name;
                Oz.subResults.renderStatList(resultsContext, resultsPage, v.statisticsTitle + (owner ? ': ' + owner : ''), statistics,
                    undefined, { withheld: notComputable });
            } else if (v.statisticsNote) {
                resultsPage.appendChild(el('p', { class: 'hint', text: v.statisticsNote }));
            }
            for (const r of v.results) {
                Oz.subResults.render(resultsContext, resultsPage, r.title, page.data[r.entry], 0, { key: r.key, withheld: notComputable });
            }
        }
    }

    // The cells of this element's tables whose values lie outside their domain, from the
    // program's answer for the element's model ({cells: [...]}); other elements' are left out.
    function showWarnings(modelWarnings) {
        const info = (page.data && page.data.ElemInfo) || {};
        const cells = (modelWarnings && Array.isArray(modelWarnings.cells)) ? modelWarnings.cells : [];
        page.warnings = cells.filter(function (w) {
            return w.treeID === info.outcomeTreeID && w.elementID === info.outcomeTreeNodeID;
        });
        // Results are shown only while they are those of the model's current values.
        const note = document.getElementById('suspectNote');
        if (note) {
            note.hidden = cells.length === 0;
            note.textContent = cells.length === 0 ? '' : '⚠ The model was run with ' + cells.length +
                ' cell' + (cells.length === 1 ? '' : 's') + ' outside their domain (' + cells[0].place + ', ' + cells[0].stratum +
                ': "' + cells[0].formula + '" ' + cells[0].text + (cells.length > 1 ? ', …' : '') +
                '): these results are marked and are not estimates of a burden.';
        }
        for (const key of Object.keys(page.grids)) {
            page.grids[key].setWarnings(page.warnings.filter(function (w) { return w.parameter === key; }));
            const tab = document.querySelector('.subtab[data-subtab="' + key + '"]');
            if (tab) tab.classList.toggle('has-warning', page.warnings.some(function (w) { return w.parameter === key; }));
        }
    }

    function requestWarnings() {
        const info = (page.data && page.data.ElemInfo) || {};
        if (!page.webGUI || !page.webGUI.getParameterWarnings || !info.modelID) return;
        page.webGUI.getParameterWarnings(info.countryID, info.diseaseID, info.modelID, showWarnings);
    }

    function applyChanges() {
        const v = view();
        if (!v.apply || !page.webGUI || !page.data || page.running) return;
        // The answer to this request replaces what was said about the previous one.
        if (v.messageTitle) Oz.clearNotices(v.messageTitle);
        page.pendingApply = true;
        v.apply(page.webGUI, page.data.ElemInfo || {}, page.grids);
    }

    function onCheck(map) {
        if (!page.pendingApply) return;
        page.pendingApply = false;
        for (const key of Object.keys(page.grids)) {
            const check = map ? map[key] : null;
            page.grids[key].setCheck(check || null);
            if (!check) page.grids[key].clearEdited();
            const tab = document.querySelector('.subtab[data-subtab="' + key + '"]');
            if (tab) {
                tab.classList.toggle('invalid', !!check);
                if (!check) tab.classList.remove('edited');
            }
        }
    }

    function connect() {
        if (typeof global.QWebChannel !== 'function' || !global.qt || !global.qt.webChannelTransport) {
            document.getElementById('content').appendChild(el('p', { class: 'empty-note', text: 'This window must be opened from the Ozmid program.' }));
            return;
        }
        new global.QWebChannel(global.qt.webChannelTransport, function (channel) {
            page.webGUI = channel.objects.webGUI || null;
            page.webData = channel.objects.webData || null;
            const v = view();
            if (page.webGUI) {
                // The bridge is shared by all pop-ups: react only to answers to this window's own request.
                if (v.messageSignal && page.webGUI[v.messageSignal]) {
                    page.webGUI[v.messageSignal].connect(function (title, text, type) {
                        if (page.pendingApply) Oz.notify(title, text, type);
                    });
                }
                if (v.checkSignal && page.webGUI[v.checkSignal]) page.webGUI[v.checkSignal].connect(onCheck);
                if (page.webGUI.formulaErrorsExplained) {
                    page.webGUI.formulaErrorsExplained.connect(function (kind, title, text) {
                        if (page.pendingApply && kind === v.kind) Oz.notify(title, text, 'error');
                    });
                }
                if (page.webGUI.notice) {
                    page.webGUI.notice.connect(function (title, text, type) {
                        if (title !== 'Save image' || !Oz.charts.savePending) return;
                        Oz.charts.savePending = false;
                        Oz.notify(title, text, type);
                    });
                }
                if (page.webGUI.parameterWarningsChanged) {
                    page.webGUI.parameterWarningsChanged.connect(function (models) {
                        const info = (page.data && page.data.ElemInfo) || {};
                        const own = (models || []).find(function (m) {
                            return m.countryID === info.countryID && m.diseaseID === info.diseaseID && m.modelID === info.modelID;
                        });
                        if (own) showWarnings(own);
                    });
                }
                if (page.webGUI.runningChanged) page.webGUI.runningChanged.connect(setRunning);
                if (page.webGUI.isRunning) page.webGUI.isRunning(setRunning);
            }
            if (!page.webData) {
                document.getElementById('content').appendChild(el('p', { class: 'empty-note', text: 'The program did not publish the data of this element.' }));
                return;
            }
            page.webData.publishData.connect(function (data) { render(data); requestWarnings(); });
            // Which countries lack population data decides what the results may show: asked first.
            if (page.webGUI && page.webGUI.getAvailableCountries) {
                page.webGUI.getAvailableCountries(function (countries) {
                    page.countries = Array.isArray(countries) ? countries : [];
                    page.webData.dataRequested();
                });
            } else {
                page.webData.dataRequested();
            }
        });
    }

    global.ozmidSubpage = {
        get data() { return Oz.clone(page.data); },
        // This element's cells outside their domain, as the program last gave them.
        get warnings() { return Oz.clone(page.warnings || []); },
        applyChanges: applyChanges
    };

    document.addEventListener('DOMContentLoaded', function () {
        Oz.routeExternalLinks(document, function () { return page.webGUI; });
        connect();
    });
})(window);

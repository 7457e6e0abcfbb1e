/* Stand-in for Qt's qwebchannel.js when the pages are opened in a plain browser for preview.
   It publishes a simulated "webGUI" (and, on pop-up pages, "webData") that answers the invokable
   methods with illustrative data shaped like the program's maps and emits the program's signals.
   Numbers are made up for layout checks; they are no epidemiological data.

   URL parameters: scenario=<name> drives the page after start (see SCENARIOS below);
   results=0 publishes pop-up data without results; pauseAt=<k> stops a run after k models. */
(function (global) {
    'use strict';

    const params = new URLSearchParams(global.location.search);
    const calls = [];
    global.mockCalls = calls;
    global.mockClipboard = '';

    function clone(v) { return v === undefined ? undefined : JSON.parse(JSON.stringify(v)); }

    /* ---------- channel plumbing ---------- */

    function Signal(name) { this.name = name; this.handlers = []; }
    Signal.prototype.connect = function (fn) { this.handlers.push(fn); };
    Signal.prototype.disconnect = function (fn) { this.handlers = this.handlers.filter(function (h) { return h !== fn; }); };
    Signal.prototype.emit = function () {
        const args = clone(Array.prototype.slice.call(arguments));
        const handlers = this.handlers.slice();
        setTimeout(function () { handlers.forEach(function (h) { h.apply(null, args); }); }, 0);
    };

    function makeObject(signalNames, methods) {
        const obj = {};
        for (const s of signalNames) obj[s] = new Signal(s);
        for (const name of Object.keys(methods)) {
            obj[name] = function () {
                const args = Array.prototype.slice.call(arguments);
                const cb = typeof args[args.length - 1] === 'function' ? args.pop() : null;
                calls.push({ method: name, args: clone(args) });
                const result = methods[name].apply(obj, clone(args));
                if (cb) setTimeout(function () { cb(clone(result)); }, 0);
            };
        }
        return obj;
    }

    /* ---------- illustrative reference data ---------- */

    const AGE_GROUPS = ['0', '1-4', '5-9', '10-14', '15-19', '20-24', '25-29', '30-34', '35-39', '40-44',
        '45-49', '50-54', '55-59', '60-64', '65-69', '70-74', '75-79', '80-84', '85+'];
    const SEXES = ['Female', 'Male'];

    const COUNTRY_NAMES = { CustomPopulation: 'Custom population', EUEEA: 'EU/EEA', CzechRepublic: 'Czech Republic', UnitedKingdom: 'United Kingdom' };
    function countryName(id) { return COUNTRY_NAMES[id] || id; }

    const REF_DISEASES = [
        { id: 'KlebsiellaCRKPBSI', disease: 'Carbapenem-resistant K. pneumoniae, bloodstream infection' },
        { id: 'KlebsiellaCRKPUTI', disease: 'Carbapenem-resistant K. pneumoniae, urinary tract infection' },
        { id: 'EscherichiaColi3GCRECBSI', disease: '3rd-gen. cephalosporin-resistant E. coli, bloodstream infection' },
        { id: 'EscherichiaColi3GCRECRESP', disease: '3rd-gen. cephalosporin-resistant E. coli, respiratory infection' },
        { id: 'StaphylococcusAureusMRSABSI', disease: 'Methicillin-resistant S. aureus, bloodstream infection' },
        { id: 'StaphylococcusAureusMRSASSI', disease: 'Methicillin-resistant S. aureus, surgical site infection' },
        { id: 'PseudomonasAeruginosaCRPARESP', disease: 'Carbapenem-resistant P. aeruginosa, respiratory infection' },
        { id: 'EnterococcusFaecalisVREBSI', disease: 'Vancomycin-resistant E. faecalis, bloodstream infection' }
    ];

    function matrix(rows, cols, fn) {
        const out = [];
        for (let i = 0; i < rows; i++) { const r = []; for (let j = 0; j < cols; j++) r.push(fn(i, j)); out.push(r); }
        return out;
    }

    const JSON_SPEC = {
        id: 'IllustrativeEnteric', name: 'Illustrative enteric infection (JSON)', isCongenitalType: false,
        dims: { order: ['age', 'gender'], values: { age: AGE_GROUPS, gender: SEXES } },
        rawCasesCountArray: { vals: matrix(19, 2, function (i) { return String(40 + i * 3); }) },
        outcomeTreeMapping: { vals: matrix(19, 2, function () { return 'tree1'; }) },
        outcomeTrees: {
            tree1: {
                id: 'tree1', name: 'Enteric infection',
                healthOutcomesRunOrder: ['infection', 'asymptomatic', 'gastro', 'ibs', 'reactive', 'death', 'recovery'],
                healthOutcomes: {
                    infection: { name: 'Infection', type: 'INFECTION', healthStates: {} },
                    asymptomatic: { name: 'Asymptomatic carriage', type: 'ASYMPTOMATIC', healthStates: {} },
                    gastro: {
                        name: 'Gastroenteritis', type: 'ACUTE', healthStates: {
                            a: { id: 'gastro_mild', name: 'Mild, no medical care', remainingCases: true },
                            b: { id: 'gastro_moderate', name: 'Moderate, GP visit' },
                            c: { id: 'gastro_severe', name: 'Severe, hospitalised' }
                        }
                    },
                    ibs: { name: 'Irritable bowel syndrome', type: 'SEQUELA', healthStates: {} },
                    reactive: {
                        name: 'Reactive arthritis', type: 'SEQUELA', healthStates: {
                            a: { id: 'rea_short', name: 'Short-term' }, b: { id: 'rea_chronic', name: 'Chronic' }
                        }
                    },
                    death: { name: 'Death', type: 'DEATH', healthStates: {} },
                    recovery: { name: 'Recovery', type: 'RECOVERY', healthStates: {} }
                },
                transitions: {
                    t1: { id: 'inf_asym', name: 'Asymptomatic', source: { id: 'infection' }, target: { id: 'asymptomatic' } },
                    t2: { id: 'inf_gastro', name: 'Symptomatic', source: { id: 'infection' }, target: { id: 'gastro' }, complementaryType: true, complementaryTransition: 'inf_asym' },
                    t3: { id: 'gastro_ibs', name: 'IBS', source: { id: 'gastro_moderate' }, target: { id: 'ibs' } },
                    t4: { id: 'gastro_rea', name: 'Reactive arthritis', source: { id: 'gastro_severe' }, target: { id: 'reactive' } },
                    t5: { id: 'gastro_death', name: 'Fatal', source: { id: 'gastro_severe' }, target: { id: 'death' } },
                    t6: { id: 'gastro_recovery', name: 'Recovers', source: { id: 'gastro_mild' }, target: { id: 'recovery' } }
                }
            },
            tree2: {
                id: 'tree2', name: 'Neonatal infection',
                healthOutcomesRunOrder: ['ninf', 'sepsis', 'ndeath'],
                healthOutcomes: {
                    ninf: { name: 'Neonatal infection', type: 'INFECTION', healthStates: {} },
                    sepsis: { name: 'Neonatal sepsis', type: 'ACUTE', healthStates: {} },
                    ndeath: { name: 'Death', type: 'DEATH', healthStates: {} }
                },
                transitions: {
                    a: { id: 'ninf_sepsis', name: 'Sepsis', source: { id: 'ninf' }, target: { id: 'sepsis' } },
                    b: { id: 'sepsis_death', name: 'Fatal', source: { id: 'sepsis' }, target: { id: 'ndeath' } }
                }
            }
        }
    };
    const JSON_DISEASES = [{ id: JSON_SPEC.id, disease: JSON_SPEC.name }];

    function hash(s) {
        let h = 2166136261;
        for (let i = 0; i < s.length; i++) { h ^= s.charCodeAt(i); h = Math.imul(h, 16777619); }
        return (h >>> 0) / 4294967296;
    }

    function populationOf(country) {
        const sizes = { Germany: 83, France: 68, Italy: 59, Spain: 48, Poland: 37, Netherlands: 17.9, Austria: 9.1, Belgium: 11.7, EUEEA: 450, Iceland: 0.38, Malta: 0.53 };
        return (sizes[country] || (2 + hash(country) * 20)) * 1e6;
    }

    function ageShare(i) {
        const base = [0.010, 0.040, 0.050, 0.050, 0.051, 0.055, 0.060, 0.064, 0.066, 0.067, 0.070, 0.074, 0.072, 0.066, 0.058, 0.052, 0.042, 0.030, 0.023];
        return base[i];
    }

    function tableMap(name, cell, meta) {
        return {
            factorNames: ['Age', 'Gender'],
            stratified: AGE_GROUPS.map(function (a, i) {
                const row = { id: i, Age: a };
                SEXES.forEach(function (s, j) { row[s] = cell(i, j); });
                return row;
            }),
            meta: (meta || []).map(function (m, i) { return { id: i, ParameterName: m[0], DisplayString: m[1], Value: m[2] }; }),
            name: name
        };
    }

    /* ---------- illustrative results ---------- */

    function stat(mean, spread, n) {
        if (n === 0) return { 'Quantile0.025': '-', 'Quantile0.5': '-', 'Quantile0.975': '-', Mean: '-' };
        return { 'Quantile0.025': mean * (1 - spread), 'Quantile0.5': mean * (1 - spread * 0.08), 'Quantile0.975': mean * (1 + spread * 1.4), Mean: mean };
    }

    function burdenShape(i, j) {
        const infant = i === 0 ? 2.2 : 0;
        return (0.15 + infant + Math.pow(i / 18, 2.2) * 3.2) * (j === 1 ? 1.15 : 0.9);
    }

    function stratified(total, spread, n) {
        const shapes = AGE_GROUPS.map(function (_, i) { return [burdenShape(i, 0), burdenShape(i, 1)]; });
        const sum = shapes.reduce(function (s, p) { return s + p[0] + p[1]; }, 0);
        const list = function (j) {
            if (n < 2) return [];
            return AGE_GROUPS.map(function (a, i) { return Object.assign({ id: i, Age: a }, stat(total * shapes[i][j] / sum, spread, n)); });
        };
        return { meta: [], arrayFemale: list(0), arrayMale: list(1) };
    }

    function modelFigures(m) {
        const pop = populationOf(m.countryID);
        const h = hash(m.countryID + '/' + m.diseaseID);
        const cases = Math.round(pop / 1e5 * (8 + 30 * h) * (m.discountFactor || 1));
        const deaths = cases * (0.06 + 0.1 * hash(m.diseaseID));
        const yld = cases * (0.05 + 0.2 * hash(m.diseaseID + 'yld'));
        const yll = deaths * (7 + 6 * h) * (1 - Math.min(0.6, m.discount * 8));
        return { pop: pop, cases: cases, deaths: deaths, yld: yld, yll: yll };
    }

    function totalsMap(f, n) {
        const daly = f.yld + f.yll;
        return {
            yld: stat(f.yld, 0.35, n), yldPer100k: stat(f.yld * 1e5 / f.pop, 0.35, n),
            yll: stat(f.yll, 0.45, n), yllPer100k: stat(f.yll * 1e5 / f.pop, 0.45, n),
            daly: stat(daly, 0.4, n), dalyPerCase: stat(daly / f.cases, 0.3, n), dalyPer100k: stat(daly * 1e5 / f.pop, 0.4, n),
            cases: stat(f.cases, 0.25, n), incidencePer100k: stat(f.cases * 1e5 / f.pop, 0.25, n),
            deaths: stat(f.deaths, 0.4, n), mortalityPer100k: stat(f.deaths * 1e5 / f.pop, 0.4, n)
        };
    }

    function categorized(f, n) {
        const out = {};
        const parts = { yld: f.yld, yll: f.yll, daly: f.yld + f.yll };
        for (const k of Object.keys(parts)) {
            out[k] = stratified(parts[k], 0.4, n);
            out[k + 'PerCase'] = stratified(parts[k] / f.cases * 19, 0.3, n);
            out[k + 'Per100k'] = stratified(parts[k] * 1e5 / f.pop * 19, 0.4, n);
            out[k + 'Per100kTotalPopulation'] = stratified(parts[k] * 1e5 / f.pop, 0.4, n);
        }
        return out;
    }

    function sequelaMap(acuteYld, acuteYll, seqYld, seqYll, cases, pop, n, tenKeys) {
        const one = function (yld, yll) {
            const m = {
                yld: stat(yld, 0.35, n), yldPer100k: stat(yld * 1e5 / pop, 0.35, n),
                yll: stat(yll, 0.45, n), yllPer100k: stat(yll * 1e5 / pop, 0.45, n),
                daly: stat(yld + yll, 0.4, n), dalyPerCase: stat((yld + yll) / cases, 0.3, n), dalyPer100k: stat((yld + yll) * 1e5 / pop, 0.4, n)
            };
            if (tenKeys) {
                m.yldPer100kTotalPopulation = stat(yld * 1e5 / pop, 0.35, n);
                m.yllPer100kTotalPopulation = stat(yll * 1e5 / pop, 0.45, n);
                m.dalyPer100kTotalPopulation = stat((yld + yll) * 1e5 / pop, 0.4, n);
            }
            return m;
        };
        return { acute: one(acuteYld, acuteYll), sequela: one(seqYld, seqYll), total: one(acuteYld + seqYld, acuteYll + seqYll) };
    }

    function treesOf(model) {
        if (model.jsonDiseaseSpec && model.jsonDiseaseSpec.outcomeTrees) {
            return Object.keys(model.jsonDiseaseSpec.outcomeTrees).sort().map(function (k) {
                const t = model.jsonDiseaseSpec.outcomeTrees[k];
                const outs = t.healthOutcomesRunOrder.map(function (id) { return t.healthOutcomes[id]; })
                    .filter(function (o) { return o.type === 'ACUTE' || o.type === 'SEQUELA'; });
                return { id: t.id, name: t.name, outcomes: outs.map(function (o) { return { name: o.name, acute: o.type === 'ACUTE' }; }) };
            });
        }
        return [{ id: 'T1', name: 'Healthcare-associated infection', outcomes: [
            { name: 'Acute infection', acute: true }, { name: 'Prolonged hospital stay', acute: true }, { name: 'Long-term disability', acute: false }] }];
    }

    function detailedDoc(model) {
        const trees = treesOf(model);
        if (!model.figures) {
            return { detailedResults: trees.map(function (t) { return { outcomeTreeID: t.id, outcomeTreeName: t.name, sequelaTypeAggregatedResults: {}, healthOutcomeAggregatedResults: [] }; }),
                totalCategorizedResults: {}, totalSequelaTypeResults: {} };
        }
        const f = model.figures, n = model.samples;
        const share = 1 / trees.length;
        const doc = { detailedResults: [], totalCategorizedResults: categorized(f, n), totalSequelaTypeResults: sequelaMap(f.yld * 0.7, f.yll * 0.8, f.yld * 0.3, f.yll * 0.2, f.cases, f.pop, n, false) };
        trees.forEach(function (t, ti) {
            const tc = f.cases * share;
            const outs = t.outcomes.map(function (o, oi) {
                const w = (oi + 1) / (t.outcomes.length * (t.outcomes.length + 1) / 2);
                const y = f.yld * share * w, l = f.yll * share * w * (o.acute ? 1 : 0.3), q = tc * w, d = f.deaths * share * w;
                return {
                    name: o.name, acuteType: o.acute ? 'acute' : 'sequela',
                    yld: stat(y, 0.35, n), yldPer100k: stat(y * 1e5 / f.pop, 0.35, n), yldPer100kTotalPopulation: stat(y * 1e5 / f.pop, 0.35, n),
                    yll: stat(l, 0.45, n), yllPer100k: stat(l * 1e5 / f.pop, 0.45, n), yllPer100kTotalPopulation: stat(l * 1e5 / f.pop, 0.45, n),
                    daly: stat(y + l, 0.4, n), dalyPerCase: stat((y + l) / tc, 0.3, n), dalyPer100k: stat((y + l) * 1e5 / f.pop, 0.4, n),
                    dalyPer100kTotalPopulation: stat((y + l) * 1e5 / f.pop, 0.4, n),
                    populationCasesCount: stat(q, 0.25, n), deathCasesCount: stat(d, 0.4, n), allCasesCount: stat(q + d, 0.25, n),
                    incidencePer100k: stat(q * 1e5 / f.pop, 0.25, n), mortalityPer100k: stat(d * 1e5 / f.pop, 0.4, n)
                };
            });
            doc.detailedResults.push({
                outcomeTreeID: t.id, outcomeTreeName: t.name,
                sequelaTypeAggregatedResults: sequelaMap(f.yld * share * 0.7, f.yll * share * 0.8, f.yld * share * 0.3, f.yll * share * 0.2, tc, f.pop, n, true),
                healthOutcomeAggregatedResults: outs
            });
            if (ti > 5) return;
        });
        return doc;
    }

    /* ---------- formula check, as the program's checker would answer for simple formulas ---------- */

    function formulaOk(text) {
        const t = String(text === undefined || text === null ? '' : text).trim();
        if (t === '') return false;
        let depth = 0;
        for (const ch of t) {
            if (ch === '(') depth++;
            else if (ch === ')') depth--;
            else if (ch === ',' && depth === 0) return false;
            if (depth < 0) return false;
        }
        if (depth !== 0) return false;
        const rest = t.replace(/\b(RandUniform|RandPert|RandNormal|RandGamma|RandBeta|RandTriangular|RandDiscrete)\b/g, '');
        return /^[0-9.eE+\-*/()\s,]+$/.test(rest);
    }

    function checkTable(map) {
        const rows = (map && map.stratified) || [];
        let ok = true;
        const checked = rows.map(function (r) {
            const out = { id: r.id, Age: r.Age };
            for (const k of Object.keys(r)) {
                if (k === 'id' || k === 'Age') continue;
                out[k] = formulaOk(r[k]);
                if (!out[k]) ok = false;
            }
            return out;
        });
        return { ok: ok, table: { factorNames: (map && map.factorNames) || [], stratified: checked } };
    }

    function applyTables(tables, title, checkSignal, messageSignal, gui) {
        const check = {}, applied = [], refused = [];
        for (const t of tables) {
            const r = checkTable(t.map);
            if (r.ok) applied.push(t.label); else { refused.push(t.label); check[t.key] = r.table; }
        }
        if (refused.length) gui[messageSignal].emit(title, 'Changes have NOT been applied to:<br /><ul><li>' + refused.join('</li><li>') + '</li></ul>', 'error');
        if (applied.length) gui[messageSignal].emit(title, 'Changes have been applied to:<br /><ul><li>' + applied.join('</li><li>') + '</li></ul>', 'info');
        gui[checkSignal].emit(check);
        return applied.length > 0;
    }

    /* ---------- the simulated program ---------- */

    const program = {
        selectedCountries: [], selectedDiseases: [], models: [], counter: 0,
        numSamples: 1000, timeDiscountRate: 0, running: false
    };

    function modelInfo(m) {
        return { countryID: m.countryID, diseaseID: m.diseaseID, modelID: m.modelID, countryName: m.countryName,
            diseaseName: m.diseaseName, isCongenital: false, jsonDiseaseSpec: m.jsonDiseaseSpec };
    }

    function displayName(m) { return m.countryName + ' - ' + m.diseaseName + ' - ' + m.modelID; }

    function findModel(c, d, id) {
        return program.models.find(function (m) { return m.countryID === c && m.diseaseID === d && m.modelID === id; });
    }

    const SIGNALS = ['pageOpenNotified', 'countrySelectionChangeRequested', 'diseaseSelectionChangeRequested', 'createModelsRequested',
        'deleteModelsRequested', 'modelSelectionRequested', 'showingOutcomeTreeElementDetailsRequested', 'applyingChangesToModelParamsRequested',
        'applyingChangesToYLDParamsRequested', 'applyingChangesToYLLParamsRequested', 'applyingChangesToTransParamsRequested',
        'settingNumSamplesRequested', 'settingTimeDiscountRateRequested', 'runningModelsRequested', 'showingDetailedResultsRequested',
        'programReinitialized', 'showMessage', 'showMessageInYLDPage', 'showMessageInYLLPage', 'showMessageInTransPage', 'modelsCreated',
        'modelSelected', 'detailedResultsAvailable', 'aggregatedResultsAvailable', 'formulaCheckResultsAvailable',
        'formulaCheckResultsAvailableForYLDPage', 'formulaCheckResultsAvailableForYLLPage', 'formulaCheckResultsAvailableForTransPage',
        'createUpdatableMessage', 'updateMessage', 'destroyUpdatableMessage', 'runStarted', 'runFinished', 'runProgressUpdated',
        'cancellingRunRequested', 'runningChanged', 'runCancelled', 'runFailed', 'runIterationProgressUpdated', 'resultsOutdated',
        'runSettingsChanged', 'formulaErrorsExplained', 'pdfExportFinished'];

    function reinitialize(gui) {
        program.models = [];
        program.counter = 0;
        program.numSamples = 1000;
        program.timeDiscountRate = 0;
        gui.programReinitialized.emit();
    }

    const webGUI = makeObject(SIGNALS, {
        dataRequested: function () { this.programReinitialized.emit(); },
        webLinkClicked: function () {},
        pageOpened: function () {},
        getAvailableDiseases: function () { return REF_DISEASES.concat(JSON_DISEASES); },
        // The preview's reference-data diseases share the sample specification's trees.
        getOutcomeTreeDiagram: function (c, d, id) {
            const m = findModel(c, d, id);
            return m && !(m.jsonDiseaseSpec && m.jsonDiseaseSpec.id) ? { outcomeTrees: clone(JSON_SPEC.outcomeTrees) } : {};
        },
        setSelectedCountries: function (ids) { program.selectedCountries = ids; },
        setSelectedDiseases: function (ids) { program.selectedDiseases = ids; },
        createModels: function () {
            const created = [];
            for (const c of program.selectedCountries) {
                for (const d of program.selectedDiseases) {
                    const id = 'model ' + (++program.counter);
                    const ref = REF_DISEASES.find(function (x) { return x.id === d; });
                    const js = JSON_DISEASES.find(function (x) { return x.id === d; });
                    if (!ref && !js) continue;
                    const m = { countryID: c, diseaseID: d, modelID: id, countryName: countryName(c),
                        diseaseName: (ref || js).disease, jsonDiseaseSpec: ref ? {} : clone(JSON_SPEC), estimType: ref ? 1 : 0 };
                    m.tables = {
                        underestimation: tableMap('Underestimation', function () { return 'RandUniform(1.2, 1.8)'; }, [['description', 'Description', 'Overall multiplier from notified to occurring infections']]),
                        underreporting: tableMap('Underreporting', function () { return 'RandPert(1.1, 1.3, 1.9)'; }, [['description', 'Description', 'Cases that are diagnosed but not reported']]),
                        underascertainment: tableMap('Underascertainment', function (i) { return i < 2 ? '1.6' : 'RandUniform(1.1, 1.4)'; }, [['description', 'Description', 'Infections that are never diagnosed']]),
                        caseBeforeCorr: tableMap('Notification data', function (i, j) {
                            const base = Math.round(populationOf(c) / 1e5 * burdenShape(i, j) * 0.8);
                            return i % 4 === 3 ? 'RandPert(' + Math.round(base * 0.8) + ', ' + base + ', ' + Math.round(base * 1.3) + ')' : String(base);
                        }, [['description', 'Description', 'Average number of reported cases per year, 2016–2020'], ['weblink', 'Weblink', 'https://example.org/surveillance']]),
                        lifeExp: tableMap('Life expectancy', function (i, j) { return (Math.max(3.2, (j ? 79.1 : 84.2) - i * 4.6 + (i === 0 ? 0 : 2.5))).toFixed(1); }, [['description', 'Description', 'Remaining life expectancy at the middle of the age group']]),
                        ageDistr: tableMap('Age distribution', function (i, j) { return String(Math.round(populationOf(c) * ageShare(i) * (j ? 0.49 : 0.51))); }, [])
                    };
                    program.models.push(m);
                    created.push(modelInfo(m));
                }
            }
            if (created.length === 0) this.showMessage.emit('Model creation', 'Data is missing for the selected combination of country and disease.', 'error');
            else this.showMessage.emit('Model creation', created.length + ' new model(s) created.<br />Total number of models defined: ' + program.models.length + '.', 'info');
            this.modelsCreated.emit(created);
        },
        deleteModels: function () {
            reinitialize(this);
            this.showMessage.emit('Model deletion', 'All models have been deleted.', 'info');
        },
        selectModel: function (c, d, id) {
            const m = findModel(c, d, id);
            if (!m) return;
            const report = m.jsonDiseaseSpec && m.jsonDiseaseSpec.id ? 'No disease report found.'
                : '<html><head><style>body{font-family:sans-serif;margin:16px;line-height:1.5} h1{color:#3f6d12;font-size:20px}</style></head><body>' +
                  '<h1>' + m.diseaseName + '</h1><p><i>Illustrative report text for the page preview.</i></p>' +
                  '<p>The burden of infections with antimicrobial-resistant bacteria is estimated from notified cases corrected for underreporting and underascertainment.</p>' +
                  '<h2>Outcomes</h2><ul><li>Bloodstream infection, acute phase</li><li>Attributable mortality</li><li>Long-term sequelae</li></ul>' +
                  '<p>More information: <a href="https://example.org/report">surveillance report</a>.</p></body></html>';
            this.modelSelected.emit(modelInfo(m), { underestimation: m.tables.underestimation, underreporting: m.tables.underreporting,
                underascertainment: m.tables.underascertainment, estimType: m.estimType }, m.tables.caseBeforeCorr, m.tables.lifeExp, m.tables.ageDistr, report);
        },
        showOutcomeTreeElementDetails: function (treeId, type, elementId, c, d, id) {
            this.showMessage.emit('Outcome tree', 'Preview: the program would open the <b>' + type + '</b> pop-up for <code>' + elementId + '</code> of tree <code>' + treeId + '</code>.', 'info');
        },
        applyChangesToModelParams: function (info, estimType, ue, ur, ua, cases, le, ad) {
            const m = findModel(info.countryID, info.diseaseID, info.modelID);
            if (!m) return;
            if (estimType === 0 || estimType === 1) m.estimType = estimType;
            const tables = [
                { key: 'caseBeforeCorr', label: 'Average number of cases per year', map: cases },
                { key: 'underestimation', label: 'Underestimation', map: ue },
                { key: 'underreporting', label: 'Underreporting', map: ur },
                { key: 'underascertainment', label: 'Underascertainment', map: ua },
                { key: 'lifeExp', label: 'Life expectancy', map: le },
                { key: 'ageDistr', label: 'Age distribution', map: ad }
            ];
            for (const t of tables) if (checkTable(t.map).ok) m.tables[t.key] = t.map;
            m.figures = null;
            applyTables(tables, 'Model parameters', 'formulaCheckResultsAvailable', 'showMessage', this);
        },
        applyChangesToYLDParams: function (info, sev, dur, prop) {
            applyTables([{ key: 'severity', label: 'Severity', map: sev }, { key: 'duration', label: 'Duration', map: dur },
                { key: 'proportion', label: 'Proportion', map: prop }], 'YLD parameters', 'formulaCheckResultsAvailableForYLDPage', 'showMessageInYLDPage', this);
        },
        applyChangesToYLLParams: function (info, prop) {
            applyTables([{ key: 'proportion', label: 'Proportion', map: prop }], 'YLL parameters', 'formulaCheckResultsAvailableForYLLPage', 'showMessageInYLLPage', this);
        },
        applyChangesToTransParams: function (info, prob, redis) {
            applyTables([{ key: 'probability', label: 'Probability', map: prob }, { key: 'redistribution', label: 'Redistribution', map: redis }],
                'Transition parameters', 'formulaCheckResultsAvailableForTransPage', 'showMessageInTransPage', this);
        },
        getNumSamples: function () { return program.numSamples; },
        isRunning: function () { return false; },
        cancelRun: function () {},
        getTimeDiscountRate: function () { return program.timeDiscountRate; },
        setNumSamples: function (n) { program.numSamples = n; },
        setTimeDiscountRate: function (r) { program.timeDiscountRate = r; },
        runModels: function () {
            const gui = this;
            const list = program.models.slice();
            const count = list.length;
            const pauseAt = params.has('pauseAt') ? parseInt(params.get('pauseAt'), 10) : -1;
            let i = 0, name = '';
            gui.runStarted.emit();
            const step = function () {
                if (i === pauseAt) return;
                if (i < count) {
                    name = displayName(list[i]);
                    gui.runProgressUpdated.emit(i / count, i, count, name);
                    list[i].discount = program.timeDiscountRate;
                    list[i].figures = modelFigures(list[i]);
                    list[i].samples = program.numSamples;
                    i++;
                    setTimeout(step, 120);
                    return;
                }
                gui.runProgressUpdated.emit(count ? i / count : NaN, i, count, name);
                const total = list.reduce(function (acc, m) {
                    acc.pop += m.figures.pop; acc.cases += m.figures.cases; acc.deaths += m.figures.deaths; acc.yld += m.figures.yld; acc.yll += m.figures.yll;
                    return acc;
                }, { pop: 0, cases: 0, deaths: 0, yld: 0, yll: 0 });
                const n = program.numSamples;
                gui.aggregatedResultsAvailable.emit({
                    modelResults: list.map(function (m) {
                        return { id: m.modelID, country: m.countryID, disease: m.diseaseID, countryName: m.countryName, diseaseName: m.diseaseName, results: totalsMap(m.figures, n) };
                    }),
                    totalResults: count ? totalsMap(total, n) : {},
                    allResults: count ? categorized(total, n) : {}
                });
                gui.runFinished.emit(list.map(function (m) {
                    return { countryID: m.countryID, diseaseID: m.diseaseID, modelID: m.modelID, countryName: m.countryName, diseaseName: m.diseaseName };
                }));
            };
            setTimeout(step, 50);
        },
        showDetailedResults: function (c, d, id) {
            const m = findModel(c, d, id);
            if (m) this.detailedResultsAvailable.emit(detailedDoc(m));
        },
        copyTextToClipboard: function (text) { global.mockClipboard = text; },
        pasteFromClipboardToGrid: function (rowNames, colNames, type) {
            const text = global.mockClipboard;
            if (!text) return { stratified: [] };
            const k = type === 'Uniform' ? 2 : (type === 'Pert' ? 3 : 1);
            const def = type === 'Uniform' ? 'RandUniform(0, 0)' : (type === 'Pert' ? 'RandPert(0, 0, 0)' : '0');
            const lines = text.split('\n');
            lines.pop();
            return {
                stratified: rowNames.map(function (r, i) {
                    const row = { id: i, Age: r };
                    const cells = i < lines.length ? lines[i].split('\t') : null;
                    colNames.forEach(function (c, j) {
                        if (!cells) { row[c] = def; return; }
                        const parts = [];
                        for (let p = 0; p < k; p++) {
                            const cell = cells[j * k + p];
                            if (cell === undefined) parts.push('0');
                            else parts.push(/^\s*-?\d+(\.\d+)?([eE][-+]?\d+)?\s*$/.test(cell) ? String(Number(cell)) : cell);
                        }
                        const joined = parts.join(', ');
                        row[c] = k === 2 ? 'RandUniform(' + joined + ')' : (k === 3 ? 'RandPert(' + joined + ')' : joined);
                    });
                    return row;
                })
            };
        },
        copyPngImageToClipboard: function () {},
        savePngImageToFile: function (b64) { global.mockSavedPng = b64; },
        printPage: function () {},
        exportPageToPdf: function () {}
    });

    /* ---------- pop-up data ---------- */

    function elemInfo(node) {
        return { countryID: 'Austria', diseaseID: JSON_SPEC.id, modelID: 'model 1', countryName: 'Austria', diseaseName: JSON_SPEC.name,
            isCongenital: false, jsonDiseaseSpec: {}, outcomeTreeID: 'tree1', outcomeTreeNodeID: node };
    }

    function popupData(page) {
        const results = params.get('results') !== '0';
        const f = { pop: 9.1e6, cases: 2400, deaths: 180, yld: 310, yll: 1900 };
        const n = 1000;
        const base = { ResultsAvailable: results };
        const valueTable = function (name, fn) { return tableMap(name, fn, []); };
        switch (page) {
        case 'infectionView':
            return Object.assign(base, { Caption: 'Infection — Enteric infection', ElemInfo: elemInfo('infection_hs'),
                LifeExpData: tableMap('Life expectancy', function (i, j) { return (Math.max(3.2, (j ? 79.1 : 84.2) - i * 4.6 + (i === 0 ? 0 : 2.5))).toFixed(1); }, [['description', 'Description', 'Remaining life expectancy']]),
                SampleMeanOutputIncidence: results ? valueTable('Incidence (sample mean)', function (i, j) { return Math.round(f.cases * burdenShape(i, j) / 40 * 10) / 10; }) : {} });
        case 'asymptomaticView':
            return Object.assign(base, { Caption: 'Asymptomatic carriage', ElemInfo: elemInfo('asymptomatic_hs'),
                IncidenceData: results ? stratified(f.cases * 0.4, 0.3, n) : {} });
        case 'yldHealthOutcomeView':
            return Object.assign(base, { Caption: 'Gastroenteritis — Moderate, GP visit', ElemInfo: elemInfo('gastro_moderate'),
                SeverityData: tableMap('Severity', function () { return 'RandPert(0.1, 0.15, 0.2)'; }, [['description', 'Description', 'Disability weight of moderate diarrhoea'], ['weblink', 'Weblink', 'https://example.org/disability-weights']]),
                DurationData: tableMap('Duration', function (i) { return i < 2 ? '0.019' : 'RandUniform(0.01, 0.03)'; }, [['duration', 'Duration', 'years']]),
                ProportionData: tableMap('Proportion', function () { return '0.25'; }, [['remaining cases', 'Remaining cases', 'no']]),
                IncidenceData: results ? stratified(f.cases * 0.25, 0.3, n) : {},
                BurdenData: results ? stratified(f.yld * 0.3, 0.35, n) : {},
                RemLEData: results ? stratified(40, 0.05, n) : {} });
        case 'yllHealthOutcomeView':
            return Object.assign(base, { Caption: 'Death', ElemInfo: elemInfo('death_hs'),
                ProportionData: tableMap('Proportion', function () { return '1'; }, []),
                IncidenceData: results ? stratified(f.deaths, 0.4, n) : {},
                BurdenData: results ? stratified(f.yll, 0.45, n) : {},
                RemLEData: results ? stratified(380, 0.05, n) : {} });
        case 'transProbView':
            return Object.assign(base, { Caption: 'Transition: Severe gastroenteritis → Reactive arthritis', ElemInfo: elemInfo('gastro_rea'),
                IsBaseTrans: false, IsRedistributeType: true,
                InputProbability: tableMap('Probability', function (i) { return i > 12 ? 'RandPert(0.02, 0.04, 0.07)' : 'RandPert(0.01, 0.02, 0.04)'; }, [['redistribute', 'Age-group redistribution', 'yes'], ['direct type', 'Lifetime transition probability', 'yes'], ['duration', 'Duration', '']]),
                InputRedistribution: tableMap('Redistribution', function (i) { return String(Math.round(1000 / 19) / 1000); }, []),
                OutputProbabilityData: results ? stratified(0.03 * 38, 0.4, n) : {},
                OutputRedistributionData: results ? stratified(1, 0.1, n) : {},
                OutputIncidenceData: results ? stratified(f.cases * 0.02, 0.4, n) : {} });
        case 'aboutOzmidView':
            return { buildDate: 'Jan 18 2020, 08:34:11', buildVersion: '2.0.0' };
        default:
            return {};
        }
    }

    const pageName = (global.location.pathname.split('/').pop() || '').replace(/\.html$/, '');
    const webData = makeObject(['publishData'], {
        dataRequested: function () { this.publishData.emit(popupData(pageName)); }
    });

    global.qt = { webChannelTransport: { send: function () {}, onmessage: null } };
    global.QWebChannel = function (transport, ready) {
        const channel = this;
        channel.objects = { webGUI: webGUI };
        if (pageName !== 'index' && pageName !== '') channel.objects.webData = webData;
        setTimeout(function () { ready(channel); }, 0);
    };
    global.mockWebGUI = webGUI;

    /* ---------- scenarios that drive the main page for screenshots ---------- */

    function later(ms, fn) { return new Promise(function (res) { setTimeout(function () { fn(); res(); }, ms); }); }

    const SCENARIOS = {
        setup: async function (p) {
            p.selectCountries(['Austria', 'Germany', 'Netherlands']);
            p.selectDiseases(['KlebsiellaCRKPBSI', 'StaphylococcusAureusMRSABSI']);
            await later(50, function () { p.createModels(); });
        },
        modeldata: async function (p) {
            await SCENARIOS.setup(p);
            await later(100, function () { p.openModel('Austria', 'KlebsiellaCRKPBSI', 'model 1'); });
            if (params.get('invalid') === '1') {
                await later(100, function () {
                    const inputs = document.querySelectorAll('#gridLifeExp .cell-input');
                    inputs[3].value = '0,5'; inputs[3].dispatchEvent(new Event('input'));
                    const cases = document.querySelectorAll('#gridCaseBeforeCorr .cell-input');
                    cases[0].value = '120'; cases[0].dispatchEvent(new Event('input'));
                    p.applyModelChanges();
                });
            }
            const sub = params.get('sub');
            if (sub) await later(100, function () { document.querySelector('#modelDataContent .subtab[data-subtab="' + sub + '"]').click(); });
        },
        paste: async function (p) {
            await SCENARIOS.setup(p);
            await later(100, function () { p.openModel('Austria', 'KlebsiellaCRKPBSI', 'model 1'); });
            await later(100, function () {
                global.mockClipboard = '1\t2\t3\t4\n5\t6\t7\t8\n';
                document.querySelector('#gridCaseBeforeCorr [data-paste="Uniform"]').click();
            });
        },
        tree: async function (p) {
            p.selectCountries(['Austria']);
            p.selectDiseases(['IllustrativeEnteric']);
            await later(50, function () { p.createModels(); });
            await later(100, function () { p.openModel('Austria', 'IllustrativeEnteric', 'model 1'); });
            await later(100, function () { document.querySelector('#modelDataContent .subtab[data-subtab="tree"]').click(); });
            if (params.get('click')) await later(100, function () { document.querySelector(params.get('click')).dispatchEvent(new MouseEvent('click', { bubbles: true })); });
        },
        run: async function (p) {
            await SCENARIOS.setup(p);
            await later(100, function () { p.setNumSamples(5000); p.setTimeDiscountRate(0.03); p.showTab('run'); p.runModels(); });
        },
        results: async function (p) {
            p.selectCountries(['Austria', 'Germany', 'Netherlands']);
            p.selectDiseases(['KlebsiellaCRKPBSI', 'StaphylococcusAureusMRSABSI', 'IllustrativeEnteric']);
            await later(50, function () { p.createModels(); });
            await later(100, function () { p.runModels(); });
            await later(1500, function () { p.showTab('results'); });
            if (params.get('sub') === 'detailed') await later(100, function () { p.showDetailedResults('Austria', 'IllustrativeEnteric', 'model 3'); });
        },
        notices: async function () {
            webGUI.showMessage.emit('Model creation', '6 new model(s) created.<br />Total number of models defined: 6.', 'info');
            webGUI.showMessage.emit('Model parameters', 'Changes have NOT been applied to:<br /><ul><li>Life expectancy</li></ul>', 'error');
            webGUI.showMessage.emit('Export', 'Models saved.', 'success');
            webGUI.showMessage.emit('Reference data', 'Sheet <b>Austria</b> has no notification data.', 'warning');
            webGUI.createUpdatableMessage.emit('Exporting models', 'Writing sheet 1 of 4…');
            await later(100, function () { webGUI.updateMessage.emit('Exporting models', 'Writing sheet 3 of 4…'); });
        }
    };

    // Pop-up pages: open a tab, or edit a cell wrongly and apply, after the data arrived.
    if (pageName !== 'index' && (params.get('tab') || params.get('invalid'))) {
        global.addEventListener('load', function () {
            setTimeout(function () {
                if (params.get('invalid') === '1') {
                    const input = document.querySelector('.cell-input');
                    input.value = '0,5';
                    input.dispatchEvent(new Event('input'));
                    document.getElementById('applyChangesButton').click();
                }
                const tab = params.get('tab');
                if (tab) document.querySelector('.subtab[data-subtab="' + tab + '"]').click();
            }, 100);
        });
    }

    const scenario = params.get('scenario');
    if (scenario && SCENARIOS[scenario]) {
        const start = function () {
            const wait = function () {
                if (global.ozmidPage && global.ozmidPage.isReady() && global.ozmidPage.state.availableDiseases.length) SCENARIOS[scenario](global.ozmidPage);
                else setTimeout(wait, 20);
            };
            wait();
        };
        global.addEventListener('load', start);
    }
})(window);

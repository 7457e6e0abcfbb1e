// Drives the main page of a running Ozmid through its automation hook (window.ozmidPage) over the
// web engine's remote debugging port, and measures how long the page's main thread stalls while
// many models run and while their results arrive. Started by page-responsiveness.sh.
//
//   node --experimental-websocket page-responsiveness.js <port> <samples> <settle seconds> [--profile] [--uncertainty]
//
// The probe is a 50 ms timer: a tick that comes late by more than its period is a stall of the
// page's thread (a script, a layout or a paint that ran that long). --profile also times every
// function of the page's modules (Oz.page, Oz.results) and prints those that ran longest;
// --uncertainty runs with the uncertainty analysis, whose answers arrive per model after the run.
'use strict';

const [port, samples, settle] = process.argv.slice(2, 5).map(Number);
const idle = 10;
const profile = process.argv.includes('--profile');
const uncertainty = process.argv.includes('--uncertainty');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function pageTarget() {
    for (let i = 0; i < 120; ++i) {
        try {
            const targets = await (await fetch('http://127.0.0.1:' + port + '/json')).json();
            const main = targets.find((t) => t.type === 'page' && /interface\/index\.html/.test(t.url));
            if (main) return main;
        } catch (e) { /* not listening yet */ }
        await sleep(500);
    }
    throw new Error('the program published no main page on port ' + port);
}

function connect(url) {
    const ws = new WebSocket(url);
    let next = 0;
    const waiting = new Map();
    ws.onmessage = (event) => {
        const message = JSON.parse(event.data);
        const done = waiting.get(message.id);
        if (!done) return;
        waiting.delete(message.id);
        done(message);
    };
    const opened = new Promise((resolve, reject) => { ws.onopen = resolve; ws.onerror = reject; });
    const evaluate = async (expression) => {
        await opened;
        const id = ++next;
        const answer = new Promise((resolve) => waiting.set(id, resolve));
        ws.send(JSON.stringify({ id, method: 'Runtime.evaluate', params: { expression, returnByValue: true } }));
        const message = await answer;
        const r = message.result || {};
        if (message.error || r.exceptionDetails) {
            throw new Error(expression.slice(0, 80) + ': ' + JSON.stringify(message.error || r.exceptionDetails));
        }
        return r.result ? r.result.value : undefined;
    };
    return { evaluate, close: () => ws.close() };
}

async function waitFor(page, expression, seconds, what) {
    const end = Date.now() + seconds * 1000;
    while (Date.now() < end) {
        if (await page.evaluate(expression)) return;
        await sleep(200);
    }
    throw new Error('timed out waiting for ' + what);
}

// Installed in the page: the probe, and with --profile a timer around every module function.
const probe = `(function (profile) {
    const p = window.__probe = { phase: 'idle', worst: { idle: 0, during: 0, end: 0 }, stalls: [], calls: {} };
    const period = 50;
    let last = performance.now();
    // The run ends for the page with the first of these: what they bring is the end's work.
    ['runFinished', 'aggregatedResultsAvailable'].forEach(function (name) {
        Oz.page.webGUI[name].connect(function () { p.phase = 'end'; });
    });
    p.timer = setInterval(function () {
        const now = performance.now();
        const gap = now - last - period;
        last = now;
        const phase = p.phase;
        if (gap > p.worst[phase]) p.worst[phase] = gap;
        if (gap > 100) p.stalls.push([Math.round(now), Math.round(gap), phase]);
    }, period);
    // The page's own work: the time each message of the program (a signal and its handlers) took.
    const transport = qt.webChannelTransport;
    const deliver = transport.onmessage;
    p.messages = { idle: [0, ''], during: [0, ''], end: [0, ''] };
    transport.onmessage = function (message) {
        const t = performance.now();
        try { return deliver.apply(this, arguments); } finally {
            const d = performance.now() - t;
            // Named by its size and its first characters (its signal's index).
            if (d > p.messages[p.phase][0]) p.messages[p.phase] = [d, message.data.length + ' characters: ' + message.data.slice(0, 40)];
        }
    };
    if (!profile) return true;
    [['page', Oz.page], ['results', Oz.results]].forEach(function (m) {
        Object.keys(m[1]).forEach(function (name) {
            const f = m[1][name];
            if (typeof f !== 'function') return;
            m[1][name] = function () {
                const t = performance.now();
                try { return f.apply(this, arguments); } finally {
                    const c = p.calls[m[0] + '.' + name] || (p.calls[m[0] + '.' + name] = { n: 0, total: 0, longest: 0 });
                    const d = performance.now() - t;
                    c.n += 1; c.total += d; c.longest = Math.max(c.longest, d);
                }
            };
        });
    });
    return true;
})(${profile})`;

async function main() {
    const target = await pageTarget();
    const page = connect(target.webSocketDebuggerUrl);
    await waitFor(page, '!!window.ozmidPage && ozmidPage.isReady() && ozmidPage.state.countries.length > 0 && ' +
        'ozmidPage.state.availableDiseases.length > 0', 60, 'the page');
    const state = await page.evaluate('ozmidPage.state');
    const countries = state.countries.map((c) => c.id);
    const diseases = state.availableDiseases.map((d) => d.id);
    const expected = countries.length * diseases.length;
    await page.evaluate(`ozmidPage.selectCountries(${JSON.stringify(countries)});
        ozmidPage.selectDiseases(${JSON.stringify(diseases)}); ozmidPage.createModels();`);
    await waitFor(page, `ozmidPage.state.models.length === ${expected}`, 120, expected + ' models');
    console.log(`${expected} models (${countries.length} countries x ${diseases.length} diseases), ${samples} samples each` +
        (uncertainty ? ', with the uncertainty analysis' : ''));

    await page.evaluate(probe);
    // The floor: how late the timer comes while the page has nothing to do, on this machine now.
    await sleep(idle * 1000);
    await page.evaluate("window.__probe.phase = 'during'");
    const started = Date.now();
    if (!await page.evaluate(`ozmidPage.setUncertaintyAnalysis(${uncertainty}) === ${uncertainty} && ` +
        `ozmidPage.setNumSamples(${samples}) === ${samples} && ozmidPage.runModels()`)) {
        throw new Error('the page did not start the run');
    }
    await waitFor(page, "ozmidPage.state.lastRunOutcome === 'finished' && !ozmidPage.state.running && " +
        'ozmidPage.state.lastAggregatedResults !== null', 3600, 'the end of the run');
    const ran = (Date.now() - started) / 1000;
    // The page keeps working after the run: the analysis of each model, the tables and charts.
    await sleep(settle * 1000);
    const p = await page.evaluate('clearInterval(window.__probe.timer), window.__probe');
    const renders = await page.evaluate('ozmidPage.state.aggregatedRenders');

    const s = (ms) => (ms / 1000).toFixed(3) + ' s';
    console.log(`run took ${ran.toFixed(1)} s; the table of all models was drawn ${renders} times`);
    console.log(`longest stall of the idle page before the run (${idle} s): ${s(p.worst.idle)}`);
    console.log(`longest stall during the run: ${s(p.worst.during)}`);
    console.log(`longest stall at the end (from the end of the run to ${settle} s after): ${s(p.worst.end)}`);
    const worst = Math.max(p.worst.during, p.worst.end);
    console.log(`longest stall: ${s(worst)} (${p.worst.during >= p.worst.end ? 'during the run' : 'at the end'})`);
    for (const phase of ['during', 'end']) {
        console.log(`longest handling of one message of the program ${phase === 'end' ? 'at the end' : 'during the run'}: ` +
            `${s(p.messages[phase][0])} (${p.messages[phase][1]})`);
    }
    console.log('(the rest of a stall is layout, painting, or waiting for a processor of a busy machine)');
    console.log(`stalls over 0.1 s: ${p.stalls.length}` +
        (p.stalls.length ? ' (' + p.stalls.slice(0, 12).map((x) => x[1] + ' ms ' + x[2]).join(', ') + ')' : ''));
    if (profile) {
        const calls = Object.entries(p.calls).sort((a, b) => b[1].longest - a[1].longest).slice(0, 12);
        for (const [name, c] of calls) {
            console.log(`  ${name}: ${c.n} calls, longest ${c.longest.toFixed(0)} ms, total ${c.total.toFixed(0)} ms`);
        }
    }
    page.close();
    process.exitCode = worst > 500 ? 1 : 0;
}

main().catch((e) => { console.error(String(e.stack || e)); process.exitCode = 2; });

/* Outcome tree diagram: health outcomes (with their health states) as boxes laid out in columns by
   their distance from the infection, transitions as arrows. Elements report clicks with the
   element type and id that the program's detail pop-ups expect. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});
    const SVG_NS = 'http://www.w3.org/2000/svg';

    const ELEMENT_TYPES = {
        INFECTION: 'infection', ACUTE: 'symptomatic', SEQUELA: 'sequela', DEATH: 'death', ASYMPTOMATIC: 'asymptomatic'
    };
    const TYPE_LABELS = {
        INFECTION: 'Infection', ACUTE: 'Acute outcome (YLD)', SEQUELA: 'Sequela (YLD)', DEATH: 'Death (YLL)',
        ASYMPTOMATIC: 'Asymptomatic', RECOVERY: 'Recovery (not modelled)'
    };

    const BOX_W = 196, HEAD_H = 34, NAME_LINE_H = 14, ROW_H = 24, COL_GAP = 150, ROW_GAP = 28, PAD = 24;
    // Characters per line that fit: box titles, state rows, arrow labels.
    const NAME_CHARS = 27, STATE_CHARS = 28, LABEL_CHARS = 20, LABEL_LINE_H = 12;

    function svg(tag, attrs, text) {
        const n = document.createElementNS(SVG_NS, tag);
        if (attrs) for (const k of Object.keys(attrs)) n.setAttribute(k, attrs[k]);
        if (text !== undefined) n.textContent = text;
        return n;
    }

    function sortedValues(obj) {
        if (!obj || typeof obj !== 'object') return [];
        return Object.keys(obj).sort().map(function (k) { return { key: k, value: obj[k] }; });
    }

    function truncate(s, n) {
        s = String(s || '');
        return s.length > n ? s.substring(0, n - 1) + '…' : s;
    }

    /* The text in lines of at most width characters, broken between words (a longer word is cut
       with a hyphen); beyond maxLines the last line ends with an ellipsis. */
    function wrap(text, width, maxLines) {
        const words = String(text || '').split(/\s+/).filter(Boolean);
        const lines = [];
        let current = '';
        for (const word of words) {
            current = current ? current + ' ' + word : word;
            if (current.length <= width) continue;
            const before = current.length - word.length - 1;
            if (before > 0) {
                lines.push(current.substring(0, before));
                current = word;
            }
            while (current.length > width) {
                lines.push(current.substring(0, width - 1) + '-');
                current = current.substring(width - 1);
            }
        }
        if (current) lines.push(current);
        if (lines.length > maxLines) {
            lines.length = maxLines;
            lines[maxLines - 1] = truncate(lines[maxLines - 1], width - 1) + '…';
        }
        return lines;
    }

    // A text element of several lines; the first line's baseline is at y.
    function multiline(attrs, lines, lineHeight) {
        const t = svg('text', attrs);
        lines.forEach(function (line, i) {
            t.appendChild(svg('tspan', { x: attrs.x, dy: i === 0 ? '0' : String(lineHeight) }, line));
        });
        return t;
    }

    /* The drawable structure of one outcome tree of a model specification. */
    function parseTree(treeSpec) {
        const runOrder = Array.isArray(treeSpec.healthOutcomesRunOrder) ? treeSpec.healthOutcomesRunOrder.map(String) : [];
        const hos = treeSpec.healthOutcomes && typeof treeSpec.healthOutcomes === 'object' ? treeSpec.healthOutcomes : {};
        const result = {
            id: String(treeSpec.id || ''), name: String(treeSpec.name || treeSpec.id || ''),
            outcomes: [], transitions: [], valid: true, problem: ''
        };
        if (runOrder.length === 0 || Object.keys(hos).length === 0 || runOrder.length !== Object.keys(hos).length) {
            result.valid = false;
            result.problem = 'The run order and the health outcomes of this tree do not match, so the program does not use it.';
        }
        const byNode = {};
        let infectionId = '';
        runOrder.forEach(function (key, order) {
            const ho = hos[key] || {};
            const type = String(ho.type || '').toUpperCase();
            const states = sortedValues(ho.healthStates).map(function (e) {
                const st = e.value || {};
                return { id: String(st.id || ''), name: String(st.name || st.id || '') };
            });
            const outcome = {
                id: key, name: String(ho.name || key), type: type, order: order, states: states,
                modelled: type !== 'RECOVERY', level: -1
            };
            if (type === 'INFECTION' && !infectionId) infectionId = key;
            result.outcomes.push(outcome);
            byNode[key] = { outcome: outcome, state: null };
            if (states.length === 0) {
                byNode[key + '_hs'] = { outcome: outcome, state: null };
            }
            states.forEach(function (st, i) {
                if (st.id) byNode[st.id] = { outcome: outcome, state: i };
            });
        });
        result.infectionId = infectionId;

        sortedValues(treeSpec.transitions).forEach(function (e) {
            const t = e.value || {};
            let src = String((t.source && t.source.id) || '');
            const tgt = String((t.target && t.target.id) || '');
            if (src && src === infectionId) src = src + '_hs';
            const from = byNode[src], to = byNode[tgt];
            result.transitions.push({
                id: String(t.id || e.key), name: String(t.name || t.id || e.key),
                from: from || null, to: to || null,
                complementary: t.complementaryType === true,
                modelled: !!(from && to && from.outcome.modelled && to.outcome.modelled)
            });
        });
        return result;
    }

    function assignLevels(tree) {
        const outs = tree.outcomes;
        const inf = outs.find(function (o) { return o.type === 'INFECTION'; });
        if (inf) inf.level = 0;
        for (let pass = 0; pass < outs.length + 1; pass++) {
            let changed = false;
            for (const t of tree.transitions) {
                if (!t.from || !t.to || t.from.outcome === t.to.outcome) continue;
                if (t.from.outcome.level < 0) continue;
                const want = t.from.outcome.level + 1;
                if (t.to.outcome.level < want && want <= outs.length) {
                    t.to.outcome.level = want;
                    changed = true;
                }
            }
            if (!changed) break;
        }
        for (const o of outs) if (o.level < 0) o.level = inf ? 1 : 0;
    }

    function headHeight(o) {
        return HEAD_H + (o.nameLines.length - 1) * NAME_LINE_H;
    }

    function boxHeight(o) {
        return headHeight(o) + (o.states.length > 0 ? o.states.length * ROW_H + 6 : 0);
    }

    function layout(tree) {
        assignLevels(tree);
        for (const o of tree.outcomes) o.nameLines = wrap(o.name, NAME_CHARS, 2);
        const columns = [];
        for (const o of tree.outcomes) {
            (columns[o.level] = columns[o.level] || []).push(o);
        }
        const heights = columns.map(function (col) {
            return (col || []).reduce(function (h, o) { return h + boxHeight(o); }, 0) + Math.max(0, (col || []).length - 1) * ROW_GAP;
        });
        const maxH = Math.max.apply(null, heights.concat([60]));
        columns.forEach(function (col, li) {
            if (!col) return;
            let y = PAD + 20 + (maxH - heights[li]) / 2;
            for (const o of col) {
                o.x = PAD + li * (BOX_W + COL_GAP);
                o.y = y;
                o.h = boxHeight(o);
                y += o.h + ROW_GAP;
            }
        });
        return { width: PAD * 2 + columns.length * BOX_W + Math.max(0, columns.length - 1) * COL_GAP, height: maxH + PAD * 2 + 20 };
    }

    function anchor(end, side) {
        const o = end.outcome;
        const x = side === 'out' ? o.x + BOX_W : o.x;
        if (end.state !== null && end.state !== undefined) {
            return { x: x, y: o.y + headHeight(o) + end.state * ROW_H + ROW_H / 2 };
        }
        return { x: x, y: o.y + Math.min(o.h, headHeight(o) + 8) / 2 };
    }

    function elementIdOf(o, stateIndex) {
        if (o.states.length > 0) return o.states[stateIndex === undefined ? 0 : stateIndex].id;
        return o.id + '_hs';
    }

    /* onSelect(treeId, elementType, elementId, label) */
    function drawTree(host, tree, onSelect) {
        const size = layout(tree);
        const root = svg('svg', {
            class: 'outcome-tree', width: String(Math.max(size.width, 320)), height: String(size.height),
            viewBox: '0 0 ' + Math.max(size.width, 320) + ' ' + size.height, role: 'img',
            'aria-label': 'Outcome tree ' + tree.name
        });
        const defs = svg('defs');
        const marker = svg('marker', { id: 'arrowhead-' + host.dataset.treeIndex, viewBox: '0 0 10 10', refX: '9', refY: '5', markerWidth: '7', markerHeight: '7', orient: 'auto-start-reverse' });
        marker.appendChild(svg('path', { d: 'M0,0 L10,5 L0,10 z', fill: '#59615a' }));
        defs.appendChild(marker);
        root.appendChild(defs);
        const markerRef = 'url(#arrowhead-' + host.dataset.treeIndex + ')';

        const edgeLayer = svg('g', { class: 'edges' });
        const labelLayer = svg('g', { class: 'edge-labels' });
        const nodeLayer = svg('g', { class: 'nodes' });
        root.appendChild(edgeLayer);
        root.appendChild(nodeLayer);
        root.appendChild(labelLayer);

        const clickable = function (node, elementType, elementId, label) {
            node.classList.add('clickable');
            node.setAttribute('tabindex', '0');
            node.setAttribute('data-element-type', elementType);
            node.setAttribute('data-element-id', elementId);
            node.appendChild(svg('title', {}, label + ' — click for details'));
            const fire = function (ev) {
                ev.stopPropagation();
                onSelect(tree.id, elementType, elementId, label);
            };
            node.addEventListener('click', fire);
            node.addEventListener('keydown', function (ev) { if (ev.key === 'Enter' || ev.key === ' ') fire(ev); });
        };

        const labels = [];
        for (const t of tree.transitions) {
            if (!t.from || !t.to) continue;
            const a = anchor(t.from, 'out'), b = anchor(t.to, 'in');
            const dx = Math.max(50, Math.abs(b.x - a.x) / 2);
            const c1 = { x: a.x + dx, y: a.y }, c2 = { x: b.x - dx, y: b.y };
            const d = 'M' + a.x + ',' + a.y + ' C' + c1.x + ',' + c1.y + ' ' + c2.x + ',' + c2.y + ' ' + b.x + ',' + b.y;
            const g = svg('g', { class: 'edge' + (t.modelled ? '' : ' not-modelled') + (t.complementary ? ' complementary' : '') });
            g.appendChild(svg('path', { class: 'edge-hit', d: d }));
            g.appendChild(svg('path', { class: 'edge-line', d: d, 'marker-end': markerRef }));
            edgeLayer.appendChild(g);
            if (t.modelled) clickable(g, 'arrow', t.id, 'Transition ' + t.name);

            const lines = wrap(t.name, LABEL_CHARS, 3);
            const longest = Math.max.apply(null, lines.map(function (line) { return line.length; }).concat([1]));
            labels.push({
                t: t, lines: lines, w: Math.max(36, longest * 6.1 + 14), h: 6 + lines.length * LABEL_LINE_H,
                x: (a.x + 3 * c1.x + 3 * c2.x + b.x) / 8, y: (a.y + 3 * c1.y + 3 * c2.y + b.y) / 8
            });
        }

        // Labels of arrows that leave or reach the same box crowd together; push them apart vertically.
        labels.sort(function (p, q) { return p.y - q.y; });
        for (let i = 0; i < labels.length; i++) {
            for (let j = 0; j < i; j++) {
                const p = labels[j], q = labels[i];
                const gap = (p.h + q.h) / 2 + 3;
                if (Math.abs(p.x - q.x) < (p.w + q.w) / 2 + 4 && q.y - p.y < gap) q.y = p.y + gap;
            }
        }
        for (const l of labels) {
            const lg = svg('g', { class: 'edge-label' + (l.t.modelled ? '' : ' not-modelled'), transform: 'translate(' + (l.x - l.w / 2) + ',' + (l.y - l.h / 2) + ')' });
            lg.appendChild(svg('rect', { width: String(l.w), height: String(l.h), rx: '9' }));
            lg.appendChild(multiline({ x: String(l.w / 2), y: '12.5', 'text-anchor': 'middle' }, l.lines, LABEL_LINE_H));
            labelLayer.appendChild(lg);
            if (l.t.modelled) clickable(lg, 'arrow', l.t.id, 'Transition ' + l.t.name);
            else lg.appendChild(svg('title', {}, 'Transition ' + l.t.name + ' (not modelled)'));
        }

        for (const o of tree.outcomes) {
            const typeClass = 'type-' + (o.type || 'unknown').toLowerCase();
            const g = svg('g', { class: 'outcome ' + typeClass + (o.modelled ? '' : ' not-modelled'), transform: 'translate(' + o.x + ',' + o.y + ')' });
            const headH = headHeight(o);
            g.appendChild(svg('rect', { class: 'outcome-box', width: String(BOX_W), height: String(o.h), rx: '6' }));
            const head = svg('g', { class: 'outcome-head' });
            head.appendChild(svg('rect', { class: 'outcome-head-bg', width: String(BOX_W), height: String(headH), rx: '6' }));
            head.appendChild(multiline({ class: 'outcome-name', x: '10', y: '15' }, o.nameLines, NAME_LINE_H));
            head.appendChild(svg('text', { class: 'outcome-type', x: '10', y: String(headH - 6) }, TYPE_LABELS[o.type] || o.type || 'Unknown type'));
            g.appendChild(head);
            const elementType = ELEMENT_TYPES[o.type];
            if (elementType && o.modelled) clickable(head, elementType, elementIdOf(o), o.name);
            else head.appendChild(svg('title', {}, o.name));
            o.states.forEach(function (st, i) {
                const row = svg('g', { class: 'state-row', transform: 'translate(6,' + (headH + i * ROW_H + 2) + ')' });
                row.appendChild(svg('rect', { width: String(BOX_W - 12), height: String(ROW_H - 4), rx: '4' }));
                row.appendChild(svg('text', { x: '8', y: '14' }, truncate(st.name, STATE_CHARS)));
                g.appendChild(row);
                if (elementType && o.modelled && st.id) clickable(row, elementType, st.id, o.name + ' – ' + st.name);
                else row.appendChild(svg('title', {}, st.name));
            });
            nodeLayer.appendChild(g);
        }
        host.appendChild(root);
    }

    /* spec: a JSON model specification (the model's info.jsonDiseaseSpec). Returns the number of trees drawn. */
    Oz.drawOutcomeTrees = function (host, spec, onSelect) {
        host.innerHTML = '';
        const trees = sortedValues(spec && spec.outcomeTrees).map(function (e) { return parseTree(e.value || {}); });
        let index = 0;
        for (const tree of trees) {
            const box = Oz.el('div', { class: 'tree-box' });
            box.appendChild(Oz.el('h4', { text: tree.name + (tree.name !== tree.id && tree.id ? ' (' + tree.id + ')' : '') }));
            if (!tree.valid) box.appendChild(Oz.el('p', { class: 'hint warning-text', text: tree.problem }));
            const canvas = Oz.el('div', { class: 'tree-canvas', 'data-tree-id': tree.id, 'data-tree-index': String(index++) });
            box.appendChild(canvas);
            host.appendChild(box);
            drawTree(canvas, tree, onSelect);
        }
        if (trees.length > 0) {
            const legend = Oz.el('div', { class: 'tree-legend' });
            for (const type of ['INFECTION', 'ACUTE', 'SEQUELA', 'DEATH', 'ASYMPTOMATIC', 'RECOVERY']) {
                legend.appendChild(Oz.el('span', { class: 'legend-item type-' + type.toLowerCase() }, [
                    Oz.el('span', { class: 'swatch' }), TYPE_LABELS[type]
                ]));
            }
            host.appendChild(legend);
        }
        return trees.length;
    };

    Oz.outcomeTree = { parseTree: parseTree, elementTypes: ELEMENT_TYPES, wrap: wrap };
})(window);

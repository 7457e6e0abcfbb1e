/* Editable table of one stratified parameter (rows: levels of the first factor, columns: levels of
   the second), with its metadata rows, clipboard paste and formula-check highlights. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});
    const el = function () { return Oz.el.apply(null, arguments); };

    const ROW_RESERVED = ['id', 'Age'];

    class ParamGrid {
        /* options: key (formula check key), title, editable, unit, getWebGUI (function), onEdit */
        constructor(host, options) {
            this.host = host;
            this.options = Object.assign({ editable: true, unit: '' }, options || {});
            this.map = null;
            this.columns = [];
            this.inputs = [];
            this.metaInputs = [];
            this.dirty = false;
            this.warnings = [];
            this.render();
        }

        setData(map) {
            this.map = map ? Oz.clone(map) : null;
            this.dirty = false;
            this.render();
        }

        isEmpty() {
            return !this.map || !Array.isArray(this.map.stratified) || this.map.stratified.length === 0;
        }

        rowNames() {
            if (this.isEmpty()) return [];
            return this.map.stratified.map(function (r) { return String(r.Age); });
        }

        colNames() {
            return this.columns.slice();
        }

        static columnsOf(map) {
            if (!map || !Array.isArray(map.stratified) || map.stratified.length === 0) return [];
            const cols = [];
            for (const row of map.stratified) {
                for (const k of Object.keys(row)) {
                    if (ROW_RESERVED.indexOf(k) < 0 && cols.indexOf(k) < 0) cols.push(k);
                }
            }
            return cols;
        }

        render() {
            const o = this.options;
            this.host.innerHTML = '';
            this.host.classList.add('panel', 'param-grid-panel');
            this.inputs = [];
            this.metaInputs = [];

            const titleText = (this.map && this.map.name) ? this.map.name : (o.title || '');
            const head = el('div', { class: 'panel-head' }, [
                el('h3', { text: o.title || titleText, title: titleText })
            ]);
            const tools = el('div', { class: 'head-tools' });
            if (o.editable) {
                tools.appendChild(el('span', { class: 'tool-label', text: 'Paste as' }));
                for (const type of ['Constant', 'Uniform', 'Pert']) {
                    tools.appendChild(el('button', {
                        class: 'btn btn-small', type: 'button',
                        title: type === 'Constant' ? 'One clipboard cell per table cell'
                            : (type === 'Uniform' ? 'Two clipboard cells (min, max) per table cell'
                                : 'Three clipboard cells (min, mode, max) per table cell'),
                        'data-paste': type, text: type,
                        onclick: () => this.paste(type)
                    }));
                }
            }
            tools.appendChild(el('button', {
                class: 'btn btn-small', type: 'button', title: 'Copy the cells as tab-separated text',
                text: 'Copy', onclick: () => this.copy()
            }));
            head.appendChild(tools);
            this.host.appendChild(head);

            if (this.isEmpty()) {
                this.columns = [];
                this.host.appendChild(el('p', { class: 'empty-note', text: 'This parameter is not stratified into a table.' }));
                this.renderMeta();
                this.showWarnings();
                return;
            }

            this.columns = ParamGrid.columnsOf(this.map);
            const factorNames = Array.isArray(this.map.factorNames) ? this.map.factorNames : [];
            const table = el('table', { class: 'data-table param-grid' });
            if (o.key) table.dataset.key = o.key;
            const thead = el('thead');
            if (factorNames.length > 1) {
                thead.appendChild(el('tr', { class: 'factor-row' }, [
                    el('th', {}),
                    el('th', { colspan: String(this.columns.length), text: factorNames[1] })
                ]));
            }
            thead.appendChild(el('tr', {}, [el('th', { text: factorNames[0] || 'Age' })]
                .concat(this.columns.map(function (c) { return el('th', { text: c }); }))));
            table.appendChild(thead);

            const tbody = el('tbody');
            this.map.stratified.forEach((row, ri) => {
                const tr = el('tr', { 'data-row': String(ri) }, [el('th', { class: 'row-head', text: String(row.Age) })]);
                const rowInputs = [];
                this.columns.forEach((col, ci) => {
                    const value = row[col] === undefined || row[col] === null ? '' : String(row[col]);
                    const td = el('td', { 'data-col': col });
                    if (o.editable) {
                        const input = el('input', {
                            type: 'text', class: 'cell-input', spellcheck: 'false', value: value,
                            'aria-label': String(row.Age) + ', ' + col
                        });
                        input.addEventListener('input', () => {
                            td.classList.add('cell-edited');
                            td.classList.remove('cell-invalid');
                            this.markDirty();
                        });
                        input.addEventListener('keydown', (ev) => this.navigate(ev, ri, ci));
                        td.appendChild(input);
                        rowInputs.push(input);
                    } else {
                        td.textContent = value;
                        td.className = 'cell-readonly';
                    }
                    tr.appendChild(td);
                });
                this.inputs.push(rowInputs);
                tbody.appendChild(tr);
            });
            table.appendChild(tbody);
            this.host.appendChild(el('div', { class: 'table-scroll' }, [table]));
            this.renderMeta();
            this.showWarnings();
        }

        /* warnings: the program's cells of this table whose values lie outside their domain
           ({row, column, stratum, formula, text}); each marks its cell, and those the table does
           not show are listed above it. They stay until the program says otherwise. */
        setWarnings(warnings) {
            this.warnings = Array.isArray(warnings) ? warnings : [];
            this.showWarnings();
        }

        showWarnings() {
            this.host.querySelectorAll('td.cell-warning').forEach(function (td) {
                td.classList.remove('cell-warning');
                td.removeAttribute('title');
            });
            const old = this.host.querySelector('.grid-warnings');
            if (old) old.remove();
            const unshown = [];
            for (const w of this.warnings || []) {
                const tr = w.row >= 0 ? this.host.querySelector('tr[data-row="' + w.row + '"]') : null;
                const td = tr ? Array.from(tr.querySelectorAll('td[data-col]')).find(function (x) { return x.dataset.col === w.column; }) : null;
                if (!td) { unshown.push(w); continue; }
                td.classList.add('cell-warning');
                td.title = '"' + w.formula + '" ' + w.text;
            }
            if (unshown.length === 0) return;
            const note = el('p', { class: 'note-warning grid-warnings', text: unshown.map(function (w) {
                return w.stratum + ': "' + w.formula + '" ' + w.text;
            }).join('; ') });
            const head = this.host.querySelector('.panel-head');
            this.host.insertBefore(note, head ? head.nextSibling : this.host.firstChild);
        }

        renderMeta() {
            const meta = this.map && Array.isArray(this.map.meta) ? this.map.meta : [];
            if (meta.length === 0) return;
            const table = el('table', { class: 'data-table meta-table' });
            const tbody = el('tbody');
            meta.forEach((row) => {
                const value = row.Value === undefined || row.Value === null ? '' : String(row.Value);
                const cell = el('td');
                if (this.options.editable) {
                    const input = el('input', { type: 'text', class: 'meta-input', value: value, 'aria-label': row.DisplayString });
                    input.addEventListener('input', () => this.markDirty());
                    this.metaInputs.push({ row: row, input: input });
                    cell.appendChild(input);
                } else if (/^https?:/i.test(value)) {
                    cell.appendChild(el('a', { href: value, text: value }));
                } else {
                    cell.textContent = value;
                }
                tbody.appendChild(el('tr', {}, [el('th', { text: row.DisplayString || row.ParameterName || '' }), cell]));
            });
            table.appendChild(tbody);
            this.host.appendChild(table);
        }

        navigate(ev, ri, ci) {
            let r = ri, c = ci;
            if (ev.key === 'Enter' || ev.key === 'ArrowDown') r++;
            else if (ev.key === 'ArrowUp') r--;
            else return;
            ev.preventDefault();
            if (this.inputs[r] && this.inputs[r][c]) {
                this.inputs[r][c].focus();
                this.inputs[r][c].select();
            }
        }

        markDirty() {
            this.dirty = true;
            if (this.options.onEdit) this.options.onEdit(this);
        }

        /* The map as it goes back to the program: the received layout with the edited cells. */
        getData() {
            if (!this.map) return {};
            const out = Oz.clone(this.map);
            if (this.options.editable && Array.isArray(out.stratified)) {
                out.stratified.forEach((row, ri) => {
                    this.columns.forEach((col, ci) => {
                        const input = this.inputs[ri] && this.inputs[ri][ci];
                        if (input) row[col] = input.value.trim();
                    });
                });
            }
            if (this.options.editable && Array.isArray(out.meta)) {
                out.meta.forEach((row, i) => {
                    const entry = this.metaInputs[i];
                    if (entry) row.Value = entry.input.value;
                });
            }
            return out;
        }

        setCellValue(ri, col, value) {
            const ci = this.columns.indexOf(col);
            const input = this.inputs[ri] && this.inputs[ri][ci];
            if (!input) return;
            const text = value === undefined || value === null ? '' : String(value);
            if (input.value !== text) {
                input.value = text;
                input.parentNode.classList.add('cell-edited');
                input.parentNode.classList.remove('cell-invalid');
                this.dirty = true;
            }
        }

        paste(type) {
            const gui = this.options.getWebGUI && this.options.getWebGUI();
            if (!gui || this.isEmpty()) return;
            gui.pasteFromClipboardToGrid(this.rowNames(), this.colNames(), type, (result) => {
                const rows = result && Array.isArray(result.stratified) ? result.stratified : [];
                if (rows.length === 0) {
                    Oz.notify('Paste', 'The clipboard holds no text to paste.', 'warning');
                    return;
                }
                rows.forEach((row, i) => {
                    const ri = Oz.isNumber(row.id) ? row.id : i;
                    for (const col of this.columns) {
                        if (col in row) this.setCellValue(ri, col, row[col]);
                    }
                });
                this.markDirty();
            });
        }

        toTsv(withHeader) {
            if (this.isEmpty()) return '';
            const data = this.getData();
            const lines = [];
            if (withHeader) {
                const fn = Array.isArray(data.factorNames) && data.factorNames[0] ? data.factorNames[0] : 'Age';
                lines.push([fn].concat(this.columns).map(Oz.tsvEscape).join('\t'));
            }
            for (const row of data.stratified) {
                const cells = this.columns.map(function (c) { return Oz.tsvEscape(row[c]); });
                lines.push((withHeader ? [Oz.tsvEscape(row.Age)] : []).concat(cells).join('\t'));
            }
            return lines.join('\n') + '\n';
        }

        copy() {
            const gui = this.options.getWebGUI && this.options.getWebGUI();
            if (!gui || this.isEmpty()) return;
            // Without row labels the copied block pastes straight back as constants.
            gui.copyTextToClipboard(this.toTsv(!this.options.editable));
        }

        /* checkMap: table map whose cells are booleans (false: formula rejected), or null to clear. */
        setCheck(checkMap) {
            const cells = this.host.querySelectorAll('td[data-col]');
            cells.forEach(function (td) { td.classList.remove('cell-invalid'); });
            this.host.classList.remove('has-invalid');
            if (!checkMap || !Array.isArray(checkMap.stratified)) return;
            let bad = 0;
            checkMap.stratified.forEach((row, i) => {
                const ri = Oz.isNumber(row.id) ? row.id : i;
                const tr = this.host.querySelector('tr[data-row="' + ri + '"]');
                if (!tr) return;
                for (const col of this.columns) {
                    if (row[col] === false) {
                        const td = Array.from(tr.querySelectorAll('td[data-col]')).find(function (x) { return x.dataset.col === col; });
                        if (td) { td.classList.add('cell-invalid'); bad++; }
                    }
                }
            });
            if (bad > 0) this.host.classList.add('has-invalid');
        }

        clearEdited() {
            this.dirty = false;
            this.host.querySelectorAll('.cell-edited').forEach(function (td) { td.classList.remove('cell-edited'); });
        }
    }

    Oz.ParamGrid = ParamGrid;
})(window);

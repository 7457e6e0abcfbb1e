/* Notices from the program (title, small HTML text, type), the one updatable progress message and
   the page's small confirmation dialog. */
(function (global) {
    'use strict';

    const Oz = global.Oz || (global.Oz = {});

    const ALLOWED_TAGS = ['B', 'I', 'U', 'EM', 'STRONG', 'BR', 'UL', 'OL', 'LI', 'P', 'SPAN', 'CODE', 'A', 'DIV', 'SMALL', 'SUB', 'SUP'];
    const TYPES = ['info', 'error', 'success', 'warning'];

    // Message texts carry a little markup; anything beyond simple formatting is dropped.
    Oz.sanitizeHtml = function (html) {
        const tpl = document.createElement('template');
        tpl.innerHTML = String(html === undefined || html === null ? '' : html);
        const walk = function (node) {
            for (const child of Array.from(node.childNodes)) {
                if (child.nodeType === Node.ELEMENT_NODE) {
                    if (ALLOWED_TAGS.indexOf(child.tagName) < 0) {
                        if (child.tagName === 'SCRIPT' || child.tagName === 'STYLE') {
                            child.remove();
                            continue;
                        }
                        walk(child);
                        while (child.firstChild) node.insertBefore(child.firstChild, child);
                        child.remove();
                        continue;
                    }
                    for (const attr of Array.from(child.attributes)) {
                        const keep = child.tagName === 'A' && attr.name === 'href' && /^https?:/i.test(attr.value);
                        if (!keep) child.removeAttribute(attr.name);
                    }
                    walk(child);
                }
            }
        };
        walk(tpl.content);
        const div = document.createElement('div');
        div.appendChild(tpl.content);
        return div.innerHTML;
    };

    Oz.messageLog = [];

    function host() {
        let h = document.getElementById('notifications');
        if (!h) {
            h = document.createElement('div');
            h.id = 'notifications';
            h.className = 'notifications';
            document.body.appendChild(h);
        }
        return h;
    }

    // How long each kind of notice stays, in ms; 0: until dismissed.
    const LIFETIME_MS = Oz.noticeLifetimeMs = { info: 7000, success: 5000, warning: 12000, error: 0 };
    const MAX_PASSING = 4;

    // The text on one line: line breaks and list items become separators.
    function oneLine(html) {
        const div = document.createElement('div');
        div.innerHTML = Oz.sanitizeHtml(html);
        div.querySelectorAll('br, li, p, div').forEach(function (n) { n.before(' · '); });
        return div.textContent.replace(/\s+/g, ' ').replace(/^( ?· )+/, '').trim();
    }

    // A notice takes one line (title and text); the whole text shows on hover, and below the
    // line once a click opens the notice.
    function buildToast(title, text, type, closable) {
        const toast = document.createElement('div');
        toast.className = 'toast toast-' + type;
        toast.setAttribute('role', type === 'error' ? 'alert' : 'status');
        const head = document.createElement('div');
        head.className = 'toast-head';
        const t = document.createElement('span');
        t.className = 'toast-title';
        t.textContent = title || '';
        head.appendChild(t);
        const line = document.createElement('span');
        line.className = 'toast-line';
        head.appendChild(line);
        head.addEventListener('click', function () { toggle(toast); });
        if (closable) {
            const close = document.createElement('button');
            close.type = 'button';
            close.className = 'toast-close';
            close.setAttribute('aria-label', 'Close');
            close.textContent = '×';
            close.addEventListener('click', function (ev) { ev.stopPropagation(); dismiss(toast); });
            head.appendChild(close);
        }
        const body = document.createElement('div');
        body.className = 'toast-body';
        toast.appendChild(head);
        toast.appendChild(body);
        setText(toast, title, text);
        return toast;
    }

    function setText(toast, title, text) {
        toast.querySelector('.toast-title').textContent = title || '';
        const plain = oneLine(text);
        toast.querySelector('.toast-line').textContent = plain;
        toast.querySelector('.toast-body').innerHTML = Oz.sanitizeHtml(text);
        toast.title = (title ? title + ': ' : '') + plain;
    }

    // Opened, a notice stays until it is closed.
    function toggle(toast) {
        const open = toast.classList.toggle('expanded');
        if (open && toast.expiry) { clearTimeout(toast.expiry); toast.expiry = null; }
    }

    function dismiss(toast) {
        if (!toast || !toast.parentNode) return;
        toast.classList.add('leaving');
        setTimeout(function () { if (toast.parentNode) toast.parentNode.removeChild(toast); }, 200);
    }

    Oz.notify = function (title, text, type) {
        const kind = TYPES.indexOf(type) >= 0 ? type : 'info';
        Oz.messageLog.push({ title: String(title || ''), text: String(text || ''), type: kind, time: Date.now() });
        if (Oz.messageLog.length > 200) Oz.messageLog.shift();
        const toast = buildToast(title, text, kind, true);
        const h = host();
        h.appendChild(toast);
        // Passing notices make room for new ones; errors stay until the user closes them.
        const passing = h.querySelectorAll('.toast:not(.toast-updatable):not(.toast-error)');
        for (let i = 0; i < passing.length - MAX_PASSING; ++i) passing[i].remove();
        const life = LIFETIME_MS[kind];
        if (life > 0) toast.expiry = setTimeout(function () { dismiss(toast); }, life);
        return toast;
    };

    // A new attempt at something replaces what was said about the previous one: notices with
    // this title go (the updatable message stays).
    Oz.clearNotices = function (title) {
        const h = document.getElementById('notifications');
        if (!h) return;
        h.querySelectorAll('.toast:not(.toast-updatable)').forEach(function (toast) {
            const t = toast.querySelector('.toast-title');
            if (t && t.textContent === String(title)) toast.remove();
        });
    };

    // A small modal question inside the page: choices [{id, label, primary}], onChoice(id).
    // Escape or a click beside the box answers with the primary choice.
    Oz.confirmDialog = function (title, html, choices, onChoice) {
        const old = document.getElementById('confirmDialog');
        if (old) old.remove();
        const overlay = document.createElement('div');
        overlay.id = 'confirmDialog';
        overlay.className = 'dialog-overlay';
        overlay.setAttribute('role', 'dialog');
        overlay.setAttribute('aria-modal', 'true');
        const box = document.createElement('div');
        box.className = 'dialog-box';
        const head = document.createElement('h3');
        head.textContent = title;
        const body = document.createElement('div');
        body.className = 'dialog-body';
        body.innerHTML = Oz.sanitizeHtml(html);
        const buttons = document.createElement('div');
        buttons.className = 'button-row dialog-buttons';
        const primary = (choices.find(function (c) { return c.primary; }) || choices[choices.length - 1] || {}).id;
        const answer = function (id) {
            overlay.remove();
            document.removeEventListener('keydown', onKey, true);
            onChoice(id);
        };
        const onKey = function (ev) {
            if (ev.key === 'Escape') { ev.preventDefault(); answer(primary); }
        };
        for (const c of choices) {
            const b = document.createElement('button');
            b.type = 'button';
            b.className = 'btn' + (c.primary ? ' btn-primary' : '');
            b.dataset.choice = c.id;
            b.textContent = c.label;
            b.addEventListener('click', function () { answer(c.id); });
            buttons.appendChild(b);
        }
        box.appendChild(head);
        box.appendChild(body);
        box.appendChild(buttons);
        overlay.appendChild(box);
        overlay.addEventListener('click', function (ev) { if (ev.target === overlay) answer(primary); });
        document.addEventListener('keydown', onKey, true);
        document.body.appendChild(overlay);
        const focus = buttons.querySelector('.btn-primary') || buttons.querySelector('button');
        if (focus) focus.focus();
        return overlay;
    };

    let updatable = null;

    Oz.updatableMessage = {
        show: function (title, text) {
            if (!updatable || !updatable.parentNode) {
                updatable = buildToast(title, text, 'info', false);
                updatable.classList.add('toast-updatable');
                updatable.id = 'updatableMessage';
                const spinner = document.createElement('span');
                spinner.className = 'spinner';
                updatable.querySelector('.toast-head').prepend(spinner);
                host().prepend(updatable);
            } else {
                setText(updatable, title, text);
            }
        },
        destroy: function () {
            if (updatable) dismiss(updatable);
            updatable = null;
        },
        isShown: function () {
            return !!(updatable && updatable.parentNode);
        }
    };
})(window);

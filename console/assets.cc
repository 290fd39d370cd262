#include "console/assets.h"

namespace orlund {

const std::string_view kConsoleCss = R"css(
:root {
  --ink: #1d2329; --muted: #5b6670; --line: #d5dbe1; --panel: #f4f6f8;
  --accent: #0b5fa5; --bad: #b3261e; --good: #1e7b34;
}
* { box-sizing: border-box; }
body {
  margin: 0; color: var(--ink); background: #fff;
  font: 15px/1.45 system-ui, -apple-system, "Segoe UI", "DejaVu Sans", sans-serif;
}
header {
  display: grid; grid-template-columns: 1fr auto; grid-template-areas: "product viewer" "nav nav";
  align-items: center; gap: .5rem 1.5rem; padding: .6rem 1.2rem 0; background: #17324d; color: #fff;
}
header .product { grid-area: product; font-weight: 600; padding-bottom: .6rem; }
header .version { font-weight: 400; opacity: .7; margin-left: .3rem; }
header nav { grid-area: nav; display: flex; flex-wrap: wrap; gap: .15rem; }
header nav a {
  color: #dce8f3; text-decoration: none; padding: .4rem .85rem; border-radius: 5px 5px 0 0;
}
header nav a:hover { background: rgba(255,255,255,.12); }
header nav a.current { background: #fff; color: #17324d; font-weight: 600; }
.viewer { grid-area: viewer; display: flex; align-items: center; gap: .5rem; font-size: .9rem; padding-bottom: .6rem; }
.viewer .level { opacity: .8; }
.viewer form { margin: 0; }
.viewer button { font-size: .8rem; }
main { padding: 1rem 1.2rem 2rem; max-width: 1200px; }
h1 { font-size: 1.4rem; margin: .2rem 0 1rem; }
h2 { font-size: 1.05rem; margin: 1.2rem 0 .4rem; }
code { font-family: "DejaVu Sans Mono", monospace; font-size: .88em; }
table { border-collapse: collapse; }
table.facts { margin-bottom: 1rem; }
table.facts th { text-align: left; font-weight: 500; color: var(--muted); padding: .3rem 1.2rem .3rem 0; vertical-align: top; }
table.facts td { padding: .3rem 0; }
table.list { width: 100%; }
table.list th, table.list td { text-align: left; padding: .35rem .6rem; border-bottom: 1px solid var(--line); vertical-align: top; }
table.list thead th { background: var(--panel); font-weight: 600; font-size: .9rem; }
table.list tbody tr:hover { background: #f9fbfc; }
td.number { text-align: right; font-variant-numeric: tabular-nums; }
.day { display: inline-block; min-width: 7.5rem; color: var(--muted); }
form.inline { display: inline; margin-left: .6rem; }
button {
  font: inherit; padding: .25rem .8rem; border: 1px solid #8a98a6; border-radius: 4px;
  background: #fff; color: var(--ink); cursor: pointer;
}
button:hover { background: var(--panel); }
input, select { font: inherit; padding: .25rem .4rem; border: 1px solid #8a98a6; border-radius: 4px; }
.toolbar { display: flex; flex-wrap: wrap; align-items: center; gap: .6rem 1rem; margin-bottom: .6rem; }
.live-state { font-size: .85rem; color: var(--muted); }
.live-state.live { color: var(--good); }
.live-state.stopped { color: var(--bad); }
ol.lines {
  list-style: none; margin: 0; padding: .4rem .6rem; max-height: 70vh; overflow: auto;
  background: var(--panel); border: 1px solid var(--line); border-radius: 4px;
  font: 13px/1.5 "DejaVu Sans Mono", monospace;
}
ol.lines li { white-space: pre-wrap; }
.empty { color: var(--muted); }
.back { margin: 0 0 .3rem; }
figure { margin: 0 0 1rem; }
figure.schedule svg { width: 100%; max-width: 760px; height: auto; border: 1px solid var(--line); }
.calendar { display: flex; flex-wrap: wrap; gap: 1.5rem; align-items: flex-start; }
figure.month svg { width: 560px; max-width: 100%; height: auto; border: 1px solid var(--line); }
nav.months { display: flex; gap: 1rem; align-items: center; margin-bottom: .6rem; }
.legend { min-width: 16rem; }
.legend h2:first-child { margin-top: 0; }
.legend ul { margin: 0; padding-left: 0; list-style: none; }
.legend li { margin: .15rem 0; }
.swatch { display: inline-block; width: 1.6rem; height: 1rem; vertical-align: middle; margin-right: .3rem; text-align: center; font: 11px/1rem "DejaVu Sans Mono", monospace; }
.swatch.holiday { background: linear-gradient(#ffc0c0, #ff9f9f); }
.swatch.today { background: linear-gradient(#00ffff, #00e0ff); }
.swatch.weekday { border: 1px solid var(--line); }
.badge {
  display: inline-block; min-width: 1.6rem; margin-right: .3rem; border-radius: 3px;
  background: #d06000; color: #fff; text-align: center; font: bold 11px/1rem "DejaVu Sans Mono", monospace;
}
.login { max-width: 22rem; margin: 4rem auto; padding: 1.5rem; border: 1px solid var(--line); border-radius: 6px; }
.login label { display: block; margin-bottom: .8rem; }
.login input { width: 100%; margin-top: .3rem; }
.error, .bad { color: var(--bad); }
.notice { color: var(--muted); }
)css";

const std::string_view kConsoleJs = R"js(
'use strict';
(function () {
  // Lines of a live page: the stream named by the list's data-stream.
  function follow(list) {
    const newestFirst = list.dataset.newest === 'first';
    const stateLabel = document.getElementById('live-state');
    const pauseButton = document.getElementById('pause');
    const clientFilter = document.getElementById('filter-client');
    const messageFilter = document.getElementById('filter-message');
    const textFilter = document.getElementById('filter-text');
    const clientsSeen = document.getElementById('clients-seen');
    const seen = new Set();
    const maxLines = 1000;
    let paused = false;
    let held = [];
    let pending = [];
    let timer = null;

    function setState(text, kind) {
      if (!stateLabel) return;
      stateLabel.textContent = text;
      stateLabel.className = 'live-state ' + (kind || '');
    }
    // The client ("address:port") and message name of a packet list line.
    function fields(text) {
      const m = /^\S+ \S+ (?:->|<-|<>) (\S+) (.*)$/.exec(text);
      return m ? { peer: m[1], name: m[2] } : null;
    }
    function value(input) { return input ? input.value.trim() : ''; }
    function shown(text) {
      const f = fields(text);
      const client = value(clientFilter);
      const message = value(messageFilter).toUpperCase();
      const words = value(textFilter).toLowerCase();
      if (client && !(f ? f.peer : text).includes(client)) return false;
      if (message && !(f ? f.name : text).toUpperCase().includes(message)) return false;
      if (words && !text.toLowerCase().includes(words)) return false;
      return true;
    }
    function note(text) {
      const f = fields(text);
      if (!clientsSeen || !f || seen.has(f.peer)) return;
      seen.add(f.peer);
      const option = document.createElement('option');
      option.value = f.peer;
      clientsSeen.appendChild(option);
    }
    function refilter() {
      for (const li of list.children) li.hidden = !shown(li.textContent);
    }
    function atEnd() {
      return list.scrollHeight - list.scrollTop - list.clientHeight < 40;
    }
    function add(texts) {
      if (!texts.length) return;
      const stick = !newestFirst && atEnd();
      const fragment = document.createDocumentFragment();
      const ordered = newestFirst ? texts.slice().reverse() : texts;
      for (const text of ordered) {
        const li = document.createElement('li');
        li.textContent = text;
        li.hidden = !shown(text);
        note(text);
        fragment.appendChild(li);
      }
      if (newestFirst) list.insertBefore(fragment, list.firstChild);
      else list.appendChild(fragment);
      while (list.children.length > maxLines) {
        (newestFirst ? list.lastElementChild : list.firstElementChild).remove();
      }
      const none = document.getElementById('no-lines');
      if (none) none.remove();
      if (stick) list.scrollTop = list.scrollHeight;
    }
    function receive(text) {
      const queue = paused ? held : pending;
      queue.push(text);
      if (queue.length > maxLines) queue.shift();
      if (paused) {
        setState('paused, ' + held.length + ' new', '');
        return;
      }
      if (timer === null) {
        timer = setTimeout(function () {
          timer = null;
          const texts = pending;
          pending = [];
          add(texts);
        }, 100);
      }
    }

    for (const li of list.children) note(li.textContent);
    for (const input of [clientFilter, messageFilter, textFilter]) {
      if (input) {
        input.addEventListener('input', refilter);
        input.addEventListener('change', refilter);
      }
    }
    if (!newestFirst) list.scrollTop = list.scrollHeight;
    if (pauseButton) {
      pauseButton.addEventListener('click', function () {
        paused = !paused;
        pauseButton.textContent = paused ? 'Resume' : 'Pause';
        if (paused) {
          setState('paused', '');
        } else {
          add(held);
          held = [];
          setState('live', 'live');
        }
      });
    }

    const source = new EventSource(list.dataset.stream + '?after=' +
                                   encodeURIComponent(list.dataset.after || '0'));
    source.onopen = function () { if (!paused) setState('live', 'live'); };
    source.onmessage = function (event) {
      for (const line of event.data.split('\n')) receive(line);
    };
    source.addEventListener('gap', function (event) {
      receive('(' + event.data + ' lines missed)');
    });
    source.onerror = function () {
      if (source.readyState === EventSource.CLOSED) {
        setState('stopped: reload the page', 'stopped');
      } else {
        setState('reconnecting', '');
      }
    };
  }

  // Pages whose <main> has data-refresh="N" are fetched again every N seconds.
  function refresh(main, seconds) {
    setInterval(function () {
      if (document.hidden) return;
      fetch(location.href, { credentials: 'same-origin' }).then(function (response) {
        if (!response.ok || response.redirected) return null;
        return response.text();
      }).then(function (text) {
        if (!text) return;
        const fresh = new DOMParser().parseFromString(text, 'text/html').querySelector('main');
        if (fresh) main.innerHTML = fresh.innerHTML;
      }).catch(function () {});
    }, seconds * 1000);
  }

  const list = document.getElementById('lines');
  if (list && list.dataset.stream) follow(list);
  const main = document.querySelector('main[data-refresh]');
  if (main) refresh(main, Number(main.dataset.refresh) || 5);
})();
)js";

}  // namespace orlund

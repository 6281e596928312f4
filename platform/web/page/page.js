// The demo's page: loads the program (zudezed.js, zudezed.wasm) and the music
// (sorvaline.mp3), shows the start screen, runs the demo on a click or a key, and
// shows the end screen, from which it starts again. The page scales the 320 x 240
// canvas to the largest whole multiple that fits and toggles fullscreen (F11,
// Alt+Enter, double-click); the program itself handles F (frames-per-second counter)
// and Escape (end), as on the desktop.
//
// ?frame=MS draws, instead of the demo, the one frame on screen at timeline time MS
// on the simulated clock at 60 frames per second, as zudezed-capture --frame MS does.
//
// window.zudezed holds the page's state for the browser test (tools/web/test.mjs).
'use strict';
(function () {
  const MUSIC = 'sorvaline.mp3';
  const stage = document.getElementById('stage');
  const screenBox = document.getElementById('screen');
  const overlay = document.getElementById('overlay');
  const prompt = document.getElementById('prompt');
  const detail = document.getElementById('detail');
  const notice = document.getElementById('notice');

  const frameText = new URLSearchParams(location.search).get('frame');
  const frameMs = frameText !== null && /^\d+$/.test(frameText) ? Number(frameText) : null;

  const page = (window.zudezed = {
    state: 'loading',  // loading, ready, running, ended, frame, unsupported, failed
    notices: [],
    runs: 0,
    instance: null,
    musicFound: null,
    audioContext: null,
    frameWork: {},     // part -> page-clock ms of each timeline frame's work
    timings: {},       // ready, click, firstFrame (performance.now() ms)
    frame: null,       // ?frame=MS: {shown, frames} when drawn
    sync: function () { return page.instance && page.instance.zzSync ? page.instance.zzSync() : null; },
  });

  function show(title, text, blocked) {
    prompt.textContent = title;
    detail.textContent = text || '';
    overlay.classList.add('shown');
    overlay.classList.toggle('blocked', !!blocked);
  }

  let noticeTimer = 0;
  function noteOnce(key, text) {
    if (page.notices.some(function (n) { return n.key === key; })) return;
    page.notices.push({key: key, text: text});
    console.warn(text);
    notice.textContent = text;
    notice.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(function () { notice.hidden = true; }, 8000);
  }

  function fail(title, text) {
    page.state = page.state === 'loading' ? 'unsupported' : 'failed';
    show(title, text, true);
  }

  // ---- What this browser and this way of opening the page cannot do ----------------
  if (location.protocol === 'file:') {
    fail('This page needs a web server',
         'Opened as a file, the page may not load its WebAssembly program. Serve this folder ' +
         'with any web server (for example "python3 -m http.server" in it) and open the ' +
         'address it prints, or run tools/web/serve.sh in the source tree.');
    return;
  }
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('This browser cannot play the demo',
         'The demo is a WebAssembly program, and this browser has no WebAssembly (or it is ' +
         'switched off). Current Firefox, Chrome, Edge and Safari play it.');
    return;
  }

  // ---- Scale and fullscreen -----------------------------------------------------------
  function fit() {
    const k = Math.max(1, Math.floor(Math.min(stage.clientWidth / 320, stage.clientHeight / 240)));
    screenBox.style.setProperty('--screen-w', 320 * k + 'px');
    screenBox.style.setProperty('--screen-h', 240 * k + 'px');
    page.scale = k;
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  fit();

  function toggleFullscreen() {
    const d = document;
    if (d.fullscreenElement || d.webkitFullscreenElement) {
      (d.exitFullscreen || d.webkitExitFullscreen).call(d);
    } else {
      const request = stage.requestFullscreen || stage.webkitRequestFullscreen;
      if (request) {
        const result = request.call(stage);
        if (result && result.catch) result.catch(function () {});
      }
    }
  }
  stage.addEventListener('dblclick', toggleFullscreen);

  // ---- Loading: the program, its WebAssembly, the music ---------------------------
  function loadScript(src) {
    return new Promise(function (resolve, reject) {
      const s = document.createElement('script');
      s.src = src;
      s.onload = resolve;
      s.onerror = function () { reject(new Error('cannot load ' + src)); };
      document.head.appendChild(s);
    });
  }
  function compileWasm() {
    const response = fetch('zudezed.wasm');
    return response.then(function (r) {
      if (!r.ok) throw new Error('cannot load zudezed.wasm (' + r.status + ')');
      // A server that does not say application/wasm still serves the bytes.
      return WebAssembly.compileStreaming
        ? WebAssembly.compileStreaming(r.clone()).catch(function () {
            return r.arrayBuffer().then(function (b) { return WebAssembly.compile(b); });
          })
        : r.arrayBuffer().then(function (b) { return WebAssembly.compile(b); });
    });
  }
  function loadMusic() {
    if (frameMs !== null) return Promise.resolve(null);
    return fetch(MUSIC).then(function (r) {
      return r.ok ? r.arrayBuffer() : null;
    }).catch(function () { return null; });
  }

  let compiled = null;
  let music = null;
  Promise.all([loadScript('zudezed.js'), compileWasm(), loadMusic()]).then(function (r) {
    compiled = r[1];
    music = r[2];
    page.musicFound = music !== null;
    page.timings.ready = performance.now();
    if (frameMs !== null) {
      start();
      return;
    }
    page.state = 'ready';
    show('Click or press a key', 'F: frames per second · F11, Alt+Enter or double-click: ' +
         'fullscreen · Escape: end');
    if (!music) noteOnce('music', 'The music (' + MUSIC + ') is missing on the server: the demo runs silent.');
  }).catch(function (e) {
    fail('The demo could not be loaded', String(e && e.message || e));
  });

  // ---- Running ----------------------------------------------------------------------
  // A context made while handling the user's click or key may play sound.
  function audioContext() {
    let ctx = page.audioContext;
    try {
      if (!ctx || ctx.state === 'closed') {
        const AC = window.AudioContext || window.webkitAudioContext;
        ctx = AC ? new AC() : null;
      }
      if (ctx && ctx.resume) ctx.resume().catch(function () {});
    } catch (e) {
      ctx = null;
    }
    page.audioContext = ctx;
    return ctx;
  }

  function start() {
    if (page.state !== 'ready' && page.state !== 'ended' && !(frameMs !== null && page.state === 'loading')) return;
    const oneFrame = frameMs !== null;
    page.state = oneFrame ? 'frame' : 'starting';
    page.runs += 1;
    page.frameWork = {};
    page.timings.click = performance.now();
    page.timings.firstFrame = null;
    overlay.classList.remove('shown');
    const ctx = oneFrame ? null : audioContext();

    const canvas = document.createElement('canvas');
    canvas.width = 320;
    canvas.height = 240;
    canvas.tabIndex = 0;
    screenBox.replaceChildren(canvas);
    canvas.focus();

    const module = {
      canvas: canvas,
      zzAudioContext: ctx,
      zzFrameMs: oneFrame ? frameMs : undefined,
      zzFast: oneFrame,
      print: function (t) { console.log(t); },
      printErr: function (t) { console.warn(t); },
      preRun: [function (m) {
        if (music && !oneFrame) m.FS.writeFile(MUSIC, new Uint8Array(music));
      }],
      zzOnMusicUndecodable: function () {
        noteOnce('music', 'This browser cannot decode the music (' + MUSIC + '): the demo runs silent.');
      },
      zzOnSoundRefused: function () {
        noteOnce('audio', 'The browser did not allow sound: the demo runs silent.');
      },
      instantiateWasm: function (imports, receive) {
        WebAssembly.instantiate(compiled, imports).then(function (instance) {
          receive(instance, compiled);
        });
        return {};
      },
      zzOnYield: function () {
        if (page.timings.firstFrame === null) {
          requestAnimationFrame(function () { page.timings.firstFrame = performance.now(); });
        }
      },
      zzOnTimelineStart: function () {
        page.timings.timeline = performance.now();
        if (page.state === 'starting') page.state = 'running';
      },
      zzOnFrameWork: function (ms, part) {
        (page.frameWork[part] = page.frameWork[part] || []).push(ms);
      },
      zzOnEnd: function () {
        if (page.state === 'frame') return;
        page.state = 'ended';
        show('The end', 'Click or press a key to watch it again.');
      },
      zzFrameDone: function (shown, frames) {
        page.frame = {shown: shown, frames: frames};
        if (!shown) show('No frame at ' + frameMs + ' ms', 'The timeline ends before that time.', true);
      },
      onAbort: function (what) {
        fail('The demo stopped', String(what));
      },
    };
    createZudezed(module).then(function (instance) { page.instance = instance; });
  }

  overlay.addEventListener('click', start);
  // F11 and Alt+Enter belong to the page (the program's own toggle is for a desktop
  // window); any other key starts the demo from the start and end screens.
  window.addEventListener('keydown', function (e) {
    if (e.key === 'F11' || (e.key === 'Enter' && e.altKey)) {
      e.preventDefault();
      e.stopPropagation();
      toggleFullscreen();
      return;
    }
    if ((page.state === 'ready' || page.state === 'ended') && !e.repeat &&
        ['Shift', 'Control', 'Alt', 'Meta', 'Tab'].indexOf(e.key) < 0) {
      e.preventDefault();
      e.stopPropagation();
      start();
    }
  }, true);
})();

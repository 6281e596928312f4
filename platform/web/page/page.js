// The demo's page: loads the program (zudezed.js, zudezed.wasm) and the music
// (sorvaline.mp3), shows the start screen, runs the demo on a click or a key, and
// shows the end screen, from which it starts again. The page scales the 320 x 240
// canvas to the largest whole multiple of device pixels that fits and toggles
// fullscreen (F11, Alt+Enter, double-click); the program itself handles F
// (frames-per-second counter), Space (pause), the part keys and Escape (end), as on the
// desktop. Without a keyboard: a tap (or a mouse move) on the picture shows a control
// bar (pause, previous and next part, the part's name, fullscreen) for 3 s, and a swipe
// left or right goes to the next or previous part; the bar sends the program the same
// keys. Nothing of this is drawn into the demo's frames.
//
// #part=N starts at part N after the precalculation, as --part N does on the desktop.
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
  // The parts one may start at (7 is the blank end behind the last part).
  function partFromAddress() {
    const m = /^#part=(\d)$/.exec(location.hash);
    return m && m[1] !== '7' ? Number(m[1]) : null;
  }
  const touch = (window.matchMedia && matchMedia('(pointer: coarse)').matches) ||
                navigator.maxTouchPoints > 0;
  const bar = document.getElementById('bar');
  const barPause = document.getElementById('bar-pause');
  const barPart = document.getElementById('bar-part');

  const page = (window.zudezed = {
    state: 'loading',  // loading, ready, running, ended, frame, unsupported, failed
    notices: [],
    runs: 0,
    instance: null,
    musicFound: null,
    audioContext: null,
    frameWork: {},     // part -> page-clock ms of each timeline frame's work
    timings: {},       // ready, click, firstFrame (performance.now() ms)
    startPart: null,   // the part asked for by #part=N at the start
    touch: touch,
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
  // Every demo pixel the same whole number of device pixels (k), at a place on whole
  // device pixels: a whole multiple of CSS pixels would give uneven pixels at a ratio
  // of 1.25, and waste a phone's screen at a ratio of 3.
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const w = Math.round(stage.clientWidth * ratio), h = Math.round(stage.clientHeight * ratio);
    const k = Math.max(1, Math.floor(Math.min(w / 320, h / 240)));
    screenBox.style.setProperty('--screen-w', 320 * k / ratio + 'px');
    screenBox.style.setProperty('--screen-h', 240 * k / ratio + 'px');
    screenBox.style.setProperty('--screen-x', Math.max(0, Math.floor((w - 320 * k) / 2)) / ratio + 'px');
    screenBox.style.setProperty('--screen-y', Math.max(0, Math.floor((h - 240 * k) / 2)) / ratio + 'px');
    page.scale = k;
    page.ratio = ratio;
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  document.addEventListener('webkitfullscreenchange', fit);
  fit();

  function toggleFullscreen() {
    const d = document;
    if (d.fullscreenElement || d.webkitFullscreenElement) {
      (d.exitFullscreen || d.webkitExitFullscreen).call(d);
    } else {
      const request = stage.requestFullscreen || stage.webkitRequestFullscreen;
      if (request) {
        const result = request.call(stage);
        // Landscape where the browser lets a page ask for it (phones).
        const landscape = function () {
          if (screen.orientation && screen.orientation.lock) {
            screen.orientation.lock('landscape').catch(function () {});
          }
        };
        if (result && result.then) result.then(landscape, function () {});
        else landscape();
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
    show(touch ? 'Tap to start' : 'Click or press a key', touch
      ? 'Tap the picture for the controls · swipe left or right: next or previous part'
      : 'F: frames per second · Space: pause · Left, Right: parts · F11, Alt+Enter or ' +
        'double-click: fullscreen · Escape: end');
    if (!music) noteOnce('music', 'The music (' + MUSIC + ') is missing on the server: the demo runs silent.');
  }).catch(function (e) {
    fail('The demo could not be loaded', String(e && e.message || e));
  });

  // ---- Running ----------------------------------------------------------------------
  // A context made or resumed while handling the user's click, tap or key may play
  // sound; WebKit also wants a sound started there, so a silent one is played. A start
  // that the browser refuses is marked, so that the program does not wait for it.
  function audioContext() {
    let ctx = page.audioContext;
    try {
      if (!ctx || ctx.state === 'closed') {
        const AC = window.AudioContext || window.webkitAudioContext;
        ctx = AC ? new AC() : null;
      }
      if (ctx) {
        ctx.zzRefused = false;
        const source = ctx.createBufferSource();
        source.buffer = ctx.createBuffer(1, 1, ctx.sampleRate);
        source.connect(ctx.destination);
        source.start(0);
        const resumed = ctx.resume && ctx.resume();
        if (resumed && resumed.catch) resumed.catch(function () { ctx.zzRefused = true; });
      }
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
    page.startPart = oneFrame ? null : partFromAddress();
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
      // The program only writes the screen (every pixel of it, at every flip): SDL
      // need not read the canvas back into it at every lock, which cost more than
      // all of the demo's own drawing.
      screenIsReadOnly: true,
      print: function (t) { console.log(t); },
      printErr: function (t) { console.warn(t); },
      // The music is put in the file system rather than preloaded, which SDL_mixer's
      // loader would otherwise warn about.
      noAudioDecoding: true,
      preRun: [function (m) {
        if (music && !oneFrame) m.FS.writeFile(MUSIC, new Uint8Array(music));
        if (page.startPart !== null) m.ENV.ZUDEZED_PART = String(page.startPart);
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
        hideBar();
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

  // ---- Controls without a keyboard ---------------------------------------------------
  // The bar and the swipes send the program the keys a keyboard would (emscripten's SDL
  // reads keyCode): Space pauses and resumes, Left and Right go to the parts.
  const BAR_MS = 3000;
  const SWIPE_PX = 40;
  const KEYS = {pause: [32, ' ', 'Space'], prev: [37, 'ArrowLeft', 'ArrowLeft'],
                next: [39, 'ArrowRight', 'ArrowRight']};
  function sendKey(name) {
    if (page.state !== 'running' || !page.instance) return;
    const k = KEYS[name];
    ['keydown', 'keyup'].forEach(function (type) {
      const e = new KeyboardEvent(type, {key: k[1], code: k[2], bubbles: true, cancelable: true});
      Object.defineProperty(e, 'keyCode', {get: function () { return k[0]; }});
      Object.defineProperty(e, 'which', {get: function () { return k[0]; }});
      (page.instance.keyboardListeningElement || document).dispatchEvent(e);
    });
  }

  const PAUSE_ICON = 'M6 5h4v14H6zM14 5h4v14h-4z';
  const PLAY_ICON = 'M7 4v16l13-8z';
  let barTimer = 0;
  let barRefresh = 0;
  function refreshBar() {
    const inst = page.instance;
    if (!inst || !inst._zz_web_part_name) return;
    const part = inst._zz_web_part();
    const paused = inst._zz_web_timeline_ms() < 0;
    barPart.textContent = part + ' ' + inst.UTF8ToString(inst._zz_web_part_name(part));
    barPart.href = part === 7 ? '#' : '#part=' + part;
    barPause.querySelector('path').setAttribute('d', paused ? PLAY_ICON : PAUSE_ICON);
    barPause.title = paused ? 'Resume' : 'Pause';
    barPause.setAttribute('aria-label', barPause.title);
  }
  function showBar() {
    if (page.state !== 'running') return;
    bar.hidden = false;
    stage.classList.add('controls');
    refreshBar();
    clearInterval(barRefresh);
    barRefresh = setInterval(refreshBar, 200);
    clearTimeout(barTimer);
    barTimer = setTimeout(hideBar, BAR_MS);
  }
  function hideBar() {
    bar.hidden = true;
    stage.classList.remove('controls');
    clearTimeout(barTimer);
    clearInterval(barRefresh);
  }
  page.barShown = function () { return !bar.hidden; };

  function barButton(id, action) {
    document.getElementById(id).addEventListener('click', function (e) {
      e.stopPropagation();
      action();
      showBar();
      // Keys go to the program again, not to this button (Space would press it).
      const canvas = screenBox.querySelector('canvas');
      if (canvas) canvas.focus(); else e.currentTarget.blur();
    });
  }
  barButton('bar-pause', function () { sendKey('pause'); });
  barButton('bar-prev', function () { sendKey('prev'); });
  barButton('bar-next', function () { sendKey('next'); });
  barButton('bar-full', toggleFullscreen);
  barPart.addEventListener('click', function (e) { e.stopPropagation(); showBar(); });
  screenBox.addEventListener('click', showBar);
  stage.addEventListener('mousemove', showBar);

  // Swipes and taps on the picture.
  let swipe = null;
  screenBox.addEventListener('touchstart', function (e) {
    const t = e.changedTouches[0];
    swipe = e.touches.length === 1 ? {x: t.clientX, y: t.clientY, at: performance.now()} : null;
  }, {passive: true});
  screenBox.addEventListener('touchend', function (e) {
    const t = e.changedTouches[0];
    if (!swipe || !t) return;
    const dx = t.clientX - swipe.x, dy = t.clientY - swipe.y;
    const quick = performance.now() - swipe.at < 1000;
    swipe = null;
    if (quick && Math.abs(dx) >= SWIPE_PX && Math.abs(dx) > 2 * Math.abs(dy)) {
      sendKey(dx < 0 ? 'next' : 'prev');
      showBar();
    } else if (Math.abs(dx) < SWIPE_PX / 4 && Math.abs(dy) < SWIPE_PX / 4) {
      // A tap: the program's SDL takes the canvas's touches (no click follows them).
      showBar();
    }
  });

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

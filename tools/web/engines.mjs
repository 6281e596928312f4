// The three browser engines behind one small set of page operations, so that each page
// test is written once (tools/web/engines-test.mjs):
//   open(url, {touch, width, height, ratio}) -> a page with
//   evaluate(fn, arg), waitFor(fn, arg, ms), click(selector), tap(selector, dx),
//   press(key), screenshot(file), errors, close()
// - chromium: Debian's chromium, driven by playwright-core;
// - firefox: Debian's firefox-esr, driven by puppeteer-core (WebDriver BiDi);
// - webkit: Debian's WebKitWebDriver (WebKitGTK's MiniBrowser) under Xvfb, spoken to
//   in plain WebDriver over HTTP, every request with a time limit (a driver without a
//   display never answers).
// Firefox and WebKit play into a PulseAudio null sink of their own (startPulse), whose
// output the tests record with parec: Firefox without a sound device never starts its
// audio.
import {execFileSync, spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';

export function sleep(ms) { return new Promise((r) => setTimeout(r, ms)); }

// Waits until the page's music is back in step with its timeline after something moved
// one without the other (a stall, a pause, a jump): four of five readings of
// sync() (the page's window.zudezed.sync, read through the caller's page) 100 ms apart
// within the page's own limit, polled for up to 4 s (an output that starts again
// re-buffers first: WebKit's takes about 0.8 s). Returns the last reading and how long
// it took; throws with the last readings if it never gets there.
export async function backInStep(sync, what) {
  const from = performance.now();
  await sleep(300);
  const apart = [];
  for (;;) {
    const s = await sync();
    apart.push(Math.round((s.timelineMs - s.musicMs) * 10) / 10);
    if (apart.length >= 5 && apart.slice(-5).filter((a) => Math.abs(a) <= s.apartMs).length >= 4) {
      return {sync: s, ms: Math.round(performance.now() - from)};
    }
    if (performance.now() - from >= 4000) {
      throw new Error(`after ${what}: timeline - music ${JSON.stringify(apart.slice(-10))} ms, limit ${s.apartMs} ms`);
    }
    await sleep(100);
  }
}

// ---- PulseAudio: a daemon of the test's own with a null sink -----------------------
export async function startPulse() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zudezed-pulse-'));
  const socket = path.join(dir, 'native');
  const env = {...process.env, PULSE_RUNTIME_PATH: dir, PULSE_STATE_PATH: dir, HOME: dir};
  const daemon = spawn('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
                                      '--disable-shm=yes', '--log-target=stderr', '--log-level=error',
                                      '-L', 'module-null-sink sink_name=zudezed rate=44100 channels=2',
                                      '-L', `module-native-protocol-unix socket=${socket} auth-anonymous=1`],
                       {env, stdio: ['ignore', 'ignore', 'inherit']});
  for (let i = 0; i < 100 && !fs.existsSync(socket); ++i) await sleep(50);
  if (!fs.existsSync(socket)) { daemon.kill(); throw new Error('pulseaudio did not start'); }
  const server = `unix:${socket}`;
  return {
    server,
    env: {PULSE_SERVER: server, PULSE_SINK: 'zudezed'},
    // Records the sink from now on, 22050 Hz mono 16-bit; stop() returns the samples
    // and the Node.js time (performance.now) of the first sample.
    record() {
      const rec = spawn('parec', ['--server', server, '-d', 'zudezed.monitor', '--format=s16le', '--rate=22050',
                                  '--channels=1', '--raw', '--latency-msec=10'],
                        {stdio: ['ignore', 'pipe', 'inherit']});
      const chunks = [];
      let bytes = 0, start = Infinity;
      rec.stdout.on('data', (c) => {
        chunks.push(c);
        bytes += c.length;
        // The data arrives after it was recorded: the earliest estimate of the first
        // sample's time is the least delayed one.
        start = Math.min(start, performance.now() - (bytes / 2) / 22.05);
      });
      return {
        // The sink's own latency: the monitor hands on what the sink renders, this
        // long before the sink plays it (the moment the browser's latency figures
        // count to). The median of a few readings while it plays.
        async sinkLatencyMs() {
          const readings = [];
          for (let i = 0; i < 5; ++i) {
            const text = execFileSync('pactl', ['--server', server, 'list', 'sinks'], {encoding: 'utf8'});
            const m = /Latency: (\d+) usec/.exec(text);
            if (m) readings.push(Number(m[1]) / 1000);
            await sleep(100);
          }
          readings.sort((a, b) => a - b);
          return readings.length ? readings[readings.length >> 1] : 0;
        },
        async stop() {
          rec.kill('SIGINT');
          await new Promise((r) => rec.on('close', r));
          const all = Buffer.concat(chunks);
          return {samples: new Int16Array(all.buffer, all.byteOffset, all.length >> 1), start};
        },
      };
    },
    stop() {
      daemon.kill();
      fs.rmSync(dir, {recursive: true, force: true});
    },
  };
}

// ---- Chromium: playwright-core -------------------------------------------------------
async function chromiumEngine(pulse) {
  const {chromium} = await import('playwright-core');
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    env: {...process.env, ...pulse.env},
    // Heard on the null sink, not muted.
    ignoreDefaultArgs: ['--mute-audio'],
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--autoplay-policy=user-gesture-required'],
  });
  return {
    name: 'chromium',
    async open(url, o = {}) {
      const context = await browser.newContext({
        viewport: {width: o.width || 1280, height: o.height || 720},
        deviceScaleFactor: o.ratio || 1, hasTouch: !!o.touch, isMobile: !!o.touch,
      });
      const page = await context.newPage();
      const errors = [];
      errors.console = [];
      page.on('pageerror', (e) => errors.push(String(e)));
      page.on('console', (m) => { if (m.type() === 'warning' || m.type() === 'error') errors.console.push(m.text()); });
      await page.goto(url);
      return {
        errors,
        evaluate: (fn, arg) => page.evaluate(fn, arg),
        waitFor: (fn, arg, ms = 20000) => page.waitForFunction(fn, arg, {timeout: ms}),
        click: (sel) => page.click(sel),
        async tap(sel, dx = 0) {
          if (!dx) return page.tap(sel);
          // A swipe: touch events along a line over the element.
          const box = await page.locator(sel).boundingBox();
          const cdp = await context.newCDPSession(page);
          const x = box.x + box.width / 2, y = box.y + box.height / 2;
          await cdp.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: [{x, y}]});
          for (let i = 1; i <= 5; ++i) {
            await cdp.send('Input.dispatchTouchEvent', {type: 'touchMove', touchPoints: [{x: x + dx * i / 5, y}]});
          }
          await cdp.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
          await cdp.detach();
        },
        press: (key) => page.keyboard.press(key),
        mouseMove: (x, y) => page.mouse.move(x, y),
        screenshot: (file) => page.screenshot({path: file}),
        close: () => context.close(),
        raw: page,
      };
    },
    close: () => browser.close(),
  };
}

// ---- Firefox: puppeteer-core over WebDriver BiDi -------------------------------------
async function firefoxEngine(pulse) {
  const puppeteer = (await import('puppeteer-core')).default;
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: '/usr/bin/firefox-esr',
    headless: true,
    env: {...process.env, ...pulse.env},
    protocolTimeout: 60000,
  });
  return {
    name: 'firefox',
    async open(url, o = {}) {
      const page = await browser.newPage();
      await page.setViewport({width: o.width || 1280, height: o.height || 720});
      const errors = [];
      errors.console = [];
      page.on('pageerror', (e) => errors.push(String(e)));
      page.on('console', (m) => { if (m.type() === 'warn' || m.type() === 'error') errors.console.push(m.text()); });
      await page.goto(url);
      return {
        errors,
        evaluate: (fn, arg) => page.evaluate(fn, arg),
        waitFor: (fn, arg, ms = 20000) => page.waitForFunction(fn, {timeout: ms, polling: 50}, arg),
        click: (sel) => page.click(sel),
        tap: (sel) => page.click(sel),
        press: (key) => page.keyboard.press(key === 'Space' ? ' ' : key),
        mouseMove: (x, y) => page.mouse.move(x, y),
        screenshot: (file) => page.screenshot({path: file}),
        close: () => page.close(),
        raw: page,
      };
    },
    close: () => browser.close(),
  };
}

// ---- WebKit: WebKitWebDriver in plain WebDriver ---------------------------------------
function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer();
    s.listen(0, '127.0.0.1', () => { const p = s.address().port; s.close(() => resolve(p)); });
  });
}
const ELEMENT = 'element-6066-11e4-a52e-4f735466cecf';
const WD_KEYS = {Space: '\uE00D', Escape: '\uE00C', ArrowRight: '\uE014', ArrowLeft: '\uE012', Enter: '\uE007'};

async function webkitEngine(pulse) {
  const port = await freePort();
  const driver = spawn('xvfb-run', ['-a', '-s', '-screen 0 1280x1024x24', 'WebKitWebDriver', `--port=${port}`],
                       {env: {...process.env, ...pulse.env}, stdio: ['ignore', 'ignore', 'inherit'], detached: true});
  const base = `http://127.0.0.1:${port}`;
  async function call(method, what, body, ms = 60000) {
    const r = await fetch(base + what, {method, headers: {'content-type': 'application/json'},
                                        body: body === undefined ? undefined : JSON.stringify(body),
                                        signal: AbortSignal.timeout(ms)});
    const j = await r.json();
    if (!r.ok) throw new Error(`WebDriver ${method} ${what}: ${JSON.stringify(j.value)}`);
    return j.value;
  }
  for (let i = 0; ; ++i) {
    try { await call('GET', '/status', undefined, 2000); break; } catch (e) {
      if (i > 100) throw new Error('WebKitWebDriver did not start');
      await sleep(100);
    }
  }
  const stop = () => { try { process.kill(-driver.pid, 'SIGTERM'); } catch (e) { /* gone */ } };
  const engine = {
    session: null,
    name: 'webkit',
    async open(url, o = {}) {
      // One session at a time: one a failed test left open goes first.
      if (this.session) await call('DELETE', this.session, undefined, 10000).catch(() => {});
      const session = await call('POST', '/session', {capabilities: {alwaysMatch: {browserName: 'MiniBrowser'}}}, 90000);
      const s = `/session/${session.sessionId}`;
      this.session = s;
      await call('POST', `${s}/window/rect`, {width: o.width || 1280, height: o.height || 720}).catch(() => {});
      await call('POST', `${s}/url`, {url});
      const errors = [];
      errors.console = [];
      // Uncaught errors, kept by the page itself (WebDriver has no log here).
      await call('POST', `${s}/execute/sync`, {script:
        'window.__errors = window.__errors || []; addEventListener("error", (e) => __errors.push(String(e.message)));', args: []});
      const evaluate = (fn, arg) => call('POST', `${s}/execute/sync`,
        {script: `return (${fn.toString()})(arguments[0]);`, args: [arg === undefined ? null : arg]});
      const element = async (sel) => (await call('POST', `${s}/element`, {using: 'css selector', value: sel}))[ELEMENT];
      return {
        errors,
        evaluate,
        async waitFor(fn, arg, ms = 20000) {
          const until = Date.now() + ms;
          for (;;) {
            const v = await evaluate(fn, arg);
            if (v) return v;
            if (Date.now() > until) throw new Error(`waited ${ms} ms for ${fn.toString().slice(0, 120)}`);
            await sleep(50);
          }
        },
        async click(sel) { await call('POST', `${s}/element/${await element(sel)}/click`, {}); },
        // A touch, as WebDriver's touch pointer (WebKitGTK without a touch screen
        // delivers it as a mouse: no touch events, pointerType "mouse").
        async tap(sel) {
          const origin = {[ELEMENT]: await element(sel)};
          await call('POST', `${s}/actions`, {actions: [{type: 'pointer', id: 'finger', parameters: {pointerType: 'touch'},
            actions: [{type: 'pointerMove', origin, x: 0, y: 0, duration: 0}, {type: 'pointerDown', button: 0},
                      {type: 'pointerUp', button: 0}]}]});
          await call('DELETE', `${s}/actions`);
        },
        async press(key) {
          const value = WD_KEYS[key] || key;
          await call('POST', `${s}/actions`, {actions: [{type: 'key', id: 'keyboard', actions: [
            {type: 'keyDown', value}, {type: 'keyUp', value}]}]});
        },
        async mouseMove(x, y) {
          await call('POST', `${s}/actions`, {actions: [{type: 'pointer', id: 'mouse', parameters: {pointerType: 'mouse'},
            actions: [{type: 'pointerMove', x: Math.round(x), y: Math.round(y), duration: 0}]}]});
        },
        async screenshot(file) { fs.writeFileSync(file, Buffer.from(await call('GET', `${s}/screenshot`), 'base64')); },
        async close() {
          const e = await evaluate(() => window.__errors || []).catch(() => []);
          errors.push(...e);
          await call('DELETE', s, undefined, 10000).catch(() => {});
          engine.session = null;
        },
      };
    },
    close: async () => stop(),
  };
  return engine;
}

export async function launch(name, pulse) {
  if (name === 'chromium') return chromiumEngine(pulse);
  if (name === 'firefox') return firefoxEngine(pulse);
  if (name === 'webkit') return webkitEngine(pulse);
  throw new Error(`no engine ${name}`);
}

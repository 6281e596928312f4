// The browser test of the web page: Debian's chromium, headless, driven by
// playwright-core, against the built folder (build-web/site) served on 127.0.0.1.
//
//   node --test tools/web/test.mjs           (tools/web/run-tests.sh builds first)
//
// ZUDEZED_WEB_FULL=1 adds the whole timeline in real time (about 4 minutes): the frame
// work of every part, and the music against the timeline clock at its end.
// Environment: ZUDEZED_HOST_BUILD (default build/) has zudezed-capture for the frame
// comparison; ZUDEZED_WEB_REPORT names a JSON file for the measured figures.
import {after, before, describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {spawn, execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {chromium} from 'playwright-core';
import {backInStep} from './engines.mjs';
import {readPng} from './png.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const site = path.join(root, 'build-web/site');
const hostBuild = process.env.ZUDEZED_HOST_BUILD || path.join(root, 'build');
const full = process.env.ZUDEZED_WEB_FULL === '1';
const report = {};
const FRAME_MS = 1000 / 60;
// Picture and music at most one frame apart: the page starts the music again at the
// timeline's position whenever the browser's audio output has fallen behind.
const SYNC_MS = FRAME_MS;

// ---- Servers and the browser ---------------------------------------------------------
const servers = [];
async function serve(extra = []) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zudezed-serve-'));
  const ready = path.join(dir, 'port');
  const child = spawn('python3', [path.join(root, 'tools/web/server.py'), '--root', site,
                                  '--port', '0', '--ready-file', ready, '--quiet', ...extra],
                      {stdio: ['ignore', 'inherit', 'inherit']});
  servers.push(child);
  for (let i = 0; i < 100 && !fs.existsSync(ready); ++i) await sleep(50);
  const port = fs.readFileSync(ready, 'utf8').trim();
  assert.ok(port, 'the server did not start');
  return `http://127.0.0.1:${port}/`;
}

function sleep(ms) { return new Promise((r) => setTimeout(r, ms)); }

let context;
let base;
let baseNoMusic;
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zudezed-chromium-'));

before(async () => {
  assert.ok(fs.existsSync(path.join(site, 'zudezed.wasm')), `no build in ${site}: run tools/web/build.sh`);
  base = await serve();
  baseNoMusic = await serve(['--hide', 'sorvaline.mp3']);
  context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    viewport: {width: 1280, height: 720},
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  if (context) await context.close();
  for (const s of servers) s.kill();
  fs.rmSync(profile, {recursive: true, force: true});
  if (process.env.ZUDEZED_WEB_REPORT) {
    fs.writeFileSync(process.env.ZUDEZED_WEB_REPORT, JSON.stringify(report, null, 2));
  }
});

async function openPage(url, init, prepare) {
  const page = await context.newPage();
  page.on('pageerror', (e) => { page.errors = (page.errors || []).concat(String(e)); });
  if (init) await page.addInitScript(init);
  if (prepare) await prepare(page);
  await page.goto(url);
  return page;
}

const state = (page) => page.evaluate(() => window.zudezed && window.zudezed.state);
async function waitState(page, wanted, ms = 20000) {
  await page.waitForFunction((w) => window.zudezed && [].concat(w).includes(window.zudezed.state),
                             wanted, {timeout: ms});
}

// The canvas as RGBA bytes.
async function canvasPixels(page) {
  const data = await page.evaluate(() => {
    const c = document.querySelector('#screen canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height);
    let text = '';
    for (let i = 0; i < d.data.length; i += 8192) text += String.fromCharCode.apply(null, d.data.subarray(i, i + 8192));
    return {w: c.width, h: c.height, b64: btoa(text)};
  });
  return {w: data.w, h: data.h, rgba: Buffer.from(data.b64, 'base64')};
}
function pixel(img, x, y) {
  const i = (y * img.w + x) * 4;
  return [img.rgba[i], img.rgba[i + 1], img.rgba[i + 2]];
}
function nonBlack(img) {
  let n = 0;
  for (let i = 0; i < img.rgba.length; i += 4) if (img.rgba[i] | img.rgba[i + 1] | img.rgba[i + 2]) n++;
  return n;
}

// The ink pixels of "FPS = " as the frame counter draws it (column 8, rows 9..16),
// from the 8 x 8 font's glyph art.
function counterInk() {
  const text = fs.readFileSync(path.join(root, 'assets/bitfonts.txt'), 'utf8').split('\n');
  const glyphs = {};
  for (let i = 0; i < text.length; ++i) {
    const m = /^glyph (\d+)/.exec(text[i]);
    if (m) glyphs[Number(m[1])] = text.slice(i + 1, i + 9);
  }
  const ink = [];
  [...'FPS = '].forEach((ch, n) => {
    glyphs[ch.charCodeAt(0)].forEach((row, r) => {
      [...row].forEach((c, k) => { if (c === '#') ink.push([8 + 8 * n + k, 9 + r]); });
    });
  });
  return ink;
}

// ---- The page ---------------------------------------------------------------------------
describe('the page in chromium', () => {
  test('start screen, progress screen, timeline frames and music in step', async () => {
    const page = await openPage(base);
    await waitState(page, 'ready');
    assert.match(await page.textContent('#prompt'), /click or press a key/i);
    report.readyMs = await page.evaluate(() => window.zudezed.timings.ready);
    // Every displayed frame's top-left pixel, from the click on.
    await page.evaluate(() => {
      window.seen = [];
      const look = () => {
        const c = document.querySelector('#screen canvas');
        if (c) window.seen.push(Array.from(c.getContext('2d').getImageData(2, 2, 1, 1).data.slice(0, 3)));
        requestAnimationFrame(look);
      };
      requestAnimationFrame(look);
    });
    await page.click('#overlay');
    await waitState(page, 'running');
    const seen = await page.evaluate(() => window.seen);
    // The precalculation screen's background, 0x80A0 on the 16-bit screen.
    assert.ok(seen.some((p) => p[0] === 132 && p[1] === 20 && p[2] === 132),
              `no progress screen among ${JSON.stringify(seen.slice(0, 5))}...`);
    const t = await page.evaluate(() => window.zudezed.timings);
    report.clickToFirstFrameMs = t.firstFrame - t.click;
    report.clickToTimelineMs = t.timeline - t.click;
    await sleep(1500);
    const img = await canvasPixels(page);
    assert.ok(nonBlack(img) > 2000, `a timeline frame with ${nonBlack(img)} lit pixels`);

    // The music: a running context whose time advances, the music's position heard
    // against the timeline clock.
    const s1 = await page.evaluate(() => window.zudezed.sync());
    await sleep(500);
    const s2 = await page.evaluate(() => window.zudezed.sync());
    assert.equal(s1.contextState, 'running');
    assert.ok(s2.contextTime > s1.contextTime + 0.3, `context time ${s1.contextTime} -> ${s2.contextTime}`);
    assert.notEqual(s2.musicMs, null, 'no music playing');
    const offsets = [];
    for (let i = 0; i < 10; ++i) {
      const s = await page.evaluate(() => window.zudezed.sync());
      offsets.push(s.timelineMs - s.musicMs);
      await sleep(100);
    }
    report.startOffsetsMs = offsets.map((o) => Math.round(o * 10) / 10);
    for (const o of offsets) assert.ok(Math.abs(o) <= SYNC_MS, `timeline - music = ${o} ms`);
    assert.deepEqual(page.errors || [], []);
    await page.close();
  });

  // The music as the browser decodes it against the mixer's recording it was encoded
  // from (build-web/sorvaline.wav): an MP3 encoder puts a delay before the first
  // sample, which a browser must trim, or the music would lag the pictures by it.
  test('the browser decodes the music with its first sample at the start', async () => {
    const wav = fs.readFileSync(path.join(root, 'build-web/sorvaline.wav'));
    const recorded = new Int16Array(wav.buffer.slice(wav.byteOffset + 44, wav.byteOffset + wav.length));
    const page = await openPage(base);
    await waitState(page, 'ready');
    const decoded = await page.evaluate(async () => {
      const bytes = await (await fetch('sorvaline.mp3')).arrayBuffer();
      const buffer = await new OfflineAudioContext(1, 22050, 22050).decodeAudioData(bytes);
      const head = buffer.getChannelData(0).slice(0, 22050 * 8);
      return {rate: buffer.sampleRate, length: buffer.length, head: Array.from(head)};
    });
    await page.close();
    assert.equal(decoded.rate, 22050);
    assert.ok(Math.abs(decoded.length - recorded.length) <= 367, `${decoded.length} of ${recorded.length} samples`);
    // The shift (in samples) at which the decoded music best matches the recording,
    // over seconds 2 to 6.
    let best = {lag: 0, score: -Infinity};
    for (let lag = -2205; lag <= 2205; ++lag) {
      let score = 0;
      for (let i = 44100; i < 132300; i += 4) score += recorded[i] * decoded.head[i + lag];
      if (score > best.score) best = {lag, score};
    }
    report.musicDecodeLagSamples = best.lag;
    report.musicSamples = {recorded: recorded.length, decoded: decoded.length};
    assert.equal(best.lag, 0, `the decoded music is shifted by ${best.lag} samples`);
  });

  test('F shows the frame counter, Escape the end screen, which starts it again', async () => {
    const page = await openPage(base);
    await waitState(page, 'ready');
    await page.keyboard.press('Space');
    await waitState(page, 'running');
    await sleep(1200);
    const ink = counterInk();
    const inked = (img) => ink.every(([x, y]) => pixel(img, x, y)[2] === 255);
    assert.equal(inked(await canvasPixels(page)), false, 'the counter is shown before F');
    await page.keyboard.press('f');
    await sleep(300);
    for (let i = 0; i < 3; ++i) {
      assert.ok(inked(await canvasPixels(page)), '"FPS = " is not on the screen after F');
      await sleep(150);
    }
    // 1280 x 720: the screen at 3 x, pixels kept sharp.
    const box = await page.evaluate(() => {
      const c = document.querySelector('#screen canvas');
      const r = c.getBoundingClientRect();
      return {w: r.width, h: r.height, rendering: getComputedStyle(c).imageRendering};
    });
    assert.deepEqual(box, {w: 960, h: 720, rendering: 'pixelated'});
    // Saved beside the build, to look at; docs/web.png is this picture copied by hand.
    await page.screenshot({path: path.join(root, 'build-web/web.png')});
    // Double-click and F11 toggle fullscreen, and the program keeps running.
    await page.dblclick('#screen canvas');
    await page.waitForFunction(() => document.fullscreenElement === document.getElementById('stage'));
    await page.keyboard.press('F11');
    await page.waitForFunction(() => document.fullscreenElement === null);
    await page.keyboard.press('Alt+Enter');
    await page.waitForFunction(() => document.fullscreenElement !== null);
    await page.keyboard.press('Alt+Enter');
    await page.waitForFunction(() => document.fullscreenElement === null);
    assert.equal(await state(page), 'running');
    await page.keyboard.press('Escape');
    await waitState(page, 'ended', 5000);
    assert.match(await page.textContent('#prompt'), /the end/i);
    assert.equal(await page.isVisible('#overlay'), true);
    await page.click('#overlay');
    await waitState(page, 'running');
    assert.equal(await page.evaluate(() => window.zudezed.runs), 2);
    await sleep(800);
    assert.ok(nonBlack(await canvasPixels(page)) > 2000);
    // The ended run no longer listens to the page's keys: one program's keydown
    // listener on the document, not one for every run (emscripten's one-time listener
    // that resumes audio on the first key goes with that key).
    const cdp = await context.newCDPSession(page);
    const doc = await cdp.send('Runtime.evaluate', {expression: 'document'});
    const {listeners} = await cdp.send('DOMDebugger.getEventListeners', {objectId: doc.result.objectId});
    assert.equal(listeners.filter((l) => l.type === 'keydown' && !l.once).length, 1);
    await cdp.detach();
    assert.deepEqual(page.errors || [], []);
    await page.close();
  });

  // Frames on the simulated clock against the desktop's capture of the same frames.
  for (const ms of [3000, 40000, 90000, 215000]) {
    test(`?frame=${ms} equals zudezed-capture --frame ${ms}`, async () => {
      const png = path.join(os.tmpdir(), `zudezed-frame-${ms}.png`);
      execFileSync(path.join(hostBuild, 'zudezed-capture'), ['--frame', String(ms), '--out', png]);
      const want = readPng(png);
      const page = await openPage(`${base}?frame=${ms}`);
      await page.waitForFunction(() => window.zudezed.frame !== null, null, {timeout: 120000});
      assert.equal(await page.evaluate(() => window.zudezed.frame.shown), true);
      const got = await canvasPixels(page);
      assert.equal(got.w, want.w);
      assert.equal(got.h, want.h);
      let differ = 0;
      for (let i = 0; i < want.w * want.h; ++i) {
        if (got.rgba[4 * i] !== want.rgb[3 * i] || got.rgba[4 * i + 1] !== want.rgb[3 * i + 1] ||
            got.rgba[4 * i + 2] !== want.rgb[3 * i + 2]) differ++;
      }
      assert.equal(differ, 0, `${differ} pixels differ`);
      fs.rmSync(png, {force: true});
      await page.close();
    });
  }

  const badMusic = {
    missing: {url: () => baseNoMusic, text: /missing/},
    // Bytes that are no music at all, served as MP3.
    undecodable: {url: () => base, text: /cannot decode/,
                  prepare: (page) => page.route('**/sorvaline.mp3', (r) => r.fulfill(
                    {status: 200, contentType: 'audio/mpeg', body: Buffer.alloc(65536, 0x5a)}))},
  };
  for (const [name, bad] of Object.entries(badMusic)) {
    test(`${name} music: the demo runs silent, at once, and says so once`, async () => {
      const page = await openPage(bad.url(), null, bad.prepare);
      await waitState(page, 'ready');
      await page.click('#overlay');
      await waitState(page, 'running');
      const t = await page.evaluate(() => window.zudezed.timings);
      assert.ok(t.timeline - t.click < 5000, `the timeline started ${t.timeline - t.click} ms after the click`);
      await sleep(1000);
      assert.ok(nonBlack(await canvasPixels(page)) > 2000);
      const notices = await page.evaluate(() => window.zudezed.notices);
      assert.equal(notices.length, 1);
      assert.match(notices[0].text, bad.text);
      assert.equal((await page.evaluate(() => window.zudezed.sync())).musicMs, null);
      assert.deepEqual(page.errors || [], []);
      await page.close();
    });
  }

  const refusals = {
    'no Web Audio at all': () => { delete window.AudioContext; delete window.webkitAudioContext; },
    'sound refused': () => {
      const Real = window.AudioContext;
      window.AudioContext = class extends Real {
        constructor(...a) { super(...a); this.suspend(); }
        resume() { return Promise.reject(new DOMException('refused', 'NotAllowedError')); }
      };
    },
  };
  for (const [name, init] of Object.entries(refusals)) {
    test(`${name}: the demo still plays`, async () => {
      const page = await openPage(base, init);
      await waitState(page, 'ready');
      await page.click('#overlay');
      await waitState(page, 'running');
      await sleep(1000);
      assert.ok(nonBlack(await canvasPixels(page)) > 2000);
      const notices = await page.evaluate(() => window.zudezed.notices.map((n) => n.key));
      assert.deepEqual(notices, ['audio']);
      assert.deepEqual(page.errors || [], []);
      await page.close();
    });
  }

  // Headless chromium never hides a page (another tab in front, a minimized window or a
  // frozen page all leave it visible, with animation frames), so the page is told it is
  // hidden as a browser tells a background tab: visibilityState "hidden", a
  // visibilitychange event, and no animation frames until it is shown again.
  const hideable = () => {
    let hidden = false;
    const realFrame = window.requestAnimationFrame.bind(window);
    const held = [];
    Object.defineProperty(Document.prototype, 'visibilityState', {get: () => (hidden ? 'hidden' : 'visible')});
    Object.defineProperty(Document.prototype, 'hidden', {get: () => hidden});
    window.requestAnimationFrame = (cb) => (hidden ? (held.push(cb), 0) : realFrame(cb));
    window.setHidden = (h) => {
      hidden = h;
      document.dispatchEvent(new Event('visibilitychange'));
      if (!h) held.splice(0).forEach((cb) => realFrame(cb));
    };
  };
  test('hidden and shown again: the timeline goes on by its clock, the music with it', async () => {
    const page = await openPage(base, hideable);
    await waitState(page, 'ready');
    await page.click('#overlay');
    await waitState(page, 'running');
    await sleep(1000);
    const before = await page.evaluate(() => window.zudezed.sync());
    const framesBefore = await page.evaluate(() => Object.values(window.zudezed.frameWork).flat().length);
    await page.evaluate(() => window.setHidden(true));
    await sleep(3000);
    const whileHidden = await page.evaluate(() => window.zudezed.sync());
    const framesHidden = await page.evaluate(() => Object.values(window.zudezed.frameWork).flat().length);
    await page.evaluate(() => window.setHidden(false));
    await sleep(500);
    const after = await page.evaluate(() => window.zudezed.sync());
    report.hidden = {before, whileHidden, after, framesWhileHidden: framesHidden - framesBefore};
    // Frames went on at the page's slow pace while hidden (a few a second, not 180).
    assert.ok(framesHidden - framesBefore > 3 && framesHidden - framesBefore < 60,
              `${framesHidden - framesBefore} frames while hidden`);
    assert.ok(whileHidden.timelineMs - before.timelineMs >= 2900, `timeline ${before.timelineMs} -> ${whileHidden.timelineMs}`);
    for (const s of [whileHidden, after]) {
      assert.ok(Math.abs(s.timelineMs - s.musicMs) <= SYNC_MS, `timeline - music = ${s.timelineMs - s.musicMs} ms`);
    }
    assert.ok(nonBlack(await canvasPixels(page)) > 2000);
    assert.deepEqual(page.errors || [], []);
    await page.close();
  });

  // The music against the timeline after each thing that moves one without the other.
  test('the music follows the timeline after an audio stall, a pause and a jump', async () => {
    const page = await openPage(base);
    await waitState(page, 'ready');
    await page.click('#overlay');
    await waitState(page, 'running');
    await sleep(1000);
    const sync = () => page.evaluate(() => window.zudezed.sync());
    const inStep = async (what) => (await backInStep(sync, what)).sync;
    // The output stops for 300 ms, as a stalled one does, while the page clock runs on.
    await page.evaluate(() => window.zudezed.audioContext.suspend());
    await sleep(300);
    await page.evaluate(() => window.zudezed.audioContext.resume());
    const stalled = await inStep('an audio stall');
    assert.ok(stalled.musicRestarts >= 1, 'the music was not started again after the stall');
    await page.keyboard.press('Space');
    await sleep(300);
    const paused = await sync();
    assert.equal(paused.timelineMs, null, 'the timeline clock runs while paused');
    assert.equal(paused.musicMs, null, 'the music plays while paused');
    await sleep(700);
    await page.keyboard.press('Space');
    const resumed = await inStep('a pause');
    assert.ok(resumed.timelineMs - stalled.timelineMs < 2000,
              `the timeline went on while paused: ${stalled.timelineMs} -> ${resumed.timelineMs}`);
    // Right arrow: to the start of the next part, some ten seconds on.
    await page.keyboard.press('ArrowRight');
    await page.waitForFunction((t) => window.zudezed.sync().timelineMs > t + 5000, resumed.timelineMs);
    await inStep('a jump');
    assert.deepEqual(page.errors || [], []);
    await page.close();
  });

  test('without WebAssembly, or opened as a file: a message, not a blank page', async () => {
    const page = await openPage(base, () => { delete window.WebAssembly; });
    await waitState(page, 'unsupported');
    assert.match(await page.textContent('#prompt'), /cannot play/);
    assert.equal(await page.isVisible('#overlay'), true);
    await page.close();
    const local = await openPage('file://' + path.join(site, 'index.html'));
    await waitState(local, 'unsupported');
    assert.match(await local.textContent('#prompt'), /web server/);
    assert.match(await local.textContent('#detail'), /http\.server/);
    await local.close();
  });
});

// ---- The whole timeline in real time (ZUDEZED_WEB_FULL=1) -------------------------
describe('the whole timeline', {skip: !full && 'ZUDEZED_WEB_FULL=1 plays it (about 4 minutes)'}, () => {
  test('every part keeps up, the music stays with the pictures, the end screen follows', async () => {
    const page = await openPage(base);
    await waitState(page, 'ready');
    await page.click('#overlay');
    await waitState(page, 'running');
    const offsets = [];
    let last = null;
    for (;;) {
      const s = await page.evaluate(() => (window.zudezed.state === 'running' ? window.zudezed.sync() : null));
      if (s === null) break;
      if (s.musicMs !== null && s.musicMs < 227000) offsets.push([s.timelineMs, s.timelineMs - s.musicMs]);
      last = s;
      await sleep(1000);
    }
    await waitState(page, 'ended', 5000);
    const work = await page.evaluate(() => window.zudezed.frameWork);
    const parts = {};
    for (const [part, list] of Object.entries(work)) {
      const sorted = list.slice().sort((a, b) => a - b);
      parts[part] = {frames: sorted.length, medianMs: sorted[sorted.length >> 1],
                     p99Ms: sorted[Math.floor(sorted.length * 0.99)], worstMs: sorted[sorted.length - 1]};
    }
    report.parts = parts;
    report.endTimelineMs = last && last.timelineMs;
    report.musicRestarts = last && last.musicRestarts;
    report.offsetsMs = offsets.map(([t, o]) => [t, Math.round(o * 10) / 10]);
    const endOffset = offsets[offsets.length - 1][1];
    assert.ok(Math.abs(endOffset) <= 50, `timeline - music = ${endOffset} ms at the end`);
    assert.deepEqual(page.errors || [], []);
    await page.close();
  });
});

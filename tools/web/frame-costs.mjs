// Every part's frame work in headless chromium over the whole timeline in real time,
// with the processor slowed down as a phone's would be (the DevTools protocol's
// Emulation.setCPUThrottlingRate): a table of frames, median, p99 and worst per part.
//
//   node tools/web/frame-costs.mjs [RATE]     (default 4; 1 for no slowing down)
//   node tools/web/frame-costs.mjs RATE --profile
//
// Needs the built page (tools/web/build.sh); takes the timeline's length, about 4 min.
// Prints the machine's load average before and after: real-time figures on a shared
// machine are only as good as its load. With --profile, the page built with the
// WebAssembly's function names (ZUDEZED_WEB_PROFILE=1 tools/web/build.sh) is sampled
// by the DevTools protocol's profiler over the whole run, and the functions taking the
// most of the page's thread (self time) are listed after the table.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {chromium} from 'playwright-core';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const args = process.argv.slice(2);
const profile = args.includes('--profile');
const rate = Number(args.find((a) => !a.startsWith('--')) || 4);
const site = path.join(root, profile ? 'build-web-profile/site' : 'build-web/site');
const load = () => os.loadavg().map((v) => v.toFixed(2)).join(' ');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zudezed-costs-'));
const ready = path.join(dir, 'port');
const server = spawn('python3', [path.join(root, 'tools/web/server.py'), '--root', site,
                                 '--port', '0', '--ready-file', ready, '--quiet'], {stdio: 'inherit'});
try {
  for (let i = 0; i < 100 && !fs.existsSync(ready); ++i) await sleep(50);
  const url = `http://127.0.0.1:${fs.readFileSync(ready, 'utf8').trim()}/`;
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium', headless: true,
                                         args: ['--headless', '--no-sandbox', '--disable-gpu']});
  const page = await browser.newPage({viewport: {width: 1280, height: 720}});
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Emulation.setCPUThrottlingRate', {rate});
  await page.goto(url);
  await page.waitForFunction(() => window.zudezed && window.zudezed.state === 'ready', null, {timeout: 120000});
  const loadBefore = load();
  if (profile) {
    await cdp.send('Profiler.enable');
    await cdp.send('Profiler.setSamplingInterval', {interval: 1000});
    await cdp.send('Profiler.start');
  }
  await page.click('#overlay');
  await page.waitForFunction(() => window.zudezed.state === 'ended', null, {timeout: 400000, polling: 1000});
  const work = await page.evaluate(() => window.zudezed.frameWork);
  const samples = profile ? (await cdp.send('Profiler.stop')).profile : null;
  await browser.close();
  console.log(`load average (1, 5, 15 min) before: ${loadBefore}; after: ${load()}; ${os.cpus().length} processors`);
  console.log(`| Part | Frames | median | p99 | worst |  (CPU slowed ${rate}x)`);
  console.log('|---|---|---|---|---|');
  for (const [part, list] of Object.entries(work)) {
    const s = list.slice().sort((a, b) => a - b);
    const f = (v) => `${v.toFixed(1)} ms`;
    console.log(`| ${part} | ${s.length} | ${f(s[s.length >> 1])} | ${f(s[Math.floor(s.length * 0.99)])} | ${f(s[s.length - 1])} |`);
  }
  if (samples) {
    // Self time per function: each sample is charged to the node it was taken in.
    const byId = new Map(samples.nodes.map((n) => [n.id, n]));
    const self = new Map();
    const dt = samples.timeDeltas;
    let total = 0;
    samples.samples.forEach((id, i) => {
      const f = byId.get(id).callFrame;
      const name = `${f.functionName || '(anonymous)'} ${f.url ? path.basename(f.url) : ''}`.trim();
      const us = dt[i + 1] !== undefined ? dt[i + 1] : 0;
      self.set(name, (self.get(name) || 0) + us);
      total += us;
    });
    console.log(`\nSelf time, ${(total / 1e6).toFixed(1)} s sampled:`);
    [...self.entries()].sort((a, b) => b[1] - a[1]).slice(0, 25).forEach(([name, us]) => {
      console.log(`${(100 * us / total).toFixed(1).padStart(5)}%  ${(us / 1e6).toFixed(2).padStart(7)} s  ${name}`);
    });
  }
} finally {
  server.kill();
  fs.rmSync(dir, {recursive: true, force: true});
}

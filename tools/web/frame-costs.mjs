// Every part's frame work in headless chromium over the whole timeline in real time,
// with the processor slowed down as a phone's would be (the DevTools protocol's
// Emulation.setCPUThrottlingRate): a table of frames, median, p99 and worst per part.
//
//   node tools/web/frame-costs.mjs [RATE]     (default 4; 1 for no slowing down)
//
// Needs the built page (tools/web/build.sh); takes the timeline's length, about 4 min.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {chromium} from 'playwright-core';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const rate = Number(process.argv[2] || 4);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zudezed-costs-'));
const ready = path.join(dir, 'port');
const server = spawn('python3', [path.join(root, 'tools/web/server.py'), '--root', path.join(root, 'build-web/site'),
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
  await page.click('#overlay');
  await page.waitForFunction(() => window.zudezed.state === 'ended', null, {timeout: 400000, polling: 1000});
  const work = await page.evaluate(() => window.zudezed.frameWork);
  await browser.close();
  console.log(`| Part | Frames | median | p99 | worst |  (CPU slowed ${rate}x)`);
  console.log('|---|---|---|---|---|');
  for (const [part, list] of Object.entries(work)) {
    const s = list.slice().sort((a, b) => a - b);
    const f = (v) => `${v.toFixed(1)} ms`;
    console.log(`| ${part} | ${s.length} | ${f(s[s.length >> 1])} | ${f(s[Math.floor(s.length * 0.99)])} | ${f(s[s.length - 1])} |`);
  }
} finally {
  server.kill();
  fs.rmSync(dir, {recursive: true, force: true});
}

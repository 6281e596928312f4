// PNG reading for the browser tests.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import zlib from 'node:zlib';

// A PNG of 8-bit RGB or RGBA, not interlaced (zudezed-capture's output) as RGB bytes.
export function readPng(file) {
  const buf = fs.readFileSync(file);
  let pos = 8, w = 0, h = 0, channels = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos), type = buf.toString('latin1', pos + 4, pos + 8);
    const body = buf.subarray(pos + 8, pos + 8 + len);
    if (type === 'IHDR') {
      w = body.readUInt32BE(0); h = body.readUInt32BE(4);
      assert.equal(body[8], 8, 'PNG bit depth'); assert.equal(body[12], 0, 'PNG interlace');
      channels = {2: 3, 6: 4}[body[9]];
      assert.ok(channels, 'PNG colour type');
    } else if (type === 'IDAT') idat.push(body);
    pos += 12 + len;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = w * channels, out = Buffer.alloc(w * h * 3);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < h; ++y) {
    const f = raw[y * (stride + 1)], line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0, b = prev[i], c = i >= channels ? prev[i - channels] : 0;
      let p = 0;
      if (f === 1) p = a; else if (f === 2) p = b; else if (f === 3) p = (a + b) >> 1;
      else if (f === 4) { const q = a + b - c, pa = Math.abs(q - a), pb = Math.abs(q - b), pc = Math.abs(q - c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c; }
      line[i] = (line[i] + p) & 255;
    }
    for (let x = 0; x < w; ++x) line.copy(out, (y * w + x) * 3, x * channels, x * channels + 3);
    prev = line;
  }
  return {w, h, rgb: out};
}

#!/usr/bin/env node
// Writes the result page's images into deploy/icons/:
//   star1.gif .. star5.gif  a rating of one to five gold stars out of five
//                           (level 1 is the poorest match, level 5 the best)
//   greenbull.gif           the bullet in front of each spelling variant
// The files are committed; run this again only to change their look.
//
// GIF89a layout written here (all integers little-endian):
//   "GIF89a", logical screen width (2), height (2), flags 0xF5 (global colour
//   table of 64 entries), background index (1), aspect 0 (1);
//   the colour table, 64 x RGB;
//   graphic control extension 21 F9 04, flags 0x01 (index 0 is transparent),
//   delay 0 (2), transparent index 0 (1), terminator 00;
//   image descriptor 2C, left 0, top 0, width, height, flags 0;
//   LZW minimum code size 6, the code stream in sub-blocks of at most 255
//   bytes, block terminator 00; trailer 3B.
// The code stream sends every pixel as its own 7-bit code and a clear code
// before the table would need 8-bit codes: plain, and every decoder reads it.

import { writeFileSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const kMinCodeSize = 6;
const kClear = 1 << kMinCodeSize;      // 64
const kEnd = kClear + 1;               // 65
const kCodesPerRun = 60;               // stays below the 8-bit switch at 128
const kShades = 16;                    // coverage steps per ink colour
const kSamples = 4;                    // sub-samples per pixel and axis

// Palette: 0 transparent, then kShades steps of each ink blended over white
// (the page's row colours are near white, so the edges blend in).
const inks = {
  gold: [0xf2, 0xa9, 0x00],
  grey: [0xd3, 0xd8, 0xde],
  green: [0x2e, 0x9e, 0x4f],
};
const inkNames = Object.keys(inks);
function paletteIndex(ink, coverage) {
  if (coverage <= 0) return 0;
  const step = Math.min(kShades, Math.max(1, Math.round(coverage * kShades)));
  return 1 + inkNames.indexOf(ink) * kShades + (step - 1);
}
function palette() {
  const table = Buffer.alloc(64 * 3, 0xff);
  inkNames.forEach((name, i) => {
    for (let step = 1; step <= kShades; step++) {
      const a = step / kShades;
      const at = (1 + i * kShades + step - 1) * 3;
      inks[name].forEach((c, k) => { table[at + k] = Math.round(c * a + 255 * (1 - a)); });
    }
  });
  return table;
}

// A shape is a function (x, y) -> true inside; coverage by sub-sampling.
function coverage(inside, px, py) {
  let hits = 0;
  for (let sy = 0; sy < kSamples; sy++)
    for (let sx = 0; sx < kSamples; sx++)
      if (inside(px + (sx + 0.5) / kSamples, py + (sy + 0.5) / kSamples)) hits++;
  return hits / (kSamples * kSamples);
}

function starPolygon(cx, cy, outer, inner) {
  const points = [];
  for (let i = 0; i < 10; i++) {
    const r = i % 2 ? inner : outer;
    const a = -Math.PI / 2 + (i * Math.PI) / 5;
    points.push([cx + r * Math.cos(a), cy + r * Math.sin(a)]);
  }
  return (x, y) => {
    let inside = false;
    for (let i = 0, j = points.length - 1; i < points.length; j = i++) {
      const [xi, yi] = points[i];
      const [xj, yj] = points[j];
      if ((yi > y) !== (yj > y) && x < ((xj - xi) * (y - yi)) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
  };
}

function starRating(level) {
  const size = 16;
  const width = size * 5;
  const pixels = new Uint8Array(width * size);
  for (let s = 0; s < 5; s++) {
    const star = starPolygon(s * size + size / 2, size / 2 + 0.6, 7.6, 3.1);
    const ink = s < level ? 'gold' : 'grey';
    for (let y = 0; y < size; y++)
      for (let x = s * size; x < (s + 1) * size; x++)
        pixels[y * width + x] = paletteIndex(ink, coverage(star, x, y));
  }
  return { width, height: size, pixels };
}

function bullet() {
  const size = 12;
  const pixels = new Uint8Array(size * size);
  const dot = (x, y) => (x - 6) ** 2 + (y - 6) ** 2 <= 4.6 ** 2;
  for (let y = 0; y < size; y++)
    for (let x = 0; x < size; x++) pixels[y * size + x] = paletteIndex('green', coverage(dot, x, y));
  return { width: size, height: size, pixels };
}

// Packs codes of `bits` bits, least significant bit first, as GIF wants.
function lzwStream(pixels) {
  const bytes = [];
  let acc = 0;
  let held = 0;
  const put = (code) => {
    acc |= code << held;
    held += kMinCodeSize + 1;
    while (held >= 8) { bytes.push(acc & 0xff); acc >>>= 8; held -= 8; }
  };
  for (let i = 0; i < pixels.length; i++) {
    if (i % kCodesPerRun === 0) put(kClear);
    put(pixels[i]);
  }
  put(kEnd);
  if (held > 0) bytes.push(acc & 0xff);
  return Buffer.from(bytes);
}

function gif({ width, height, pixels }) {
  const u16 = (v) => Buffer.from([v & 0xff, v >> 8]);
  const data = lzwStream(pixels);
  const blocks = [];
  for (let at = 0; at < data.length; at += 255) {
    const piece = data.subarray(at, at + 255);
    blocks.push(Buffer.from([piece.length]), piece);
  }
  return Buffer.concat([
    Buffer.from('GIF89a', 'ascii'), u16(width), u16(height), Buffer.from([0xf5, 0, 0]),
    palette(),
    Buffer.from([0x21, 0xf9, 0x04, 0x01, 0, 0, 0, 0]),
    Buffer.from([0x2c]), u16(0), u16(0), u16(width), u16(height), Buffer.from([0]),
    Buffer.from([kMinCodeSize]), ...blocks, Buffer.from([0, 0x3b]),
  ]);
}

const here = dirname(fileURLToPath(import.meta.url));
const out = join(here, 'icons');
mkdirSync(out, { recursive: true });
for (let level = 1; level <= 5; level++) writeFileSync(join(out, `star${level}.gif`), gif(starRating(level)));
writeFileSync(join(out, 'greenbull.gif'), gif(bullet()));

// The demo site in Debian's Chromium from a loopback server: time from navigation to the
// first picture on the board's canvas (a fresh browser context each round, so nothing is
// cached, then a reload in it), the time from a fill's pointer event to its pixels (on a 1×
// screen, and on a 2× one, where the picture is held at detail 2), and the site's size
// compressed with gzip. Prints min and median beside the targets; not a test.
// A second site folder (an earlier build, say) is measured in turns with the first.
//   node bench/web-first-picture.mjs [rounds] [peer site]   (NODE_PATH: playwright-core's node_modules)
import { createRequire } from 'node:module';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const require = createRequire(import.meta.url);
const k = require('../web/tests/support.cjs');
const rounds = Number(process.argv[2] ?? 5);
const peerSite = process.argv[3];
const FILLS = 20;
const targets = { firstPicture: 600, fill: 8, siteKiB: 600 };

const min = (values) => Math.min(...values);
const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

// The page notes when its first board first shows a picture, relative to navigation.
const noteFirstPicture = () => {
  document.addEventListener('change', (event) => {
    if (event.target.localName === 'kolo-board' && event.detail.index >= 0 && !window.koloFirstPicture) {
      window.koloFirstPicture = performance.now();
    }
  }, true);
};

// Fills of one area with two colours in turn, each timed from its event to its pixels.
async function timeFills(page, times) {
  const box = await page.locator('kolo-board').boundingBox();
  const scale = box.width / 834;
  const click = ([x, y]) => page.mouse.click(box.x + (x + 0.5) * scale, box.y + (y + 0.5) * scale);
  for (let i = 0; i < FILLS / rounds; i++) {
    await click(i % 2 ? k.points.PICK : [704, 550]);
    await click(k.points.FILL);
    times.push(await page.evaluate(() => document.querySelector('kolo-board').lastInputTime));
  }
}

async function firstPicture(page) {
  await page.waitForFunction(() => window.koloFirstPicture, null, { timeout: 30000 });
  return page.evaluate(() => window.koloFirstPicture);
}

function siteBytes(dir) {
  let total = 0;
  let element = 0;
  for (const entry of fs.readdirSync(dir, { recursive: true, withFileTypes: true })) {
    if (!entry.isFile()) continue;
    const file = path.join(entry.parentPath ?? entry.path, entry.name);
    const size = zlib.gzipSync(fs.readFileSync(file), { level: 9 }).length;
    total += size;
    if (!path.relative(dir, file).startsWith('samples')) element += size;
  }
  return { total, element };
}

const browser = await k.launch();
const sites = [{ name: 'site', dir: k.site }];
if (peerSite) sites.push({ name: 'peer', dir: peerSite });
for (const site of sites) {
  site.server = await k.serve(site.dir);
  Object.assign(site, { cold: [], warm: [], fills: [], fills2x: [] });
}
try {
  for (let round = 0; round < rounds; round++) {
   for (const { server, cold, warm, fills, fills2x } of sites) {
    const context = await browser.newContext();
    await context.addInitScript(noteFirstPicture);
    const page = await context.newPage();
    await page.goto(`${server.origin}/index.html`);
    cold.push(await firstPicture(page));
    await page.reload();
    warm.push(await firstPicture(page));
    await k.boardsReady(page);
    await timeFills(page, fills);
    await context.close();
    const sharp = await browser.newContext({ deviceScaleFactor: 2 });
    const page2x = await sharp.newPage();
    await page2x.goto(`${server.origin}/index.html`);
    await k.boardsReady(page2x);
    await timeFills(page2x, fills2x);
    await sharp.close();
   }
  }
} finally {
  await browser.close();
  for (const site of sites) site.server.close();
}

const ms = (value) => value.toFixed(1).padStart(9);
console.log(`${'case'.padEnd(34)}${'min ms'.padStart(9)}${'median'.padStart(9)}  target  median/target`);
const row = (name, values, target) => console.log(
  `${name.padEnd(34)}${ms(min(values))}${ms(median(values))}  ${String(target).padStart(6)}  ` +
  `${(median(values) / target).toFixed(2)}`);
for (const { name, dir, cold, warm, fills, fills2x } of sites) {
  row(`${name}: first picture, first visit`, cold, targets.firstPicture);
  row(`${name}: first picture, reload`, warm, targets.firstPicture);
  row(`${name}: fill to pixels`, fills, targets.fill);
  row(`${name}: fill to pixels at 2×`, fills2x, targets.fill);
  const { total, element } = siteBytes(dir);
  console.log(`${name}: gzip ${(total / 1024).toFixed(0)} KiB with the samples, ${(element / 1024).toFixed(0)} KiB ` +
              `without them (target ${targets.siteKiB} KiB)`);
}
if (sites.length === 2) {
  const ratio = (key) => (median(sites[0][key]) / median(sites[1][key])).toFixed(2);
  console.log(`site / peer medians: first visit ${ratio('cold')}, reload ${ratio('warm')}, fill ${ratio('fills')}, ` +
              `fill at 2× ${ratio('fills2x')}`);
}

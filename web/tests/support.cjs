// Shared parts of the browser tests: a static file server on 127.0.0.1 (optionally sending a
// CORS header), Debian's Chromium through playwright-core, the native headless driver, and
// the board's canvas read back in the page.
const http = require('node:http');
const fs = require('node:fs');
const path = require('node:path');
const os = require('node:os');
const { execFileSync } = require('node:child_process');
const { chromium } = require('playwright-core');

const root = path.resolve(__dirname, '..', '..');
const site = process.env.KOLO_WEB_SITE || path.join(root, 'build-web', 'site');
const kolo = process.env.KOLO_EXECUTABLE || path.join(root, 'build', 'app', 'kolo');
const types = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.gz': 'application/gzip',
  '.bmp': 'image/bmp', '.gif': 'image/gif', '.jpg': 'image/jpeg', '.png': 'image/png',
};

// Serves `dir`, plus `extra` (address -> page text) and the files of `scratch` under
// /scratch/; `allowOrigin` is sent as Access-Control-Allow-Origin when given.
async function serve(dir, { allowOrigin = null, extra = {}, scratch = null } = {}) {
  const server = http.createServer((request, response) => {
    const address = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const headers = allowOrigin ? { 'Access-Control-Allow-Origin': allowOrigin } : {};
    if (address in extra) {
      response.writeHead(200, { ...headers, 'Content-Type': 'text/html' });
      response.end(extra[address]);
      return;
    }
    const inScratch = scratch && address.startsWith('/scratch/');
    const base = inScratch ? scratch : dir;
    let file = path.join(base, inScratch ? address.slice('/scratch/'.length) : address);
    if (!file.startsWith(base)) file = '';
    if (file && fs.existsSync(file) && fs.statSync(file).isDirectory()) file = path.join(file, 'index.html');
    if (!file || !fs.existsSync(file)) {
      response.writeHead(404, { ...headers, 'Content-Type': 'text/html' });
      response.end('<h1>Not Found</h1>');
      return;
    }
    response.writeHead(200, { ...headers, 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { origin: `http://127.0.0.1:${server.address().port}`, close: () => server.close() };
}

async function launch() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
}

// A page of the test's own next to the site's files.
function boardPage(body) {
  return `<!DOCTYPE html><html><head><meta charset="utf-8">
<script type="module" src="/kolo-board.js"></script>
<style>body { margin: 0; } kolo-board { display: block; }</style></head><body>${body}</body></html>`;
}

// Waits until every board on the page has started and finished its first folder load.
async function boardsReady(page, count = 1) {
  await page.waitForFunction((n) => {
    const boards = [...document.querySelectorAll('kolo-board')];
    return boards.length === n && boards.every((b) => b._control && b._busy === 0);
  }, count);
}

// Clicks in board pixels on the board `index` (the element is shown at its own size).
async function clickBoard(page, points, index = 0) {
  const box = await page.locator('kolo-board').nth(index).boundingBox();
  for (const [x, y] of points) await page.mouse.click(box.x + x + 0.5, box.y + y + 0.5);
}

// Number of pixels where the canvas of board `index` differs from the PNG at `address`.
async function differingPixels(page, address, index = 0) {
  return page.evaluate(async ({ address, index }) => {
    const board = document.querySelectorAll('kolo-board')[index];
    const canvas = board.shadowRoot.querySelector('canvas');
    const shown = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const image = new Image();
    image.src = address;
    await image.decode();
    const other = document.createElement('canvas');
    other.width = image.width;
    other.height = image.height;
    const context = other.getContext('2d');
    context.drawImage(image, 0, 0);
    if (image.width !== canvas.width || image.height !== canvas.height) return -1;
    const expected = context.getImageData(0, 0, image.width, image.height).data;
    let count = 0;
    for (let i = 0; i < shown.length; i += 4) {
      if (shown[i] !== expected[i] || shown[i + 1] !== expected[i + 1] || shown[i + 2] !== expected[i + 2]) count++;
    }
    return count;
  }, { address, index });
}

async function boardPixel(page, x, y, index = 0) {
  return page.evaluate(({ x, y, index }) => {
    const canvas = document.querySelectorAll('kolo-board')[index].shadowRoot.querySelector('canvas');
    return [...canvas.getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3)];
  }, { x, y, index });
}

// The native headless driver's screen after the same clicks on the bundled samples, as PNG.
function nativeScreenshot(clicks, file) {
  const args = ['--headless', `file://${path.join(root, 'samples')}/`];
  for (const [x, y] of clicks) args.push('--click', `${x},${y}`);
  args.push('--screenshot', file);
  execFileSync(kolo, args, { stdio: ['ignore', 'ignore', 'inherit'] });
  return file;
}

function scratchDir() {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'kolo-web-'));
}

module.exports = {
  root, site, serve, launch, boardPage, boardsReady, clickBoard, differingPixels, boardPixel,
  nativeScreenshot, scratchDir,
};

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
  '.webmanifest': 'application/manifest+json', '.bmp': 'image/bmp', '.gif': 'image/gif', '.jpg': 'image/jpeg', '.png': 'image/png', '.svg': 'image/svg+xml',
};

// Serves `dir`, plus `extra` (address -> page text) and the files of `scratch` under
// /scratch/; `allowOrigin` is sent as Access-Control-Allow-Origin when given. Answers to
// addresses `hold` accepts wait in `held` until release(); those `stall` accepts get their
// headers and then nothing.
async function serve(dir, { allowOrigin = null, extra = {}, scratch = null, hold = null, stall = null } = {}) {
  const held = [];   // { address, aborted }: aborted once the browser gave up waiting
  let holding = true;
  const server = http.createServer((request, response) => {
    const address = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const headers = allowOrigin ? { 'Access-Control-Allow-Origin': allowOrigin } : {};
    const send = () => {
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
    };
    if (stall && stall(address)) {
      response.writeHead(200, { ...headers, 'Content-Type': 'text/html' });
      response.flushHeaders();
      return;
    }
    if (holding && hold && hold(address)) {
      const entry = { address, aborted: false, send };
      response.on('close', () => { if (!response.writableFinished) entry.aborted = true; });
      held.push(entry);
      return;
    }
    send();
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    origin: `http://127.0.0.1:${server.address().port}`,
    held,
    release: () => {
      holding = false;
      for (const entry of held) if (!entry.aborted) entry.send();
    },
    close: () => {
      server.closeAllConnections();
      server.close();
    },
  };
}

// Board pixels the tests click.
const points = {
  PICK: [716, 550],     // a palette cell: red 204, green 153, blue 0
  FILL: [317, 381],     // inside the first sample's drawing, the middle of the canvas
  UNDO: [100, 110],
  REDO: [240, 100],
  PRINT: [385, 108],
  EXIT: [512, 102],
  PREVIOUS: [690, 386],
  NEXT: [767, 386],
  THUMBNAIL: [728, 276],
};

// Waits until `condition()` holds, polling; fails after `ms`.
async function until(condition, ms = 10000, what = 'condition') {
  const end = Date.now() + ms;
  while (!(await condition())) {
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
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

// Number of pixels where the canvas of board `index` differs from the PNG at `address`, over
// the whole board or inside `rect` ([left, top, right, bottom]).
async function differingPixels(page, address, index = 0, rect = null) {
  return page.evaluate(async ({ address, index, rect }) => {
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
    const [left, top, right, bottom] = rect ?? [0, 0, image.width, image.height];
    let count = 0;
    for (let y = top; y < bottom; y++) {
      for (let x = left; x < right; x++) {
        const i = (y * image.width + x) * 4;
        if (shown[i] !== expected[i] || shown[i + 1] !== expected[i + 1] || shown[i + 2] !== expected[i + 2]) count++;
      }
    }
    return count;
  }, { address, index, rect });
}

// The colour shown in the middle of board pixel (x, y), wherever the backing store's pixels
// put it.
async function boardPixel(page, x, y, index = 0) {
  return page.evaluate(({ x, y, index }) => {
    const canvas = document.querySelectorAll('kolo-board')[index].shadowRoot.querySelector('canvas');
    const scale = canvas.width / 834;
    const at = (board) => Math.floor((board + 0.5) * scale);
    return [...canvas.getContext('2d').getImageData(at(x), at(y), 1, 1).data.slice(0, 3)];
  }, { x, y, index });
}

// The native headless driver's screen after the same clicks on the bundled samples (or the
// folder `folder`), as PNG.
function nativeScreenshot(clicks, file, folder = path.join(root, 'samples')) {
  const args = ['--headless', `file://${folder}/`];
  for (const [x, y] of clicks) args.push('--click', `${x},${y}`);
  args.push('--screenshot', file);
  execFileSync(kolo, args, { stdio: ['ignore', 'ignore', 'inherit'] });
  return file;
}

function scratchDir() {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'kolo-web-'));
}

// Chromium and a server of the site with `extra` pages and a scratch folder, for one test
// file: started before its tests and ended after them. Returns their holder.
function suite(extra) {
  const test = require('node:test');
  const shared = {};
  test.before(async () => {
    shared.browser = await launch();
    shared.scratch = scratchDir();
    shared.server = await serve(site, { scratch: shared.scratch, extra });
  });
  test.after(async () => {
    await shared.browser.close();
    shared.server.close();
    fs.rmSync(shared.scratch, { recursive: true, force: true });
  });
  return shared;
}

module.exports = {
  root, suite, points, site, serve, until, launch, boardPage, boardsReady, clickBoard, differingPixels, boardPixel,
  nativeScreenshot, scratchDir,
};

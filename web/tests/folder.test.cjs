// Folders as the element loads them: picture by picture as they arrive, a newer folder
// cancelling an older one, and transfers that stall.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const k = require('./support.cjs');

const CANVAS = [31, 155, 603, 607];   // the canvas area of the board
const NEXT = [767, 386];
const FIRST = 'house.bmp';            // the first picture of the bundled samples' page

let browser;
let scratch;

test.before(async () => {
  browser = await k.launch();
  scratch = k.scratchDir();
  // A one-picture folder, for the board and for the native driver alike.
  fs.mkdirSync(path.join(scratch, 'one'));
  fs.copyFileSync(path.join(k.root, 'samples', 'sun.gif'), path.join(scratch, 'one', 'sun.gif'));
  fs.writeFileSync(path.join(scratch, 'one', 'index.html'), '<a href="sun.gif">Sun</a>');
  k.nativeScreenshot([], path.join(scratch, 'samples.png'));
  k.nativeScreenshot([NEXT], path.join(scratch, 'one-next.png'), path.join(scratch, 'one'));
});
test.after(async () => {
  await browser.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

// A server whose samples' pictures after the first wait until released.
async function slowSamples() {
  return k.serve(k.site, {
    scratch,
    extra: { '/one.html': k.boardPage('<kolo-board folder="samples/"></kolo-board>') },
    hold: (address) => address.startsWith('/samples/') && address !== '/samples/' &&
                       address !== `/samples/${FIRST}`,
  });
}

async function openBoard(server) {
  const page = await (await browser.newContext()).newPage();
  await page.goto(`${server.origin}/one.html`);
  await k.until(() => server.held.length >= 3, 10000, 'pictures asked for');
  return page;
}

const busy = (page) => page.evaluate(() => document.querySelector('kolo-board')._busy);

test('the first picture is painted while the others are still being served', async () => {
  const server = await slowSamples();
  try {
    const page = await openBoard(server);
    await k.until(async () => await k.differingPixels(page, '/scratch/samples.png', 0, CANVAS) === 0,
                  10000, 'the first picture on the canvas');
    assert.strictEqual(await busy(page), 1);
    assert.ok(server.held.every((entry) => !entry.aborted));
    server.release();
    await k.boardsReady(page);
    assert.strictEqual(await k.differingPixels(page, '/scratch/samples.png'), 0);
    await page.context().close();
  } finally {
    server.close();
  }
});

test('a second folder mid-load cancels the first and keeps only its own pictures', async () => {
  const server = await slowSamples();
  try {
    const page = await openBoard(server);
    await page.evaluate(() => document.querySelector('kolo-board').setImageURL('/scratch/one/'));
    await k.boardsReady(page);
    // The first folder's transfers were dropped, and what the server sends now is ignored.
    await k.until(() => server.held.every((entry) => entry.aborted), 5000, 'the old transfers aborted');
    server.release();
    await new Promise((resolve) => setTimeout(resolve, 300));
    await k.clickBoard(page, [NEXT]);   // with one picture the arrow stays on it
    assert.strictEqual(await k.differingPixels(page, '/scratch/one-next.png'), 0);
    await page.context().close();
  } finally {
    server.close();
  }
});

const stalls = [
  ['a page that stalls gives its reason', '/stall/', (origin) => 'No data received for 0.5 s\nPlease confirm your url.'],
  ['a picture that stalls is skipped', '/pictures/',
   (origin) => `No pictures found at ${origin}/pictures/\nPlease confirm your url.`],
];
test('a transfer that receives nothing is aborted', async (t) => {
  const server = await k.serve(k.site, {
    extra: {
      '/one.html': k.boardPage('<kolo-board></kolo-board>'),
      '/pictures/': '<a href="late.gif">Late</a>',
    },
    stall: (address) => address === '/stall/' || address === '/pictures/late.gif',
  });
  try {
    for (const [name, folder, message] of stalls) {
      await t.test(name, async () => {
        const page = await (await browser.newContext()).newPage();
        await page.goto(`${server.origin}/one.html`);
        await k.boardsReady(page);
        const started = Date.now();
        await page.evaluate(async (folder) => {
          (await import('/kolo-board.js')).transferLimits.stallMs = 500;
          await document.querySelector('kolo-board').setImageURL(folder);
        }, folder);
        assert.ok(Date.now() - started < 5000);
        const text = await page.evaluate(() => document.querySelector('kolo-board').shadowRoot
          .querySelector('#message-text').textContent);
        assert.strictEqual(text, message(server.origin));
        await page.context().close();
      });
    }
  } finally {
    server.close();
  }
});

// What the element gives the page beyond the board: saving the coloured picture, change
// events, a new page, messages inside its box, the browser's own print, and each picture's
// work kept between visits.
const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const k = require('./support.cjs');

const { PICK, FILL, UNDO, REDO, PREVIOUS, NEXT, THUMBNAIL } = k.points;
const PICKED = [204, 153, 0];   // the colour of PICK

const shared = k.suite({
  '/one.html': k.boardPage('<kolo-board folder="samples/"></kolo-board>'),
  '/bare.html': k.boardPage('<kolo-board folder="samples/" toolbar="none"></kolo-board>'),
  '/missing.html': k.boardPage('<kolo-board folder="missing/"></kolo-board><button>Page</button>'),
});

async function openBoard(address = '/one.html') {
  const page = await (await shared.browser.newContext()).newPage();
  await page.goto(`${shared.server.origin}${address}`);
  await k.boardsReady(page);
  return page;
}

// Width, height and the number of pixels in the picked colour of the PNG `save()` gives.
async function saved(page) {
  return page.evaluate(async (picked) => {
    const blob = await document.querySelector('kolo-board').save();
    const bitmap = await createImageBitmap(blob);
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let count = 0;
    for (let i = 0; i < data.length; i += 4) {
      if (data[i] === picked[0] && data[i + 1] === picked[1] && data[i + 2] === picked[2]) count++;
    }
    return { type: blob.type, width: bitmap.width, height: bitmap.height, count };
  }, PICKED);
}

test('save gives the coloured picture at its own size, and Save downloads it', async () => {
  const page = await openBoard();
  const blank = await saved(page);
  assert.deepStrictEqual(blank, { type: 'image/png', width: 572, height: 452, count: 0 });
  await k.clickBoard(page, [PICK, FILL]);
  assert.ok((await saved(page)).count > 1000);
  const [download] = await Promise.all([
    page.waitForEvent('download'),
    page.locator('kolo-board').getByRole('button', { name: 'Save' }).click(),
  ]);
  assert.strictEqual(download.suggestedFilename(), 'house-coloured.png');
  await page.context().close();

  const bare = await openBoard('/bare.html');
  assert.strictEqual(await bare.locator('kolo-board').getByRole('button', { name: 'Save' }).isVisible(), false);
  await bare.context().close();
});

test('change follows every fill, undo, redo, new page and picture', async () => {
  const page = await openBoard();
  await page.evaluate(() => {
    window.changes = [];
    document.querySelector('kolo-board').addEventListener('change', (event) => {
      window.changes.push(`${event.detail.picture} ${event.detail.index}/${event.detail.count}`);
    });
  });
  await k.clickBoard(page, [PICK, FILL, UNDO, REDO]);
  await page.evaluate(() => document.querySelector('kolo-board').newPage());
  await k.clickBoard(page, [UNDO, NEXT, THUMBNAIL]);
  assert.deepStrictEqual(await page.evaluate(() => window.changes),
                         [...Array(5).fill('house.bmp 0/11'), 'sun.gif 1/11']);
  await page.context().close();
});

test('a missing folder says so inside the board and leaves the page usable', async () => {
  const page = await (await shared.browser.newContext()).newPage();
  await page.goto(`${shared.server.origin}/missing.html`);
  const message = page.locator('kolo-board').getByRole('alertdialog');
  await message.waitFor();
  assert.match(await message.innerText(), /404 Not Found/);
  assert.strictEqual(await message.evaluate((d) => d.matches(':modal')), false);
  const inner = await message.boundingBox();
  const outer = await page.locator('kolo-board').boundingBox();
  assert.ok(inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
            inner.y + inner.height <= outer.y + outer.height, JSON.stringify([inner, outer]));
  await page.getByRole('button', { name: 'Page' }).click({ timeout: 2000 });
  await message.getByRole('button', { name: 'OK' }).focus();
  await page.keyboard.press('Escape');
  assert.strictEqual(await message.isVisible(), false);
  await page.context().close();
});

test('the browser\'s own print prints the coloured picture', async () => {
  const page = await openBoard();
  await k.clickBoard(page, [PICK, FILL]);
  await page.evaluate(() => window.dispatchEvent(new Event('beforeprint')));
  await page.emulateMedia({ media: 'print' });
  const pdf = path.join(shared.scratch, 'own.pdf');
  await page.pdf({ path: pdf, format: 'Letter' });
  execFileSync('pdftoppm', ['-r', '72', '-png', '-singlefile', pdf, path.join(shared.scratch, 'own')]);
  const colours = await page.evaluate(async (picked) => {
    const image = new Image();
    image.src = '/scratch/own.png';
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    canvas.getContext('2d').drawImage(image, 0, 0);
    const data = canvas.getContext('2d').getImageData(0, 0, image.width, image.height).data;
    let count = 0;
    for (let i = 0; i < data.length; i += 4) {
      if (Math.abs(data[i] - picked[0]) + Math.abs(data[i + 1] - picked[1]) + Math.abs(data[i + 2] - picked[2]) < 12) count++;
    }
    return count;
  }, PICKED);
  assert.ok(colours > 500, String(colours));
  await page.context().close();
});

// The board's canvas as a data address, to compare with after a reload.
const snapshot = (page) => page.evaluate(() =>
  document.querySelector('kolo-board').shadowRoot.querySelector('canvas.board').toDataURL());

// The coloured picture as save() encodes it, in base64: the same bytes when the same colouring.
const savedBytes = (page) => page.evaluate(async () => {
  const blob = await document.querySelector('kolo-board').save();
  const bytes = new Uint8Array(await blob.arrayBuffer());
  return btoa(String.fromCharCode(...bytes));
});

// The number of work records the page's storage holds.
const keptRecords = (page) => page.evaluate(() => new Promise((resolve) => {
  const request = indexedDB.open('kolo-board');
  request.onsuccess = () => {
    const database = request.result;
    if (!database.objectStoreNames.contains('work')) { database.close(); resolve(0); return; }
    const count = database.transaction('work').objectStore('work').count();
    count.onsuccess = () => { database.close(); resolve(count.result); };
  };
}));

test('a reload brings the colouring and its history back unless keep="none"', async (t) => {
  const context = await shared.browser.newContext();
  const page = await context.newPage();
  await page.goto(`${shared.server.origin}/one.html`);
  await k.boardsReady(page);
  await k.clickBoard(page, [PICK, FILL, [100, 400], UNDO]);
  const coloured = await snapshot(page);
  const picture = await savedBytes(page);
  await k.until(async () => await keptRecords(page) === 1, 5000, 'the record stored');
  await new Promise((resolve) => setTimeout(resolve, 300));   // the last changes' writes
  await page.reload();
  await k.boardsReady(page);
  // The picked colour is not part of the work, so the picture is compared, not the palette.
  assert.strictEqual(await savedBytes(page), picture);
  await k.clickBoard(page, [REDO]);
  assert.notStrictEqual(await savedBytes(page), picture);
  await k.clickBoard(page, [UNDO]);
  assert.strictEqual(await savedBytes(page), picture);

  await t.test('keep="none" starts clean and stores nothing', async () => {
    await page.evaluate(() => document.querySelector('kolo-board').setAttribute('keep', 'none'));
    await page.setContent(k.boardPage('<kolo-board keep="none" folder="samples/"></kolo-board>'));
    await k.boardsReady(page);
    assert.ok(await k.differingPixels(page, coloured) > 0);
    await k.clickBoard(page, [PICK, [100, 400]]);
    assert.strictEqual(await keptRecords(page), 1);
  });
  await context.close();
});

test('without storage the work is kept while browsing and nothing is said', async () => {
  const context = await shared.browser.newContext();
  await context.addInitScript(() => {
    Object.defineProperty(window, 'indexedDB', { get() { throw new DOMException('denied', 'SecurityError'); } });
  });
  const page = await context.newPage();
  await page.goto(`${shared.server.origin}/one.html`);
  await k.boardsReady(page);
  await k.clickBoard(page, [PICK, FILL]);
  const coloured = await snapshot(page);
  await k.clickBoard(page, [NEXT, THUMBNAIL, PREVIOUS, THUMBNAIL]);
  assert.strictEqual(await k.differingPixels(page, coloured), 0);
  assert.strictEqual(await page.locator('kolo-board').getByRole('alertdialog').isVisible(), false);
  await context.close();
});

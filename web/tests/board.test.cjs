// The <kolo-board> element in Debian's Chromium, against pages served on 127.0.0.1.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const k = require('./support.cjs');

const { PICK, FILL, UNDO, REDO, PRINT, EXIT, PREVIOUS, NEXT, THUMBNAIL } = k.points;

let browser;
let server;
let scratch;

test.before(async () => {
  browser = await k.launch();
  scratch = k.scratchDir();
  server = await k.serve(k.site, {
    scratch,
    extra: {
      '/one.html': k.boardPage('<kolo-board folder="samples/"></kolo-board>'),
      // Each reload starts clean, as each run of the headless driver does.
      '/fresh.html': k.boardPage('<kolo-board keep="none" folder="samples/"></kolo-board>'),
      '/two.html': k.boardPage('<kolo-board folder="samples/"></kolo-board><kolo-board></kolo-board>'),
      '/missing.html': k.boardPage('<kolo-board folder="missing/"></kolo-board>'),
    },
  });
});
test.after(async () => {
  await browser.close();
  server.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

async function openPage(address, options = {}) {
  const context = await browser.newContext(options);
  const page = await context.newPage();
  await page.goto(address);
  return page;
}

// The same clicks on the element and on the native headless driver give the same screen.
const scenarios = [
  ['samples load', []],
  ['colour pick', [PICK]],
  ['fill', [PICK, FILL]],
  ['undo', [PICK, FILL, UNDO]],
  ['redo', [PICK, FILL, UNDO, REDO]],
  ['next arrow', [NEXT]],
  ['previous arrow wraps', [PREVIOUS]],
  ['thumbnail', [NEXT, THUMBNAIL]],
  ['fill after the arrows', [NEXT, NEXT, PICK, FILL]],
];
test('the board matches the native headless driver pixel for pixel', async (t) => {
  const page = await openPage(`${server.origin}/fresh.html`);
  for (const [name, clicks] of scenarios) {
    await t.test(name, async () => {
      await page.reload();
      await k.boardsReady(page);
      await k.clickBoard(page, clicks);
      const file = `${name.replace(/ /g, '-')}.png`;
      k.nativeScreenshot(clicks, path.join(scratch, file));
      assert.strictEqual(await k.differingPixels(page, `/scratch/${file}`), 0);
    });
  }
  await page.context().close();
});

test('a fill paints the picked colour at once', async () => {
  const page = await openPage(`${server.origin}/one.html`);
  await k.boardsReady(page);
  await k.clickBoard(page, [PICK, FILL]);
  assert.deepStrictEqual(await k.boardPixel(page, ...FILL), [204, 153, 0]);
  await page.context().close();
});

test('two boards on one page are independent', async () => {
  const page = await openPage(`${server.origin}/two.html`);
  await k.boardsReady(page, 2);
  await k.clickBoard(page, [PICK, FILL], 0);
  k.nativeScreenshot([PICK, FILL], path.join(scratch, 'a.png'));
  assert.strictEqual(await k.differingPixels(page, '/scratch/a.png', 0), 0);
  // The second has no folder: it stays blank, with its own colour.
  const [r, g, b] = await k.boardPixel(page, ...FILL, 1);
  assert.deepStrictEqual([r, g, b], [255, 255, 255]);
  assert.notDeepStrictEqual(await k.boardPixel(page, 770, 463, 1), [204, 153, 0]);
  await page.context().close();
});

async function messageText(page) {
  await page.waitForFunction(() => document.querySelector('kolo-board').shadowRoot
    .querySelector('dialog.message').open);
  return page.evaluate(() => document.querySelector('kolo-board').shadowRoot
    .querySelector('#message-text').textContent);
}

test('a folder on another origin', async (t) => {
  const cases = [
    ['with the page origin allowed loads', true],
    ['without CORS headers gives the message', false],
  ];
  for (const [name, allowed] of cases) {
    await t.test(name, async () => {
      const other = await k.serve(path.join(k.root, 'samples'), { allowOrigin: allowed ? server.origin : null });
      try {
        const page = await openPage(`${server.origin}/one.html`);
        await k.boardsReady(page);
        await page.evaluate((folder) => document.querySelector('kolo-board').setImageURL(folder), `${other.origin}/`);
        await k.boardsReady(page);
        if (allowed) {
          k.nativeScreenshot([], path.join(scratch, 'load.png'));
          assert.strictEqual(await k.differingPixels(page, '/scratch/load.png'), 0);
        } else {
          assert.strictEqual(await messageText(page), `The server at ${other.origin} does not allow this page ` +
            'to read its pictures (it sends no Access-Control-Allow-Origin header for this page)\nPlease confirm your url.');
          const help = page.locator('kolo-board').getByRole('link', { name: 'What a picture server must send' });
          assert.strictEqual(await help.getAttribute('href'), `${server.origin}/README.md#picture-servers`);
        }
        await page.context().close();
      } finally {
        other.close();
      }
    });
  }
});

test('a missing folder shows the message and OK closes it', async () => {
  const page = await openPage(`${server.origin}/missing.html`);
  assert.strictEqual(await messageText(page), 'The server answered 404 Not Found\nPlease confirm your url.');
  const dialog = page.locator('kolo-board').locator('dialog.message');
  assert.strictEqual(await dialog.getAttribute('aria-describedby'), 'message-text');
  await dialog.getByRole('button', { name: 'OK' }).click();
  assert.strictEqual(await dialog.evaluate((d) => d.open), false);
  await page.context().close();
});

test('the About box names the control and closes with OK', async () => {
  const page = await openPage(`${server.origin}/one.html`);
  await k.boardsReady(page);
  await page.evaluate(() => document.querySelector('kolo-board').aboutBox());
  const dialog = page.locator('kolo-board').locator('dialog.about');
  assert.match(await dialog.innerText(), /Kolo Control, Version 1\.0/);
  assert.ok((await dialog.locator('img.icon').getAttribute('src')).startsWith('data:image/png'));
  await dialog.getByRole('button', { name: 'OK' }).click();
  assert.strictEqual(await dialog.evaluate((d) => d.open), false);
  await page.context().close();
});

test('initimage and exit can be cancelled by the page', async () => {
  const page = await openPage(`${server.origin}/one.html`);
  await page.setContent(k.boardPage('').replace('</body>', `<script>
    window.seen = [];
    document.addEventListener('initimage', (e) => { seen.push('initimage'); e.preventDefault();
      e.target.setImageURL('samples'); }, true);
    document.addEventListener('exit', (e) => { seen.push('exit'); e.preventDefault(); }, true);
    window.close = () => seen.push('closed');
  </script><kolo-board></kolo-board></body>`), { waitUntil: 'load' });
  await k.boardsReady(page);
  await k.clickBoard(page, [EXIT]);
  await page.waitForFunction(() => window.seen.includes('exit'));
  assert.deepStrictEqual(await page.evaluate(() => window.seen), ['initimage', 'exit']);
  k.nativeScreenshot([], path.join(scratch, 'init.png'));
  assert.strictEqual(await k.differingPixels(page, '/scratch/init.png'), 0);
  await page.context().close();
});

test('print puts the picture on one page inside one-inch margins', async () => {
  const page = await openPage(`${server.origin}/one.html`);
  await page.evaluate(() => { window.printed = 0; window.print = () => { window.printed++; }; });
  await k.boardsReady(page);
  await k.clickBoard(page, [PICK, FILL, PRINT]);
  await page.waitForFunction(() => window.printed === 1);
  await page.emulateMedia({ media: 'print' });
  const pdf = path.join(scratch, 'page.pdf');
  await page.pdf({ path: pdf, format: 'Letter', preferCSSPageSize: true });
  const pages = execFileSync('pdfinfo', [pdf]).toString().match(/Pages:\s+(\d+)/)[1];
  assert.strictEqual(pages, '1');
  // At 72 pixels per inch the margins are 72 pixels (less one for the smoothed edge); the
  // picture spans the width between them.
  execFileSync('pdftoppm', ['-r', '72', '-png', '-singlefile', pdf, path.join(scratch, 'page')]);
  const inked = await page.evaluate(async () => {
    const image = new Image();
    image.src = '/scratch/page.png';
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const data = context.getImageData(0, 0, image.width, image.height).data;
    let left = image.width, right = -1, top = image.height, bottom = -1;
    for (let y = 0; y < image.height; y++) {
      for (let x = 0; x < image.width; x++) {
        const i = (y * image.width + x) * 4;
        if (data[i] < 250 || data[i + 1] < 250 || data[i + 2] < 250) {
          left = Math.min(left, x); right = Math.max(right, x);
          top = Math.min(top, y); bottom = Math.max(bottom, y);
        }
      }
    }
    return { width: image.width, height: image.height, left, right, top, bottom };
  });
  assert.deepStrictEqual([inked.width, inked.height], [612, 792]);
  assert.ok(inked.left >= 71 && inked.top >= 71, JSON.stringify(inked));
  assert.ok(inked.right <= 612 - 72 && inked.bottom <= 792 - 72, JSON.stringify(inked));
  assert.ok(inked.right - inked.left >= 466, JSON.stringify(inked));   // scaled up to fit
  await page.context().close();
});

test('a tap on a touch screen picks and fills', async () => {
  const page = await openPage(`${server.origin}/one.html`, { hasTouch: true });
  await k.boardsReady(page);
  const box = await page.locator('kolo-board').boundingBox();
  const tap = ([x, y]) => page.touchscreen.tap(box.x + x + 0.5, box.y + y + 0.5);
  // A finger picks from the palette opened magnified, on the swatch of the cell it touched.
  await tap(PICK);
  const swatches = page.locator('kolo-board').getByRole('dialog', { name: 'Colours' }).getByRole('radio');
  const cell = await swatches.evaluateAll((all) => all.findIndex((e) => getComputedStyle(e).backgroundColor === 'rgb(204, 153, 0)'));
  await swatches.nth(cell).tap();
  await tap(FILL);
  assert.deepStrictEqual(await k.boardPixel(page, ...FILL), [204, 153, 0]);
  await page.context().close();
});

test('a board drawn at half size maps pointer positions back to board pixels', async () => {
  const page = await openPage(`${server.origin}/one.html`);
  await page.addStyleTag({ content: 'kolo-board { width: 417px !important; }' });
  await k.boardsReady(page);
  const box = await page.locator('kolo-board').locator('canvas.board').boundingBox();
  assert.ok(Math.abs(box.height - 322) <= 1, JSON.stringify(box));
  for (const [x, y] of [PICK, FILL]) await page.mouse.click(box.x + x / 2 + 0.25, box.y + y / 2 + 0.25);
  assert.deepStrictEqual(await k.boardPixel(page, ...FILL), [204, 153, 0]);
  await page.context().close();
});

// The element on a 390 × 844 touch screen: fingertip-sized buttons and the magnified palette.
const test = require('node:test');
const assert = require('node:assert');
const k = require('./support.cjs');

const shared = k.suite({
  '/phone.html': `<!DOCTYPE html><html><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<script type="module" src="/kolo-board.js"></script>
<style>body { margin: 0; } kolo-board { width: 100%; }</style></head>
<body><kolo-board keep="none" folder="samples/"></kolo-board></body></html>`,
});

async function phone() {
  const context = await shared.browser.newContext({ viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true });
  const page = await context.newPage();
  await page.goto(`${shared.server.origin}/phone.html`);
  await k.boardsReady(page);
  const box = await page.locator('kolo-board').boundingBox();
  const scale = box.width / 834;
  // Taps at board pixels, or CSS pixels away from them.
  const tap = ([x, y], dx = 0, dy = 0) => page.touchscreen.tap(box.x + x * scale + dx, box.y + y * scale + dy);
  const palette = page.locator('kolo-board').getByRole('dialog', { name: 'Colours' });
  return { page, tap, palette };
}

const shadow = (page, selector, read) => page.evaluate(({ selector, read }) =>
  [...document.querySelector('kolo-board').shadowRoot.querySelectorAll(selector)].map(new Function('e', read)),
{ selector, read });

test('buttons keep a fingertip touch area on a small screen', async () => {
  const { page, tap } = await phone();
  const sizes = await shadow(page, '.hit', 'const r = e.getBoundingClientRect(); return [r.width, r.height];');
  assert.strictEqual(sizes.length, 6);
  for (const [width, height] of sizes) assert.ok(width >= 44 && height >= 44, `${width} × ${height}`);
  // Next is drawn 15 px square here: a tap 18 px below its middle still presses it (the
  // thumbnail is named after the picture it shows), and the thumbnail then puts the second
  // picture on the canvas.
  const first = await page.evaluate(() => document.querySelector('kolo-board').pictureName);
  await tap(k.points.NEXT, 0, 18);
  await page.locator('kolo-board').getByRole('button', { name: /^Picture 2 of \d+$/ }).waitFor();
  await tap(k.points.THUMBNAIL);
  await page.waitForFunction((first) => document.querySelector('kolo-board').pictureName !== first, first);
  await page.context().close();
});

test('a tap on the palette opens it magnified; a tap there picks and closes, and fills', async () => {
  const { page, tap, palette } = await phone();
  await tap(k.points.PICK);
  await palette.waitFor();
  const swatches = palette.getByRole('radio');
  assert.strictEqual(await swatches.count(), 132);
  const sizes = await shadow(page, '.grid [role=radio]', 'const r = e.getBoundingClientRect(); return Math.min(r.width, r.height);');
  assert.ok(Math.min(...sizes) >= 44, `smallest swatch ${Math.min(...sizes)} px`);
  const names = await shadow(page, '.grid [role=radio]', 'return e.getAttribute("aria-label");');
  assert.ok(names.every(Boolean));
  // The last colour lies below the overlay's fold.
  const last = swatches.nth(131);
  const colour = await last.evaluate((e) => getComputedStyle(e).backgroundColor.match(/\d+/g).map(Number));
  await last.tap();
  await palette.waitFor({ state: 'hidden' });
  await tap(k.points.FILL);
  assert.deepStrictEqual(await k.boardPixel(page, ...k.points.FILL), colour);

  // Escape and Close shut it and leave the colour as it was.
  for (const close of [() => page.keyboard.press('Escape'), () => palette.getByRole('button', { name: 'Close' }).tap()]) {
    await tap(k.points.PICK);
    await palette.waitFor();
    assert.strictEqual(await swatches.nth(131).getAttribute('aria-checked'), 'true');
    await close();
    await palette.waitFor({ state: 'hidden' });
  }
  await page.context().close();
});

// The board at the screen's own pixels: the backing store follows the element's size times
// the pixel ratio, the picture is held at the detail that needs, and the colouring survives
// a change of either.
const test = require('node:test');
const assert = require('node:assert');
const k = require('./support.cjs');

const { PICK, FILL, UNDO, REDO } = k.points;
const PICKED = [204, 153, 0];
const shared = k.suite({ '/fresh.html': k.boardPage('<kolo-board keep="none" folder="samples/"></kolo-board>') });

async function openBoard(ratio, width) {
  const viewport = { width: Math.max(1280, width + 100), height: Math.max(720, width + 100) };
  const page = await (await shared.browser.newContext({ deviceScaleFactor: ratio, viewport })).newPage();
  await page.goto(`${shared.server.origin}/fresh.html`);
  await k.boardsReady(page);
  // Sized once the picture is shown, so that the whole board is drawn again at the new size.
  await setWidth(page, width);
  return page;
}
const setWidth = (page, width) => page.evaluate((w) => { document.querySelector('kolo-board').style.width = `${w}px`; }, width);
// The backing store's size once its width is `width`, and the saved picture's.
async function sizes(page, width) {
  const canvas = () => page.evaluate(() => { const c = document.querySelector('kolo-board').shadowRoot.querySelector('canvas.board'); return [c.width, c.height]; });
  await k.until(async () => (await canvas())[0] === width, 10000, `a backing store ${width} wide`);
  const saved = await page.evaluate(async () => createImageBitmap(await document.querySelector('kolo-board').save()).then((b) => [b.width, b.height]));
  return [await canvas(), saved];
}
async function clickBoard(page, points) {
  const box = await page.locator('kolo-board canvas.board').boundingBox();
  const scale = box.width / 834;
  for (const [x, y] of points) await page.mouse.click(box.x + (x + 0.5) * scale, box.y + (y + 0.5) * scale);
}
// Headless Chromium tells the page of an emulated ratio only with a new window size, as a move
// to another screen gives.
const setRatio = async (page, ratio) => (await page.context().newCDPSession(page))
  .send('Emulation.setDeviceMetricsOverride', { width: 1280 + ratio, height: 720, deviceScaleFactor: ratio, mobile: false });

// Pixel ratio, CSS width, the backing store, and the picture as saved (its detail).
const screens = [
  ['a 2× screen', 2, 834, [1668, 1288], [1144, 904]],
  ['a phone at 3×, the board 390 px wide', 3, 390, [1170, 903], [1144, 904]],
  ['a half-size board on a 1× screen', 1, 417, [417, 322], [572, 452]],
  ['a board twice its size at 2×, the most detail', 2, 1668, [3336, 2576], [2288, 1808]],
];
test('the backing store and the detail follow the screen, and clicks land where they did', async (t) => {
  for (const [name, ratio, width, backing, saved] of screens) {
    await t.test(name, async () => {
      const page = await openBoard(ratio, width);
      assert.deepStrictEqual(await sizes(page, backing[0]), [backing, saved]);
      await clickBoard(page, [PICK, FILL]);
      assert.deepStrictEqual(await k.boardPixel(page, ...FILL), PICKED);
      await page.context().close();
    });
  }
});

// A property, not a picture: lines enlarged from the board's pixels would make every aligned
// block of scale × scale pixels one colour, and a one-bit picture would have no greys.
test('the picture\'s lines are drawn at the screen\'s pixels and smoothed', async (t) => {
  for (const [ratio, width] of [[2, 834], [2, 1668]]) {
    await t.test(`${width} px wide at ${ratio}×`, async () => {
      const page = await openBoard(ratio, width);
      const scale = ratio * width / 834;
      await sizes(page, 834 * scale);
      const [greys, mixed] = await page.evaluate((scale) => {
        const canvas = document.querySelector('kolo-board').shadowRoot.querySelector('canvas.board');
        const [left, top, width, height] = [31, 155, 572, 452].map((at) => at * scale);   // the canvas
        const data = canvas.getContext('2d').getImageData(left, top, width, height).data;
        let greys = 0, mixed = 0;
        for (let y = 0; y < height; y += scale) {
          for (let x = 0; x < width; x += scale) {
            const block = [];
            for (let dy = 0; dy < scale; dy++) for (let dx = 0; dx < scale; dx++) block.push(((y + dy) * width + x + dx) * 4);
            if (block.some((i) => data[i] !== data[block[0]])) mixed++;
            greys += block.filter((i) => data[i] === data[i + 2] && data[i] > 32 && data[i] < 224).length;
          }
        }
        return [greys, mixed];
      }, scale);
      assert.ok(greys > 500 && mixed > 500, `${greys} grey pixels, ${mixed} blocks of two colours`);
      await page.context().close();
    });
  }
});

test('the colouring and its history survive a resize and a new pixel ratio', async () => {
  const page = await openBoard(1, 834);
  await clickBoard(page, [PICK, FILL]);
  await setWidth(page, 1668);
  assert.deepStrictEqual((await sizes(page, 1668))[1], [1144, 904]);
  assert.deepStrictEqual(await k.boardPixel(page, ...FILL), PICKED);
  await setWidth(page, 834);
  await setRatio(page, 3);
  assert.deepStrictEqual((await sizes(page, 2502))[1], [1716, 1356]);
  assert.deepStrictEqual(await k.boardPixel(page, ...FILL), PICKED);
  await clickBoard(page, [UNDO]);
  assert.notDeepStrictEqual(await k.boardPixel(page, ...FILL), PICKED);
  await clickBoard(page, [REDO]);
  // Back at 1× the board is the core's screen again, pixel for pixel.
  await setRatio(page, 1);
  await sizes(page, 834);
  k.nativeScreenshot([PICK, FILL, UNDO, REDO], `${shared.scratch}/back.png`);
  assert.strictEqual(await k.differingPixels(page, '/scratch/back.png'), 0);
  await page.context().close();
});

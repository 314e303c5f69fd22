// The board at the screen's own pixels: the backing store follows the element's size times
// the pixel ratio, the picture is held at the detail that needs, and the colouring survives
// a change of either.
const test = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const path = require('node:path');
const k = require('./support.cjs');

const { PICK, FILL, UNDO, REDO, NEXT } = k.points;
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

// What a fill repaints is what a whole repaint of the board shows, pixel for pixel: the canvas
// from the picture at its detail, and the rest each board pixel a block of the native driver's
// screen at the same detail.
const CANVAS = [31, 155, 603, 607];
const OTHER = [716, 580];   // another palette cell
const backingWidth = (page) => page.evaluate(() => document.querySelector('kolo-board').shadowRoot.querySelector('canvas.board').width);
test('the pixels a fill repaints at a whole scale are those of a whole repaint', async (t) => {
  for (const scale of [2, 3]) {
    await t.test(`at ${scale}×`, async () => {
      const page = await openBoard(scale, 834);
      await sizes(page, 834 * scale);
      const clicks = [PICK, FILL, OTHER, FILL, UNDO, NEXT];
      await clickBoard(page, clicks);
      const file = `${shared.scratch}/detail-${scale}.png`;
      const args = ['--headless', `file://${path.join(k.root, 'samples')}/`, '--detail', String(scale)];
      for (const [x, y] of clicks) args.push('--click', `${x},${y}`);
      execFileSync(process.env.KOLO_EXECUTABLE || path.join(k.root, 'build', 'app', 'kolo'),
                   [...args, '--screenshot', file], { stdio: ['ignore', 'ignore', 'inherit'] });
      // The backing store as the fills left it is kept in the page.
      const outside = await page.evaluate(async ({ address, scale, canvas }) => {
        const image = new Image();
        image.src = address;
        await image.decode();
        const other = new OffscreenCanvas(image.width, image.height);
        other.getContext('2d').drawImage(image, 0, 0);
        const native = other.getContext('2d').getImageData(0, 0, image.width, image.height).data;
        const shown = document.querySelector('kolo-board').shadowRoot.querySelector('canvas.board');
        const data = shown.getContext('2d').getImageData(0, 0, shown.width, shown.height).data;
        window.repainted = data;
        let count = 0;
        for (let y = 0; y < shown.height; y++) {
          for (let x = 0; x < shown.width; x++) {
            const [bx, by] = [Math.floor(x / scale), Math.floor(y / scale)];
            if (bx >= canvas[0] && bx < canvas[2] && by >= canvas[1] && by < canvas[3]) continue;
            const [i, j] = [(y * shown.width + x) * 4, (by * image.width + bx) * 4];
            if (data[i] !== native[j] || data[i + 1] !== native[j + 1] || data[i + 2] !== native[j + 2]) count++;
          }
        }
        return count;
      }, { address: `/scratch/detail-${scale}.png`, scale, canvas: CANVAS });
      assert.strictEqual(outside, 0, 'device pixels outside the canvas unlike the native screen');
      // A width a pixel off and back fits the picture again and draws the whole board.
      await setWidth(page, 835);
      await k.until(async () => (await backingWidth(page)) !== 834 * scale, 10000, 'a wider backing store');
      await setWidth(page, 834);
      await sizes(page, 834 * scale);
      const differing = await page.evaluate(() => {
        const canvas = document.querySelector('kolo-board').shadowRoot.querySelector('canvas.board');
        const whole = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        let count = 0;
        for (let i = 0; i < whole.length; i += 4) {
          if (whole[i] !== repainted[i] || whole[i + 1] !== repainted[i + 1] || whole[i + 2] !== repainted[i + 2]) count++;
        }
        return whole.length === repainted.length ? count : -1;
      });
      assert.strictEqual(differing, 0, 'device pixels of the repaint unlike the whole board');
      await page.context().close();
    });
  }
});

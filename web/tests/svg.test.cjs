// SVG pages on the element: drawn by the browser at the detail the screen needs (never a
// canvas-size drawing enlarged), thin lines kept as lines, fills and gap closing at that
// detail, and the colouring kept when the detail changes.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const k = require('./support.cjs');

const CANVAS = [31, 155];   // the canvas's top-left corner on the board
const RED = [204, 153, 0];  // the colour k.points.PICK picks

// A page `scale` times the canvas's size whose one-unit lines (anti-aliased by any renderer)
// bound three closed shapes: a circle, a triangle with long diagonals, an ellipse.
function thinPage(scale) {
  const s = (v) => v * scale;
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${s(572)}" height="${s(452)}">
<g fill="none" stroke="#000" stroke-width="1">
<circle cx="${s(150)}" cy="${s(226)}" r="${s(100)}"/>
<path d="M${s(300)} ${s(60)} L${s(541)} ${s(401)} L${s(300)} ${s(400)} Z"/>
<ellipse cx="${s(450)}" cy="${s(110)}" rx="${s(70)}" ry="${s(33)}"/>
</g></svg>`;
}
// A square whose right side has an opening `gap` units wide.
function gapPage(gap) {
  const top = 226 - gap / 2, bottom = 226 + gap / 2;
  return `<svg xmlns="http://www.w3.org/2000/svg" width="572" height="452">
<path fill="none" stroke="#000" stroke-width="2"
 d="M300 ${top} L300 100 L100 100 L100 350 L300 350 L300 ${bottom}"/></svg>`;
}
const INSIDE_CIRCLE = [150, 226], OUTSIDE = [20, 20];
const INSIDE_SQUARE = [200, 226], BESIDE_SQUARE = [400, 226];

const shared = k.suite({});
// Each page in a folder of its own, as the only picture there.
let written = false;
function writePages() {
  if (written) return;
  written = true;
  const pages = { 'thin.svg': thinPage(1), 'large.svg': thinPage(4), 'huge.svg': thinPage(7), 'gap.svg': gapPage(1.5),
                  'kite.svg': fs.readFileSync(path.join(__dirname, '..', '..', 'samples', 'kite.svg')) };
  for (const [name, text] of Object.entries(pages)) {
    const dir = path.join(shared.scratch, name);
    fs.mkdirSync(dir);
    fs.writeFileSync(path.join(dir, name), text);
    fs.writeFileSync(path.join(dir, 'index.html'), `<a href="${name}">${name}</a>`);
  }
}

// A board on the one SVG page `name` at pixel ratio `ratio`, with `attributes`.
async function openPage(name, ratio, attributes = '') {
  writePages();
  const page = await (await shared.browser.newContext({ deviceScaleFactor: ratio, viewport: { width: 1000, height: 800 } })).newPage();
  const html = k.boardPage(`<kolo-board keep="none" ${attributes} folder="/scratch/${name}/"></kolo-board>`);
  await page.route('**/board.html', (route) => route.fulfill({ contentType: 'text/html', body: html }));
  await page.goto(`${shared.server.origin}/board.html`);
  await k.boardsReady(page);
  await k.until(() => page.evaluate(() => document.querySelector('kolo-board').shadowRoot.querySelector('canvas').width > 834 * devicePixelRatio - 1),
                10000, 'the backing store at the pixel ratio');
  return page;
}
const onCanvas = ([x, y]) => [CANVAS[0] + x, CANVAS[1] + y];
async function fillAt(page, point) {
  const box = await page.locator('kolo-board canvas.board').boundingBox();
  const scale = box.width / 834;
  for (const [x, y] of [k.points.PICK, onCanvas(point)]) await page.mouse.click(box.x + (x + 0.5) * scale, box.y + (y + 0.5) * scale);
}
const colourAt = (page, point) => k.boardPixel(page, ...onCanvas(point));
// Chromium's emulated ratio changes only with a new window size, as a move to another screen.
const setRatio = async (page, ratio) => (await page.context().newCDPSession(page))
  .send('Emulation.setDeviceMetricsOverride', { width: 1000 + ratio, height: 800, deviceScaleFactor: ratio, mobile: false });

// How far the canvas shown differs from the browser's own drawing of the page at the detail
// size, inside `area` (canvas units): the count of pixels off by more than a few levels.
function differsFromBrowser(page, name, area) {
  return page.evaluate(async ({ name, area, canvasAt }) => {
    const board = document.querySelector('kolo-board').shadowRoot.querySelector('canvas');
    const scale = board.width / 834;
    const image = new Image();
    image.src = `/scratch/${name}/${name}`;
    await image.decode();
    // The page's fit on the canvas at this detail, centred as the core centres it.
    const [boxW, boxH] = [572 * scale, 452 * scale];
    const w = image.width * boxH > image.height * boxW ? boxW : Math.floor((image.width * boxH + Math.floor(image.height / 2)) / image.height);
    const h = image.width * boxH > image.height * boxW ? Math.floor((image.height * boxW + Math.floor(image.width / 2)) / image.width) : boxH;
    const drawn = new OffscreenCanvas(boxW, boxH).getContext('2d');
    drawn.fillStyle = '#fff';
    drawn.fillRect(0, 0, boxW, boxH);
    drawn.drawImage(image, Math.floor((boxW - w) / 2), Math.floor((boxH - h) / 2), w, h);
    const [left, top, right, bottom] = area.map((v) => v * scale);
    const expected = drawn.getImageData(left, top, right - left, bottom - top).data;
    const shown = board.getContext('2d').getImageData(canvasAt[0] * scale + left, canvasAt[1] * scale + top, right - left, bottom - top).data;
    let off = 0;
    for (let i = 0; i < shown.length; i += 4) if (Math.abs(shown[i] - expected[i]) > 6) off++;
    return { off, greys: shown.filter((v, i) => i % 4 === 0 && v > 40 && v < 215).length };
  }, { name, area, canvasAt: CANVAS });
}

test('an SVG page is shown at the screen\'s detail as the browser draws it', async (t) => {
  // Page, pixel ratio, the part of the canvas compared (inside the frame).
  const cases = [['kite.svg', 2, [130, 20, 440, 430]], ['thin.svg', 2, [20, 20, 552, 432]], ['thin.svg', 3, [20, 20, 552, 432]]];
  for (const [name, ratio, area] of cases) {
    await t.test(`${name} at ${ratio}×`, async () => {
      const page = await openPage(name, ratio);
      const { off, greys } = await differsFromBrowser(page, name, area);
      // A drawing at the canvas's size enlarged would differ along every line.
      assert.ok(greys > 300, `${greys} anti-aliased pixels`);
      assert.ok(off < greys / 50, `${off} pixels differ from the browser's drawing, of ${greys} greys`);
      await page.context().close();
    });
  }
});

test('a fill on an SVG page stays inside its thin lines', async (t) => {
  // Page, pixel ratio, a point inside a closed shape and one outside it.
  const cases = [
    ['thin.svg', 2, INSIDE_CIRCLE, OUTSIDE], ['thin.svg', 2, [380, 360], OUTSIDE], ['thin.svg', 2, [450, 110], OUTSIDE],
    ['large.svg', 1, INSIDE_CIRCLE, OUTSIDE], ['large.svg', 2, INSIDE_CIRCLE, OUTSIDE], ['large.svg', 2, [380, 360], OUTSIDE],
    ['large.svg', 3, [450, 110], OUTSIDE], ['huge.svg', 1, INSIDE_CIRCLE, OUTSIDE], ['huge.svg', 2, [380, 360], OUTSIDE],
    ['huge.svg', 4, [450, 110], OUTSIDE],
  ];
  for (const [name, ratio, inside, outside] of cases) {
    await t.test(`${name} at ${ratio}×, inside ${inside}`, async () => {
      const page = await openPage(name, ratio);
      await fillAt(page, inside);
      assert.deepStrictEqual(await colourAt(page, inside), RED);
      assert.notDeepStrictEqual(await colourAt(page, outside), RED);
      await page.context().close();
    });
  }
});

test('gap closing holds a fill inside an outline opened by 1.5 units, and only it', async (t) => {
  for (const [gaps, leaks] of [[2, false], [0, true]]) {
    await t.test(`close-gaps="${gaps}"`, async () => {
      const page = await openPage('gap.svg', 2, `close-gaps="${gaps}"`);
      await fillAt(page, INSIDE_SQUARE);
      assert.deepStrictEqual(await colourAt(page, INSIDE_SQUARE), RED);
      assert.strictEqual((await colourAt(page, BESIDE_SQUARE)).join() === RED.join(), leaks);
      await page.context().close();
    });
  }
});

test('an SVG page is drawn again at a new pixel ratio, its colouring kept', async () => {
  const page = await openPage('thin.svg', 2);
  await fillAt(page, INSIDE_CIRCLE);
  await setRatio(page, 3);
  await k.until(() => page.evaluate(() => document.querySelector('kolo-board').shadowRoot.querySelector('canvas').width === 2502), 10000, 'the 3× backing store');
  assert.deepStrictEqual(await colourAt(page, INSIDE_CIRCLE), RED);
  assert.notDeepStrictEqual(await colourAt(page, OUTSIDE), RED);
  // The triangle and the ellipse, away from the fill, are the browser's drawing at 3×.
  const { off, greys } = await differsFromBrowser(page, 'thin.svg', [290, 20, 552, 432]);
  assert.ok(greys > 300 && off < greys / 50, `${off} pixels differ, of ${greys} greys`);
  await page.context().close();
});

// SVG pages on the element: drawn by the browser at the detail the screen needs (never a
// canvas-size drawing enlarged), thin lines kept as lines, fills and gap closing at that
// detail, and the colouring kept when the detail changes.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const k = require('./support.cjs');

const RED = [204, 153, 0];   // the colour k.points.PICK picks
// A page `scale` times the canvas's size whose one-unit anti-aliased lines bound a circle, a
// triangle with long diagonals and an ellipse; a square whose right side opens `gap` units.
const thinPage = (s) => `<svg xmlns="http://www.w3.org/2000/svg" width="${572 * s}" height="${452 * s}">
<g fill="none" stroke="#000" stroke-width="1"><circle cx="${150 * s}" cy="${226 * s}" r="${100 * s}"/>
<path d="M${300 * s} ${60 * s} L${541 * s} ${401 * s} L${300 * s} ${400 * s} Z"/>
<ellipse cx="${450 * s}" cy="${110 * s}" rx="${70 * s}" ry="${33 * s}"/></g></svg>`;
const gapPage = (gap) => `<svg xmlns="http://www.w3.org/2000/svg" width="572" height="452"><path fill="none"
stroke="#000" stroke-width="2" d="M300 ${226 - gap / 2} V100 H100 V350 H300 V${226 + gap / 2}"/></svg>`;
const CIRCLE = [150, 226], TRIANGLE = [380, 360], OUTSIDE = [20, 20], SQUARE = [200, 226], BESIDE = [400, 226];

const shared = k.suite({});
const pages = { 'thin.svg': thinPage(1), 'huge.svg': thinPage(7), 'gap.svg': gapPage(1.5),
                'kite.svg': fs.readFileSync(path.join(__dirname, '..', '..', 'samples', 'kite.svg')) };
// A board on page `name` alone in its folder, at pixel ratio `ratio`.
async function openPage(name, ratio, attributes = '') {
  const dir = path.join(shared.scratch, name);
  if (!fs.existsSync(dir)) {
    fs.mkdirSync(dir);
    fs.writeFileSync(path.join(dir, name), pages[name]);
    fs.writeFileSync(path.join(dir, 'index.html'), `<a href="${name}">${name}</a>`);
  }
  const page = await (await shared.browser.newContext({ deviceScaleFactor: ratio, viewport: { width: 1000, height: 800 } })).newPage();
  const html = k.boardPage(`<kolo-board keep="none" ${attributes} folder="/scratch/${name}/"></kolo-board>`);
  await page.route('**/board.html', (route) => route.fulfill({ contentType: 'text/html', body: html }));
  await page.goto(`${shared.server.origin}/board.html`);
  await k.boardsReady(page);
  await backingWidth(page, 834 * ratio);
  return page;
}
const backingWidth = (page, width) => k.until(() => page.evaluate((w) => document.querySelector('kolo-board').shadowRoot.querySelector('canvas').width === w, width), 10000, `a backing store ${width} wide`);
const onCanvas = ([x, y]) => [31 + x, 155 + y];
const colourAt = (page, point) => k.boardPixel(page, ...onCanvas(point));
async function fillAt(page, point) {
  const box = await page.locator('kolo-board canvas.board').boundingBox();
  for (const [x, y] of [k.points.PICK, onCanvas(point)]) await page.mouse.click(box.x + (x + 0.5) * box.width / 834, box.y + (y + 0.5) * box.width / 834);
}

// Pixels of the canvas inside `area` (canvas units) off by more than a few levels from the
// browser's own drawing of the page at the detail size, and the anti-aliased greys there.
function differsFromBrowser(page, name, area) {
  return page.evaluate(async ({ name, area }) => {
    const board = document.querySelector('kolo-board').shadowRoot.querySelector('canvas');
    const scale = board.width / 834, [boxW, boxH] = [572 * scale, 452 * scale];
    const image = new Image();
    image.src = `/scratch/${name}/${name}`;
    await image.decode();
    const wide = image.width * boxH > image.height * boxW;   // fitted and centred as the core does
    const w = wide ? boxW : Math.floor((image.width * boxH + Math.floor(image.height / 2)) / image.height);
    const h = wide ? Math.floor((image.height * boxW + Math.floor(image.width / 2)) / image.width) : boxH;
    const drawn = new OffscreenCanvas(boxW, boxH).getContext('2d');
    drawn.fillStyle = '#fff';
    drawn.fillRect(0, 0, boxW, boxH);
    drawn.drawImage(image, Math.floor((boxW - w) / 2), Math.floor((boxH - h) / 2), w, h);
    const [left, top, right, bottom] = area.map((v) => v * scale);
    const expected = drawn.getImageData(left, top, right - left, bottom - top).data;
    const shown = board.getContext('2d').getImageData(31 * scale + left, 155 * scale + top, right - left, bottom - top).data;
    let off = 0, greys = 0;
    for (let i = 0; i < shown.length; i += 4) {
      if (Math.abs(shown[i] - expected[i]) > 6) off++;
      if (shown[i] > 40 && shown[i] < 215) greys++;
    }
    return { off, greys };
  }, { name, area });
}
function assertBrowserDrawing({ off, greys }) {
  // A canvas-size drawing enlarged would differ all along the lines.
  assert.ok(greys > 300 && off < greys / 50, `${off} pixels differ from the browser's drawing, of ${greys} greys`);
}

test('an SVG page is shown at the screen\'s detail as the browser draws it', async (t) => {
  for (const [name, ratio, area] of [['kite.svg', 2, [130, 20, 440, 430]], ['thin.svg', 2, [20, 20, 552, 432]]]) {
    await t.test(`${name} at ${ratio}×`, async () => {
      const page = await openPage(name, ratio);
      assertBrowserDrawing(await differsFromBrowser(page, name, area));
      await page.context().close();
    });
  }
});

test('a fill on an SVG page stays inside its one-unit lines, on a page seven times the canvas too', async (t) => {
  for (const [name, ratio, inside] of [['thin.svg', 2, CIRCLE], ['thin.svg', 2, TRIANGLE], ['huge.svg', 1, CIRCLE], ['huge.svg', 2, TRIANGLE]]) {
    await t.test(`${name} at ${ratio}×, inside ${inside}`, async () => {
      const page = await openPage(name, ratio);
      await fillAt(page, inside);
      assert.deepStrictEqual([await colourAt(page, inside), await colourAt(page, OUTSIDE)].map((c) => c.join() === RED.join()), [true, false]);
      await page.context().close();
    });
  }
});

test('at 2× close-gaps="2" holds a fill inside an outline opened by 1.5 units; "0" lets it out', async (t) => {
  for (const [gaps, leaks] of [[2, false], [0, true]]) {
    await t.test(`close-gaps="${gaps}"`, async () => {
      const page = await openPage('gap.svg', 2, `close-gaps="${gaps}"`);
      await fillAt(page, SQUARE);
      assert.deepStrictEqual([await colourAt(page, SQUARE), await colourAt(page, BESIDE)].map((c) => c.join() === RED.join()), [true, leaks]);
      await page.context().close();
    });
  }
});

test('an SVG page is drawn again at a new pixel ratio, its colouring kept', async () => {
  const page = await openPage('thin.svg', 2);
  await fillAt(page, CIRCLE);
  // Chromium's emulated ratio changes only with a new window size, as a move to another screen.
  await (await page.context().newCDPSession(page)).send('Emulation.setDeviceMetricsOverride', { width: 1003, height: 800, deviceScaleFactor: 3, mobile: false });
  await backingWidth(page, 2502);
  assert.deepStrictEqual([await colourAt(page, CIRCLE), await colourAt(page, OUTSIDE)].map((c) => c.join() === RED.join()), [true, false]);
  assertBrowserDrawing(await differsFromBrowser(page, 'thin.svg', [290, 20, 552, 432]));   // away from the fill
  await page.context().close();
});

// The board in the child's language: the language a web author means, the board's own words
// drawn in it, the accessible names and announcements in it; and the finished mark, kept
// with the picture's work.
const test = require('node:test');
const assert = require('node:assert');
const k = require('./support.cjs');

const { PICK, FILL } = k.points;

const page = (body, html = '<html>') => k.boardPage(body).replace('<html>', html);
const shared = k.suite({
  '/own.html': page('<kolo-board keep="none" lang="fr" folder="samples/"></kolo-board>'),
  '/ancestor.html': page('<div lang="de-AT"><kolo-board keep="none" folder="samples/"></kolo-board></div>'),
  '/document.html': page('<kolo-board keep="none" folder="samples/"></kolo-board>', '<html lang="ar">'),
  '/browser.html': page('<kolo-board keep="none" folder="samples/"></kolo-board>'),
  '/other.html': page('<kolo-board keep="none" lang="es" folder="samples/"></kolo-board>'),
  // Inside another component's shadow root, under an ancestor of its host.
  '/nested.html': page(`<div lang="de"><x-frame></x-frame></div><script>
    customElements.define('x-frame', class extends HTMLElement {
      connectedCallback() {
        this.attachShadow({ mode: 'open' }).innerHTML = '<kolo-board keep="none" folder="/samples/"></kolo-board>';
      }
    });</script>`),
  '/nearest.html': page('<div lang="fr"><kolo-board keep="none" lang="en" folder="samples/"></kolo-board></div>'),
  '/in-fr.html': page('<kolo-board keep="none" lang="fr" folder="samples/"></kolo-board>'),
  '/in-de.html': page('<kolo-board keep="none" lang="de" folder="samples/"></kolo-board>'),
  '/in-ar.html': page('<kolo-board keep="none" lang="ar" folder="samples/"></kolo-board>'),
  '/pair.html': page(['en', 'fr', 'de'].map((lang) =>
    `<kolo-board keep="none" lang="${lang}" folder="samples/"></kolo-board>`).join('')),
  '/kept.html': page('<kolo-board folder="samples/"></kolo-board>'),
});

async function openBoard(address, options = {}, count = 1) {
  const tab = await (await shared.browser.newContext(options)).newPage();
  await tab.goto(`${shared.server.origin}${address}`);
  if (address === '/nested.html') await tab.waitForFunction(() => document.querySelector('x-frame').shadowRoot?.querySelector('kolo-board')?._control);
  else await k.boardsReady(tab, count);
  return tab;
}

const boardLanguage = (tab) => tab.evaluate(() =>
  (document.querySelector('kolo-board') ?? document.querySelector('x-frame').shadowRoot.querySelector('kolo-board')).language);

// The names a board's parts are known by, from Chromium's accessibility tree.
async function accessibleNames(tab, role) {
  const client = await tab.context().newCDPSession(tab);
  const { nodes } = await client.send('Accessibility.getFullAXTree');
  return nodes.filter((node) => !node.ignored && node.role?.value === role).map((node) => node.name?.value);
}

test('the language is the element\'s lang, else an ancestor\'s or the document\'s, else the browser\'s', async (t) => {
  const cases = [
    ['/own.html', {}, 'fr', 'Annuler'],
    ['/ancestor.html', {}, 'de', 'Rückgängig'],
    ['/document.html', {}, 'ar', 'تراجع'],
    ['/browser.html', { locale: 'fr-FR' }, 'fr', 'Annuler'],
    ['/browser.html', { locale: 'pt-BR' }, 'en', 'Undo'],
    ['/other.html', { locale: 'de-DE' }, 'en', 'Undo'],
    ['/nearest.html', {}, 'en', 'Undo'],
    ['/nested.html', { locale: 'fr-FR' }, 'de', 'Rückgängig'],
  ];
  for (const [address, options, language, undo] of cases) {
    await t.test(`${address} ${options.locale ?? ''}`, async () => {
      const tab = await openBoard(address, options);
      assert.strictEqual(await boardLanguage(tab), language);
      assert.ok((await accessibleNames(tab, 'button')).includes(undo));
      await tab.context().close();
    });
  }
});

// Where the board's words go, in board pixels. A worded button changes up to the right edge
// of its word's box (and a pixel of shadow): its sign moves to make room, and a word that did
// not fit would change the button's end. On the picture panel, the boxes the English words
// stand in.
const BUTTON_WORDS = [[0, 112], [1, 124], [2, 122], [3, 96]];   // part, right edge of the word
// (The panel's "Pictures come here" is under the thumbnail once a folder has loaded.)
const PANEL_WORDS = [[638, 160, 818, 184], [652, 406, 727, 426], [729, 406, 805, 426], [646, 428, 746, 446],
                     [656, 452, 734, 474]];

test('a translated board differs from the English one only in its words, each inside its place', async () => {
  const tab = await openBoard('/pair.html', {}, 3);
  const result = await tab.evaluate(({ buttonWords, panelWords }) => {
    const boards = [...document.querySelectorAll('kolo-board')];
    const pixels = (board) => {
      const canvas = board.shadowRoot.querySelector('canvas');
      return canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    };
    const english = pixels(boards[0]);
    const places = [
      ...buttonWords.map(([part, right]) => {
        const [left, top, , bottom] = boards[0]._boxes[part];
        return [left, top, left + right, bottom];
      }),
      ...panelWords,
    ];
    return boards.slice(1).map((board) => {
      const shown = pixels(board);
      const inPlace = places.map(() => 0);
      let outside = 0;
      for (let i = 0; i < shown.length; i += 4) {
        if (shown[i] === english[i] && shown[i + 1] === english[i + 1] && shown[i + 2] === english[i + 2]) continue;
        const x = (i / 4) % 834;
        const y = Math.floor(i / 4 / 834);
        const place = places.findIndex(([l, t, r, b]) => x >= l && x < r && y >= t && y < b);
        if (place < 0) outside++;
        else inPlace[place]++;
      }
      return { language: board.language, outside, inPlace };
    });
  }, { buttonWords: BUTTON_WORDS, panelWords: PANEL_WORDS });
  for (const { language, outside, inPlace } of result) {
    assert.strictEqual(outside, 0, `${language}: pixels changed outside the words' places`);
    assert.ok(inPlace.every((count) => count > 0), `${language}: every place has its word (${inPlace})`);
  }
  assert.deepStrictEqual(result.map((board) => board.language), ['fr', 'de']);
  await tab.context().close();
});

// The canvas's top left corner on the English board (BoardLayout's kCanvasRect).
const CANVAS_ORIGIN = [31, 155];

test('read right to left the board is mirrored, and clicks and keys act where things are shown', async (t) => {
  for (const [address, mirrored] of [['/nearest.html', false], ['/in-ar.html', true]]) {
    await t.test(address, async () => {
      const tab = await openBoard(address);
      const { canvas, palette, cell, colour } = await tab.evaluate(() => {
        const board = document.querySelector('kolo-board');
        return { canvas: board._boxes[4], palette: board._boxes[8], cell: board._cellBoxes[13],
                 colour: board._core._kolo_cell_colour(board._control, 13) };
      });
      assert.strictEqual(palette[0] < canvas[0], mirrored, 'the palette is on the reading side');
      // The picture keeps its pixels, so the same point of the house is as far into the canvas.
      const fill = [canvas[0] + FILL[0] - CANVAS_ORIGIN[0], canvas[1] + FILL[1] - CANVAS_ORIGIN[1]];
      await k.clickBoard(tab, [[(cell[0] + cell[2]) >> 1, (cell[1] + cell[3]) >> 1], fill]);
      assert.deepStrictEqual(await k.boardPixel(tab, ...fill), [colour & 255, (colour >> 8) & 255, (colour >> 16) & 255]);
      // From the palette's first cell the arrow pointing into the palette moves the focus there.
      await tab.evaluate(() => document.querySelector('kolo-board').shadowRoot.querySelector('[data-cell="0"]').focus());
      const x = () => tab.evaluate(() => document.querySelector('kolo-board').shadowRoot.activeElement.getBoundingClientRect().x);
      const before = await x();
      await tab.keyboard.press(mirrored ? 'ArrowLeft' : 'ArrowRight');
      assert.ok(await x() !== before && (await x() < before) === mirrored);
      await tab.context().close();
    });
  }
});

test('the accessible names and announcements are in the board\'s language', async (t) => {
  const languages = [
    ['fr', 'Image précédente', 'Couleurs', 'Image 1 sur 11', 'Image : house.bmp', 'Colorié en '],
    ['de', 'Vorheriges Bild', 'Farben', 'Bild 1 von 11', 'Bild: house.bmp', 'Gefüllt mit '],
    ['ar', 'الصورة السابقة', 'الألوان', 'الصورة 1 من 11', 'الصورة: house.bmp', 'مُلئت باللون '],
  ];
  for (const [lang, previous, colours, thumbnail, canvas, filled] of languages) {
    await t.test(lang, async () => {
      const tab = await openBoard(`/in-${lang}.html`);
      assert.strictEqual(await boardLanguage(tab), lang);
      assert.ok((await accessibleNames(tab, 'button')).includes(previous));
      assert.ok((await accessibleNames(tab, 'button')).includes(thumbnail));
      assert.deepStrictEqual(await accessibleNames(tab, 'radiogroup'), [colours]);
      assert.ok((await accessibleNames(tab, 'image')).includes(canvas));
      const names = await accessibleNames(tab, 'radio');
      assert.strictEqual(new Set(names).size, 132, 'no two colours share a name');
      await k.clickBoard(tab, [PICK, FILL]);
      const said = await tab.evaluate(() => document.querySelector('kolo-board').shadowRoot.querySelector('.announce').textContent);
      assert.ok(said.startsWith(filled) && names.includes(said.slice(filled.length)), said);
      await tab.context().close();
    });
  }
});

test('the finished mark is set from the toolbar or F, told in change events and kept over a reload', async () => {
  const tab = await openBoard('/kept.html');
  const board = () => tab.evaluate(() => {
    const element = document.querySelector('kolo-board');
    const root = element.shadowRoot;
    return { finished: element.finished, detail: window.lastChange?.finished ?? null,
             pressed: root.querySelector('.toolbar .finished').getAttribute('aria-pressed'),
             star: root.querySelector('[data-part="5"]').hasAttribute('data-finished') };
  });
  const listen = () => tab.evaluate(() => document.querySelector('kolo-board')
    .addEventListener('change', (event) => { window.lastChange = event.detail; }));
  await listen();
  await k.clickBoard(tab, [PICK, FILL]);
  const marks = [
    [() => tab.locator('kolo-board').getByRole('button', { name: 'Finished', exact: true }).click(), true],
    [() => tab.locator('kolo-board').press('f'), false],
    [() => tab.locator('kolo-board').press('Shift+F'), true],
  ];
  for (const [mark, finished] of marks) {
    await mark();
    const expected = { finished, detail: finished, pressed: String(finished), star: finished };
    assert.deepStrictEqual(await board(), expected);
    await tab.reload();
    await k.boardsReady(tab);
    await listen();
    assert.deepStrictEqual(await board(), { ...expected, detail: null });
  }
  // The desktop's record, with the mark and the fill.
  const record = await tab.evaluate(() => new Promise((resolve) => {
    indexedDB.open('kolo-board').onsuccess = (event) => {
      const request = event.target.result.transaction('work').objectStore('work').getAll();
      request.onsuccess = () => resolve(request.result[0]);
    };
  }));
  assert.match(record, /^kolo work 4\n/);
  await tab.context().close();
});

test('in the magnified palette the arrows go the way they point, read either way', async (t) => {
  for (const address of ['/nearest.html', '/in-ar.html']) {
    for (const key of ['ArrowLeft', 'ArrowRight']) {
      await t.test(`${address} ${key}`, async () => {
        const tab = await openBoard(address);
        const focusedX = () => tab.evaluate(() => {
          const box = document.querySelector('kolo-board').shadowRoot.activeElement.getBoundingClientRect();
          return box.x + box.width / 2;
        });
        await tab.evaluate(() => {
          const board = document.querySelector('kolo-board');
          board._openSwatches();
          board._focusSwatch(board._swatches[5]);
        });
        const before = await focusedX();
        await tab.keyboard.press(key);
        const after = await focusedX();
        assert.ok(key === 'ArrowLeft' ? after < before : after > before, `${before} -> ${after}`);
        await tab.context().close();
      });
    }
  }
});

// The element from the keyboard and through Chromium's accessibility tree, as the desktop
// program offers it.
const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const k = require('./support.cjs');

const { FILL, UNDO } = k.points;   // FILL is where the keyboard's cross starts
const BUTTONS = ['Undo', 'Redo', 'Print', 'Exit', 'Previous picture', 'Next picture'];

const shared = k.suite({ '/one.html': k.boardPage('<kolo-board folder="samples/"></kolo-board>') });

async function openBoard() {
  const page = await (await shared.browser.newContext()).newPage();
  await page.goto(`${shared.server.origin}/one.html`);
  await k.boardsReady(page);
  return page;
}

test('every part has a role and a name in the accessibility tree', async () => {
  const page = await openBoard();
  const cdp = await page.context().newCDPSession(page);
  const { nodes } = await cdp.send('Accessibility.getFullAXTree');
  const shown = nodes.filter((node) => !node.ignored).map((node) => ({
    role: node.role?.value, name: node.name?.value,
    disabled: node.properties?.some((p) => p.name === 'disabled' && p.value.value === true) ?? false,
  }));
  const find = (role, name) => shown.filter((node) => node.role === role && node.name === name);
  for (const name of BUTTONS) {
    const [button] = find('button', name);
    assert.ok(button, name);
    assert.strictEqual(button.disabled, name === 'Undo' || name === 'Redo', name);
  }
  assert.strictEqual(find('button', 'Picture 1 of 11').length, 1);
  assert.strictEqual(find('image', 'Picture: house.bmp').length, 1);
  assert.strictEqual(find('radiogroup', 'Colours').length, 1);
  const colours = shown.filter((node) => node.role === 'radio');
  assert.strictEqual(colours.length, 132);
  assert.ok(colours.every((node) => node.name), 'every colour is named');
  assert.strictEqual(new Set(colours.map((node) => node.name)).size, 132, 'no two colours share a name');
  await page.context().close();
});

test('the keyboard alone picks a colour and fills, with a visible ring and an announcement', async () => {
  const page = await openBoard();
  const focused = () => page.evaluate(() => {
    const element = document.querySelector('kolo-board').shadowRoot.activeElement;
    if (!element) return null;
    const box = element.getBoundingClientRect();
    return { role: element.getAttribute('role'), name: element.getAttribute('aria-label'),
             outline: getComputedStyle(element).outlineStyle,
             centre: [Math.floor(box.x + box.width / 2), Math.floor(box.y + box.height / 2)] };
  });
  for (let i = 0; i < 9; i++) await page.keyboard.press('Tab');   // six buttons, canvas, thumbnail
  assert.strictEqual((await focused()).role, 'radio');
  for (const key of ['ArrowRight', 'ArrowRight', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'ArrowLeft']) {
    await page.keyboard.press(key);
  }
  const cell = await focused();
  assert.strictEqual(cell.outline, 'solid');
  await page.keyboard.press('Enter');
  for (let i = 0; i < 4; i++) await page.keyboard.press('Shift+Tab');
  assert.deepStrictEqual(await focused().then((f) => [f.role, f.name]), ['img', 'Picture: house.bmp']);
  await page.keyboard.press(' ');
  k.nativeScreenshot([cell.centre, FILL], path.join(shared.scratch, 'keys.png'));
  assert.strictEqual(await k.differingPixels(page, '/scratch/keys.png'), 0);
  assert.strictEqual(await page.evaluate(() => document.querySelector('kolo-board').shadowRoot
    .querySelector('.announce').textContent), `Filled with ${cell.name}`);
  // Back to Undo, which the fill enabled.
  for (let i = 0; i < 4; i++) await page.keyboard.press('Shift+Tab');
  assert.strictEqual((await focused()).name, 'Undo');
  await page.keyboard.press('Enter');
  k.nativeScreenshot([cell.centre, FILL, UNDO], path.join(shared.scratch, 'undo.png'));
  assert.strictEqual(await k.differingPixels(page, '/scratch/undo.png'), 0);
  await page.context().close();
});

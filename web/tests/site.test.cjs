// The demo site: its size, and once visited, installable and its pictures open offline.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const k = require('./support.cjs');

test('the site without its sample pictures is at most 600 KiB under gzip', () => {
  let total = 0;
  for (const entry of fs.readdirSync(k.site, { withFileTypes: true })) {
    if (entry.isFile()) total += zlib.gzipSync(fs.readFileSync(path.join(k.site, entry.name)), { level: 9 }).length;
  }
  assert.ok(total <= 600 * 1024, `${Math.round(total / 1024)} KiB`);
});

test('the demo site is installable and opens its pictures offline once visited', async () => {
  const browser = await k.launch();
  const scratch = k.scratchDir();
  let server = await k.serve(k.site);
  try {
    const context = await browser.newContext();
    const page = await context.newPage();
    await page.goto(`${server.origin}/index.html`);
    await k.boardsReady(page);
    const cdp = await context.newCDPSession(page);
    // Chromium installs nothing from the test's private profile, and says only that.
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    assert.deepStrictEqual(installabilityErrors.map((error) => error.errorId).filter((id) => id !== 'in-incognito'), []);
    // Everything the first visit fetched is kept, though the worker started during the visit.
    await k.until(() => page.evaluate(async () => {
      const fetched = performance.getEntriesByType('resource').filter((entry) => entry.initiatorType === 'fetch');
      const kept = await Promise.all(fetched.map((entry) => caches.match(entry.name)));
      return fetched.length > 0 && kept.every(Boolean);
    }), 20000, 'the visit to be kept');

    server.close();
    server = null;
    await context.setOffline(true);
    await page.reload();
    await k.boardsReady(page);
    k.nativeScreenshot([], path.join(scratch, 'offline.png'));
    const image = fs.readFileSync(path.join(scratch, 'offline.png')).toString('base64');
    assert.strictEqual(await k.differingPixels(page, `data:image/png;base64,${image}`), 0);
    await context.close();
  } finally {
    server?.close();
    await browser.close();
    fs.rmSync(scratch, { recursive: true, force: true });
  }
});

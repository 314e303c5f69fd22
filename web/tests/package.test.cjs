// The npm package as a web author meets it: its tarball installed into a fresh folder, a page
// importing it bundled with esbuild, and that page run in Chromium.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const esbuild = require('esbuild');
const k = require('./support.cjs');

const { PICK, FILL } = k.points;

test('the packed element installs, bundles and colours', async () => {
  const built = path.join(k.root, 'build-web');
  const tarball = fs.readdirSync(built).find((name) => /^kolo-board-\d+\.\d+\.\d+\.tgz$/.test(name));
  assert.ok(tarball, 'scripts/build-web packed the element');
  const author = k.scratchDir();
  let browser;
  let server;
  try {
    fs.writeFileSync(path.join(author, 'package.json'), '{ "name": "author-page", "private": true }');
    execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--loglevel=error',
                         path.join(built, tarball)], { cwd: author, stdio: ['ignore', 'ignore', 'inherit'] });
    const installed = path.join(author, 'node_modules', 'kolo-board');
    const manifest = JSON.parse(fs.readFileSync(path.join(installed, 'package.json'), 'utf8'));
    assert.strictEqual(manifest.exports['.'].types, './kolo-board.d.ts');
    assert.match(fs.readFileSync(path.join(installed, 'kolo-board.d.ts'), 'utf8'), /save\(\): Promise<Blob>/);

    fs.writeFileSync(path.join(author, 'page.js'),
                     "import { KoloBoard } from 'kolo-board';\nwindow.koloBoardClass = KoloBoard;\n");
    const site = path.join(author, 'site');
    await esbuild.build({
      absWorkingDir: author, entryPoints: ['page.js'], bundle: true, format: 'esm',
      outfile: path.join(site, 'page.js'), logLevel: 'error',
    });
    // What the bundle fetches beside itself, as the package's manual says.
    for (const file of ['kolo-board-core.wasm', 'kolo-art.gz']) {
      fs.copyFileSync(path.join(installed, file), path.join(site, file));
    }
    fs.cpSync(path.join(k.root, 'samples'), path.join(site, 'samples'), { recursive: true });
    fs.writeFileSync(path.join(site, 'index.html'), `<!DOCTYPE html><html><head><meta charset="utf-8">
<script type="module" src="page.js"></script><style>body { margin: 0; }</style></head>
<body><kolo-board folder="samples/"></kolo-board></body></html>`);

    server = await k.serve(site);
    browser = await k.launch();
    const page = await browser.newPage();
    await page.goto(`${server.origin}/`);
    await k.boardsReady(page);
    assert.ok(await page.evaluate(() => document.querySelector('kolo-board') instanceof window.koloBoardClass));
    await k.clickBoard(page, [PICK, FILL]);
    assert.deepStrictEqual(await k.boardPixel(page, ...FILL), [204, 153, 0]);
  } finally {
    await browser?.close();
    server?.close();
    fs.rmSync(author, { recursive: true, force: true });
  }
});

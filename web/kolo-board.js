// <kolo-board>: the colouring board as a web page element.
//
//   <script type="module" src="kolo-board.js"></script>
//   <kolo-board folder="pictures/"></kolo-board>
//
// Each element runs its own instance of the WebAssembly core (compiled once per page), draws
// the board's screen into a canvas in its shadow root, forwards pointer events in board
// pixels, reads folders with fetch() and shows the board's messages inside its own box and
// its About box as an HTML dialog. A small toolbar under the board saves the coloured picture.

// BOARD_WIDTH and BOARD_HEIGHT, the transfer limits (PAGE_LIMIT and PICTURE_LIMIT in bytes,
// STALL_MS) and the About box's texts (ABOUT_TITLE, ABOUT_NAME, ABOUT_NOTICE) are the core's:
// the build writes them here from its headers (WriteFacts.cmake).
/* @KOLO_FACTS@ */
const PARALLEL_FETCHES = 4;               // pictures of a folder on their way at once
const CANVAS_WIDTH = 572;                 // the canvas, which an SVG page is drawn to fit
const CANVAS_HEIGHT = 452;
const MAX_DETAIL = 4;                     // the most the core holds the picture at, times its size
const CANVAS_AREA_PIXELS = 1 << 20;       // device pixels of the canvas drawn at one go
const CONFIRM_URL = '\nPlease confirm your url.';
const here = new URL('.', import.meta.url);
const SERVER_HELP = new URL('README.md#picture-servers', here).href;

// What every board on the page shares: the compiled code, the unpacked art, and the images
// made from it; each language's words. Nothing of a board's state is shared.
let sharedAssets = null;
const sharedWords = new Map();   // language -> promise of a Map from English to the language

// The languages the board speaks besides English, each with its words in kolo-words-LANG.json.
const LANGUAGES = ['ar', 'de', 'fr'];
const RIGHT_TO_LEFT = ['ar'];
// Marks a text for the catalogues where it is translated later.
const N_ = (english) => english;

// The largest size inside boxWidth × boxHeight with the proportions of width × height, as the
// core fits a picture (rounding half up, each side at least 1).
function fitInside(width, height, boxWidth, boxHeight) {
  if (width * boxHeight > height * boxWidth) {
    return [boxWidth, Math.max(1, Math.floor((height * boxWidth + Math.floor(width / 2)) / width))];
  }
  if (width * boxHeight < height * boxWidth) {
    return [Math.max(1, Math.floor((width * boxHeight + Math.floor(height / 2)) / height)), boxHeight];
  }
  return [boxWidth, boxHeight];
}

// The device pixel where board pixel `at` starts at `scale` device pixels a board pixel, as
// the core places the canvas.
function deviceOf(at, scale) {
  return Math.floor(at * scale + 1e-9);
}

// Whether the core reads `address` as an SVG page: its format is the first of the extensions,
// in the core's order, that the lower-case name holds.
function isSvgAddress(address) {
  const name = address.toLowerCase();
  return name.includes('.svg') && !['.bmp', '.gif', '.jpg', '.png'].some((ext) => name.includes(ext));
}

// A 24-bit BMP file of RGBA pixels, the alpha left out.
function bmpFile(rgba, width, height) {
  const stride = (width * 3 + 3) & ~3;
  const bmp = new Uint8Array(54 + stride * height);
  const view = new DataView(bmp.buffer);
  bmp.set([0x42, 0x4d]);
  view.setUint32(2, bmp.length, true);
  view.setUint32(10, 54, true);
  view.setUint32(14, 40, true);
  view.setInt32(18, width, true);
  view.setInt32(22, height, true);
  view.setUint16(26, 1, true);
  view.setUint16(28, 24, true);
  for (let y = 0; y < height; y++) {
    let o = 54 + stride * (height - 1 - y);
    for (let x = 0, i = y * width * 4; x < width; x++, i += 4, o += 3) {
      bmp[o] = rgba[i + 2];
      bmp[o + 1] = rgba[i + 1];
      bmp[o + 2] = rgba[i];
    }
  }
  return bmp;
}

// An SVG page decoded by the browser, to be drawn at any size the core asks for (the core gets
// a ticket in its place: drawing needs a decoded image, and decoding takes a turn of the
// event loop). A page at least twice its fit on the canvas also gets a copy drawn without
// anti-aliasing, which the core asks for there: drawn anti-aliased below its own size, its
// thin lines would come out too light to stop a fill. Null when the browser cannot draw it.
// An SVG shown as an image loads nothing it names, so the page shows without such files.
const SVG_NS = 'http://www.w3.org/2000/svg';
const CRISP_RATIO = 2;   // page size / canvas fit from which the core asks for crisp lines

async function decodeSvg(bytes) {
  const image = await decodedImage(bytes);
  if (!image || !image.naturalWidth || !image.naturalHeight) return null;
  const [width, height] = [image.naturalWidth, image.naturalHeight];
  const [fitWidth, fitHeight] = fitInside(width, height, CANVAS_WIDTH, CANVAS_HEIGHT);
  const crisp = Math.min(width / fitWidth, height / fitHeight) >= CRISP_RATIO ? await crispSvg(bytes) : null;
  return { image, crisp, width, height };
}

async function decodedImage(bytes) {
  const url = URL.createObjectURL(new Blob([bytes], { type: 'image/svg+xml' }));
  try {
    const image = new Image();
    image.src = url;
    await image.decode();
    return image;
  } catch {
    return null;
  } finally {
    URL.revokeObjectURL(url);
  }
}

// The page with its shapes drawn without anti-aliasing, as a style of the page's root that
// its elements inherit unless they say otherwise; null when it does not parse.
async function crispSvg(bytes) {
  const page = new DOMParser().parseFromString(new TextDecoder().decode(bytes), 'image/svg+xml');
  const root = page.documentElement;
  if (root.namespaceURI !== SVG_NS || page.getElementsByTagName('parsererror').length) return null;
  const style = page.createElementNS(SVG_NS, 'style');
  style.textContent = 'svg { shape-rendering: crispEdges; }';
  root.insertBefore(style, root.firstChild);
  const image = await decodedImage(new TextEncoder().encode(new XMLSerializer().serializeToString(page)));
  return image?.naturalWidth ? image : null;
}

// What the core gets for SVG page `page`: "KSVG", then its number, width and height.
function svgTicket(page, width, height) {
  const ticket = new Uint8Array(16);
  ticket.set([0x4b, 0x53, 0x56, 0x47]);
  const view = new DataView(ticket.buffer);
  [page, width, height].forEach((value, i) => view.setUint32(4 + 4 * i, value, true));
  return ticket;
}

async function compileCore() {
  const url = new URL('kolo-board-core.wasm', here);
  try {
    return await WebAssembly.compileStreaming(fetch(url));
  } catch {
    // A server that does not send application/wasm: compile from the bytes instead.
    return WebAssembly.compile(await (await fetch(url)).arrayBuffer());
  }
}

// The art's bitmaps travel as lossless WebP, a third smaller than BMP under gzip; the core
// takes BMP files, so the browser decodes them back, exactly.
async function webpAsBmp(bytes) {
  const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/webp' }),
                                         { premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
  const { width, height } = bitmap;
  const context = new OffscreenCanvas(width, height).getContext('2d', { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  return bmpFile(context.getImageData(0, 0, width, height).data, width, height);
}

const PATCH_MAGIC = 'KPAT';

// Lays the RGBA `patch` over the 24-bit bottom-up BMP file `bmp` with its top left corner at
// `left`, `top`, clipped to the bitmap.
function patchBmp(bmp, { left, top, width, height, rgba }) {
  const view = new DataView(bmp.buffer, bmp.byteOffset, bmp.byteLength);
  const offset = view.getUint32(10, true);
  const bmpWidth = view.getInt32(18, true);
  const bmpHeight = view.getInt32(22, true);
  const stride = (bmpWidth * 3 + 3) & ~3;
  for (let y = 0; y < height && top + y < bmpHeight; y++) {
    let o = offset + stride * (bmpHeight - 1 - top - y) + left * 3;
    for (let x = 0, i = y * width * 4; x < width && left + x < bmpWidth; x++, i += 4, o += 3) {
      bmp[o] = rgba[i + 2];
      bmp[o + 1] = rgba[i + 1];
      bmp[o + 2] = rgba[i];
    }
  }
}

async function decodePatch(body) {
  const view = new DataView(body.buffer, body.byteOffset, body.byteLength);
  const bitmap = await createImageBitmap(new Blob([body.subarray(8)], { type: 'image/webp' }),
                                         { premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
  const { width, height } = bitmap;
  const context = new OffscreenCanvas(width, height).getContext('2d', { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  return { left: view.getUint16(4, true), top: view.getUint16(6, true), width, height,
           rgba: context.getImageData(0, 0, width, height).data };
}

// Records as the core takes them: a 32-bit id, a 32-bit size, the bytes.
function packRecords(records) {
  const art = new Uint8Array(records.reduce((total, [, body]) => total + 8 + body.length, 0));
  const out = new DataView(art.buffer);
  let at = 0;
  for (const [id, body] of records) {
    out.setUint32(at, id, true);
    out.setUint32(at + 4, body.length, true);
    art.set(body, at + 8);
    at += 8 + body.length;
  }
  return art;
}

// The art without words, which only a board speaking another language than English needs:
// each wordless bitmap is its worded one (id - 100) with the bundle's patches laid over.
async function wordlessArt(assets) {
  const bitmaps = new Map(assets.records);
  const made = new Map();
  for (const [id, patch] of assets.patches) {
    if (!made.has(id) && bitmaps.has(id - 100)) made.set(id, bitmaps.get(id - 100).slice());
    // A patch the browser cannot decode leaves the English word there.
    const piece = await patch.catch(() => null);
    if (piece && made.has(id)) patchBmp(made.get(id), piece);
  }
  return packRecords([...assets.records, ...made]);
}

// The art bundle's records (a 32-bit id, a 32-bit size, the bytes), its WebP bitmaps turned
// into BMP files; the patches of the art without words are decoded and kept aside. A damaged
// bundle is passed on as it is, for the core to refuse.
async function unpackArt() {
  const response = await fetch(new URL('kolo-art.gz', here));
  if (!response.ok) throw new Error(`kolo-art.gz: ${response.status}`);
  const stream = response.body.pipeThrough(new DecompressionStream('gzip'));
  const bytes = new Uint8Array(await new Response(stream).arrayBuffer());
  const view = new DataView(bytes.buffer);
  const records = [];
  const patches = [];
  for (let at = 0; at < bytes.length;) {
    const size = at + 8 <= bytes.length ? view.getUint32(at + 4, true) : Infinity;
    if (size > bytes.length - at - 8) return { art: bytes, records: [], patches: [] };
    const body = bytes.subarray(at + 8, at + 8 + size);
    const tag = (from, to) => String.fromCharCode(...body.subarray(from, to));
    const id = view.getUint32(at, true);
    if (size >= 20 && tag(0, 4) === PATCH_MAGIC) {
      const patch = decodePatch(body);
      patch.catch(() => {});
      patches.push([id, patch]);
    } else {
      const webp = size >= 12 && tag(0, 4) + tag(8, 12) === 'RIFFWEBP';
      records.push([id, webp ? webpAsBmp(body) : body]);
    }
    at += 8 + size;
  }
  const bodies = await Promise.all(records.map(([, body]) => body));
  const decoded = records.map(([id], index) => [id, bodies[index]]);
  return { art: packRecords(decoded), records: decoded, patches };
}

// The words of `language` ('en' or one of LANGUAGES), fetched once per page; English, or
// words that cannot be fetched, give an empty map, and the board speaks English.
function loadWords(language) {
  if (!LANGUAGES.includes(language)) return Promise.resolve(new Map());
  if (!sharedWords.has(language)) {
    sharedWords.set(language, fetch(new URL(`kolo-words-${language}.json`, here))
      .then((response) => (response.ok ? response.json() : {}))
      .then((words) => new Map(Object.entries(words).filter(([, word]) => typeof word === 'string')))
      .catch(() => new Map()));
  }
  return sharedWords.get(language);
}

// The language a web author means for an element: its own lang attribute, else the nearest
// ancestor's (the document's included, through the hosts of shadow roots it sits in), else
// the browser's; a language the board does not speak is English.
function elementLanguage(element) {
  let tag = '';
  for (let node = element; node && !tag; node = node.getRootNode().host) {
    tag = node.closest('[lang]')?.getAttribute('lang') ?? '';
  }
  tag ||= navigator.language || '';
  const primary = tag.trim().toLowerCase().split(/[-_]/)[0];
  return LANGUAGES.includes(primary) ? primary : 'en';
}

// Sets an attribute only when its value changes: the parts are refreshed after every pointer
// event, and each write would have the next event's position wait for the page's layout.
function setAttribute(element, name, value) {
  if (element.getAttribute(name) !== value) element.setAttribute(name, value);
}

// `format` with %s, or %1$s, %2$s …, filled with `values` in order.
function fill(format, ...values) {
  let next = 0;
  return format.replace(/%(?:(\d)\$)?s/g, (_, index) => String(values[index ? index - 1 : next++] ?? ''));
}

// The core's code, its loader and its art are fetched side by side, the code compiled as it
// arrives.
function loadSharedAssets() {
  if (!sharedAssets) {
    sharedAssets = Promise.all([compileCore(), unpackArt(), import('./kolo-board-core.js')]).then(([module, art, loader]) => ({
      module,
      ...art,
      wordless: null,   // promise of the art with the wordless bitmaps, made on first need
      createKoloCore: loader.default,
      cursor: null,   // CSS cursor value, made by the first board
      icon: null,     // data address of the About box's icon
    }));
  }
  return sharedAssets;
}

// A data address of a PNG made from RGBA pixels in the core's memory.
function imageAddress(core, pointer, width, height) {
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, pointer, width * height * 4);
  canvas.getContext('2d').putImageData(new ImageData(pixels.slice(), width, height), 0, 0);
  return canvas.toDataURL('image/png');
}

function artImage(core, getter) {
  const size = core._malloc(16);
  try {
    const pointer = getter(size);
    if (!pointer) return null;
    const [width, height, hotX, hotY] = new Int32Array(core.HEAPU8.buffer, size, 4);
    return { url: imageAddress(core, pointer, width, height), hotX, hotY };
  } finally {
    core._free(size);
  }
}

// How long a transfer may receive nothing before it is dropped. Tests shorten it.
export const transferLimits = { stallMs: STALL_MS };

// A folder's absolute address (relative to the page), ending in "/".
function folderAddress(url) {
  let folder;
  try {
    folder = new URL(url, document.baseURI).href;
  } catch {
    folder = url;
  }
  return folder.endsWith('/') ? folder : `${folder}/`;
}

// Reads `url` whole, or up to `limit` bytes. A transfer receiving nothing for
// transferLimits.stallMs is aborted; so is one whose `signal` fires. Returns
// { response, bytes, truncated }; rejects with the browser's reason.
export async function fetchLimited(url, limit, signal = null) {
  const controller = new AbortController();
  const stallMs = transferLimits.stallMs;
  let timer = 0;
  const arm = () => {
    clearTimeout(timer);
    timer = setTimeout(() => controller.abort(new Error(`No data received for ${stallMs / 1000} s`)),
                       stallMs);
  };
  const cancel = () => controller.abort(signal.reason);
  if (signal?.aborted) cancel();
  signal?.addEventListener('abort', cancel);
  arm();
  try {
    const response = await fetch(url, { signal: controller.signal, credentials: 'omit' });
    const reader = response.body ? response.body.getReader() : null;
    const chunks = [];
    let total = 0;
    let truncated = false;
    while (reader) {
      const { done, value } = await reader.read();
      if (done) break;
      arm();
      const room = limit - total;
      if (value.length > room) {
        chunks.push(value.subarray(0, room));
        total += room;
        truncated = true;
        controller.abort(new Error('too large'));
        break;
      }
      chunks.push(value);
      total += value.length;
    }
    const bytes = new Uint8Array(total);
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return { response, bytes, truncated };
  } catch (error) {
    throw controller.signal.aborted && controller.signal.reason instanceof Error
      ? controller.signal.reason : error;
  } finally {
    clearTimeout(timer);
    signal?.removeEventListener('abort', cancel);
  }
}

// The board's parts as the core numbers them (BoardFocus.h), in the desktop's Tab order, and
// the keys it takes.
const PARTS = { undo: 0, redo: 1, print: 2, exit: 3, canvas: 4, thumbnail: 5, previous: 6, next: 7, palette: 8 };
const PART_COUNT = 9;
const PALETTE_CELLS = 132;
const KEYS = { ArrowLeft: 2, ArrowRight: 3, ArrowUp: 4, ArrowDown: 5 };
const ACTIVATE = 6;
// The six buttons, which keep a fingertip's touch area however small the board is drawn.
const BUTTONS = [PARTS.undo, PARTS.redo, PARTS.print, PARTS.exit, PARTS.previous, PARTS.next];
// Each part's accessible name, in the order of PARTS: the canvas's takes the picture's name and
// the thumbnail's its place in the folder.
const PART_NAMES = [N_('Undo'), N_('Redo'), N_('Print'), N_('Exit'), N_('Picture: %s'),
                    N_('Picture %1$s of %2$s'), N_('Previous picture'), N_('Next picture'), N_('Colours')];
// Fingers (and pens on touch screens) pick colours from a magnified palette.
const coarsePointer = matchMedia('(pointer: coarse)');

// Each picture's work between visits: the core's records in IndexedDB, keyed by the
// folder's address and the picture's name. The core asks for a picture's record while it
// loads, synchronously, so a folder's records are read before its pictures are handed in.
// Whatever goes wrong with storage (private windows, a full quota) leaves the work in memory
// and says nothing.
const WORK_DATABASE = 'kolo-board';
const WORK_STORE = 'work';

class WorkKeeper {
  constructor() {
    this.records = new Map();   // "folder\npicture" -> record
    this.database = null;       // a promise of the open database, or of null
  }

  _open() {
    if (!this.database) {
      this.database = new Promise((resolve) => {
        const request = indexedDB.open(WORK_DATABASE, 1);
        request.onupgradeneeded = () => request.result.createObjectStore(WORK_STORE);
        request.onsuccess = () => resolve(request.result);
        request.onerror = () => resolve(null);
        request.onblocked = () => resolve(null);
      }).catch(() => null);
    }
    return this.database.catch(() => null);
  }

  // Reads the records kept for `folder`; resolves when they are at hand (or storage failed).
  async loadFolder(folder) {
    try {
      const database = await this._open();
      if (!database) return;
      const range = IDBKeyRange.bound([folder, ''], [folder, '\uffff']);
      await new Promise((resolve) => {
        const transaction = database.transaction(WORK_STORE, 'readonly');
        const request = transaction.objectStore(WORK_STORE).openCursor(range);
        request.onsuccess = () => {
          const cursor = request.result;
          if (!cursor) return;
          const [, picture] = cursor.key;
          const key = `${folder}\n${picture}`;
          // Work done while the records were read is newer than what they hold.
          if (!this.records.has(key)) this.records.set(key, cursor.value);
          cursor.continue();
        };
        transaction.oncomplete = resolve;
        transaction.onerror = transaction.onabort = resolve;
      });
    } catch {
      // Storage that cannot be used at all: the work stays in memory.
    }
  }

  load(folder, picture) {
    return this.records.get(`${folder}\n${picture}`) ?? null;
  }

  // `record` "" when nothing is left to keep.
  async changed(folder, picture, record) {
    if (record) this.records.set(`${folder}\n${picture}`, record);
    else this.records.delete(`${folder}\n${picture}`);
    try {
      const database = await this._open();
      if (!database) return;
      const store = database.transaction(WORK_STORE, 'readwrite').objectStore(WORK_STORE);
      if (record) store.put(record, [folder, picture]);
      else store.delete([folder, picture]);
    } catch {
      // As above: kept in memory only.
    }
  }
}

// The print stylesheet: only the print image of the board that printed goes on paper.
const PRINT_STYLE = `
.kolo-print-image { display: none; }
@media print {
  html.kolo-printing kolo-board { display: none !important; }
  @page { margin: 1in; }
  html.kolo-printing, html.kolo-printing body { margin: 0 !important; padding: 0 !important; }
  html.kolo-printing body > :not(.kolo-print-image) { display: none !important; }
  html.kolo-printing .kolo-print-image {
    display: block !important; position: fixed; inset: 0; width: 100%; height: 100%;
    object-fit: contain; object-position: center top; break-inside: avoid;
  }
}`;

function ensurePrintStyle() {
  if (document.getElementById('kolo-print-style')) return;
  const style = document.createElement('style');
  style.id = 'kolo-print-style';
  style.textContent = PRINT_STYLE;
  document.head.appendChild(style);
}

// The board keeps its proportions at any width; the toolbar sits under it, and a message
// shows over it, inside the element's box and without blocking the page.
const TEMPLATE = `
<style>
  :host { display: inline-block; width: ${BOARD_WIDTH}px; position: relative; contain: content; }
  :host([hidden]) { display: none; }
  canvas.board { display: block; width: 100%; height: auto; aspect-ratio: ${BOARD_WIDTH} / ${BOARD_HEIGHT};
           object-fit: contain; touch-action: none;
           user-select: none; -webkit-user-select: none; -webkit-tap-highlight-color: transparent; }
  .toolbar { display: flex; justify-content: flex-end; gap: 8px; padding: 4px 0; touch-action: manipulation; }
  :host([toolbar="none"]) .toolbar { display: none; }
  .toolbar button { font: 14px sans-serif; min-width: 44px; min-height: 44px; padding: 0 16px; }
  .toolbar .star { color: #b07800; }
  .toolbar [aria-pressed="true"] .star { color: #f5b400; }
  .parts { container-type: inline-size; }
  .parts .mark { position: absolute; right: 2%; top: 0; display: none; color: #f5b400; font: 2.8cqw/1 sans-serif;
           text-shadow: 0 0 2px #000a; pointer-events: none; }
  .parts [data-finished] .mark { display: block; }
  .parts { position: absolute; left: 0; top: 0; width: 100%; aspect-ratio: ${BOARD_WIDTH} / ${BOARD_HEIGHT};
           pointer-events: none; }
  .parts > *, .parts [role="radio"] { position: absolute; box-sizing: border-box; margin: 0; padding: 0;
           border: 0; background: none; outline: none; }
  .parts > :focus-visible, .parts [role="radio"]:focus-visible {
           outline: 3px solid #1565c0; outline-offset: 1px; box-shadow: 0 0 0 5px #fff; }
  .parts .cross { width: 15px; height: 15px; transform: translate(-50%, -50%); display: none;
           background: linear-gradient(#1565c0, #1565c0) center / 100% 3px no-repeat,
                       linear-gradient(#1565c0, #1565c0) center / 3px 100% no-repeat; }
  .parts [role="img"]:focus-visible ~ .cross { display: block; }
  /* Buttons drawn smaller than a fingertip still take a 44 px touch around their middle. */
  .parts .hit { position: absolute; left: 50%; top: 50%; width: max(100%, 44px); height: max(100%, 44px);
           transform: translate(-50%, -50%); pointer-events: auto; touch-action: none; }
  dialog.swatches { position: absolute; inset: 0 0 auto 0; margin: 0; padding: 0 8px 8px; width: 100%;
           min-width: 0; max-width: none; aspect-ratio: ${BOARD_WIDTH} / ${BOARD_HEIGHT}; box-sizing: border-box;
           border: 0; background: #fffffff0; overflow-y: auto; overscroll-behavior: contain; touch-action: pan-y;
           z-index: 2; }
  dialog.swatches header { position: sticky; top: 0; z-index: 1; display: flex; align-items: center;
           justify-content: space-between; background: #fff; }
  dialog.swatches h2 { font: bold 16px sans-serif; margin: 0; }
  dialog.swatches .close { min-width: 44px; min-height: 44px; font: 24px sans-serif; }
  .grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(44px, 1fr)); gap: 6px; }
  .grid button { min-height: 44px; aspect-ratio: 1; padding: 0; border: 1px solid #0005; border-radius: 6px;
           touch-action: manipulation; }
  .grid button[aria-checked="true"] { outline: 3px solid #1565c0; outline-offset: 2px; }
  .grid button:focus-visible { outline: 3px solid #1565c0; outline-offset: 2px; box-shadow: 0 0 0 5px #fff; }
  .announce { position: absolute; width: 1px; height: 1px; overflow: hidden; clip-path: inset(50%); }
  dialog { font: 14px sans-serif; min-width: 16em; max-width: min(32em, 90%); }
  dialog.message { position: absolute; inset: 0; margin: auto; height: fit-content; z-index: 1;
                   border: 2px solid #c80; box-shadow: 0 4px 16px #0006; }
  dialog .row { display: flex; gap: 16px; align-items: flex-start; }
  dialog .sign { font-size: 32px; line-height: 1; color: #c80; }
  dialog p { margin: 0 0 8px; white-space: pre-wrap; }
  dialog form { text-align: right; margin-top: 8px; }
  canvas.print { display: none; }
  @media print {
    :host { width: 100% !important; break-inside: avoid; }
    canvas.board, .toolbar, dialog { display: none !important; }
    canvas.print { display: block; max-width: 100%; max-height: 9in; width: 100%; height: auto;
                   object-fit: contain; object-position: center top; }
  }
</style>
<canvas class="board" width="${BOARD_WIDTH}" height="${BOARD_HEIGHT}" role="img" aria-label="Colouring board"></canvas>
<div class="parts"></div>
<div class="announce" aria-live="polite"></div>
<canvas class="print" role="img" aria-label="Coloured picture"></canvas>
<dialog class="swatches" aria-labelledby="swatches-title">
  <header><h2 id="swatches-title">Colours</h2><button type="button" class="close" aria-label="Close">&times;</button></header>
  <div class="grid" role="radiogroup" aria-labelledby="swatches-title"></div>
</dialog>
<div class="toolbar" part="toolbar"><button type="button" class="finished" aria-pressed="false"><span class="star"
  aria-hidden="true">&#9734;</span> <span class="label">Finished</span></button><button type="button" class="save">Save</button></div>
<dialog class="message" role="alertdialog" aria-labelledby="message-title" aria-describedby="message-text">
  <h2 id="message-title" hidden>Kolo</h2>
  <div class="row"><span class="sign" aria-hidden="true">&#9888;</span><div><p id="message-text"></p>
    <p class="help" hidden><a href="${SERVER_HELP}" target="_blank" rel="noopener">What a picture server must send</a></p></div></div>
  <form method="dialog"><button value="ok">OK</button></form>
</dialog>
<dialog class="about" aria-labelledby="about-title">
  <h2 id="about-title" hidden>${ABOUT_TITLE}</h2>
  <div class="row"><img class="icon" width="32" height="32" alt="">
    <div><p>${ABOUT_NAME}</p><p>${ABOUT_NOTICE}</p></div></div>
  <form method="dialog"><button value="ok" autofocus>OK</button></form>
</dialog>`;

export class KoloBoard extends HTMLElement {
  static get observedAttributes() { return ['folder', 'close-gaps']; }

  // keep="none": the work is kept only while the page is open (kiosks, shared machines).
  _keeper() {
    if (this.getAttribute('keep') === 'none') return null;
    this._workKeeper ??= new WorkKeeper();
    return this._workKeeper;
  }

  constructor() {
    super();
    // The element takes the focus as a whole: focusing it focuses its first part.
    const root = this.attachShadow({ mode: 'open', delegatesFocus: true });
    root.innerHTML = TEMPLATE;
    this._canvas = root.querySelector('canvas.board');
    this._printCanvas = root.querySelector('canvas.print');
    this._context = this._canvas.getContext('2d');
    this._messageDialog = root.querySelector('dialog.message');
    this._aboutDialog = root.querySelector('dialog.about');
    this._core = null;
    this._control = 0;
    this._pendingUrl = null;
    this._early = null;       // the folder page fetched while the core starts
    this._loadAbort = null;   // cancels the folder load under way
    this._busy = 0;   // folder loads under way
    this._pointerId = null;
    this._shownCursor = -1;
    this._messages = [];
    this._messageDialog.addEventListener('close', () => this._nextMessage());
    // Escape closes the message as it would a modal one.
    this._messageDialog.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') this._messageDialog.close();
    });
    root.querySelector('.toolbar .save').addEventListener('click', () => this._download());
    this._state = null;   // what the last change event reported, as text
    this._language = 'en';
    this._words = new Map();
    this._thumbnailMark = null;   // what the thumbnail's finished mark was last worked out for
    root.querySelector('.toolbar .finished').addEventListener('click', () => this.toggleFinished());
    // F marks the picture finished, as on the desktop; not while a key goes to a text field.
    this.addEventListener('keydown', (event) => {
      if (event.key.toLowerCase() !== 'f' || event.ctrlKey || event.metaKey || event.altKey || event.repeat) return;
      if (event.composedPath()[0]?.closest?.('input, textarea, select, [contenteditable]')) return;
      event.preventDefault();
      this.toggleFinished();
    });
    this._serverRefused = false;   // the next message is about a server refusing this page
    this._beforePrint = () => this._preparePrint();
    this.ready = new Promise((resolve, reject) => {
      this._resolveReady = resolve;
      this._rejectReady = reject;
    });
    this._started = false;
    this._bindPointer(this._canvas);
    this._canvas.addEventListener('click', (event) => {
      if (this._swatchTap && this._opensSwatches(event)) this._openSwatches();
      this._swatchTap = false;
    });
    this._bindSwatches();
    this._scale = 1;            // device pixels a board pixel in the backing store
    this._deviceSize = null;    // the box's size in device pixels, once known
    this._repaintAll = false;   // the backing store was sized again: draw all of it
    this._svgPages = new Map();   // SVG pages the core holds tickets for, by number
    this._nextSvgPage = 1;
    this._followScreen();
  }

  connectedCallback() {
    window.addEventListener('beforeprint', this._beforePrint);
    if (this._started) return;
    this._started = true;
    this._prefetchFolder(this.getAttribute('folder'));
    this._start().catch((error) => {
      this._rejectReady(error);
      console.error('kolo-board:', error);
    });
  }

  disconnectedCallback() {
    window.removeEventListener('beforeprint', this._beforePrint);
  }

  attributeChangedCallback(name, oldValue, value) {
    if (name === 'close-gaps') {
      this._applyCloseGaps();
      return;
    }
    // The first address waits for the board's own request for one.
    if (name === 'folder' && this._control && value !== null && value !== oldValue) {
      this.setImageURL(value);
    }
  }

  // The close-gaps attribute, a width from 0 to 4; without it (or with another value) the
  // core's default.
  _applyCloseGaps() {
    if (!this._control) return;
    const value = this.getAttribute('close-gaps');
    const width = value !== null && /^[0-4]$/.test(value.trim()) ? Number(value.trim()) : -1;
    this._core._kolo_set_close_gaps(this._control, width);
  }

  get folder() { return this.getAttribute('folder'); }
  set folder(value) { this.setAttribute('folder', value); }

  // The translation of `english` in the board's language (itself in English, or without one).
  _tr(english) {
    return this._words.get(english) ?? english;
  }

  async _start() {
    this._language = elementLanguage(this);
    const [assets, words] = await Promise.all([loadSharedAssets(), loadWords(this._language)]);
    this._words = words;
    let art = assets.art;
    if (words.size > 0) {
      assets.wordless ??= wordlessArt(assets);
      art = await assets.wordless;
    }
    const host = {
      initImage: () => queueMicrotask(() => this._initImage()),
      message: (text) => this._showMessage(text),
      exit: () => queueMicrotask(() => this._exit()),
      print: (pointer, width, height) => this._print(pointer, width, height),
      loadWork: (folder, picture) => this._keeper()?.load(folder, picture) ?? null,
      workChanged: (folder, picture, record) => { this._keeper()?.changed(folder, picture, record); },
      drawSvg: (page, width, height, crisp, pointer, stride) => this._drawSvg(page, width, height, crisp, pointer, stride),
    };
    const core = await assets.createKoloCore({
      koloHost: host,
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(assets.module, imports).then((instance) => done(instance, assets.module));
        return {};
      },
    });
    const artPointer = core._malloc(art.length);
    core.HEAPU8.set(art, artPointer);
    if (!core._kolo_set_art(artPointer, art.length)) throw new Error('kolo-art.gz is damaged');
    if (words.size > 0) {
      const pairs = new TextEncoder().encode([...words].flat().join('\0') + '\0');
      this._withBytes(pairs, (pointer) => core._kolo_set_words(pointer, pairs.length), core);
    }
    if (!assets.cursor) {
      const cursor = artImage(core, (size) => core._kolo_cursor_image(size));
      assets.cursor = cursor ? `url(${cursor.url}) ${cursor.hotX} ${cursor.hotY}, crosshair` : 'crosshair';
      assets.icon = artImage(core, (size) => core._kolo_icon_image(size))?.url ?? '';
    }
    this._cursorValue = assets.cursor;
    this._aboutDialog.querySelector('img.icon').src = assets.icon;
    this._core = core;
    // A language read right to left has the board mirrored, as the desktop shows it.
    this._mirrored = RIGHT_TO_LEFT.includes(this._language);
    this._control = core._kolo_create(this._mirrored ? 1 : 0);
    this._applyWords();
    this._buildParts();
    this._applyCloseGaps();
    this._showAt(this._deviceSize);
    this._paint();
    this._noteChange();
    this.firstPaintTime = performance.now();
    this._resolveReady();
  }

  _initImage() {
    if (this._pendingUrl !== null) {
      const url = this._pendingUrl;
      this._pendingUrl = null;
      this.setImageURL(url);
      return;
    }
    const event = new Event('initimage', { cancelable: true });
    if (this.dispatchEvent(event) && this.hasAttribute('folder') && this._pendingUrl === null) {
      this.setImageURL(this.getAttribute('folder'));
    }
  }

  _exit() {
    const event = new Event('exit', { cancelable: true });
    // The browser closes only windows that a script opened; elsewhere this does nothing.
    if (this.dispatchEvent(event)) window.close();
  }

  // Loads the folder at `url` (relative to the page). The page is fetched and read by the
  // board, then the pictures are fetched, a few at a time, and each goes to the board as soon
  // as it and those before it have arrived. A later call cancels a load still under way.
  // Resolves when this load has ended.
  async setImageURL(url) {
    url = String(url ?? '');
    if (url === '') return;
    if (!this._control) {
      this._pendingUrl = url;
      return;
    }
    const folder = folderAddress(url);
    const early = this._early?.folder === folder ? this._early : null;
    if (!early) this._early?.abort.abort(new Error('superseded'));
    this._early = null;
    this._loadAbort?.abort(new Error('superseded'));
    const abort = early?.abort ?? new AbortController();
    this._loadAbort = abort;
    const load = this._withString(folder, (pointer) => this._core._kolo_folder_start(this._control, pointer));
    this._paint();
    this._busy++;
    try {
      await this._loadFolder(folder, load, abort.signal, early);
    } finally {
      this._busy--;
      if (this._loadAbort === abort) this._loadAbort = null;
    }
  }

  // The folder page and the work kept for it are fetched while the core is starting; the
  // first load of that folder takes them over.
  _prefetchFolder(url) {
    if (!url) return;
    const folder = folderAddress(url);
    const abort = new AbortController();
    const page = fetchLimited(folder, PAGE_LIMIT, abort.signal);
    page.catch(() => {});
    this._early = { folder, abort, page, kept: this._keeper()?.loadFolder(folder) };
  }

  // Decodes the SVG page in `bytes`, fetched for folder load `load`, and keeps it for the core;
  // the ticket the core takes in its place, or null when the browser cannot draw it.
  async _keepSvg(bytes, load, signal) {
    const page = await decodeSvg(bytes);
    if (!page || signal.aborted) return null;
    const number = this._nextSvgPage++;
    this._svgPages.set(number, { ...page, load });
    return svgTicket(number, page.width, page.height);
  }

  // The core's SvgDrawer: page `number` drawn at width × height over white, into the core's
  // bottom-up rows of blue, green, red at `pointer`, `stride` bytes apart.
  _drawSvg(number, width, height, crisp, pointer, stride) {
    const page = this._svgPages.get(number);
    if (!page) return false;
    const context = new OffscreenCanvas(width, height).getContext('2d', { willReadFrequently: true });
    if (!context) return false;
    context.fillStyle = '#fff';
    context.fillRect(0, 0, width, height);
    context.drawImage(crisp && page.crisp ? page.crisp : page.image, 0, 0, width, height);
    const rgba = context.getImageData(0, 0, width, height).data;
    const heap = this._core.HEAPU8;
    for (let y = 0, i = 0; y < height; y++) {
      for (let x = 0, o = pointer + (height - 1 - y) * stride; x < width; x++, i += 4, o += 3) {
        heap[o] = rgba[i + 2];
        heap[o + 1] = rgba[i + 1];
        heap[o + 2] = rgba[i];
      }
    }
    return true;
  }

  // Runs `use` on a copy of `text` in the core's memory.
  _withString(text, use) {
    const core = this._core;
    const length = core.lengthBytesUTF8(text) + 1;
    const pointer = core._malloc(length);
    core.stringToUTF8(text, pointer, length);
    try { return use(pointer); } finally { core._free(pointer); }
  }

  // Runs `use` on a copy of `bytes` in the core's memory.
  _withBytes(bytes, use, core = this._core) {
    const pointer = core._malloc(Math.max(1, bytes.length));
    core.HEAPU8.set(bytes, pointer);
    try { return use(pointer); } finally { core._free(pointer); }
  }

  async _loadFolder(folder, load, signal, early) {
    const core = this._core;
    const control = this._control;
    const finish = (reason) => {
      this._withString(reason, (pointer) => core._kolo_folder_finish(control, load, pointer));
      this._serverRefused = false;
      this._paint();
      this._noteChange();
      this.dispatchEvent(new Event('load'));
    };

    const kept = early ? early.kept : this._keeper()?.loadFolder(folder);
    let page;
    try {
      const { response, bytes } = await (early?.page ?? fetchLimited(folder, PAGE_LIMIT, signal));
      if (response.status >= 400) {
        page = { error: `The server answered ${response.status} ${response.statusText}`.trim() };
      } else {
        page = { bytes };
      }
    } catch (error) {
      page = { error: await this._failureReason(folder, error, signal) };
    }
    if (signal.aborted) return;
    if (page.error) {
      finish(page.error);
      return;
    }
    const count = this._withBytes(page.bytes,
                                  (pointer) => core._kolo_folder_page(control, load, pointer, page.bytes.length));
    if (count < 0) return;
    // The board has let the pictures of earlier loads go: so does the page.
    for (const [number, page] of this._svgPages) if (page.load !== load) this._svgPages.delete(number);
    this._paint();
    const addresses = [];
    for (let i = 0; i < count; i++) addresses.push(core.UTF8ToString(core._kolo_folder_address(control, i)));

    // At most PARALLEL_FETCHES pictures are on their way or waiting for those before them.
    const fetchPicture = async (address) => {
      try {
        const { response, bytes, truncated } = await fetchLimited(address, PICTURE_LIMIT, signal);
        if (!response.ok || truncated) return null;
        return isSvgAddress(address) ? await this._keepSvg(bytes, load, signal) : bytes;
      } catch {
        return null;
      }
    };
    const pending = [];
    let started = 0;
    for (let index = 0; index < count; index++) {
      while (started < count && started < index + PARALLEL_FETCHES) {
        pending[started] = fetchPicture(addresses[started]);
        started++;
      }
      // The pictures are on their way while the kept work is read; none goes in before it.
      const [bytes] = await Promise.all([pending[index], kept]);
      pending[index] = null;
      if (signal.aborted) return;
      if (bytes) {
        this._withBytes(bytes, (pointer) => core._kolo_folder_picture(control, load, index, pointer, bytes.length));
      } else {
        core._kolo_folder_picture(control, load, index, 0, 0);
      }
      this._paint();
      this._noteChange();
    }
    finish('');
  }

  // Why the folder page could not be fetched, in plain words. The browser tells a refusal
  // for want of CORS headers apart from nothing: a second request whose answer the page may
  // not read shows whether the server answered at all.
  async _failureReason(folder, error, signal) {
    const text = String(error?.message ?? error);
    if (!(error instanceof TypeError) || signal.aborted) return text;
    const origin = new URL(folder).origin;
    if (origin === location.origin) return `The server at ${origin} does not answer`;
    try {
      await fetch(folder, { mode: 'no-cors', credentials: 'omit', signal });
    } catch {
      return `The server at ${origin} does not answer`;
    }
    this._serverRefused = true;
    return `The server at ${origin} does not allow this page to read its pictures ` +
           '(it sends no Access-Control-Allow-Origin header for this page)';
  }

  // The coloured picture at its own size, as a canvas (null before the board has started).
  _pictureCanvas(canvas = document.createElement('canvas')) {
    if (!this._control) return null;
    const core = this._core;
    const size = core._malloc(8);
    try {
      const pointer = core._kolo_picture(this._control, size);
      const [width, height] = new Int32Array(core.HEAPU8.buffer, size, 2);
      canvas.width = width;
      canvas.height = height;
      const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, pointer, width * height * 4);
      canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
      return canvas;
    } finally {
      core._free(size);
    }
  }

  // The browser's own print prints the coloured picture where the board is.
  _preparePrint() {
    this._pictureCanvas(this._printCanvas);
  }

  // The coloured picture as a PNG Blob, at the detail the board holds it at.
  async save() {
    await this.ready;
    const canvas = this._pictureCanvas();
    return new Promise((resolve, reject) => canvas.toBlob(
      (blob) => (blob ? resolve(blob) : reject(new Error('The picture could not be made into a PNG'))),
      'image/png'));
  }

  // The name of the picture on the board as its folder page names it ("" without one).
  get pictureName() {
    if (!this._control) return '';
    return this._core.UTF8ToString(this._core._kolo_picture_name(this._control));
  }

  // Save in the toolbar: the picture downloads as "<its name>-coloured.png".
  async _download() {
    const blob = await this.save();
    const base = this.pictureName.replace(/^.*\//, '').replace(/\.[^.]*$/, '') || 'picture';
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = `${base}-coloured.png`;
    this.shadowRoot.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }

  // Whether the child marked the picture on the canvas finished; the mark is kept with the
  // picture's work. Setting it without a picture on the canvas does nothing.
  get finished() {
    return this._control ? this._core._kolo_finished(this._control, -1) === 1 : false;
  }

  set finished(value) {
    if (!this._control) return;
    this._core._kolo_set_finished(this._control, value ? 1 : 0);
    this._noteChange();
  }

  toggleFinished() {
    this.finished = !this.finished;
  }

  // The language the board speaks: 'en', 'fr', 'de' or 'ar' (see elementLanguage).
  get language() { return this._language; }

  // The element's own texts in the board's language; its boxes read right to left in Arabic.
  _applyWords() {
    const root = this.shadowRoot;
    const label = (selector, text) => root.querySelector(selector).setAttribute('aria-label', text);
    const text = (selector, words) => { root.querySelector(selector).textContent = words; };
    label('canvas.board', this._tr('Colouring board'));
    label('canvas.print', this._tr('Coloured picture'));
    label('.swatches .close', this._tr('Close'));
    text('#swatches-title', this._tr('Colours'));
    text('.toolbar .save', this._tr('Save'));
    text('.toolbar .finished .label', this._tr('Finished'));
    text('dialog.message form button', this._tr('OK'));
    text('dialog.message .help a', this._tr('What a picture server must send'));
    for (const child of root.children) {
      if (child.localName === 'style') continue;
      child.lang = this._language;
      if (this._language === 'ar' && !child.classList.contains('parts')) child.dir = 'rtl';
    }
  }

  // Clears the picture on the canvas; Undo brings the colouring back.
  newPage() {
    if (!this._control) return;
    this._core._kolo_new_page(this._control);
    this._paint();
    this._noteChange();
    this._announce(this._tr('New page'));
  }

  // Elements laid over the board's parts give them the focus, a role and a name; the keys
  // they receive go to the core's keyboard handling, as on the desktop.
  _buildParts() {
    const core = this._core;
    const layer = this.shadowRoot.querySelector('.parts');
    const rect = core._malloc(16);
    const place = (element, [left, top, right, bottom], [x, y, width, height]) => Object.assign(element.style, {
      left: `${(left - x) / width * 100}%`, top: `${(top - y) / height * 100}%`,
      width: `${(right - left) / width * 100}%`, height: `${(bottom - top) / height * 100}%`,
    });
    const board = [0, 0, BOARD_WIDTH, BOARD_HEIGHT];
    this._parts = [];
    this._boxes = [];        // each part's rectangle on the board
    this._cellBoxes = [];    // each palette cell's
    this._swatches = [];     // the magnified palette's
    const grid = this.shadowRoot.querySelector('.swatches .grid');
    try {
      for (let part = 0; part < PART_COUNT; part++) {
        core._kolo_part(this._control, part, rect);
        const box = [...new Int32Array(core.HEAPU8.buffer, rect, 4)];
        this._boxes.push(box);
        let element;
        if (part === PARTS.palette) {
          element = document.createElement('div');
          element.setAttribute('role', 'radiogroup');
          const area = [box[0], box[1], box[2] - box[0], box[3] - box[1]];
          this._cells = [];
          for (let cell = 0; cell < PALETTE_CELLS; cell++) {
            core._kolo_cell_rect(this._control, cell, rect);
            const name = this._colourName(cell);
            const radio = document.createElement('div');
            radio.setAttribute('role', 'radio');
            radio.tabIndex = cell === 0 ? 0 : -1;
            radio.setAttribute('aria-checked', 'false');
            radio.setAttribute('aria-label', name);
            radio.dataset.cell = cell;
            this._cellBoxes.push([...new Int32Array(core.HEAPU8.buffer, rect, 4)]);
            place(radio, this._cellBoxes[cell], area);
            element.appendChild(radio);
            this._cells.push(radio);
            const colour = core._kolo_cell_colour(this._control, cell);
            const swatch = document.createElement('button');
            swatch.type = 'button';
            swatch.setAttribute('role', 'radio');
            swatch.setAttribute('aria-checked', 'false');
            swatch.setAttribute('aria-label', name);
            swatch.tabIndex = -1;
            swatch.dataset.cell = cell;
            swatch.style.background = `rgb(${colour & 255} ${(colour >> 8) & 255} ${(colour >> 16) & 255})`;
            grid.appendChild(swatch);
            this._swatches.push(swatch);
          }
        } else {
          // Not <button>: keys would press it a second time through a click.
          element = document.createElement('div');
          element.setAttribute('role', part === PARTS.canvas ? 'img' : 'button');
          element.tabIndex = 0;
        }
        if (part !== PARTS.canvas && part !== PARTS.thumbnail) {
          element.setAttribute('aria-label', this._tr(PART_NAMES[part]));
        }
        element.dataset.part = part;
        place(element, box, board);
        if (part === PARTS.thumbnail) {
          const mark = document.createElement('span');
          mark.className = 'mark';
          mark.setAttribute('aria-hidden', 'true');
          mark.textContent = '\u2605';
          element.appendChild(mark);
        }
        if (BUTTONS.includes(part)) {
          const hit = document.createElement('span');
          hit.className = 'hit';
          element.appendChild(hit);
          this._bindPointer(hit, box);
        }
        layer.appendChild(element);
        this._parts.push(element);
      }
    } finally {
      core._free(rect);
    }
    this._cross = document.createElement('div');
    this._cross.className = 'cross';
    layer.appendChild(this._cross);
    layer.addEventListener('keydown', (event) => this._partKey(event));
    // A click on a part's element (by assistive technology) works the part as Enter does.
    layer.addEventListener('click', (event) => {
      if (event.detail === 0 && event.target.closest('[data-part]')) {
        this._partKey({ target: event.target, key: 'Enter', preventDefault() {} });
      }
    });
  }

  _partKey(event) {
    const element = event.target.closest('[data-part]');
    if (!element || !this._control) return;
    const part = Number(element.dataset.part);
    let key = null;
    if (event.key === 'Enter' || event.key === ' ') key = ACTIVATE;
    else if (event.key in KEYS && (part === PARTS.palette || part === PARTS.canvas)) key = KEYS[event.key];
    if (key === null) return;
    event.preventDefault();
    const core = this._core;
    if (part === PARTS.palette && event.target.dataset.cell !== undefined) {
      // The cell that has the focus is the keyboard's cell, wherever the mouse picked last.
      const from = this._focusState()[0];
      const to = Number(event.target.dataset.cell);
      // The mirrored palette's columns run from the right, and so do its arrows.
      const across = this._mirrored ? -1 : 1;
      const moves = [across * ((to % 12) - (from % 12)), Math.floor(to / 12) - Math.floor(from / 12)];
      for (let i = 0; i < Math.abs(moves[0]); i++) core._kolo_key(this._control, part, moves[0] < 0 ? 2 : 3);
      for (let i = 0; i < Math.abs(moves[1]); i++) core._kolo_key(this._control, part, moves[1] < 0 ? 4 : 5);
    }
    core._kolo_key(this._control, part, key);
    this._paint();
    this._noteChange();
    const [cell, x, y] = this._focusState();
    if (part === PARTS.palette) {
      const radio = this._cells[cell];
      for (const other of this._cells) other.tabIndex = other === radio ? 0 : -1;
      if (key === ACTIVATE) this._markPicked(cell);
      radio.focus();
    }
    Object.assign(this._cross.style, { left: `${x / BOARD_WIDTH * 100}%`, top: `${y / BOARD_HEIGHT * 100}%` });
  }

  _focusState() {
    const core = this._core;
    const pointer = core._malloc(12);
    try {
      core._kolo_focus_state(this._control, pointer);
      return [...new Int32Array(core.HEAPU8.buffer, pointer, 3)];
    } finally {
      core._free(pointer);
    }
  }

  _colourName(cell) {
    return this._core.UTF8ToString(this._core._kolo_colour_name(this._control, cell));
  }

  _announce(text) {
    this.shadowRoot.querySelector('.announce').textContent = text;
  }

  // The parts' names and states follow the board: the buttons' disabled state, the picture's
  // name and place in the folder.
  _refreshParts([index, count, , , serial, thumbnail, finished]) {
    const core = this._core;
    const rect = core._malloc(16);
    try {
      for (const element of this._parts) {
        const part = Number(element.dataset.part);
        if (part !== PARTS.canvas && part !== PARTS.thumbnail && part !== PARTS.palette) {
          setAttribute(element, 'aria-disabled', String(!core._kolo_part(this._control, part, rect)));
        }
      }
    } finally {
      core._free(rect);
    }
    const format = (part, ...values) => fill(this._tr(PART_NAMES[part]), ...values);
    // The thumbnail's finished mark is looked up only when what it shows may have changed.
    const markKey = `${thumbnail} ${count} ${serial} ${finished}`;
    if (markKey !== this._thumbnailMark) {
      this._thumbnailMark = markKey;
      this._thumbnailFinished = thumbnail >= 0 && core._kolo_finished(this._control, thumbnail) === 1;
    }
    const thumbnailElement = this._parts[PARTS.thumbnail];
    thumbnailElement.toggleAttribute('data-finished', this._thumbnailFinished);
    const place = format(PARTS.thumbnail, thumbnail + 1, count);
    setAttribute(thumbnailElement, 'aria-label', this._thumbnailFinished ? fill(this._tr('%s, finished'), place) : place);
    setAttribute(this._parts[PARTS.canvas], 'aria-label', index < 0 ? this._tr('No picture')
      : format(PARTS.canvas, this.pictureName));
    const toggle = this.shadowRoot.querySelector('.toolbar .finished');
    setAttribute(toggle, 'aria-pressed', String(finished));
    if (toggle.disabled !== index < 0) toggle.disabled = index < 0;
    const star = toggle.querySelector('.star');
    const mark = finished ? '\u2605' : '\u2606';
    if (star.textContent !== mark) star.textContent = mark;
  }

  // Sends `change` when the picture on the canvas or its history changed since the last one.
  _noteChange() {
    const core = this._core;
    const pointer = core._malloc(28);
    let state;
    try {
      core._kolo_state(this._control, pointer);
      state = [...new Int32Array(core.HEAPU8.buffer, pointer, 7)];
      state[6] = state[6] === 1;
    } finally {
      core._free(pointer);
    }
    const [index, count, undo, redo, serial, , finished] = state;
    this._refreshParts(state);
    const key = `${index} ${undo} ${redo} ${serial} ${finished}`;
    if (key === this._state) return;
    const before = this._lastState;
    this._state = key;
    this._lastState = state;
    if (index < 0) return;
    if (!before || before[0] !== index || before[4] !== serial) {
      this._announce(`${fill(this._tr('Picture %1$s of %2$s'), index + 1, count)}: ${this.pictureName}`);
    } else if (undo === before[2] + 1 && redo === 0) {
      this._announce(fill(this._tr('Filled with %s'), this._colourName(-1)));
    } else if (undo < before[2]) {
      this._announce(this._tr('Undone'));
    } else if (redo < before[3]) {
      this._announce(this._tr('Redone'));
    } else if (finished !== before[6]) {
      this._announce(finished ? this._tr('Finished! ★') : this._tr('Not finished yet'));
    }
    this.dispatchEvent(new CustomEvent('change', { detail: { picture: this.pictureName, index, count, finished } }));
  }

  aboutBox() {
    if (!this._aboutDialog.open) this._aboutDialog.showModal();
  }

  _showMessage(text) {
    this._messages.push(text);
    if (!this._messageDialog.open) this._nextMessage();
  }

  _nextMessage() {
    const text = this._messages.shift();
    if (text === undefined) return;
    this._messageDialog.querySelector('#message-text').textContent = text;
    this._messageDialog.querySelector('.help').hidden = !this._serverRefused;
    this._messageDialog.show();
    this._messageDialog.querySelector('button').focus({ preventScroll: true });
  }

  // The composed picture goes on the page as a print-only image; the browser's print dialog
  // decides whether anything is printed.
  _print(pointer, width, height) {
    ensurePrintStyle();
    const image = document.createElement('img');
    image.className = 'kolo-print-image';
    image.alt = 'Coloured picture';
    image.src = imageAddress(this._core, pointer, width, height);
    document.querySelectorAll('body > .kolo-print-image').forEach((old) => old.remove());
    document.body.appendChild(image);
    document.documentElement.classList.add('kolo-printing');
    const done = () => {
      window.removeEventListener('afterprint', done);
      document.documentElement.classList.remove('kolo-printing');
      image.remove();
    };
    const start = () => {
      window.addEventListener('afterprint', done);
      window.print();
    };
    // Printing waits for the image, and for the button's release to be drawn.
    image.decode().then(() => setTimeout(start, 0), () => setTimeout(start, 0));
  }

  // The canvas's backing store follows the element's size on the screen in device pixels:
  // a resize, a zoom or a move to another screen changes it, and the board is drawn again at
  // the new size (device-pixel-content-box gives it exactly where the browser knows it).
  _followScreen() {
    const observer = new ResizeObserver(([entry]) => {
      const { width, height } = entry.contentRect;
      const size = [Math.round(width * devicePixelRatio), Math.round(height * devicePixelRatio)];
      // An emulated pixel ratio is not always in the exact size: that is taken only where it
      // agrees with the ratio.
      const exact = entry.devicePixelContentBoxSize?.[0];
      const agrees = exact && Math.abs(exact.inlineSize - width * devicePixelRatio) < 1 &&
                     Math.abs(exact.blockSize - height * devicePixelRatio) < 1;
      this._deviceSize = agrees ? [exact.inlineSize, exact.blockSize] : size;
      this._showAt(this._deviceSize);
    });
    try {
      observer.observe(this._canvas, { box: 'device-pixel-content-box' });
    } catch {
      observer.observe(this._canvas);
    }
    // A new pixel ratio with the same CSS size is not a resize in every browser.
    const watchRatio = () => {
      const ratio = devicePixelRatio;
      matchMedia(`(resolution: ${ratio}dppx)`).addEventListener('change', () => {
        const box = this._canvas.getBoundingClientRect();
        this._deviceSize = [Math.round(box.width * devicePixelRatio), Math.round(box.height * devicePixelRatio)];
        this._showAt(this._deviceSize);
        watchRatio();
      }, { once: true });
    };
    watchRatio();
  }

  // Sizes the backing store for a box of `size` device pixels: the board's proportions at
  // `_scale` device pixels a board pixel, and the picture held at the smallest whole detail
  // that has a pixel for each of the screen's (up to 4). At scale 1 the board is drawn as
  // the core paints it, pixel for pixel.
  _showAt(size) {
    if (!size || !size[0] || !size[1]) return;
    let scale = Math.min(size[0] / BOARD_WIDTH, size[1] / BOARD_HEIGHT);
    // Whole-pixel boxes within a pixel of the board's proportions take the width's scale.
    if (Math.abs(size[0] / BOARD_WIDTH - scale) * BOARD_WIDTH < 1.01) scale = size[0] / BOARD_WIDTH;
    if (scale === this._scale || !this._control) return;
    this._scale = scale;
    this._canvas.width = deviceOf(BOARD_WIDTH, scale);
    this._canvas.height = deviceOf(BOARD_HEIGHT, scale);
    this._context = this._canvas.getContext('2d');
    this._core._kolo_set_detail(this._control, Math.min(MAX_DETAIL, Math.max(1, Math.ceil(scale - 1e-6))));
    this._repaintAll = true;
    this._paint();
  }

  _paint() {
    const core = this._core;
    const pointer = core._kolo_frame(this._control);
    // Only the areas that changed go up to the canvas; the frame holds the whole board.
    const at = core._kolo_frame_areas(this._control);
    const count = new Int32Array(core.HEAPU8.buffer, at, 1)[0];
    const all = this._repaintAll;
    this._repaintAll = false;
    if (count > 0 || all) {
      const areas = all ? [[0, 0, BOARD_WIDTH, BOARD_HEIGHT]] : [];
      if (!all) {
        const list = new Int32Array(core.HEAPU8.buffer, at + 4, 4 * count);
        for (let i = 0; i < 4 * count; i += 4) areas.push([...list.subarray(i, i + 4)]);
      }
      const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, pointer, BOARD_WIDTH * BOARD_HEIGHT * 4);
      const frame = new ImageData(pixels, BOARD_WIDTH, BOARD_HEIGHT);
      if (this._scale === 1) {
        for (const [x, y, width, height] of areas) this._context.putImageData(frame, 0, 0, x, y, width, height);
      } else {
        this._paintScaled(frame, areas);
      }
    }
    const cursor = core._kolo_cursor(this._control);
    if (cursor !== this._shownCursor) {
      this._shownCursor = cursor;
      const value = [ 'default', this._cursorValue, 'wait' ][cursor] ?? 'default';
      this._canvas.style.cursor = value;
      this.shadowRoot.querySelector('.parts').style.cursor = value;   // the buttons' touch areas
    }
  }

  // The board at another scale: the frame drawn scaled over the changed areas (sharp blocks
  // at whole factors, smoothed otherwise, as the desktop draws it), then the canvas rectangle
  // from the picture at its detail, at the screen's own pixels. An area inside the canvas
  // rectangle (a fill's) takes nothing from the frame.
  _paintScaled(frame, areas) {
    const scale = this._scale;
    const factor = Math.round(scale);
    const whole = Math.abs(scale - factor) < 1e-9;
    const blocks = whole && factor <= MAX_DETAIL;
    // Smoothing reads the board pixels around a device pixel, a board pixel away at most
    // when enlarging, 1 / scale of them when shrinking.
    const reach = whole ? 0 : Math.ceil(1 / scale) + 1;
    const [canvasLeft, canvasTop, canvasRight, canvasBottom] = this._boxes[PARTS.canvas];
    if (!blocks) this._keepFrame(frame, areas);
    const core = this._core;
    const placed = core._malloc(16);
    try {
      for (const [x, y, width, height] of areas) {
        const left = Math.max(0, x - reach), top = Math.max(0, y - reach);
        const right = Math.min(BOARD_WIDTH, x + width + reach), bottom = Math.min(BOARD_HEIGHT, y + height + reach);
        const inside = left >= canvasLeft && top >= canvasTop && right <= canvasRight && bottom <= canvasBottom;
        // Without a picture the canvas rectangle is the frame's too.
        if (inside && this._drawCanvasArea(left, top, right, bottom, placed)) continue;
        if (blocks) {
          this._drawFrameBlocks(factor, left, top, right, bottom);
        } else {
          this._drawFrameScaled(left, top, right, bottom, !whole);
        }
        this._drawCanvasArea(left, top, right, bottom, placed);
      }
    } finally {
      core._free(placed);
    }
  }

  // At a whole factor each board pixel is a block of device pixels: the core repeats them, in
  // bands as the canvas's, and they go straight into the backing store.
  _drawFrameBlocks(factor, left, top, right, bottom) {
    const core = this._core;
    const band = Math.max(1, Math.floor(CANVAS_AREA_PIXELS / ((right - left) * factor * factor)));
    for (let from = top; from < bottom; from += band) {
      const to = Math.min(bottom, from + band);
      const rgba = core._kolo_frame_area(this._control, factor, left, from, right, to);
      if (!rgba) return;
      const [width, height] = [(right - left) * factor, (to - from) * factor];
      const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, rgba, width * height * 4);
      this._context.putImageData(new ImageData(pixels, width, height), left * factor, from * factor);
    }
  }

  // At any other scale the frame is kept in a canvas of the board's size and drawn scaled from
  // it, clipped to the area; `areas` of it changed.
  _keepFrame(frame, areas) {
    if (!this._frameCanvas) {
      this._frameCanvas = new OffscreenCanvas(BOARD_WIDTH, BOARD_HEIGHT);
      this._frameContext = this._frameCanvas.getContext('2d');
    }
    for (const [x, y, width, height] of areas) this._frameContext.putImageData(frame, 0, 0, x, y, width, height);
  }

  _drawFrameScaled(left, top, right, bottom, smoothed) {
    const scale = this._scale;
    const context = this._context;
    const device = [deviceOf(left, scale), deviceOf(top, scale), deviceOf(right, scale), deviceOf(bottom, scale)];
    context.save();
    context.imageSmoothingEnabled = smoothed;
    context.imageSmoothingQuality = 'high';
    context.beginPath();
    context.rect(device[0], device[1], device[2] - device[0], device[3] - device[1]);
    context.clip();
    context.drawImage(this._frameCanvas, 0, 0, this._canvas.width, this._canvas.height);
    context.restore();
  }

  // The canvas's part of board pixels left … right, top … bottom from the picture at its
  // detail, in bands of about a million device pixels; false when there is no picture.
  _drawCanvasArea(left, top, right, bottom, placed) {
    const core = this._core;
    const scale = this._scale;
    const [canvasLeft, canvasTop, canvasRight, canvasBottom] = this._boxes[PARTS.canvas];
    const [bandLeft, bandRight] = [Math.max(left, canvasLeft), Math.min(right, canvasRight)];
    const band = Math.max(1, Math.floor(CANVAS_AREA_PIXELS / Math.max(1, (bandRight - bandLeft) * scale * scale)));
    for (let from = Math.max(top, canvasTop); from < Math.min(bottom, canvasBottom) && bandLeft < bandRight; from += band) {
      const rgba = core._kolo_canvas_area(this._control, scale, bandLeft, from, bandRight,
                                          Math.min(bottom, canvasBottom, from + band), placed);
      if (!rgba) return false;
      const [dx, dy, dw, dh] = new Int32Array(core.HEAPU8.buffer, placed, 4);
      const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, rgba, dw * dh * 4);
      this._context.putImageData(new ImageData(pixels, dw, dh), dx, dy);
    }
    return true;
  }

  // Board pixels of a pointer event: the canvas keeps the board's proportions inside its box.
  _boardPoint(event) {
    const box = this._canvas.getBoundingClientRect();
    const scale = Math.min(box.width / BOARD_WIDTH, box.height / BOARD_HEIGHT);
    const left = box.left + (box.width - BOARD_WIDTH * scale) / 2;
    const top = box.top + (box.height - BOARD_HEIGHT * scale) / 2;
    return [Math.floor((event.clientX - left) / scale), Math.floor((event.clientY - top) / scale)];
  }

  // `button`: the board rectangle of the button whose hit area `target` is; a press on the
  // area outside the button's own pixels goes to its middle.
  _pointer(kind, event, target, button) {
    if (!this._control) return;
    const start = performance.now();
    let [x, y] = this._boardPoint(event);
    if (button && (x < button[0] || x >= button[2] || y < button[1] || y >= button[3])) {
      const area = target.getBoundingClientRect();
      if (event.clientX >= area.left && event.clientX < area.right &&
          event.clientY >= area.top && event.clientY < area.bottom) {
        x = (button[0] + button[2]) >> 1;
        y = (button[1] + button[3]) >> 1;
      }
    }
    this._core._kolo_pointer(this._control, kind, x, y);
    this._paint();
    if (kind !== 2) this._noteChange();
    this.lastInputTime = performance.now() - start;   // event to pixels on the canvas
  }

  _bindPointer(target, button = null) {
    target.addEventListener('pointerdown', (event) => {
      if (event.button !== 0 || this._pointerId !== null) return;
      event.preventDefault();
      // The palette opens on the tap's click, which would otherwise land on a swatch.
      this._swatchTap = !button && this._opensSwatches(event);
      if (this._swatchTap) return;
      this._pointerId = event.pointerId;
      target.setPointerCapture(event.pointerId);
      this._pointer(0, event, target, button);
    });
    const release = (event) => {
      if (event.pointerId !== this._pointerId) return;
      this._pointerId = null;
      this._pointer(1, event, target, button);
    };
    target.addEventListener('pointerup', release);
    target.addEventListener('pointercancel', (event) => {
      if (event.pointerId === this._pointerId) this._pointerId = null;
    });
    target.addEventListener('pointermove', (event) => {
      if (event.pointerType === 'mouse' || event.pointerId === this._pointerId) this._pointer(2, event, target, button);
    });
  }

  // A tap on the palette (or a press on a touch screen's) opens the magnified palette.
  _opensSwatches(event) {
    if (!this._control || (event.pointerType !== 'touch' && !coarsePointer.matches)) return false;
    const [x, y] = this._boardPoint(event);
    const [left, top, right, bottom] = this._boxes[PARTS.palette];
    return x >= left && x < right && y >= top && y < bottom;
  }

  _bindSwatches() {
    const dialog = this.shadowRoot.querySelector('dialog.swatches');
    const grid = dialog.querySelector('.grid');
    this._swatchDialog = dialog;
    dialog.querySelector('.close').addEventListener('click', () => this._closeSwatches());
    grid.addEventListener('click', (event) => {
      const swatch = event.target.closest('[data-cell]');
      if (swatch) this._pickCell(Number(swatch.dataset.cell));
    });
    dialog.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') {
        event.preventDefault();
        this._closeSwatches();
        return;
      }
      const swatch = event.target.closest('[data-cell]');
      if (!swatch || !(event.key in KEYS)) return;
      event.preventDefault();
      // Up and down move by the overlay's row, however many swatches fit in one.
      const swatches = this._swatches;
      const columns = swatches.filter((other) => other.offsetTop === swatches[0].offsetTop).length;
      // Read right to left, the overlay's rows run from the right: the arrows go the way they point.
      const ahead = getComputedStyle(dialog).direction === 'rtl' ? -1 : 1;
      const step = { ArrowLeft: -ahead, ArrowRight: ahead, ArrowUp: -columns, ArrowDown: columns }[event.key];
      const next = swatches[Number(swatch.dataset.cell) + step];
      if (next) this._focusSwatch(next);
    });
  }

  _focusSwatch(swatch) {
    for (const other of this._swatches) other.tabIndex = other === swatch ? 0 : -1;
    swatch.focus({ preventScroll: true });
    const dialog = this._swatchDialog;
    if (swatch.offsetTop < dialog.scrollTop + 50 || swatch.offsetTop + swatch.offsetHeight > dialog.scrollTop + dialog.clientHeight) {
      dialog.scrollTop = swatch.offsetTop - (dialog.clientHeight - swatch.offsetHeight) / 2;
    }
  }

  _openSwatches() {
    const dialog = this._swatchDialog;
    if (dialog.open) return;
    dialog.show();
    const picked = this._pickedCell();
    for (const swatch of this._swatches) swatch.setAttribute('aria-checked', String(swatch === this._swatches[picked]));
    this._focusSwatch(this._swatches[picked]);
  }

  _closeSwatches() {
    const dialog = this._swatchDialog;
    if (!dialog.open) return;
    const hadFocus = dialog.contains(this.shadowRoot.activeElement);
    dialog.close();
    // A keyboard user goes on from the board's own palette.
    if (hadFocus) this._cells[this._pickedCell()].focus();
  }

  // The palette cell of the picked colour (the first, for none).
  _pickedCell() {
    const core = this._core;
    const picked = core._kolo_cell_colour(this._control, -1);
    return Math.max(0, this._swatches.findIndex((swatch, cell) => core._kolo_cell_colour(this._control, cell) === picked));
  }

  // Picks cell `cell` as a click on it does, and closes the magnified palette.
  _pickCell(cell) {
    const [left, top, right, bottom] = this._cellBoxes[cell];
    const x = (left + right) >> 1;
    const y = (top + bottom) >> 1;
    this._core._kolo_pointer(this._control, 0, x, y);
    this._core._kolo_pointer(this._control, 1, x, y);
    this._paint();
    this._noteChange();
    this._markPicked(cell);
    this._closeSwatches();
  }

  _markPicked(cell) {
    for (const group of [this._cells, this._swatches]) {
      group.forEach((radio, index) => radio.setAttribute('aria-checked', String(index === cell)));
    }
    this._announce(fill(this._tr('Colour: %s'), this._colourName(-1)));
  }
}

if (!customElements.get('kolo-board')) customElements.define('kolo-board', KoloBoard);

// <kolo-board>: the colouring board as a web page element.
//
//   <script type="module" src="kolo-board.js"></script>
//   <kolo-board folder="pictures/"></kolo-board>
//
// Each element runs its own instance of the WebAssembly core (compiled once per page), draws
// the board's screen into a canvas in its shadow root, forwards pointer events in board
// pixels, reads folders with fetch() and shows the board's messages and its About box as
// HTML dialogs.
import createKoloCore from './kolo-board-core.js';

const BOARD_WIDTH = 834;
const BOARD_HEIGHT = 644;
const PAGE_LIMIT = 16 * 1024 * 1024;      // bytes of a folder's page that are read
const PICTURE_LIMIT = 64 * 1024 * 1024;   // a larger picture is skipped
const STALL_MS = 30000;                   // a transfer that receives nothing this long is dropped
const CONFIRM_URL = '\nPlease confirm your url.';
const ABOUT_TITLE = 'About Kolo Control';
const ABOUT_NAME = 'Kolo Control, Version 1.0';
const ABOUT_NOTICE = 'A colouring book for children. Free to use and share.';
const here = new URL('.', import.meta.url);

// What every board on the page shares: the compiled code, the unpacked art, and the images
// made from it. Nothing of a board's state is shared.
let sharedAssets = null;

async function compileCore() {
  const url = new URL('kolo-board-core.wasm', here);
  try {
    return await WebAssembly.compileStreaming(fetch(url));
  } catch {
    // A server that does not send application/wasm: compile from the bytes instead.
    return WebAssembly.compile(await (await fetch(url)).arrayBuffer());
  }
}

async function unpackArt() {
  const response = await fetch(new URL('kolo-art.gz', here));
  if (!response.ok) throw new Error(`kolo-art.gz: ${response.status}`);
  const stream = response.body.pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

function loadSharedAssets() {
  if (!sharedAssets) {
    sharedAssets = Promise.all([compileCore(), unpackArt()]).then(([module, art]) => ({
      module,
      art,
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

// Reads `url` whole, or up to `limit` bytes. A transfer receiving nothing for STALL_MS is
// aborted. Returns { response, bytes, truncated }; rejects with the browser's reason.
export async function fetchLimited(url, limit, stallMs = STALL_MS) {
  const controller = new AbortController();
  let timer = 0;
  const arm = () => {
    clearTimeout(timer);
    timer = setTimeout(() => controller.abort(new Error(`No data received for ${stallMs / 1000} s`)),
                       stallMs);
  };
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
  }
}

// The print stylesheet: only the print image of the board that printed goes on paper.
const PRINT_STYLE = `
.kolo-print-image { display: none; }
@media print {
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

const TEMPLATE = `
<style>
  :host { display: inline-block; width: ${BOARD_WIDTH}px; aspect-ratio: ${BOARD_WIDTH} / ${BOARD_HEIGHT};
          contain: content; }
  :host([hidden]) { display: none; }
  canvas { display: block; width: 100%; height: 100%; object-fit: contain; touch-action: none;
           user-select: none; -webkit-user-select: none; -webkit-tap-highlight-color: transparent; }
  dialog { font: 14px sans-serif; min-width: 16em; max-width: 32em; }
  dialog .row { display: flex; gap: 16px; align-items: flex-start; }
  dialog .sign { font-size: 32px; line-height: 1; color: #c80; }
  dialog p { margin: 0 0 8px; white-space: pre-wrap; }
  dialog form { text-align: right; margin-top: 8px; }
  @media print { :host { display: none !important; } }
</style>
<canvas width="${BOARD_WIDTH}" height="${BOARD_HEIGHT}" role="img" aria-label="Colouring board"></canvas>
<dialog class="message" aria-labelledby="message-title" aria-describedby="message-text">
  <h2 id="message-title" hidden>Kolo</h2>
  <div class="row"><span class="sign" aria-hidden="true">&#9888;</span><p id="message-text"></p></div>
  <form method="dialog"><button value="ok" autofocus>OK</button></form>
</dialog>
<dialog class="about" aria-labelledby="about-title">
  <h2 id="about-title" hidden>${ABOUT_TITLE}</h2>
  <div class="row"><img class="icon" width="32" height="32" alt="">
    <div><p>${ABOUT_NAME}</p><p>${ABOUT_NOTICE}</p></div></div>
  <form method="dialog"><button value="ok" autofocus>OK</button></form>
</dialog>`;

export class KoloBoard extends HTMLElement {
  static get observedAttributes() { return ['folder']; }

  constructor() {
    super();
    const root = this.attachShadow({ mode: 'open' });
    root.innerHTML = TEMPLATE;
    this._canvas = root.querySelector('canvas');
    this._context = this._canvas.getContext('2d');
    this._messageDialog = root.querySelector('dialog.message');
    this._aboutDialog = root.querySelector('dialog.about');
    this._core = null;
    this._control = 0;
    this._pendingUrl = null;
    this._loadSerial = 0;
    this._busy = 0;   // folder loads under way
    this._pointerId = null;
    this._shownCursor = -1;
    this._messages = [];
    this._messageDialog.addEventListener('close', () => this._nextMessage());
    this.ready = new Promise((resolve, reject) => {
      this._resolveReady = resolve;
      this._rejectReady = reject;
    });
    this._started = false;
    this._bindPointer();
  }

  connectedCallback() {
    if (this._started) return;
    this._started = true;
    this._start().catch((error) => {
      this._rejectReady(error);
      console.error('kolo-board:', error);
    });
  }

  attributeChangedCallback(name, oldValue, value) {
    // The first address waits for the board's own request for one.
    if (name === 'folder' && this._control && value !== null && value !== oldValue) {
      this.setImageURL(value);
    }
  }

  get folder() { return this.getAttribute('folder'); }
  set folder(value) { this.setAttribute('folder', value); }

  async _start() {
    const assets = await loadSharedAssets();
    const host = {
      initImage: () => queueMicrotask(() => this._initImage()),
      message: (text) => this._showMessage(text),
      exit: () => queueMicrotask(() => this._exit()),
      print: (pointer, width, height) => this._print(pointer, width, height),
    };
    const core = await createKoloCore({
      koloHost: host,
      instantiateWasm(imports, done) {
        WebAssembly.instantiate(assets.module, imports).then((instance) => done(instance, assets.module));
        return {};
      },
    });
    const art = core._malloc(assets.art.length);
    core.HEAPU8.set(assets.art, art);
    if (!core._kolo_set_art(art, assets.art.length)) throw new Error('kolo-art.gz is damaged');
    if (!assets.cursor) {
      const cursor = artImage(core, (size) => core._kolo_cursor_image(size));
      assets.cursor = cursor ? `url(${cursor.url}) ${cursor.hotX} ${cursor.hotY}, crosshair` : 'crosshair';
      assets.icon = artImage(core, (size) => core._kolo_icon_image(size))?.url ?? '';
    }
    this._cursorValue = assets.cursor;
    this._aboutDialog.querySelector('img.icon').src = assets.icon;
    this._core = core;
    this._control = core._kolo_create();
    this._paint();
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

  // Loads the folder at `url` (relative to the page): its page and its pictures are fetched,
  // then decoded in the board. A later call supersedes an earlier one still under way.
  async setImageURL(url) {
    url = String(url ?? '');
    if (url === '') return;
    if (!this._control) {
      this._pendingUrl = url;
      return;
    }
    const serial = ++this._loadSerial;
    this._busy++;
    try {
      await this._loadFolder(url, serial);
    } finally {
      this._busy--;
    }
  }

  async _loadFolder(url, serial) {
    let folder;
    try {
      folder = new URL(url, document.baseURI).href;
    } catch {
      folder = url;
    }
    if (!folder.endsWith('/')) folder += '/';
    const core = this._core;
    const answers = new Map();   // address -> { bytes } or { error }

    const readPage = async () => {
      try {
        const { response, bytes } = await fetchLimited(folder, PAGE_LIMIT);
        if (response.status >= 400) {
          return { error: `The server answered ${response.status} ${response.statusText}`.trim() };
        }
        return { bytes };
      } catch (error) {
        return { error: String(error?.message ?? error) };
      }
    };
    const page = await readPage();
    answers.set(folder, page);
    let names = [];
    if (page.bytes) {
      const text = core._malloc(page.bytes.length + 1);
      core.HEAPU8.set(page.bytes, text);
      core.HEAPU8[text + page.bytes.length] = 0;
      names = core.UTF8ToString(core._kolo_picture_names(text)).split('\n').filter(Boolean);
      core._free(text);
    }
    await Promise.all([...new Set(names)].map(async (name) => {
      const address = folder + name;
      try {
        const { response, bytes, truncated } = await fetchLimited(address, PICTURE_LIMIT);
        answers.set(address, response.ok && !truncated ? { bytes } : { error: `${response.status}` });
      } catch (error) {
        answers.set(address, { error: String(error?.message ?? error) });
      }
    }));
    if (serial !== this._loadSerial) return;   // a newer load took over

    const files = core._kolo_fetched_new();
    const withString = (text, use) => {
      const length = core.lengthBytesUTF8(text) + 1;
      const pointer = core._malloc(length);
      core.stringToUTF8(text, pointer, length);
      try { return use(pointer); } finally { core._free(pointer); }
    };
    for (const [address, answer] of answers) {
      withString(address, (addressPointer) => {
        if (answer.bytes) {
          const pointer = core._malloc(Math.max(1, answer.bytes.length));
          core.HEAPU8.set(answer.bytes, pointer);
          core._kolo_fetched_body(files, addressPointer, pointer, answer.bytes.length);
          core._free(pointer);
        } else {
          withString(answer.error, (reason) => core._kolo_fetched_error(files, addressPointer, reason));
        }
      });
    }
    withString(folder, (pointer) => core._kolo_load_fetched(this._control, pointer, files));
    this._paint();
    this.dispatchEvent(new Event('load'));
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
    this._messageDialog.showModal();
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

  _paint() {
    const core = this._core;
    const pointer = core._kolo_frame(this._control);
    const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, pointer, BOARD_WIDTH * BOARD_HEIGHT * 4);
    this._context.putImageData(new ImageData(pixels, BOARD_WIDTH, BOARD_HEIGHT), 0, 0);
    const cursor = core._kolo_cursor(this._control);
    if (cursor !== this._shownCursor) {
      this._shownCursor = cursor;
      this._canvas.style.cursor = cursor === 1 ? this._cursorValue : 'default';
    }
  }

  // Board pixels of a pointer event: the canvas keeps the board's proportions inside its box.
  _boardPoint(event) {
    const box = this._canvas.getBoundingClientRect();
    const scale = Math.min(box.width / BOARD_WIDTH, box.height / BOARD_HEIGHT);
    const left = box.left + (box.width - BOARD_WIDTH * scale) / 2;
    const top = box.top + (box.height - BOARD_HEIGHT * scale) / 2;
    return [Math.floor((event.clientX - left) / scale), Math.floor((event.clientY - top) / scale)];
  }

  _pointer(kind, event) {
    if (!this._control) return;
    const start = performance.now();
    const [x, y] = this._boardPoint(event);
    this._core._kolo_pointer(this._control, kind, x, y);
    this._paint();
    this.lastInputTime = performance.now() - start;   // event to pixels on the canvas
  }

  _bindPointer() {
    const canvas = this._canvas;
    canvas.addEventListener('pointerdown', (event) => {
      if (event.button !== 0 || this._pointerId !== null) return;
      event.preventDefault();
      this._pointerId = event.pointerId;
      canvas.setPointerCapture(event.pointerId);
      this._pointer(0, event);
    });
    const release = (event) => {
      if (event.pointerId !== this._pointerId) return;
      this._pointerId = null;
      this._pointer(1, event);
    };
    canvas.addEventListener('pointerup', release);
    canvas.addEventListener('pointercancel', (event) => {
      if (event.pointerId === this._pointerId) this._pointerId = null;
    });
    canvas.addEventListener('pointermove', (event) => {
      if (event.pointerType === 'mouse' || event.pointerId === this._pointerId) this._pointer(2, event);
    });
    // A board drawn larger than its pixels stays crisp; one drawn smaller is smoothed.
    new ResizeObserver(() => {
      const box = canvas.getBoundingClientRect();
      const scale = Math.min(box.width / BOARD_WIDTH, box.height / BOARD_HEIGHT) * devicePixelRatio;
      canvas.style.imageRendering = scale >= 1 ? 'pixelated' : 'auto';
    }).observe(canvas);
  }
}

if (!customElements.get('kolo-board')) customElements.define('kolo-board', KoloBoard);

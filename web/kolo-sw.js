// The demo site's service worker: once visited, the site and the pictures of the folders
// opened there still open without a network (a tablet away from its wifi). The element itself
// registers nothing; pages that want this register a worker of their own.
//   The element's files come from the cache first: they change only with a build, which
//   changes this file's version, so the browser installs it anew with a fresh cache.
//   Everything else (the page, folder pages, pictures, on any origin) comes from the network
//   and is kept as it arrives; the cache answers when the network fails.
const VERSION = '@KOLO_SITE_VERSION@';
const ELEMENT_CACHE = `kolo-element-${VERSION}`;
const VISITED_CACHE = 'kolo-visited';
const ELEMENT_FILES = ['kolo-board.js', 'kolo-board-core.js', 'kolo-board-core.wasm', 'kolo-art.gz',
                       'kolo-words-ar.json', 'kolo-words-de.json', 'kolo-words-fr.json'];
const SITE_FILES = ['./', 'index.html', 'manifest.webmanifest', 'kolo-192.png', 'kolo-512.png'];

const address = (file) => new URL(file, self.registration.scope).href;
const elementAddresses = new Set(ELEMENT_FILES.map(address));

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    await (await caches.open(ELEMENT_CACHE)).addAll([...elementAddresses]);
    await (await caches.open(VISITED_CACHE)).addAll(SITE_FILES.map(address)).catch(() => {});
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys()) {
      if (name.startsWith('kolo-element-') && name !== ELEMENT_CACHE) await caches.delete(name);
    }
    // Pages are asked for while the worker starts, not after.
    await self.registration.navigationPreload?.enable();
    // The page that registered the worker is served by it from now on.
    await self.clients.claim();
  })());
});

// Only whole, readable answers are kept: not errors, not opaque ones.
function keepable(response) {
  return response.status === 200 && (response.type === 'basic' || response.type === 'cors');
}

async function cacheFirst(request) {
  const cache = await caches.open(ELEMENT_CACHE);
  const cached = await cache.match(request, { ignoreSearch: true });
  if (cached) return cached;
  const response = await fetch(request);
  if (keepable(response)) await cache.put(request.url, response.clone());
  return response;
}

async function networkFirst(request, preloaded) {
  try {
    const response = (await preloaded) ?? await fetch(request);
    if (keepable(response)) {
      const copy = response.clone();
      caches.open(VISITED_CACHE).then((cache) => cache.put(request.url, copy)).catch(() => {});
    }
    return response;
  } catch (error) {
    const cached = await caches.match(request.url, { cacheName: VISITED_CACHE });
    if (cached) return cached;
    throw error;
  }
}

self.addEventListener('fetch', (event) => {
  const { request } = event;
  const url = new URL(request.url);
  if (request.method !== 'GET' || !url.protocol.startsWith('http')) return;
  if (elementAddresses.has(url.origin + url.pathname)) event.respondWith(cacheFirst(request));
  else event.respondWith(networkFirst(request, event.preloadResponse));
});

// The page lists what it fetched before this worker served it (a first visit): those are kept
// too, read again from the browser's HTTP cache where it can.
self.addEventListener('message', (event) => {
  const addresses = Array.isArray(event.data?.keep) ? event.data.keep : [];
  event.waitUntil((async () => {
    const cache = await caches.open(VISITED_CACHE);
    await Promise.all(addresses.map(async (url) => {
      try {
        if (elementAddresses.has(url) || await cache.match(url)) return;
        const response = await fetch(url, { mode: 'cors', credentials: 'omit', cache: 'force-cache' });
        if (keepable(response)) await cache.put(url, response);
      } catch {
        // Gone or refused: the next visit online keeps it.
      }
    }));
  })());
});

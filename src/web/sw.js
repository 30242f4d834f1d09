// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the game's files, so that a page opened once plays on without a
// network: a school's weak Wi-Fi, or none. Each file is asked of the server
// first, so a new version of the game is taken as soon as it is there, and
// the copy kept is the one served when the server cannot be reached.
'use strict';

const CACHE = 'quizzola';
const FILES = ['./', 'index.html', 'page.js', 'qtloader.js', 'quizzola.js', 'quizzola.wasm',
               'suoni/Esatto.wav', 'suoni/no.wav', 'manifest.webmanifest',
               'icon-32.png', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', event => {
    event.waitUntil(caches.open(CACHE).then(cache => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', event => event.waitUntil(self.clients.claim()));

self.addEventListener('fetch', event => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin)
        return;
    event.respondWith((async () => {
        const cache = await caches.open(CACHE);
        try {
            const response = await fetch(request);
            if (response.ok)
                await cache.put(request, response.clone());
            return response;
        } catch (offline) {
            const kept = await cache.match(request, {ignoreSearch: true});
            if (kept)
                return kept;
            throw offline;
        }
    })());
});

'use strict';
// Levels by link, in the part of the address after '#', so that any static
// host serves them: #levels=DATA carries a whole boards.txt, compressed with
// deflate in the zlib format (whose Adler-32 check finds a link altered) and
// written in base64url without padding; #seed=N&difficulty=D stands for the
// pack grubblet-gen --seed N --difficulty D writes, made in the page. Opening
// a link plays its levels without keeping them.
(() => {
  const MAX_LINK = 64 * 1024; // characters after '#'; a pack's link has under 2,000
  const DIFFICULTIES = ['easy', 'normal', 'hard'];
  const UNTOUCHED = ' The levels kept in this browser are as they were.';

  let shown = null; // the address part this page last put there or opened

  async function squeeze(bytes, stream) {
    return new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(stream)).arrayBuffer());
  }

  async function encode(bytes) {
    const packed = await squeeze(bytes, new CompressionStream('deflate'));
    let text = '';
    for (const byte of packed) {
      text += String.fromCharCode(byte);
    }
    return 'levels=' + btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }

  // The bytes a #levels= link carries; throws an Error that says what is
  // wrong with it for the visitor.
  async function decode(data, limit) {
    if (!/^[A-Za-z0-9_-]+$/.test(data) || data.length % 4 === 1) {
      throw new Error('it is cut short or altered (it is not base64url)');
    }
    const packed = Uint8Array.from(atob(data.replace(/-/g, '+').replace(/_/g, '/')), (c) => c.charCodeAt(0));
    const reader = new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate')).getReader();
    const parts = [];
    let length = 0;
    try {
      for (;;) {
        const { done, value } = await reader.read();
        if (done) {
          break;
        }
        length += value.length;
        if (length > limit) {
          reader.cancel();
          throw new RangeError('it holds more than the 1 MiB (' + limit + ' bytes) the page opens');
        }
        parts.push(value);
      }
    } catch (e) {
      throw e instanceof RangeError ? e : new Error('it is cut short or altered (its levels do not unpack)');
    }
    const bytes = new Uint8Array(length);
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    return bytes;
  }

  // What a link's address part asks for: levels to play and their name in
  // words; null for no link. Throws for a link the page cannot play.
  async function read(hash) {
    if (hash === '') {
      return null;
    }
    if (hash.length > MAX_LINK) {
      throw new Error('it is ' + hash.length + ' characters long, more than the ' + MAX_LINK + ' the page reads');
    }
    const params = new URLSearchParams(hash);
    if (params.has('levels')) {
      const bytes = await decode(params.get('levels'), window.grubbletPage.MAX_BYTES);
      return { bytes, what: 'levels from a link (' + bytes.length + ' bytes)' };
    }
    if (params.has('seed')) {
      const seed = params.get('seed');
      const difficulty = params.has('difficulty') ? params.get('difficulty') : 'normal';
      if (!/^\d{1,10}$/.test(seed) || Number(seed) > 4294967295) {
        throw new Error('its seed "' + seed + '" is not a whole number from 0 to 4294967295');
      }
      if (!DIFFICULTIES.includes(difficulty)) {
        throw new Error('its difficulty "' + difficulty + '" is not easy, normal or hard');
      }
      window.grubbletPage.say('Making the pack of seed ' + seed + ' (' + difficulty + ') in the page…');
      const bytes = await window.grubbletTools.pack(Number(seed), DIFFICULTIES.indexOf(difficulty));
      if (bytes.length === 0) {
        throw new Error('a level of that pack could not be proven clearable; try another seed');
      }
      window.grubbletPage.say('');
      return { bytes, what: 'the new pack of seed ' + seed + ' (' + difficulty + ')' };
    }
    throw new Error('it names no levels (#levels=… or #seed=…)');
  }

  // Starts the game on the levels of the address's link, or, where it has
  // none or a bad one, on the kept levels. Resolves when the game starts.
  async function open() {
    const hash = location.hash.replace(/^#/, '');
    shown = hash;
    const page = window.grubbletPage;
    let link = null;
    try {
      link = await read(hash);
    } catch (e) {
      page.say('This link was not opened: ' + e.message + '.' + UNTOUCHED);
    }
    if (shown !== hash) {
      return; // another link came meanwhile
    }
    if (link !== null) {
      page.start(link.bytes, link.what);
    } else if (hash === '' || !page.started()) {
      page.start();
    }
  }

  window.grubbletLinks = {
    encode,
    opening: () => {
      if (location.hash.length <= 1) {
        return false;
      }
      open();
      return true;
    },
  };

  window.addEventListener('hashchange', () => {
    if (location.hash.replace(/^#/, '') !== shown) {
      open();
    }
  });

  document.getElementById('share').addEventListener('click', async () => {
    const page = window.grubbletPage;
    const hash = await encode(page.levels());
    shown = hash;
    history.replaceState(null, '', '#' + hash);
    let copied = false;
    try {
      await navigator.clipboard.writeText(location.href);
      copied = true;
    } catch (e) {
      // the browser would not let the page copy: the address bar has it
    }
    page.say('The link to the levels playing is in the address bar (' + location.href.length +
      ' characters)' + (copied ? ' and copied.' : '; copy it from there.'));
    page.focus();
  });

  document.getElementById('new').addEventListener('click', () => {
    const seed = crypto.getRandomValues(new Uint32Array(1))[0];
    location.hash = 'seed=' + seed + '&difficulty=' + document.getElementById('difficulty').value;
    window.grubbletPage.focus();
  });
})();

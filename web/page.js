'use strict';
// The page around the game: it shows the game's 80 x 25 screen in a
// terminal, hands the game the keys a player types, keeps the game's
// boards.txt in the browser's storage, and offers it for download, opens one
// from the computer, or goes back to the shipped levels. It says which
// levels are playing, and lets links.js and tools.js start the game on
// other levels or play keys into it (window.grubbletPage).
(() => {
  const ROWS = 25;
  const COLS = 80;
  const STORE = 'grubblet-plonko/boards.txt';
  const FILE = '/game/boards.txt';
  const MAX_OPENED = 1024 * 1024; // the largest file the page opens, in bytes
  // The game numbers its colours black, blue, green, cyan, red, magenta,
  // yellow, white; the terminal numbers them in the ANSI order.
  const ANSI = [0, 4, 2, 6, 1, 5, 3, 7];
  const A_BOLD = 0x200000;
  const WATCH_KEY_MS = 250; // a watched level's keys, four a second

  const frame = document.getElementById('frame');
  const screen = document.getElementById('screen');
  const status = document.getElementById('status');
  const playingLine = document.getElementById('playing');
  const keepButton = document.getElementById('keep');

  const term = new Terminal({
    rows: ROWS,
    cols: COLS,
    fontFamily: '"DejaVu Sans Mono", "Liberation Mono", Menlo, Consolas, monospace',
    fontSize: 16,
    cursorStyle: 'block',
    drawBoldTextInBrightColors: false,
    disableStdin: true,
    screenReaderMode: true,
    scrollback: 0,
    // The game's eight colours on black.
    theme: { background: '#000000', foreground: '#e5e5e5', cursor: '#e5e5e5', black: '#000000' },
  });
  term.open(screen);
  // The page reads the keys itself; the terminal only shows.
  term.attachCustomKeyEventHandler(() => false);

  // What the tests and the measurements read: when the first screen showed,
  // how long each key took to its screen, and whether the game is waiting
  // for a key with its screen shown.
  const stats = { firstScreen: null, keyFrames: [], waits: 0 };
  window.grubblet = stats;

  function say(text) {
    status.textContent = text;
  }

  // boards.txt may hold any bytes; the storage keeps one character a byte.
  function bytesToText(bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 8192) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    }
    return text;
  }
  function textToBytes(text) {
    return Uint8Array.from(text, (c) => c.charCodeAt(0) & 0xff);
  }
  function sameBytes(a, b) {
    return a.length === b.length && a.every((byte, i) => byte === b[i]);
  }

  // The levels the browser keeps, or null where it keeps none.
  function keptLevels() {
    try {
      const text = localStorage.getItem(STORE);
      return text !== null ? textToBytes(text) : null;
    } catch (e) {
      return null;
    }
  }
  function storedLevels() {
    let text = null;
    try {
      text = localStorage.getItem(STORE);
    } catch (e) {
      say('This browser keeps no storage for the page: saved levels last until it is closed.');
    }
    return textToBytes(text !== null ? text : SHIPPED_LEVELS);
  }
  function keep(bytes) {
    try {
      localStorage.setItem(STORE, bytesToText(bytes));
      return true;
    } catch (e) {
      say('The browser did not keep boards.txt (' + e.message + '); download it to keep it.');
      return false;
    }
  }

  // Key codes of the arrows, plain and with control, as the game knows them.
  let arrows = {};
  const NUMPAD = {
    Numpad0: '0', Numpad1: '1', Numpad2: '2', Numpad3: '3', Numpad4: '4',
    Numpad5: '5', Numpad6: '6', Numpad7: '7', Numpad8: '8', Numpad9: '9',
    NumpadDecimal: '.', NumpadDivide: '/', NumpadMultiply: '*',
    NumpadSubtract: '-', NumpadAdd: '+', NumpadEnter: '\r',
  };
  const NAMED = { Tab: 9, Enter: 13, Escape: 27 };

  // The game's code for a key, or null for a key the game leaves to the
  // browser (its shortcuts with Ctrl, Alt or Meta, function keys, Shift+Tab).
  function gameKey(e) {
    if (e.metaKey || e.isComposing) {
      return null;
    }
    // The numpad gives its digits whether Num Lock is on or off.
    if (e.code in NUMPAD && !e.ctrlKey && !e.altKey) {
      return NUMPAD[e.code].charCodeAt(0);
    }
    if (e.key in arrows && !e.altKey && !e.shiftKey) {
      return arrows[e.key][e.ctrlKey ? 1 : 0];
    }
    const altGr = e.ctrlKey && e.altKey; // how some systems report AltGr
    if ((e.ctrlKey || e.altKey) && !altGr) {
      return null;
    }
    if (e.key === 'Tab' && e.shiftKey) {
      return null;
    }
    if (e.key in NAMED) {
      return NAMED[e.key];
    }
    if (e.key.length === 1) {
      const code = e.key.charCodeAt(0);
      if (code >= 32 && code < 127) {
        return code;
      }
    }
    return null;
  }

  function sgr(look) {
    const pair = (look >> 8) & 0xff;
    const bold = (look & A_BOLD) !== 0 ? ';1' : '';
    // Pair 0, the blank cells', is white on black in curses.
    const ink = pair === 0 ? 7 : pair & 7;
    const background = (pair >> 3) & 7;
    return '\x1b[0;' + (30 + ANSI[ink]) + ';' + (40 + ANSI[background]) + bold + 'm';
  }

  let keyAt = null; // when the key that the game is answering was pressed
  let parsed = null; // the shown screen is in the terminal, not yet drawn
  let drawn = false;

  // What the terminal shows, cell by cell; null when it must be drawn whole.
  let shown = null;

  // The game's canvas, each cell a character with its colour pair and bold,
  // written into the terminal row by row where a row changed, with the
  // cursor the screen wants.
  function show(cells, row, col, cursor) {
    let out = '\x1b[?7l';
    let last = -1;
    for (let r = 0; r < ROWS; r++) {
      const line = cells.subarray(r * COLS, (r + 1) * COLS);
      if (shown !== null && sameBytes(line, shown.subarray(r * COLS, (r + 1) * COLS))) {
        continue;
      }
      out += '\x1b[' + (r + 1) + ';1H';
      for (let c = 0; c < COLS; c++) {
        const cell = cells[r * COLS + c];
        const look = cell & ~0xff;
        if (look !== last) {
          out += sgr(look);
          last = look;
        }
        out += String.fromCharCode(cell & 0xff || 32);
      }
    }
    out += '\x1b[0m';
    shown = Uint32Array.from(cells);
    if (cursor === 0) {
      out += '\x1b[?25l';
    } else {
      // A very visible cursor blinks, as curses shows it in a terminal.
      out += '\x1b[' + (row + 1) + ';' + (col + 1) + 'H\x1b[?12' + (cursor === 2 ? 'h' : 'l') + '\x1b[?25h';
    }
    const from = keyAt;
    keyAt = null;
    drawn = false;
    term.write(out, () => {
      parsed = { from };
    });
  }

  term.onRender(() => {
    if (parsed === null) {
      return;
    }
    const now = performance.now();
    if (stats.firstScreen === null) {
      stats.firstScreen = now;
    } else if (parsed.from !== null) {
      stats.keyFrames.push(now - parsed.from);
    }
    parsed = null;
    drawn = true;
  });

  let session = null;

  stats.settled = () =>
    session !== null && (session.ended || (session.waiting !== null && drawn));
  stats.ended = () => session !== null && session.ended;

  function give(s, key) {
    if (s.waiting !== null) {
      const resume = s.waiting;
      s.waiting = null;
      resume(key);
    } else {
      s.queue.push(key);
    }
  }

  // After a save in the editor, the browser keeps the new boards.txt.
  function keepSaved(s) {
    let now;
    try {
      now = s.module.FS.readFile(FILE);
    } catch (e) {
      return;
    }
    if (!sameBytes(now, s.known) && keep(now)) {
      s.known = now;
      tellPlaying(s);
    }
  }

  function nextKey(s) {
    keepSaved(s);
    stats.waits++;
    if (s.queue.length > 0) {
      return Promise.resolve(s.queue.shift());
    }
    return new Promise((resume) => {
      s.waiting = resume;
    });
  }

  function ended(s) {
    s.ended = true;
    s.waiting = null;
    shown = null;
    term.write('\x1b[0m\x1b[2J\x1b[1;1H\x1b[?25lGrubblet Plonko has ended. Press a key to play again.');
  }

  // Which levels are playing, in words, and whether the browser keeps them.
  function tellPlaying(s) {
    const kept = keptLevels();
    const isKept = kept !== null ? sameBytes(kept, s.known) : sameBytes(textToBytes(SHIPPED_LEVELS), s.known);
    const what = isKept ? (kept !== null ? 'your levels, kept in this browser' : 'the shipped levels') : s.what;
    playingLine.textContent = 'Playing ' + what + '.' +
      (isKept ? '' : ' They are not kept in this browser unless you save in the editor or keep them.');
    keepButton.hidden = isKept;
  }

  // Starts the game afresh on the given boards.txt, by default the one the
  // browser keeps; `what` says in words where other levels came from.
  function start(levels = storedLevels(), what = 'levels not kept in this browser') {
    if (session !== null) {
      stopWatching(session);
    }
    const s = { queue: [], waiting: null, ended: false, module: null, known: levels, what, watch: null };
    session = s;
    shown = null;
    tellPlaying(s);
    const current = () => session === s;
    return createGrubblet({
      preRun: [
        (module) => {
          s.module = module;
          module.FS.mkdir('/game');
          module.FS.chdir('/game');
          module.FS.writeFile(FILE, s.known);
        },
      ],
      showScreen: (cells, row, col, cursor) => current() && show(cells, row, col, cursor),
      // A game that was replaced waits for ever, and is forgotten.
      nextKey: () => (current() ? nextKey(s) : new Promise(() => {})),
      learnKeys: (codes) => {
        arrows = codes;
      },
      onExit: () => current() && ended(s),
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
    });
  }

  // Ending the game unwinds its stack with an exception; that is its way out,
  // not a fault.
  window.addEventListener('unhandledrejection', (e) => {
    if (e.reason && e.reason.name === 'ExitStatus') {
      e.preventDefault();
    }
  });

  document.addEventListener(
    'keydown',
    (e) => {
      if (e.target instanceof HTMLButtonElement || e.target instanceof HTMLInputElement) {
        return; // the buttons keep their keys
      }
      const key = gameKey(e);
      if (key === null || session === null) {
        return;
      }
      e.preventDefault();
      e.stopPropagation();
      if (session.ended) {
        start(session.known, session.what);
        return;
      }
      if (session.watch !== null) {
        stopWatching(session);
        say('Stopped watching: the keys are yours.');
        return;
      }
      keyAt = performance.now();
      give(session, key);
    },
    true,
  );

  function fit() {
    screen.style.transform = 'none';
    const scale = Math.min(frame.clientWidth / screen.offsetWidth, frame.clientHeight / screen.offsetHeight);
    screen.style.transform = 'scale(' + scale + ')';
  }
  // The window, or the checker's report below, changes the room it has.
  new ResizeObserver(fit).observe(frame);
  frame.addEventListener('click', () => term.focus());

  // The boards.txt being played, as the game would save it now.
  function playingLevels() {
    try {
      return session.module.FS.readFile(FILE);
    } catch (e) {
      return session.known; // the game has not started: the file it was given
    }
  }

  // Plays the checker's winning keys for a level (0 to 8) from the level's
  // fresh start, a few a second, in a game started afresh on the levels
  // being played; the player's keys go to the game again when it has won,
  // or at once when the player presses one. The way to the level is the
  // player's own: any key past the title, to the editor, its next-level
  // key, back to play, and the restart key.
  function watch(level, keys, onEnd) {
    start(playingLevels(), session.what);
    const s = session;
    const way = 'x/' + ']'.repeat(level) + '/r';
    for (const ch of way) {
      give(s, ch.charCodeAt(0));
    }
    let at = 0;
    s.watch = { timer: null, onEnd };
    const next = () => {
      if (at === keys.length) {
        stopWatching(s);
        return;
      }
      give(s, keys.charCodeAt(at++));
      s.watch.timer = setTimeout(next, WATCH_KEY_MS);
    };
    s.watch.timer = setTimeout(next, WATCH_KEY_MS);
  }
  function stopWatching(s) {
    if (s.watch !== null) {
      clearTimeout(s.watch.timer);
      const onEnd = s.watch.onEnd;
      s.watch = null;
      onEnd();
    }
  }

  window.grubbletPage = {
    start,
    levels: playingLevels,
    known: () => session.known,
    kept: keptLevels,
    keep: (bytes) => keep(bytes) && (tellPlaying(session), true),
    forget: () => {
      try {
        localStorage.removeItem(STORE);
      } catch (e) {
        // nothing was kept
      }
    },
    MAX_BYTES: MAX_OPENED,
    sameBytes,
    started: () => session !== null,
    watch,
    say,
    focus: () => term.focus(),
  };
  stats.watching = () => session !== null && session.watch !== null;

  fit();
  term.focus();
  // A link to levels starts the game on them (links.js); else the kept ones.
  if (!window.grubbletLinks || !window.grubbletLinks.opening()) {
    start();
  }
})();

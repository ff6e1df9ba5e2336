'use strict';
// The web version in Debian's chromium, headless, served from a local
// static server: node browser_test.js SITE TERMINAL_SCREENS GRUBBLET_CHECK
// GRUBBLET_GEN.
// Each scenario starts a fresh browser profile; keys are typed one at a time
// and each waits until the game is waiting for the next key with its screen
// drawn. Screens are held against what the terminal program shows for the
// same keys (TERMINAL_SCREENS plays them in the end-to-end harness).
const test = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync, spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const [site, terminalScreens, checker, generator] = process.argv.slice(2).map((arg) => path.resolve(arg));
const { chromium } = require(path.join(__dirname, '../../web/node_modules/playwright-core'));

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'grubblet-web-'));
let server;
let url;

test.before(async () => {
  server = spawn(process.execPath, [path.join(__dirname, '../../web/serve.js'), site, '0']);
  url = await new Promise((resolve, reject) => {
    server.stdout.on('data', (data) => resolve(String(data).match(/http\S+/)[0]));
    server.on('exit', () => reject(new Error('the static server ended')));
  });
});

test.after(() => {
  server.kill();
  fs.rmSync(scratch, { recursive: true, force: true });
});

let profiles = 0;
// Runs a scenario on a page of its own browser profile, and closes it.
async function inBrowser(scenario) {
  const { context, page } = await openBrowser();
  try {
    await scenario(page);
    assert.deepEqual(page.errors, [], 'errors on the page');
  } finally {
    await context.close();
  }
}

async function openBrowser() {
  const profile = path.join(scratch, 'profile-' + profiles++);
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    acceptDownloads: true,
    viewport: { width: 1280, height: 720 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const page = context.pages()[0] || (await context.newPage());
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(e.message));
  page.on('console', (m) => m.type() === 'error' && page.errors.push(m.text()));
  page.on('dialog', (d) => d.accept());
  return { context, page };
}

async function load(page) {
  await page.goto(url);
  await page.waitForFunction(() => window.grubblet && window.grubblet.settled());
}

// One key, as a player types it: a character, or a key name such as Tab,
// ArrowUp, Control+ArrowRight, Numpad6.
async function press(page, key) {
  const before = await page.evaluate(() => window.grubblet.waits);
  await page.keyboard.press(key);
  await page.waitForFunction(
    (b) => window.grubblet.ended() || (window.grubblet.waits > b && window.grubblet.settled()),
    before,
  );
}

// The steps terminal_screens takes, typed into the page.
const NAMES = { '<Tab>': 'Tab', '<Enter>': 'Enter', '<Up>': 'ArrowUp', '<Down>': 'ArrowDown',
  '<Left>': 'ArrowLeft', '<Right>': 'ArrowRight', '<C-Up>': 'Control+ArrowUp',
  '<C-Down>': 'Control+ArrowDown', '<C-Left>': 'Control+ArrowLeft', '<C-Right>': 'Control+ArrowRight' };
async function typeSteps(page, steps, atScreen) {
  for (const step of steps) {
    if (step === '=') {
      await atScreen(await screenOf(page));
    } else if (step in NAMES) {
      await press(page, NAMES[step]);
    } else if (step !== '@file') {
      for (const ch of step) {
        await press(page, ch);
      }
    }
  }
}

// The page's 25 rows as the terminal shows them: text, each cell's look
// (colour names as the harness gives them, +b when bold) and the cursor.
function screenOf(page) {
  return page.evaluate(() => {
    const NAMES = ['black', 'red', 'green', 'yellow', 'blue', 'magenta', 'cyan', 'white'];
    const colour = (span, kind) => {
      const found = [...span.classList].map((c) => c.match('^xterm-' + kind + '-(\\d+)$')).find(Boolean);
      return found ? NAMES[Number(found[1])] : 'default';
    };
    const screen = { rows: [], looks: [], cursor: null };
    document.querySelectorAll('.xterm-rows > div').forEach((row, r) => {
      let text = '';
      const looks = [];
      for (const span of row.querySelectorAll('span')) {
        const look = colour(span, 'fg') + '/' + colour(span, 'bg') +
          (span.classList.contains('xterm-bold') ? '+b' : '');
        if (span.classList.contains('xterm-cursor')) {
          screen.cursor = [r, text.length, span.classList.contains('xterm-cursor-blink')];
        }
        for (const ch of span.textContent) {
          text += ch === '\u00a0' ? ' ' : ch;
          looks.push(look);
        }
      }
      screen.rows.push(text.padEnd(80));
      screen.looks.push(looks.join(' '));
    });
    return screen;
  });
}

// What the terminal program shows for the steps, one entry per '=' or '@file'.
function terminal(steps) {
  const out = execFileSync(terminalScreens, steps, { encoding: 'utf8' });
  return out.trim().split('\n').map((line) => JSON.parse(line));
}

// The checker's shortest winning keys for a shipped level.
function shortestKeys(level) {
  const report = execFileSync(checker, [path.join(__dirname, '../../boards.txt')], { encoding: 'utf8' });
  return report.match(new RegExp('^level ' + level + ': clearable in \\d+ key presses: (\\d+)', 'm'))[1];
}

function assertSameScreen(page, expected, label) {
  assert.deepEqual(page.rows, expected.rows, label + ': rows');
  assert.deepEqual(page.looks, expected.looks, label + ': colours and bold');
  const [row, col, visible, blinking] = expected.cursor;
  assert.deepEqual(page.cursor, visible ? [row, col, blinking] : null, label + ': cursor');
}

test('the title, level 1 with the first key, and the checker\'s shortest keys win it', async (t) => {
  await inBrowser(async (page) => {
    await load(page);
    let screen = await screenOf(page);
    assert.match(screen.rows[0], /^Fenwhistle Presents:/);
    await press(page, 'x');
    screen = await screenOf(page);
    assert.match(screen.rows[24], /^Tummy: 99 /);

    const keys = shortestKeys(1);
    // Every other key from the numpad, half of those as with Num Lock off.
    for (let i = 0; i < keys.length; i++) {
      if (i % 2 === 0) {
        await press(page, keys[i]);
      } else if (i % 4 === 1) {
        await press(page, 'Numpad' + keys[i]);
      } else {
        const before = await page.evaluate(() => window.grubblet.waits);
        await page.evaluate((digit) => {
          const NUMLOCK_OFF = { 1: 'End', 3: 'PageDown', 4: 'ArrowLeft', 6: 'ArrowRight', 7: 'Home', 8: 'ArrowUp', 9: 'PageUp', 0: 'Insert' };
          document.activeElement.dispatchEvent(new KeyboardEvent('keydown',
            { key: NUMLOCK_OFF[digit], code: 'Numpad' + digit, bubbles: true, cancelable: true }));
        }, keys[i]);
        await page.waitForFunction((b) => window.grubblet.waits > b && window.grubblet.settled(), before);
      }
    }
    screen = await screenOf(page);
    assert.equal(screen.rows[24].trimEnd(), 'I HAVE WON THE LEVEL');

    // Light and quick, as the browser measured it: the whole page's bytes
    // (with the checker's worker, loaded when first needed), the title's
    // time from the request, each key's time to its screen.
    const figures = await page.evaluate(async () => {
      const entries = [...performance.getEntriesByType('navigation'),
        ...performance.getEntriesByType('resource')];
      const frames = [...window.grubblet.keyFrames].sort((a, b) => a - b);
      const worker = ['tools-worker.js', 'grubblet-tools.js'];
      const later = await Promise.all(worker.map(async (name) => (await (await fetch(name)).arrayBuffer()).byteLength));
      return {
        bytes: entries.reduce((sum, e) => sum + e.encodedBodySize, 0) + later[0] + later[1],
        files: entries.length + worker.length,
        title: window.grubblet.firstScreen,
        keys: frames.length,
        median: frames[Math.floor(frames.length / 2)],
        slowest: frames[frames.length - 1],
      };
    });
    t.diagnostic(`page ${figures.bytes} bytes in ${figures.files} files; title shown ` +
      `${figures.title.toFixed(0)} ms after the request; ${figures.keys} keys drawn in ` +
      `${figures.median.toFixed(1)} ms (median), ${figures.slowest.toFixed(1)} ms at the slowest`);
    assert.ok(figures.bytes < 800 * 1024, 'the page is under 800 kB');
    if (figures.title >= 1000) {
      // A busy machine can stall one cold start; a second cold start, in a
      // fresh profile with nothing cached, tells the page from the machine.
      const { context, page: again } = await openBrowser();
      try {
        await load(again);
        const title = await again.evaluate(() => window.grubblet.firstScreen);
        t.diagnostic(`title shown ${title.toFixed(0)} ms after the request, started again`);
        figures.title = Math.min(figures.title, title);
      } finally {
        await context.close();
      }
    }
    assert.ok(figures.title < 1000, 'the title shows within a second');
    assert.ok(figures.median < 1000 / 60, 'a key is drawn within one frame');

    // Keys the game does not use stay with the browser.
    const left = await page.evaluate(() => ['f', 'r', 'F5'].map((key) => {
      const e = new KeyboardEvent('keydown', { key, ctrlKey: key !== 'F5', bubbles: true, cancelable: true });
      document.activeElement.dispatchEvent(e);
      return e.defaultPrevented;
    }));
    assert.deepEqual(left, [false, false, false]);
  });
});

test('play with a death, a cleared level and the victory shows the terminal program\'s ' +
  'screens', async () => {
  const steps = ['=', 'x', '=', '0', '=', shortestKeys(1), '=', 'x', '=', '/', ']]]]', '=',
    '/', '33333', '=', 'x', '=', '1111', '=', '/', ']]]', '/', shortestKeys(9), '='];
  const expected = terminal(steps);
  assert.match(expected[3].rows[24], /I HAVE WON THE LEVEL/);
  assert.match(expected[6].rows[24], /OUCH CRAP I STEPPED ON A MINE/);
  assert.match(expected[9].rows[0], /^YOU WIN .*Press a key to quit\./);
  await inBrowser(async (page) => {
    await load(page);
    let i = 0;
    await typeSteps(page, steps, async (screen) => {
      assertSameScreen(screen, expected[i], 'screen ' + i);
      // The README's picture of the page: the jump-reach marks on level 1.
      if (i === 2 && process.env.GRUBBLET_WEB_PICTURE) {
        await page.screenshot({ path: process.env.GRUBBLET_WEB_PICTURE });
      }
      i++;
    });
    assert.equal(i, expected.length);
  });
});

test('the editor: a fill, prompts and a save show the terminal program\'s screens; the save ' +
  'outlives a reload and downloads as the terminal program writes it', async () => {
  const steps = ['x/', '=', '<Down>', '<C-Right>', 'xx', 'f', '=', '<Tab>', '<Left>', '<C-Up>', '=',
    's', '=', 'n', '=', 'S', '=', 'Y', '=', 'k', '=', '@file'];
  const expected = terminal(steps);
  const saved = expected.pop().file;
  assert.match(expected[6].rows[0], /^Save successful_+$/);
  await inBrowser(async (page) => {
    await load(page);
    let i = 0;
    await typeSteps(page, steps, (screen) => {
      assertSameScreen(screen, expected[i], 'screen ' + i);
      i++;
    });
    assert.equal(i, expected.length);

    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    const file = path.join(scratch, 'downloaded.txt');
    await download.saveAs(file);
    assert.equal(fs.readFileSync(file, 'latin1'), saved, 'downloaded boards.txt');

    // The same profile, the page loaded again: the saved level is there.
    await page.reload();
    await page.waitForFunction(() => window.grubblet.settled());
    for (const key of 'x/') {
      await press(page, key);
    }
    const after = await screenOf(page);
    assert.deepEqual(after.rows.slice(0, 24), expected[expected.length - 1].rows.slice(0, 24));
  });
});

test('the static server answers a malformed name with 400 and goes on serving', async () => {
  for (const name of ['%00', 'a%00b.js', '%E0%A4%A']) {
    assert.equal((await fetch(url + name)).status, 400, name);
  }
  assert.equal((await fetch(url)).status, 200);
});

test('a boards.txt opened from the computer is played, and the shipped levels come back', async () => {
  // Level 1 only: a start, a grubblet two cells to its right, a floor.
  const rows = Array.from({ length: 24 }, () => '.'.repeat(80));
  rows[22] = '..@.=' + '.'.repeat(75);
  rows[23] = '&'.repeat(80);
  const file = path.join(scratch, 'boards.txt');
  fs.writeFileSync(file, rows.join('\n') + '\n');
  await inBrowser(async (page) => {
    await load(page);
    await page.setInputFiles('#file', file);
    await page.waitForFunction(() => window.grubblet.settled() &&
      document.querySelector('.xterm-rows').textContent.includes('Fenwhistle'));
    // The level checker's word on the short file, beside the screen.
    await page.waitForFunction(() => document.getElementById('status').textContent.includes('warning'));
    const status = await page.textContent('#status');
    const warnings = execFileSync(checker, [file], { cwd: scratch, encoding: 'utf8' })
      .split('\n').filter((line) => line.includes(': warning: '));
    assert.ok(warnings.length > 0);
    for (const line of warnings) {
      assert.ok(status.includes(line.replace(file, 'boards.txt')), line);
    }
    await press(page, 'x');
    let screen = await screenOf(page);
    assert.equal(screen.rows[22], '..@.=' + '.'.repeat(75));
    await press(page, '3');
    await press(page, '3');
    screen = await screenOf(page);
    assert.equal(screen.rows[24].trimEnd(), 'I HAVE WON THE LEVEL');

    await page.reload();
    await page.waitForFunction(() => window.grubblet.settled());
    await press(page, 'x');
    assert.equal((await screenOf(page)).rows[22], '..@.=' + '.'.repeat(75), 'kept after a reload');

    // A file too large for the game, and the shipped file over the kept one
    // with the question answered no: the game and the kept levels stay.
    const kept = () => page.evaluate(() => localStorage.getItem('grubblet-plonko/boards.txt'));
    const before = await kept();
    await page.setInputFiles('#file', { name: 'big.txt', mimeType: 'text/plain',
      buffer: Buffer.alloc(1024 * 1024 + 1, '.') });
    await page.waitForFunction(() =>
      document.getElementById('status').textContent.startsWith('Not opened: big.txt'));
    await page.evaluate(() => {
      const confirm = window.confirm;
      window.confirm = (question) => {
        window.confirm = confirm;
        window.asked = question;
        return false;
      };
    });
    await page.setInputFiles('#file', path.join(__dirname, '../../boards.txt'));
    await page.waitForFunction(() => window.asked);
    assert.equal(await kept(), before);
    for (const key of '33') {
      await press(page, key);
    }
    assert.equal((await screenOf(page)).rows[24].trimEnd(), 'I HAVE WON THE LEVEL', 'played on');

    await page.click('#reset');
    await page.waitForFunction(() => window.grubblet.settled() &&
      document.querySelector('.xterm-rows').textContent.includes('Fenwhistle'));
    await press(page, 'x');
    const shipped = terminal(['x', '='])[0];
    assert.deepEqual((await screenOf(page)).rows, shipped.rows);

    // q ends the game as in a terminal; the next key starts it again.
    await press(page, 'q');
    // The game has ended at once; the terminal shows it at its next frame.
    await page.waitForFunction(() =>
      document.querySelector('.xterm-rows').textContent.includes('has ended'));
    assert.match((await screenOf(page)).rows[0], /^Grubblet Plonko has ended\./);
    await page.keyboard.press('Space');
    await page.waitForFunction(() => window.grubblet.settled() &&
      document.querySelector('.xterm-rows').textContent.includes('Fenwhistle'));
  });
});

require('./packs_test.js')({ url: () => url, inBrowser, load, press, screenOf, terminal,
  assertSameScreen, typeSteps, scratch, checker, generator });

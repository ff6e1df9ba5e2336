'use strict';
// The page as a home for level packs, as a visitor uses it: links made by
// Share and opened in a fresh profile, seed links against what grubblet-gen
// writes, the checker's report against what grubblet-check prints, a
// watched level won, and bad links that leave the kept levels alone.
// Registered by browser_test.js, which lends its browser and helpers.
const test = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');

module.exports = (web) => {
  const { inBrowser, load, press, screenOf, terminal, assertSameScreen, scratch, checker, generator } = web;
  const KEPT = 'grubblet-plonko/boards.txt';
  const packFile = path.join(scratch, 'pack', 'boards.txt');

  // The pack grubblet-gen writes for seed 7, easy, in a folder of its own.
  function pack() {
    if (!fs.existsSync(packFile)) {
      fs.mkdirSync(path.dirname(packFile));
      fs.writeFileSync(packFile, execFileSync(generator, ['--seed', '7', '--difficulty', 'easy'],
        { stdio: ['ignore', 'pipe', 'ignore'] }));
    }
    return fs.readFileSync(packFile);
  }

  // What grubblet-check prints on a boards.txt in the current folder.
  function checkerReport(file) {
    return spawnSync(checker, ['boards.txt'], { cwd: path.dirname(file), encoding: 'utf8' }).stdout;
  }

  const levelsOf = (page) => page.evaluate(() => Array.from(window.grubbletPage.levels()));
  const kept = (page) => page.evaluate((key) => localStorage.getItem(key), KEPT);
  const playing = (page) => page.textContent('#playing');

  async function share(page) {
    await page.click('#share');
    await page.waitForFunction(() => location.hash.startsWith('#levels='));
    return page.url();
  }

  async function opened(page, link, says) {
    await page.goto(link);
    await page.waitForFunction((words) => window.grubblet.settled() &&
      document.getElementById('playing').textContent.includes(words), says);
  }

  test('a seed link plays the bytes grubblet-gen writes; Share\'s link plays the same levels ' +
    'in a fresh profile, with the terminal program\'s screens, and keeps nothing', async () => {
    const bytes = pack();
    let link;
    await inBrowser(async (page) => {
      await load(page);
      assert.equal(await page.isVisible('#keep'), false, 'the shipped levels need no keeping');
      const shipped = await share(page);
      assert.ok(shipped.length < 1000, 'the shipped levels\' link has ' + shipped.length + ' characters');
      await opened(page, web.url() + '#seed=7&difficulty=easy', 'seed 7 (easy)');
      assert.deepEqual(Buffer.from(await levelsOf(page)), bytes, 'the generator\'s bytes');
      link = await share(page);
      assert.ok(link.length < 2000, 'a pack\'s link has ' + link.length + ' characters');
      assert.equal(await kept(page), null, 'nothing kept');
    });

    const keys = checkerReport(packFile).match(/^level 1: clearable in \d+ key presses: (\d+)/m)[1];
    const steps = ['=', 'x', '=', keys, '=', 'x', '='];
    const expected = terminal(['--boards=' + packFile, ...steps]);
    assert.match(expected[2].rows[24], /I HAVE WON THE LEVEL/);
    await inBrowser(async (page) => {
      await opened(page, link, 'levels from a link (17505 bytes)');
      let i = 0;
      await web.typeSteps(page, steps, (screen) => {
        assertSameScreen(screen, expected[i], 'screen ' + i);
        i++;
      });
      assert.equal(i, expected.length);
      assert.equal(await kept(page), null, 'nothing kept by opening a link');
      // Kept only when the visitor says so.
      assert.match(await playing(page), /not kept in this browser/);
      await page.click('#keep');
      await page.waitForFunction(() => document.getElementById('playing').textContent.includes('kept'));
      assert.equal(await kept(page), bytes.toString('latin1'));
      assert.equal(await page.isVisible('#keep'), false, 'nothing more to keep');
    });
  });

  test('Check shows grubblet-check\'s lines while the game plays on, and a watched level ' +
    'ends won with the keyboard back to the player', async () => {
    const shippedFile = path.join(scratch, 'shipped', 'boards.txt');
    fs.mkdirSync(path.dirname(shippedFile));
    fs.copyFileSync(path.join(__dirname, '../../boards.txt'), shippedFile);
    const report = checkerReport(shippedFile);
    const keys = report.match(/^level 2: clearable in \d+ key presses: (\d+)/m)[1];
    const expected = terminal(['x/', ']', '/', 'r', keys, '='])[0];
    assert.match(expected.rows[24], /I HAVE WON THE LEVEL/);
    await inBrowser(async (page) => {
      await load(page);
      await page.click('#check');
      await press(page, 'x'); // the game answers while the checker works
      assert.match((await screenOf(page)).rows[24], /^Tummy: 99 /);
      await page.waitForFunction(() => !document.getElementById('check').disabled);
      assert.equal(await page.textContent('#report-text'), report);

      await page.click('text=Watch level 2');
      await page.waitForFunction(() => window.grubblet.watching());
      await page.waitForFunction(() => !window.grubblet.watching() && window.grubblet.settled(),
        null, { timeout: 60000 });
      assertSameScreen(await screenOf(page), expected, 'the watched level, won');
      assert.match(await page.textContent('#status'), /keys are yours/);
      await press(page, 'x');
      assert.match((await screenOf(page)).rows[24], /^Tummy: /);
    });
  });

  test('bad links say what is wrong and leave the kept levels and the game as they were', async () => {
    const bytes = pack();
    const packed = zlib.deflateSync(bytes).toString('base64url');
    const bomb = zlib.deflateSync(Buffer.alloc(2 * 1024 * 1024, '.')).toString('base64url');
    const altered = packed.slice(0, 200) + (packed[200] === 'A' ? 'B' : 'A') + packed.slice(201);
    const bad = {
      ['levels=' + packed.slice(0, packed.length / 2)]: 'cut short or altered',
      ['levels=' + altered]: 'cut short or altered',
      'levels=a*b': 'cut short or altered',
      ['levels=' + bomb]: 'more than the 1 MiB',
      ['levels=' + 'A'.repeat(70000)]: 'characters long',
      'seed=4294967296': 'not a whole number from 0 to 4294967295',
      'seed=-1': 'not a whole number',
      'seed=5&difficulty=extreme': 'not easy, normal or hard',
      'levls=abc': 'names no levels',
    };
    await inBrowser(async (page) => {
      await opened(page, web.url() + '#seed=7&difficulty=easy', 'seed 7');
      await page.click('#keep');
      await page.waitForFunction(() => document.getElementById('playing').textContent.includes('kept'));
      const before = await kept(page);
      for (const [hash, says] of Object.entries(bad)) {
        await page.goto('about:blank');
        await page.goto(web.url() + '#' + hash);
        await page.waitForFunction(() => window.grubblet && window.grubblet.settled() &&
          document.getElementById('status').textContent.includes('not opened'));
        assert.match(await page.textContent('#status'), new RegExp(says.replace(/[()]/g, '\\$&')), hash.slice(0, 40));
        assert.equal(await kept(page), before, hash.slice(0, 40) + ': kept levels');
        assert.match(await playing(page), /your levels, kept in this browser/);
        assert.deepEqual(Buffer.from(await levelsOf(page)), bytes);
      }
      // A bad link after a good one: the game plays on.
      await opened(page, web.url() + '#levels=' + zlib.deflateSync(fs.readFileSync(
        path.join(__dirname, '../../boards.txt'))).toString('base64url'), 'from a link');
      await press(page, 'x');
      await page.evaluate(() => { location.hash = 'seed=x'; });
      await page.waitForFunction(() => document.getElementById('status').textContent.includes('not opened'));
      assert.match((await screenOf(page)).rows[24], /^Tummy: 99 /);
      assert.equal(await kept(page), before);
    });
  });
};

'use strict';
// The level checker and generator in the page: a Web Worker runs them
// (tools-worker.js, loaded the first time they are needed), so the game
// stays playable during a long check. The Check button shows the checker's
// report on the levels playing, with a button to watch each clearable
// level won by the checker's keys.
(() => {
  let worker = null;
  let asked = 0;
  const waiting = new Map();

  function ask(message) {
    if (worker === null) {
      worker = new Worker('tools-worker.js');
      worker.onmessage = (e) => {
        waiting.get(e.data.id).resolve(e.data);
        waiting.delete(e.data.id);
      };
      // A worker that could not start or broke answers nothing more: every
      // question fails, and the next one starts a new worker.
      worker.onerror = (e) => {
        worker.terminate();
        worker = null;
        for (const asking of waiting.values()) {
          asking.reject(new Error('the level tools stopped (' + (e.message || 'no reason given') + ')'));
        }
        waiting.clear();
      };
    }
    const id = ++asked;
    worker.postMessage(Object.assign({ id }, message));
    return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
  }

  window.grubbletTools = {
    // The bytes grubblet-gen writes for the seed and difficulty (0 easy,
    // 1 normal, 2 hard); none when it would write none.
    pack: async (seed, difficulty) => (await ask({ kind: 'pack', seed, difficulty })).bytes,
  };

  const checkButton = document.getElementById('check');
  const report = document.getElementById('report');
  const text = document.getElementById('report-text');
  const watches = document.getElementById('watches');

  checkButton.addEventListener('click', async () => {
    const page = window.grubbletPage;
    const bytes = page.levels();
    checkButton.disabled = true;
    report.hidden = false;
    text.textContent = 'Checking the levels playing… the game is yours meanwhile.';
    watches.replaceChildren();
    page.focus();
    let found;
    try {
      found = await ask({ kind: 'check', path: 'boards.txt', bytes });
    } catch (e) {
      text.textContent = 'No report: ' + e.message + '.';
      return;
    } finally {
      checkButton.disabled = false;
    }
    text.textContent = found.text;
    found.keys.forEach((keys, level) => {
      if (keys === '') {
        return;
      }
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = 'Watch level ' + (level + 1);
      button.addEventListener('click', () => {
        page.watch(level, keys, () => page.say('The keys are yours again.'));
        page.say('Watching level ' + (level + 1) + ' won in ' + keys.length +
          ' keys; any key stops it.');
        page.focus();
      });
      watches.append(button);
    });
  });
})();

'use strict';
// The page's buttons for level files: download the boards.txt being played,
// open one from the computer, keep the levels playing, or go back to the
// shipped levels. Opening, keeping and going back change the levels the
// browser keeps; nothing else does, save the editor's own save.
(() => {
  const page = window.grubbletPage;
  const forgetLink = () => history.replaceState(null, '', location.pathname + location.search);

  document.getElementById('download').addEventListener('click', () => {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([page.levels()], { type: 'text/plain' }));
    link.download = 'boards.txt';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    page.focus();
  });

  const picker = document.getElementById('file');
  document.getElementById('open').addEventListener('click', () => picker.click());
  picker.addEventListener('change', async () => {
    const file = picker.files[0];
    picker.value = '';
    if (!file) {
      return;
    }
    // A boards.txt is 17,505 bytes; a file far larger than that would not fit
    // in the game's memory beside it.
    if (file.size > page.MAX_BYTES) {
      page.say('Not opened: ' + file.name + ' has ' + file.size + ' bytes, more than the 1 MiB (' +
        page.MAX_BYTES + ' bytes) the page opens; a boards.txt has 17505. ' +
        'The game and the levels saved in this browser are as they were.');
      page.focus();
      return;
    }
    const bytes = new Uint8Array(await file.arrayBuffer());
    const kept = page.kept();
    if (kept !== null && !page.sameBytes(kept, bytes) &&
      !confirm('Open ' + file.name + '? The levels saved in this browser are replaced by it.')) {
      page.focus();
      return;
    }
    page.keep(bytes);
    forgetLink();
    const game = await page.start(bytes);
    // What the game's reader makes of an odd file, as the level checker says.
    const warnings = game.UTF8ToString(game._boards_file_warnings());
    page.say('Opened ' + file.name + ' (' + bytes.length + ' bytes): the game starts again on it.' +
      (warnings ? '\n\n' + warnings : ''));
    page.focus();
  });

  document.getElementById('reset').addEventListener('click', () => {
    if (confirm('Go back to the shipped levels? The levels saved in this browser are lost.')) {
      page.forget();
      page.say('Back to the shipped levels.');
      forgetLink();
      page.start();
    }
    page.focus();
  });

  document.getElementById('keep').addEventListener('click', () => {
    const playing = page.known();
    const kept = page.kept();
    if (kept === null || page.sameBytes(kept, playing) ||
      confirm('Keep the levels playing? The levels saved in this browser are replaced by them.')) {
      if (page.keep(playing)) {
        page.say('The levels playing are kept in this browser.');
      }
    }
    page.focus();
  });
})();

'use strict';
// The page's worker: runs the level checker and the level generator,
// compiled from the tools' own sources, away from the game, and answers
// each request with what the command-line tool would give.
importScripts('grubblet-tools.js');

const tools = createTools();

function bytesOf(module, pointer, length) {
  return module.HEAPU8.slice(pointer, pointer + length);
}

onmessage = async (e) => {
  const module = await tools;
  const ask = e.data;
  if (ask.kind === 'pack') {
    const at = module._make_pack_file(ask.seed >>> 0, ask.difficulty);
    postMessage({ id: ask.id, bytes: bytesOf(module, at, module._made_length()) });
  } else if (ask.kind === 'check') {
    const content = module._malloc(ask.bytes.length + 1);
    // The name whole, however long, as the command would print it.
    const pathBytes = module.lengthBytesUTF8(ask.path) + 1;
    const path = module._malloc(pathBytes);
    module.HEAPU8.set(ask.bytes, content);
    module.stringToUTF8(ask.path, path, pathBytes);
    const text = module.UTF8ToString(module._check_file(path, content, ask.bytes.length));
    module._free(content);
    module._free(path);
    const keys = [];
    for (let level = 0; level < 9; level++) {
      keys.push(module.UTF8ToString(module._winning_keys(level)));
    }
    postMessage({ id: ask.id, text, keys });
  }
};

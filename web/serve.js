'use strict';
// A static file server for the built page: node serve.js DIR [PORT]. Serves
// DIR on 127.0.0.1, on PORT (8080 unless given) or, where that is taken, on
// a free port; prints the address once it listens.
const http = require('http');
const fs = require('fs');
const path = require('path');

const root = path.resolve(process.argv[2] || '.');
const wanted = Number(process.argv[3] || 8080);
const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.txt': 'text/plain; charset=utf-8',
};

// A request the server cannot make sense of gets 400; a file it cannot
// read, 404; whatever else goes wrong with one request, 500, and the server
// goes on serving the others.
async function serve(req, res) {
  let name;
  try {
    name = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
  } catch (e) {
    res.writeHead(400).end();
    return;
  }
  if (name.includes('\0')) {
    res.writeHead(400).end();
    return;
  }
  if (name.endsWith('/')) {
    name += 'index.html';
  }
  const file = path.join(root, path.normalize(name));
  if (!file.startsWith(root + path.sep)) {
    res.writeHead(403).end();
    return;
  }
  let data;
  try {
    data = await fs.promises.readFile(file);
  } catch (e) {
    res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    return;
  }
  res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
  res.end(data);
}

const server = http.createServer((req, res) => {
  serve(req, res).catch((err) => {
    console.error(req.url + ': ' + err.message);
    if (res.headersSent) {
      res.destroy();
    } else {
      res.writeHead(500).end();
    }
  });
});

server.on('error', (err) => {
  if (err.code === 'EADDRINUSE' && server.port !== 0) {
    server.port = 0;
    server.listen(0, '127.0.0.1');
    return;
  }
  throw err;
});
server.on('listening', () => {
  console.log('Grubblet Plonko is served on http://127.0.0.1:' + server.address().port + '/');
});
server.port = wanted;
server.listen(wanted, '127.0.0.1');

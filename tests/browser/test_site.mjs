// A throw-away zebsrch site for the browser test: a few HTML documents in
// two local indexes and a third spread over two xapian-tcpsrv shard servers,
// an instance made with zebadm, and a real web server (lighttpd, Apache or
// nginx) with the real CGI (or its FastCGI processes) on a free loopback
// port, started through deploy/serve. Every server listens on 127.0.0.1 and
// is stopped with the site.

import { spawn, spawnSync } from 'node:child_process';
import { chmodSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, readlinkSync, realpathSync, rmSync, utimesSync, writeFileSync } from 'node:fs';
import { connect, createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';

export const kInstanceName = 'BROWSER';
export const kShardServer = '/usr/bin/xapian-tcpsrv';

// Paths below each index's document folder. The first folder of a path is
// the document's scope value; the keywords are its topics. "colour" occurs
// in several documents and "coluor" in one, so the spelling file lists
// "coluor" as a misspelling of "colour".
export const kDocuments = {
  ALPHA: {
    'guide/colours.html': {
      title: 'Choosing colours',
      keywords: 'design',
      body: 'Pick a colour that suits the page. A calm colour keeps long pages readable.',
    },
    'guide/tables.html': {
      title: 'Building tables',
      keywords: 'layout',
      body: 'Tables hold rows and columns. Give the header row its own colour.',
    },
    'reference/typos.html': {
      title: 'Notes with a typo',
      keywords: 'notes',
      body: 'Somebody wrote coluor here, and the word stayed.',
    },
    'reference/markup.html': {
      title: 'Markup in documents',
      keywords: 'markup',
      body: 'Angle brackets such as <b> are part of HTML. The colour of links is blue.',
    },
  },
  BETA: {
    'faq/tables.html': {
      title: 'Questions about tables',
      keywords: 'faq',
      body: 'How many tables can a page hold? As many as the colour scheme allows.',
    },
    'faq/animals.html': {
      title: 'Striped animals',
      keywords: 'faq',
      body: 'The zebra and the okapi carry stripes; the giraffe carries patches.',
    },
  },
};

// The index on shard servers, for rows with excerpts, sections and dates:
// one long page whose words stand together only in a section far down (its
// heading has an anchor), and enough short notes on "grassland" for two
// pages of ten rows.
export const kShardedIndex = 'GAMMA';
export const kShardCount = 2;
// Every file of it carries this stamp, which the rows show as their date.
export const kShardedDate = '2024-02-29';
const kFiller = 'Plains stretch to the hills and the seasons turn slowly there. ';
export const kSection = { path: 'herds/crossing.html', anchor: 'river-crossing', heading: 'Crossing the river' };
const kNoteCount = 13;
function shardedDocuments() {
  const filler = `<p>${kFiller.repeat(12)}</p>\n`.repeat(8);
  const documents = {
    [kSection.path]: {
      title: 'Herds on the move',
      html: `<h1>Herds on the move</h1>\n${filler}<h2>Where they rest</h2>\n${filler}` +
        `<h2 id="${kSection.anchor}">${kSection.heading}</h2>\n<p>Every year the zebra herds ` +
        `cross the river on their migration north, and the crocodiles wait.</p>\n${filler}`,
    },
  };
  for (let n = 1; n <= kNoteCount; n++) {
    const name = `note${String(n).padStart(2, '0')}`;
    documents[`notes/${name}.html`] = {
      title: `Grassland note ${n}`,
      html: `<h1>Grassland note ${n}</h1><p>${kFiller} Note ${n} on the grassland and its ` +
        `${'grass '.repeat(n)}after the rains.</p>`,
    };
  }
  return documents;
}
export const kShardedDocuments = shardedDocuments();

function escapeHtml(text) {
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
}

function writeDocuments(root) {
  for (const [index, documents] of Object.entries(kDocuments)) {
    for (const [path, doc] of Object.entries(documents)) {
      const file = join(root, index, path);
      mkdirSync(dirname(file), { recursive: true });
      writeFileSync(file, `<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>${escapeHtml(doc.title)}</title>
<meta name="keywords" content="${escapeHtml(doc.keywords)}"></head>
<body><h1>${escapeHtml(doc.title)}</h1><p>${escapeHtml(doc.body)}</p></body></html>
`);
    }
  }
  const stamp = new Date(`${kShardedDate}T12:00:00Z`);
  for (const [path, doc] of Object.entries(kShardedDocuments)) {
    const file = join(root, kShardedIndex, path);
    mkdirSync(dirname(file), { recursive: true });
    writeFileSync(file, `<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>${escapeHtml(doc.title)}</title></head>
<body>${doc.html}</body></html>
`);
    utimesSync(file, stamp, stamp);
  }
}

export function freePort() {
  return new Promise((resolve, reject) => {
    const server = createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

function zebadm(bin, instance, args) {
  const run = spawnSync(join(bin, 'zebadm'), args, {
    env: { ...process.env, ZEBINSTSRV: instance, ZEBINST: kInstanceName },
    encoding: 'utf8',
  });
  if (run.status !== 0) {
    throw new Error(`zebadm ${args.join(' ')} failed (${run.status ?? run.signal}):\n${run.stdout}${run.stderr}`);
  }
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function accepts(port) {
  return new Promise((resolve) => {
    const socket = connect({ host: '127.0.0.1', port });
    socket.once('connect', () => { socket.destroy(); resolve(true); });
    socket.once('error', () => resolve(false));
  });
}

// One writable xapian-tcpsrv, in a process group of its own: the server
// forks a child per connection, and stopping the group stops those too.
class ShardServer {
  constructor(dir) { this.dir = dir; }

  async start() {
    mkdirSync(this.dir, { recursive: true });
    for (let attempt = 0; attempt < 3; attempt++) {
      this.port = await freePort();
      this.process = spawn('setpriv', ['--pdeathsig', 'KILL', '--', kShardServer, '--quiet',
        '--writable', '--interface', '127.0.0.1', '--port', String(this.port), this.dir],
      { detached: true, stdio: 'ignore' });
      this.exited = new Promise((resolve) => this.process.once('exit', resolve));
      for (let wait = 0; wait < 200 && this.process.exitCode === null; wait++) {
        if (await accepts(this.port)) return;
        await sleep(25);
      }
      await this.stop();  // the port was taken meanwhile, or it did not start
    }
    throw new Error(`no shard server on 127.0.0.1 for ${this.dir}`);
  }

  get address() { return `127.0.0.1:${this.port}`; }

  async stop() {
    if (!this.process) return;
    try {
      process.kill(-this.process.pid, 'SIGKILL');
    } catch {
      // already gone
    }
    await this.exited;
    this.process = null;
  }

  stopNow() {
    try {
      if (this.process) process.kill(-this.process.pid, 'SIGKILL');
    } catch {
      // already gone
    }
  }
}

export class TestSite {
  // bin: the folder of zebsrch and zebadm; deployDir: the repository's
  // deploy/; server: lighttpd, apache or nginx; fastcgi: serve zebsrch as
  // FastCGI processes.
  constructor({ bin, deployDir, server = 'lighttpd', fastcgi = false }) {
    this.bin = bin;
    this.deployDir = deployDir;
    this.serverName = server;
    this.fastcgi = fastcgi;
    this.root = mkdtempSync(join(tmpdir(), 'zebsrch-browser-'));
    // Run as root, Apache's processes are www-data, who must read the site.
    chmodSync(this.root, 0o755);
    this.server = null;
    this.shards = [];
  }

  get address() { return `http://127.0.0.1:${this.port}`; }

  async start() {
    this.port = await freePort();
    const docs = join(this.root, 'docs');
    writeDocuments(docs);
    // The path holds "instance", so the look-up table lives in it directly.
    const instance = join(this.root, 'instance');
    zebadm(this.bin, instance, ['init', kInstanceName]);
    for (const index of Object.keys(kDocuments)) {
      zebadm(this.bin, instance, ['create', index, join(docs, index),
        '--location', `${this.address}/docs/${index}/`]);
    }
    for (let i = 0; i < kShardCount; i++) {
      this.shards.push(new ShardServer(join(this.root, 'shards', String(i))));
      await this.shards[i].start();
    }
    zebadm(this.bin, instance, ['create', kShardedIndex, join(docs, kShardedIndex),
      '--location', `${this.address}/docs/${kShardedIndex}/`,
      ...this.shards.flatMap((shard) => ['--shard', shard.address])]);

    const args = ['--server', this.serverName, '--instance', instance, '--name', kInstanceName,
      '--port', String(this.port), '--cgi', join(this.bin, 'zebsrch'), '--run', join(this.root, 'run')];
    for (const index of [...Object.keys(kDocuments), kShardedIndex]) {
      args.push('--index', index, join(docs, index), `${index[0]}${index.slice(1).toLowerCase()} documents`);
    }
    if (this.fastcgi) args.push('--fastcgi');
    // lighttpd gets SIGTERM should this process die without cleaning up.
    this.server = spawn('setpriv', ['--pdeathsig', 'TERM', '--', join(this.deployDir, 'serve'), ...args],
      { stdio: ['ignore', 'inherit', 'inherit'] });
    this.exited = new Promise((resolve) => this.server.once('exit', resolve));

    let stopped = false;
    this.exited.then(() => { stopped = true; });
    for (let attempt = 0; attempt < 200; attempt++) {
      if (stopped) throw new Error(`${this.serverName} stopped at start:\n${this.errorLog()}`);
      try {
        const answer = await fetch(`${this.address}/`);
        if (answer.ok) return;
      } catch {
        // not listening yet
      }
      await sleep(50);
    }
    throw new Error(`${this.serverName} did not answer on ${this.address}:\n${this.errorLog()}`);
  }

  // Kills the zebsrch processes that the web server started (FastCGI mode),
  // as a crash would end them; returns how many there were.
  killSearchProcesses() {
    const program = realpathSync(join(this.bin, 'zebsrch'));
    const parents = new Map();
    for (const entry of readdirSync('/proc')) {
      if (!/^[0-9]+$/.test(entry)) continue;
      try {
        const stat = readFileSync(`/proc/${entry}/stat`, 'utf8');
        parents.set(Number(entry), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
      } catch {
        // gone meanwhile
      }
    }
    // Apache and zebsrch-pool start them a generation or two below deploy/serve.
    const belowServer = (pid) => {
      for (let p = parents.get(pid); p > 1; p = parents.get(p)) if (p === this.server.pid) return true;
      return false;
    };
    let killed = 0;
    for (const pid of parents.keys()) {
      try {
        if (!belowServer(pid) || readlinkSync(`/proc/${pid}/exe`) !== program) continue;
        process.kill(pid, 'SIGKILL');
        killed += 1;
      } catch {
        // gone meanwhile
      }
    }
    return killed;
  }

  errorLog() {
    try {
      return readFileSync(join(this.root, 'run', 'error.log'), 'utf8');
    } catch {
      return '(no error log)';
    }
  }

  // Stops the web server (deploy/serve, or what it became) and the shard
  // servers, and removes every file.
  async stop() {
    if (this.server && this.server.exitCode === null && this.server.signalCode === null) {
      this.server.kill('SIGTERM');
      await this.exited;
    }
    this.server = null;
    for (const shard of this.shards) await shard.stop();
    rmSync(this.root, { recursive: true, force: true });
  }

  // For a signal handler: no waiting possible.
  stopNow() {
    if (this.server && this.server.exitCode === null) this.server.kill('SIGTERM');
    for (const shard of this.shards) shard.stopNow();
    rmSync(this.root, { recursive: true, force: true });
  }
}

// The instance for the injection test, made with zebadm: documents whose
// titles, file and directory names, keywords, body text, headings and
// anchors are hostile (index HOST1), the same index under hostile document
// locations (HOST2 ...), and SAFE, the twin of it all, for the pages as they
// must be built. Every index gets a spelling file whose words and
// misspellings are hostile too.

import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';

import { kPayloads, keptText, twinText } from './payloads.mjs';
import { spellingFile } from './spelling_file.mjs';

export const kInstanceName = 'INJ';
export const kSafeIndex = 'SAFE';
// Every document holds this word, so a search for it lists them all.
export const kCommonWord = 'zebhit';

// Paths below the tree (the first directory is the scope value), titles as
// written in the HTML source, keywords as text. `id`: the marker that the
// result row must show.
export const kDocuments = [
  { id: 'zbt1', path: '<zbd1 zbattr=1>/"><zbf1 onerror=alert(1)>.html',
    title: '&lt;zbt1 zbattr=1&gt;&quot;&gt;&lt;zbt1b onerror=alert(1)&gt;',
    keywords: ['<zbk1 onerror=alert(1)>', '" zbattr="1'] },
  { id: 'zbt2', path: 'javascript:alert(2).html', title: 'javascript:alert(2)//zbt2',
    keywords: ['javascript:alert(2)'] },
  { id: 'zbt3', path: '\tJaVaScRiPt:alert(3)zbf3.htm', title: '&#9;&#1; JaVaScRiPt:alert(3) zbt3' },
  { id: 'zbt4', path: 'data:text,<zbf4>.html', title: 'data:text/html,&lt;zbt4&gt;' },
  { id: 'zbt5', path: "vbscript:zbf5 ' zbattr5='1.html", title: "' zbattr5='1 vbscript:x zbt5" },
  { id: 'zbt6', path: '\xff\xfe<zbf6>\xc0\xbc.html', title: '\xff\xfe&lt;zbt6&gt;\xc0\xbc\xc0\xbe' },
  // zebadm skips paths with ";" (the separator of path and title); a title may hold it.
  { id: 'zbt7', path: 'semi<zbf7 zbattr=1>.html', title: 'zbt7;&lt;zbt7b&gt;;' },
  { id: 'zbent8', path: 'double.html', title: '&amp;lt;zbent8&amp;gt; &amp;quot; &#0;&#x9;zbt8' },
  { id: 'zbt9', path: 'plain<zbf9>.txt',
    text: '\t<zbt9 onerror=alert(9)> "q" \'s\' \xff\xfe\n' },
  { id: 'zbt10', path: 'end"tag.html', title: '&lt;/b&gt;&lt;/A&gt;&lt;/table&gt;&lt;zbt10&gt;' },
  // Long enough that the link is cut.
  { id: 'zbt11', path: `${'"'.repeat(100)}<zbf11 onerror=1>.html`, title: 'zbt11' },
];

const kHtmlDocuments = kDocuments.filter((doc) => doc.text === undefined);

// Document locations of HOST2, HOST3 ... (HOST1 has an ordinary one), each
// with the part of it that its links must show.
const kHostileLocations = [
  ['http://127.0.0.1/"><zbl2 onerror=alert(2)>/', 'zbl2'],
  ['javascript:alert(3)//', 'javascript:alert(3)'],
  [' \x01\x1fJaVaScRiPt:alert(4)//', 'javascript:alert(4)'],
  ['\tjavascript:alert(5)//', 'javascript:alert(5)'],
  ['data:text/html,<zbl6>/', 'zbl6'],
  ['vbscript:msgbox(7)/', 'vbscript:msgbox(7)'],
  ['https:"zbattr8=1 <zbl8>/', 'zbl8'],
  ['http:javascript:alert(9)//', 'javascript:alert(9)'],
  ['\xff\xfe<zbl10>\xc0\xbc/', 'zbl10'],
  ['&lt;zbent11&gt;/', 'zbent11'],
  ["http://127.0.0.1/' zbattr12='1/", 'zbattr12'],
];
export const kLocationMarks = kHostileLocations.map(([, mark]) => mark);
export const kHostIndexes = ['HOST1', ...kHostileLocations.map((_, i) => `HOST${i + 2}`)];

const escapeHtml = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;')
  .replace(/>/g, '&gt;').replace(/"/g, '&quot;');

// The text that a title's HTML source stands for (the references used here).
function decodeReferences(source) {
  const named = { lt: '<', gt: '>', quot: '"', amp: '&' };
  return source.replace(/&(lt|gt|quot|amp);|&#(x?)([0-9a-f]+);/gi, (_, name, hex, digits) =>
    (name ? named[name] : String.fromCharCode(parseInt(digits, hex ? 16 : 10))));
}

// HTML source for a text: what a twin holds needs no escaping but its
// control characters (NUL among them) as references.
const twinSource = (text) => text.replace(/[\x00-\x08\x0b-\x1f]/g, (ch) => `&#${ch.charCodeAt(0)};`);

// HTML source for a text of the body, a heading or an anchor: the hostile
// text escaped, so that the extracted text holds its markup characters.
const textSource = (text, twin) => twinSource(twin ? twinText(text) : escapeHtml(text));

// The section that rows with excerpts show for the i-th of the n HTML
// documents: the payloads i, i + n, ... make its heading, its anchor (an id
// on the heading, or an <a name> just before it) and the text around the
// one common word, so that the excerpts, the section headings and the
// links' fragments carry every payload.
function hostileSection(i, n, twin) {
  const texts = kPayloads.filter((_, p) => p % n === i).map((payload) => payload.text);
  const heading = textSource(texts.join(' '), twin);
  const anchor = textSource([...texts].reverse().join(''), twin);
  const start = i % 2 === 0 ? `<h2 id="${anchor}">` : `<a name="${anchor}"></a><h2>`;
  return `<h1>Start</h1><p>before</p>\n${start}${heading}</h2>\n` +
    `<p>${textSource(texts[0], twin)} ${kCommonWord} ${textSource(texts.slice(1).join(' '), twin)}</p>`;
}

// A twin document holds the twins of the hostile one's texts (not of its
// source), so that both have the same words and the same title shape.
function documentBytes(doc, twin) {
  if (doc.text !== undefined) {
    return Buffer.from(`${twin ? twinText(doc.text) : doc.text}${kCommonWord}\n`, 'latin1');
  }
  const title = twin ? twinSource(twinText(decodeReferences(doc.title))) : doc.title;
  const keywords = (doc.keywords ?? []).map((k) => escapeHtml(twin ? twinText(k) : k));
  return Buffer.from(`<html><head><title>${title}</title>
<meta name="keywords" content="${keywords.join(', ')}"></head>
<body>${hostileSection(kHtmlDocuments.indexOf(doc), kHtmlDocuments.length, twin)}</body></html>
`, 'latin1');
}

// File names are bytes: Buffer paths, since a string path would be UTF-8.
function writeTree(root, twin) {
  for (const doc of kDocuments) {
    const file = join(root, twin ? twinText(doc.path) : doc.path);
    mkdirSync(Buffer.from(dirname(file), 'latin1'), { recursive: true });
    writeFileSync(Buffer.from(file, 'latin1'), documentBytes(doc, twin));
  }
}

// The misspellings the spelling files give for every word, each with the
// part of it that the spelling tables must show.
const kVariants = [
  ['"><zbv1 onerror=alert(1)>', 'zbv1'], ['javascript:alert(2)', 'javascript:alert(2)'],
  ["' zbv3='1", 'zbv3'], ['</td></table><zbv4>', 'zbv4'], ['&lt;zbent5&gt;', 'zbent5'],
  ['\x01 JaVaScRiPt:zbv6', 'zbv6'], ['\xff\xfe<zbv7>\xc0\xbc', 'zbv7'],
];
export const kVariantMarks = kVariants.map(([, mark]) => mark);

// Keys: every blank-separated word of every payload, as posted and as the
// new-search scanner leaves it (quotation marks blanked), and their twins.
function spellingGroups() {
  const variants = kVariants.map(([variant]) => variant);
  const groups = new Map();
  for (const { text } of kPayloads) {
    const kept = keptText(text);
    for (const words of [kept, kept.replace(/"/g, ' ')]) {
      for (const word of words.split(' ').filter((w) => w !== '')) {
        for (const twin of [(t) => t, twinText]) {
          if (!groups.has(twin(word))) groups.set(twin(word), variants.map((v) => twin(v)));
        }
      }
    }
  }
  return groups;
}

// Node passes arguments as UTF-8; `lastArgument` goes through a file and
// the shell instead, byte for byte.
function zebadm(bin, instance, args, lastArgument = null) {
  const zebadmPath = join(bin, 'zebadm');
  const argumentFile = join(dirname(instance), 'argument');
  let command = [zebadmPath, args];
  if (lastArgument !== null) {
    writeFileSync(argumentFile, Buffer.from(lastArgument, 'latin1'));
    command = ['sh', ['-c', 'exec "$0" "$@" "$(cat "$ZEB_ARGUMENT")"', zebadmPath, ...args]];
  }
  const run = spawnSync(...command, {
    env: { ...process.env, ZEBINSTSRV: instance, ZEBINST: kInstanceName, ZEB_ARGUMENT: argumentFile },
    encoding: 'latin1',
  });
  if (run.status !== 0) {
    const how = run.status ?? run.signal;
    throw new Error(`zebadm ${args.join(' ')} failed (${how}):\n${run.stdout}${run.stderr}`);
  }
}

export class HostileSite {
  constructor(bin) {
    this.bin = bin;
    this.root = mkdtempSync(join(tmpdir(), 'zebsrch-injection-'));
    // The path holds "instance", so the look-up table lives in it directly.
    this.instance = join(this.root, 'instance');
  }

  build() {
    const hostile = join(this.root, 'hostile');
    const safe = join(this.root, 'safe');
    writeTree(hostile, false);
    writeTree(safe, true);
    zebadm(this.bin, this.instance, ['init', kInstanceName]);
    const create = (index, tree, location) =>
      zebadm(this.bin, this.instance, ['create', index, tree, '--location', location]);
    create(kSafeIndex, safe, 'http://127.0.0.1/safe/');
    kHostIndexes.forEach((index, i) => {
      create(index, hostile, 'http://127.0.0.1/host/');
      if (i > 0) zebadm(this.bin, this.instance, ['map', 'set', index], kHostileLocations[i - 1][0]);
    });
    const spelling = spellingFile(spellingGroups());
    for (const index of [kSafeIndex, ...kHostIndexes]) {
      const data = join(this.instance, 'data', index);
      if (!existsSync(data)) throw new Error(`no data directory ${data}`);
      writeFileSync(join(data, 'ZEBCSREF.DAT'), spelling);
    }
  }

  remove() {
    rmSync(this.root, { recursive: true, force: true });
  }
}

// Markup, quotes, script URLs, NUL and invalid UTF-8 posted through every
// form field of zebsrch, and put into indexed titles, document paths,
// keywords, body text, headings, anchors, document locations and spelling
// files: every page the CGI makes of them is parsed by Chromium's HTML
// parser, and none may hold an element, attribute or URL scheme that the
// hostile text created, nor differ in shape from the page of the same
// request with harmless twins of the texts.
//
//   node injection_test.mjs --bin BUILD/bin
//
// Exits 77 (skipped) when Chromium or the npm packages of tests/browser are
// not installed.

import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

import { runRequests } from './cgi_runner.mjs';
import { HostileSite, kDocuments, kInstanceName, kLocationMarks, kVariantMarks } from './hostile_site.mjs';
import { injectionFindings, parsePagesInBrowser, shapeDifferences, shownText } from './page_checks.mjs';
import { keptText, kPayloads } from './payloads.mjs';
import { allRequests, describeRequest, kShownFields } from './requests.mjs';

const kSkipped = 77;
const kChromium = '/usr/bin/chromium';
const here = dirname(fileURLToPath(import.meta.url));
const browserPackages = join(here, '..', 'browser');
const { values: options } = parseArgs({ options: { bin: { type: 'string' } } });
const bin = resolve(options.bin ?? join(here, '..', '..', 'build', 'bin'));

const missing = [
  [kChromium, 'Chromium'],
  [join(browserPackages, 'node_modules', 'playwright-core'), 'the npm packages (npm ci in tests/browser)'],
  [join(bin, 'zebadm'), 'zebadm'],
].filter(([path]) => !existsSync(path));
if (missing.length) {
  console.log(`skipped: not installed: ${missing.map(([, what]) => what).join(', ')}`);
  process.exit(kSkipped);
}
const { chromium } = createRequire(join(browserPackages, 'package.json'))('playwright-core');

const site = new HostileSite(bin);
let profile = null;
const requests = allRequests();
let answers = [];  // per request: { hostile, twin }, each a CGI answer with its readings

for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
  process.once(signal, () => {
    site.remove();
    if (profile) rmSync(profile, { recursive: true, force: true });
    process.exit(1);
  });
}

// Parses every page in one browser page, in batches.
async function parseAll(pages) {
  profile = mkdtempSync(join(tmpdir(), 'zebsrch-chromium-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: kChromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = browser.pages()[0] ?? await browser.newPage();
    const readings = [];
    for (let at = 0; at < pages.length; at += 200) {
      // One JSON text each way: far quicker than the driver's own passing of values.
      const batch = JSON.stringify(pages.slice(at, at + 200).map((bytes) => bytes.toString('base64')));
      readings.push(...JSON.parse(await page.evaluate(`JSON.stringify((${parsePagesInBrowser})(${batch}))`)));
    }
    return readings;
  } finally {
    await browser.close();
  }
}

before(async () => {
  site.build();
  const runs = await runRequests(bin, site.instance, kInstanceName,
    requests.flatMap((r) => [r.hostile, r.twin]));
  const readings = await parseAll(runs.map((run) => run.page));
  answers = requests.map((_, i) => ({
    hostile: { ...runs[2 * i], readings: readings[2 * i] },
    twin: { ...runs[2 * i + 1], readings: readings[2 * i + 1] },
  }));
});

after(() => {
  site.remove();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

// Fails with the first problems found, each with its request.
function assertNone(problems) {
  const shown = problems.slice(0, 40).join('\n');
  assert.equal(problems.length, 0, `${problems.length} problems:\n${shown}`);
}

describe('hostile texts in the pages of zebsrch', () => {
  it('every request gets a whole page', () => {
    const problems = [];
    answers.forEach((answer, i) => {
      for (const run of [answer.hostile, answer.twin]) {
        const page = run.page.toString('latin1');
        if (run.status !== 0 || run.stderr !== '' || !page.endsWith('</BODY></HTML>\n')) {
          problems.push(`${describeRequest(requests[i])}: status ${run.status ?? run.signal}` +
            ` ${run.stderr.slice(0, 2000)} ... ${page.slice(-200)}`);
        }
      }
    });
    assertNone(problems);
  });

  it('no page holds an element, attribute or script URL made of the texts', () => {
    const problems = [];
    answers.forEach((answer, i) => {
      for (const reading of answer.hostile.readings) {
        for (const finding of injectionFindings(reading)) {
          problems.push(`${describeRequest(requests[i])}: ${finding}`);
        }
      }
    });
    assertNone(problems);
  });

  it('every page is built like the page of the harmless twin of its request', () => {
    const problems = [];
    answers.forEach((answer, i) => {
      answer.hostile.readings.forEach((reading, r) => {
        const differences = shapeDifferences(reading, answer.twin.readings[r]);
        if (differences.length) {
          problems.push(`${describeRequest(requests[i])}: ${differences.join(', ')}`);
        }
      });
    });
    assertNone(problems);
  });

  it('the texts reach the page wherever it shows them', () => {
    const shownBy = (select) => answers.filter((_, i) => select(requests[i]))
      .map((answer) => shownText(answer.hostile.readings[0])).join('\n');
    const problems = [];
    for (const [field, width] of kShownFields) {
      kPayloads.forEach((payload, p) => {
        if (payload.id === null || keptText(payload.text).indexOf(payload.id) + payload.id.length > width) return;
        const shown = shownBy((r) => r.fields?.[0] === field && r.payload === p);
        // An unclosed quotation mark of a new-search text ends the page early.
        if (!shown.includes(payload.id) && !shown.includes('an invalid search form has been specified')) {
          problems.push(`${field}: payload ${p} is not shown`);
        }
      });
    }
    const listings = shownBy((r) => r.index !== undefined);
    for (const mark of [...kDocuments.map((d) => d.id), ...kLocationMarks]) {
      if (!listings.includes(mark)) problems.push(`${mark} is not shown in the result lists`);
    }
    const spelling = shownBy((r) => r.fields?.[0] === 'query_word0');
    for (const mark of kVariantMarks) {
      if (!spelling.includes(mark)) problems.push(`${mark} is not shown in the spelling tables`);
    }
    if (!shownBy((r) => r.scriptName).includes('zbs1')) problems.push('SCRIPT_NAME is not shown');
    // Rows with excerpts show every payload of the documents' sections in
    // an excerpt, in a section heading and in a link's fragment.
    const withExcerpts = answers.filter((_, i) => requests[i].index && requests[i].base === 'new search with excerpts')
      .map((answer) => answer.hostile.readings[0]);
    const excerpts = withExcerpts.flatMap((reading) => reading.excerpts).join('\n').toLowerCase();
    const headings = withExcerpts.flatMap((reading) => reading.sections).join('\n').toLowerCase();
    const fragments = withExcerpts.flatMap((reading) => reading.elements)
      .flatMap(([tag, attributes]) => (tag === 'a' ? attributes : []))
      .filter(([name, value]) => name === 'href' && value.includes('#'))
      .map(([, value]) => value.slice(value.indexOf('#'))).join('\n').toLowerCase();
    kPayloads.forEach((payload, p) => {
      if (payload.id === null) return;
      for (const [where, shown] of [['excerpt', excerpts], ['section heading', headings], ['link fragment', fragments]]) {
        if (!shown.includes(payload.id)) problems.push(`payload ${p} is not shown in a ${where}`);
      }
      // The new-search form carries the scope values and topics on.
      if (!shownBy((r) => r.base === 'new search with excerpts' && r.payload === p).includes(payload.id)) {
        problems.push(`payload ${p} is not carried by the new-search form`);
      }
    });
    // A hostile keyword is a topic, and a hostile first directory a scope
    // value, that finds its one document.
    answers.forEach((answer, i) => {
      const found = answer.hostile.readings[0].text.includes('1 top document(s) returned');
      if ((requests[i].topic || requests[i].scope) && !found) {
        problems.push(`${describeRequest(requests[i])}: does not find its document`);
      }
    });
    // Hostile template names name no template.
    answers.forEach((answer, i) => {
      const template = requests[i].fields?.[0];
      if (template !== 'header' && template !== 'footer') return;
      if (!answer.hostile.readings[0].text.includes(`Search form ${template} not found`)) {
        problems.push(`${describeRequest(requests[i])}: the ${template} is not reported missing`);
      }
    });
    assertNone(problems);
  });
});

// The search form in a real browser: headless Chromium posts the form page
// through a web server (lighttpd unless --server names apache or nginx) to
// the real CGI over a test instance that zebadm built, and the test reads the
// result pages as a person would see them. With --fastcgi, the web server
// runs zebsrch as FastCGI processes instead, and the same pages must come
// back.
//
//   node search_page_test.mjs --bin BUILD/bin --screenshot FILE.png [--server NAME] [--fastcgi]
//
// Exits 77 (skipped) when Chromium or the npm packages are not installed.

import { existsSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const kSkipped = 77;
const kChromium = '/usr/bin/chromium';
const here = dirname(fileURLToPath(import.meta.url));
const { values: options } = parseArgs({
  options: {
    bin: { type: 'string' }, screenshot: { type: 'string' }, server: { type: 'string' },
    fastcgi: { type: 'boolean' },
  },
});
const bin = resolve(options.bin ?? join(here, '..', '..', 'build', 'bin'));
const screenshot = resolve(options.screenshot ?? join(here, '..', '..', 'build', 'browser-result.png'));

const missing = [
  [kChromium, 'Chromium'],
  [join(here, 'node_modules', 'playwright-core'), 'the npm packages (npm ci in tests/browser)'],
  [join(bin, 'zebadm'), 'zebadm'],
].filter(([path]) => !existsSync(path));
if (missing.length) {
  console.log(`skipped: not installed: ${missing.map(([, what]) => what).join(', ')}`);
  process.exit(kSkipped);
}

const { chromium } = await import('playwright-core');
const { TestSite, kDocuments } = await import('./test_site.mjs');

const fastcgi = options.fastcgi ?? false;
const server = options.server ?? 'lighttpd';
const site = new TestSite({ bin, deployDir: join(here, '..', '..', 'deploy'), server, fastcgi });
let profile = null;
let browser = null;
let page = null;

for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
  process.once(signal, () => {
    site.stopNow();
    if (profile) rmSync(profile, { recursive: true, force: true });
    process.exit(1);
  });
}

before(async () => {
  await site.start();
  profile = mkdtempSync(join(tmpdir(), 'zebsrch-chromium-'));
  browser = await chromium.launchPersistentContext(profile, {
    executablePath: kChromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
    viewport: { width: 1000, height: 800 },
  });
  page = browser.pages()[0] ?? await browser.newPage();
});

after(async () => {
  try {
    if (browser) await browser.close();
  } finally {
    if (profile) rmSync(profile, { recursive: true, force: true });
    await site.stop();
  }
});

const titleOf = (index, path) => kDocuments[index][path].title;

// Fills in the search form page and submits it: text fields and select boxes
// by name, the index check boxes set to exactly `indexes`, other check boxes
// on or off by name.
async function search({ text = {}, select = {}, indexes = ['ALPHA'], checks = {} }) {
  const form = '#search';
  await page.goto(`${site.address}/`);
  for (const [name, value] of Object.entries(text)) await page.fill(`${form} [name="${name}"]`, value);
  for (const [name, value] of Object.entries(select)) await page.selectOption(`${form} [name="${name}"]`, value);
  for (const box of await page.locator(`${form} input[name="SelectIndex"]`).all()) {
    await box.setChecked(indexes.includes(await box.getAttribute('value')));
  }
  for (const [name, on] of Object.entries(checks)) await page.setChecked(`${form} input[name="${name}"]`, on);
  await Promise.all([page.waitForURL('**/cgi-bin/zebsrch.exe'), page.click(`${form} input[type="submit"]`)]);
}

// The rows of the result table: star image, link and title of each.
async function resultRows() {
  return page.locator('table[cellpadding="8"] tr').evaluateAll((rows) => rows.map((row) => {
    const link = row.querySelector('a');
    return {
      star: row.querySelector('td img')?.getAttribute('src') ?? null,
      number: row.cells[0].textContent.trim(),
      href: link?.href ?? null,
      title: link?.textContent.trim() ?? null,
    };
  }));
}

describe(`the search form posted through ${server} to zebsrch as ${fastcgi ? 'FastCGI' : 'CGI'}`, () => {
  it('lists ranked matches of two indexes with stars and links that open the documents', async () => {
    await search({ text: { free_text: 'colour tables' }, indexes: ['ALPHA', 'BETA'] });
    assert.match(await page.textContent('body'), /top document\(s\) returned/);
    const rows = await resultRows();
    const titles = rows.map((row) => row.title);
    assert.ok(titles.includes(titleOf('ALPHA', 'guide/tables.html')), titles.join(' | '));
    assert.ok(titles.includes(titleOf('BETA', 'faq/tables.html')), titles.join(' | '));
    assert.ok(!titles.includes(titleOf('BETA', 'faq/animals.html')));
    for (const row of rows) {
      assert.match(row.star, /^\/icons\/star[1-5]\.gif$/);
      assert.match(row.href, new RegExp(`^${site.address}/docs/(ALPHA|BETA)/[a-z]+/[a-z]+\\.html$`));
    }
    // Every star image the page shows is really served.
    const broken = await page.locator('img').evaluateAll((images) =>
      images.filter((image) => !image.complete || image.naturalWidth === 0).map((image) => image.src));
    assert.deepEqual(broken, []);
    mkdirSync(dirname(screenshot), { recursive: true });
    await page.screenshot({ path: screenshot, fullPage: true });

    const wanted = rows.find((row) => row.title === titleOf('BETA', 'faq/tables.html'));
    await Promise.all([page.waitForURL(wanted.href), page.click(`a[href="${new URL(wanted.href).href}"]`)]);
    assert.equal(await page.title(), wanted.title);
  });

  it('joins query words by their connectors and numbers unranked rows', async () => {
    await search({
      text: { query_word0: 'colour', query_word1: 'tables' },
      select: { connector0: 'not' },
      checks: { rank: false },
    });
    const rows = await resultRows();
    assert.deepEqual(rows.map((row) => row.title).sort(),
      [titleOf('ALPHA', 'guide/colours.html'), titleOf('ALPHA', 'reference/markup.html')].sort());
    assert.deepEqual(rows.map((row) => row.number), ['1', '2']);
  });

  it('searches one part of the documents and one topic', async () => {
    await search({ text: { free_text: 'colour' }, select: { Manual: 'reference' } });
    assert.deepEqual((await resultRows()).map((row) => row.title), [titleOf('ALPHA', 'reference/markup.html')]);

    await search({ text: { free_text: 'colour', topic: 'layout' } });
    assert.deepEqual((await resultRows()).map((row) => row.title), [titleOf('ALPHA', 'guide/tables.html')]);
  });

  it('offers a new search on the result page that keeps the indexes', async () => {
    await search({ text: { new_free_text: '+tables -zebra' }, indexes: ['ALPHA', 'BETA'] });
    const box = page.locator('textarea[name="new_free_text"]');
    assert.equal(await box.inputValue(), '+tables -zebra');
    await box.fill('giraffe');
    await Promise.all([page.waitForURL('**/cgi-bin/zebsrch.exe'), page.click('input[value="New Search"]')]);
    assert.match(await page.textContent('body'), /Search request: "giraffe"/);
    assert.deepEqual((await resultRows()).map((row) => row.title), [titleOf('BETA', 'faq/animals.html')]);
    assert.equal(await page.locator('textarea[name="new_free_text"]').inputValue(), 'giraffe');
  });

  it('follows a spelling variant\'s "find me" link to a search for that word', async () => {
    await search({ text: { query_word0: 'colour' }, checks: { SPCHK: true } });
    assert.match(await page.textContent('body'), /The following misspellings were found for colour/);
    const findMe = page.locator('a', { hasText: 'find me' }).first();
    assert.equal(await findMe.getAttribute('href'), 'searchit?ALPHA?coluor');
    await Promise.all([page.waitForURL('**/cgi-bin/zebsrch.exe'), findMe.click()]);
    assert.match(await page.textContent('body'), /Search request: "coluor"/);
    assert.deepEqual((await resultRows()).map((row) => row.title), [titleOf('ALPHA', 'reference/typos.html')]);
  });

  it('shows markup typed into the form as text', async () => {
    await search({ text: { free_text: '<b id=x>colour</b> & more', query_word0: '<i id=y>table' } });
    let body = await page.textContent('body');
    assert.equal(await page.locator('#x, #y').count(), 0);
    assert.ok(body.includes('Search request: "<b id=x>colour</b> & more"'), body);
    assert.ok(body.includes('<i id=y>table'), body);

    const typed = '<b id=x>colour</b> "quoted" & more';
    await search({ text: { new_free_text: typed } });
    body = await page.textContent('body');
    assert.equal(await page.locator('#x').count(), 0);
    assert.ok(body.includes(`Search request: "${typed}"`), body);
    assert.equal(await page.locator('textarea[name="new_free_text"]').inputValue(), typed);
  });

  it(`goes on searching when ${server} has to start its FastCGI processes again`, { skip: !fastcgi }, async () => {
    const ended = site.killSearchProcesses();
    assert.ok(ended > 0, `no FastCGI process of ${server} found`);
    await search({ text: { query_word0: 'stripes' }, indexes: ['BETA'] });
    assert.deepEqual((await resultRows()).map((row) => row.title), [titleOf('BETA', 'faq/animals.html')]);
  });
});

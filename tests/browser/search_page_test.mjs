// The search form in a real browser: headless Chromium posts the form page
// through a web server (lighttpd unless --server names apache or nginx) to
// the real CGI over a test instance that zebadm built, and the test reads the
// result pages as a person would see them. With --fastcgi, the web server
// runs zebsrch as FastCGI processes instead, and the same pages must come
// back. One index lies on shard servers; its rows show excerpts, sections
// and dates, and its list is paged.
//
//   node search_page_test.mjs --bin BUILD/bin --screenshot FILE.png [--server NAME] [--fastcgi]
//
// Besides FILE.png it leaves FILE-phone.png, a result page with excerpts
// on a phone-sized screen. Exits 77 (skipped) when Chromium, the npm
// packages or xapian-tcpsrv are not installed.

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
const phoneScreenshot = screenshot.replace(/(\.png)?$/, '-phone.png');

const missing = [
  [kChromium, 'Chromium'],
  ['/usr/bin/xapian-tcpsrv', 'xapian-tcpsrv'],
  [join(here, 'node_modules', 'playwright-core'), 'the npm packages (npm ci in tests/browser)'],
  [join(bin, 'zebadm'), 'zebadm'],
].filter(([path]) => !existsSync(path));
if (missing.length) {
  console.log(`skipped: not installed: ${missing.map(([, what]) => what).join(', ')}`);
  process.exit(kSkipped);
}

const { chromium } = await import('playwright-core');
const { TestSite, kDocuments, kSection, kShardedDate, kShardedDocuments, kShardedIndex } =
  await import('./test_site.mjs');

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

// The fields that only newer forms send: rows with excerpts, sections and
// dates, and paging.
const kNewFields = ['excerpts', 'excerpt_words', 'show_date', 'first_number'];

// Fills in the search form page and submits it: text fields and select boxes
// by name, the index check boxes set to exactly `indexes`, other check boxes
// on or off by name. Unless `newFields`, the form posts the fields of old
// forms only, whose pages must stay as they were.
async function search({ text = {}, select = {}, indexes = ['ALPHA'], checks = {}, newFields = false }) {
  const form = '#search';
  await page.goto(`${site.address}/`);
  if (!newFields) {
    await page.locator(kNewFields.map((name) => `${form} [name="${name}"]`).join(', '))
      .evaluateAll((fields) => fields.forEach((field) => { field.disabled = true; }));
  }
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

// The rows with what newer forms ask for beside the title.
async function extrasRows() {
  return page.locator('table[cellpadding="8"] tr').evaluateAll((rows) => rows.map((row) => {
    const link = row.querySelector('a');
    const excerpt = row.querySelector('.zebexcerpt');
    return {
      href: link?.href ?? null,
      title: link?.textContent.trim() ?? null,
      section: row.querySelector('.zebsection')?.textContent ?? null,
      excerpt: excerpt?.textContent ?? null,
      marks: [...(excerpt?.querySelectorAll('mark') ?? [])].map((mark) => mark.textContent),
      date: row.querySelector('.zebdate')?.textContent ?? null,
    };
  }));
}

// The rows of one page of a paged list, after checking its count line, its
// paging buttons and that every row has an excerpt with a mark.
async function pageRows(countLine, { previous, next }) {
  assert.ok((await page.textContent('body')).includes(countLine), countLine);
  assert.equal(await page.locator('button:text-is("Previous")').count(), previous ? 1 : 0);
  assert.equal(await page.locator('button:text-is("Next")').count(), next ? 1 : 0);
  const rows = await extrasRows();
  for (const row of rows) assert.ok(row.marks.length > 0 && row.date === kShardedDate, JSON.stringify(row));
  return rows;
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

  it('shows excerpts with the words marked, links the section, and pages over shards', async () => {
    // Stemmed forms are marked: "zebras migrating" marks "zebra" and "migration".
    await search({ text: { new_free_text: 'zebras migrating' }, indexes: [kShardedIndex], newFields: true });
    assert.match(await page.textContent('body'), /Documents 1-1 of 1\b/);
    const [row] = await extrasRows();
    assert.equal(row.title, kShardedDocuments[kSection.path].title);
    assert.deepEqual(row.marks.map((mark) => mark.toLowerCase()).sort(), ['migration', 'zebra']);
    assert.match(row.excerpt, /^…\S.*herds cross the river.*…$/s);
    assert.equal(row.section, kSection.heading);
    assert.equal(row.date, kShardedDate);
    assert.equal(row.href, `${site.address}/docs/${kShardedIndex}/${kSection.path}#${kSection.anchor}`);

    // The link opens the page at the section's heading.
    await Promise.all([page.waitForURL(row.href), page.click(`a[href="${row.href}"]`)]);
    const heading = page.locator(`#${kSection.anchor}`);
    assert.equal(await heading.textContent(), kSection.heading);
    const top = await heading.evaluate((element) => element.getBoundingClientRect().top);
    assert.ok(Math.abs(top) < 2, `the heading is ${top}px from the top of the window`);

    // Ten rows a page: Next and Previous post the same form for the
    // neighbouring pages.
    await search({ text: { new_free_text: 'grassland' }, select: { limit_number: '10' },
      indexes: [kShardedIndex], newFields: true });
    const notes = Object.keys(kShardedDocuments).filter((path) => path.startsWith('notes/')).length;
    const firstPage = await pageRows(`Documents 1-10 of ${notes}`, { previous: false, next: true });
    await Promise.all([page.waitForURL('**/cgi-bin/zebsrch.exe'), page.click('button:text-is("Next")')]);
    const secondPage = await pageRows(`Documents 11-${notes} of ${notes}`, { previous: true, next: false });
    assert.equal(new Set([...firstPage, ...secondPage].map((r) => r.title)).size, notes);
    assert.equal(await page.locator('textarea[name="new_free_text"]').inputValue(), 'grassland');
    await Promise.all([page.waitForURL('**/cgi-bin/zebsrch.exe'), page.click('button:text-is("Previous")')]);
    assert.deepEqual(await pageRows(`Documents 1-10 of ${notes}`, { previous: false, next: true }), firstPage);

    // On a phone-sized screen nothing is wider than the screen.
    await page.setViewportSize({ width: 360, height: 740 });
    try {
      assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth));
      await page.screenshot({ path: phoneScreenshot, fullPage: true });
    } finally {
      await page.setViewportSize({ width: 1000, height: 800 });
    }
  });

  it(`goes on searching when ${server} has to start its FastCGI processes again`, { skip: !fastcgi }, async () => {
    const ended = site.killSearchProcesses();
    assert.ok(ended > 0, `no FastCGI process of ${server} found`);
    await search({ text: { query_word0: 'stripes' }, indexes: ['BETA'] });
    assert.deepEqual((await resultRows()).map((row) => row.title), [titleOf('BETA', 'faq/animals.html')]);
  });
});

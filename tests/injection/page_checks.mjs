// What a parsed page may not hold, and how a page and its twin compare.
//
// Pages are parsed by Chromium's own HTML parser (DOMParser), once read as
// UTF-8, as the templates declare, and once as windows-1252, as a browser
// reads a page without a declared charset (the page whose header template
// was not found).

// Runs in the browser: for each page (base64 bytes), for each reading, the
// elements with their attributes, the number of comments, the text, and
// the texts of the rows' section headings and excerpts.
export function parsePagesInBrowser(pages) {
  const parser = new DOMParser();
  const decoders = [new TextDecoder('utf-8'), new TextDecoder('windows-1252')];
  return pages.map((base64) => {
    const bytes = Uint8Array.from(atob(base64), (ch) => ch.charCodeAt(0));
    return decoders.map((decoder) => {
      const doc = parser.parseFromString(decoder.decode(bytes), 'text/html');
      const elements = [...doc.querySelectorAll('*')].map((element) =>
        [element.localName, [...element.attributes].map((a) => [a.name, a.value])]);
      let comments = 0;
      const walker = doc.createTreeWalker(doc, NodeFilter.SHOW_COMMENT);
      while (walker.nextNode()) comments++;
      const texts = (selector) => [...doc.querySelectorAll(selector)].map((e) => e.textContent);
      return { elements, comments, text: doc.documentElement.textContent,
        sections: texts('span.zebsection'), excerpts: texts('span.zebexcerpt') };
    });
  });
}

// Attributes whose value a browser follows as a URL.
const kUrlAttributes = new Set(['href', 'src', 'action', 'formaction', 'background', 'poster',
  'cite', 'data', 'codebase', 'longdesc', 'lowsrc', 'dynsrc', 'usemap', 'manifest', 'icon',
  'ping', 'srcset', 'xlink:href', 'profile', 'classid', 'archive']);
const kScriptSchemes = ['javascript:', 'vbscript:', 'data:'];

// The scheme as a browser sees it: leading blanks and control characters
// dropped, tabs and line breaks removed anywhere, letter case ignored.
export function urlStart(value) {
  return value.replace(/^[\x00-\x20]+/, '').replace(/[\t\n\r]/g, '').toLowerCase();
}

// Every way in which one reading of a page shows injected markup.
export function injectionFindings(reading) {
  const found = [];
  for (const [tag, attributes] of reading.elements) {
    if (/zb/i.test(tag)) found.push(`element <${tag}>`);
    for (const [name, value] of attributes) {
      if (/zb/i.test(name)) found.push(`attribute ${name} of <${tag}>`);
      if (/^on/i.test(name)) found.push(`event attribute ${name} of <${tag}>`);
      const start = urlStart(value);
      if (kUrlAttributes.has(name.toLowerCase()) && kScriptSchemes.some((s) => start.startsWith(s))) {
        found.push(`${name}="${value}" of <${tag}>`);
      }
      // "&lt;zbent" shown as "<zbent": an ampersand went out unescaped.
      if (value.includes('<zbent')) found.push(`entity decoded in ${name}="${value}"`);
    }
  }
  if (reading.text.includes('<zbent')) found.push('entity decoded in the text');
  return found;
}

// The page's shape: how often each element and each element's attribute
// occurs, and the comments.
function shape(reading) {
  const counts = new Map();
  const count = (key) => counts.set(key, (counts.get(key) ?? 0) + 1);
  for (const [tag, attributes] of reading.elements) {
    count(`<${tag}>`);
    for (const [name] of attributes) count(`<${tag} ${name}>`);
  }
  for (let i = 0; i < reading.comments; i++) count('<!-- -->');
  return counts;
}

// What the page has more or less of than its twin, e.g. "+2 <b>".
export function shapeDifferences(reading, twinReading) {
  const mine = shape(reading);
  const theirs = shape(twinReading);
  const differences = [];
  for (const key of new Set([...mine.keys(), ...theirs.keys()])) {
    const delta = (mine.get(key) ?? 0) - (theirs.get(key) ?? 0);
    if (delta !== 0) differences.push(`${delta > 0 ? '+' : ''}${delta} ${key}`);
  }
  return differences;
}

// Lower-cased text and attribute values, to look for the markers that the
// hostile texts carry (index names arrive upper-cased).
export function shownText(reading) {
  const values = reading.elements.flatMap(([, attributes]) => attributes.map(([, value]) => value));
  return [reading.text, ...values].join('\n').toLowerCase();
}

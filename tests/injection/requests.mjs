// The requests of the injection test, each with its twin: every form field
// with every payload, and searches that list the hostile documents under
// each hostile location with spelling check, the new-search form, ranking,
// stars and stripes, and with excerpts, sections, dates and paging.

import { kCommonWord, kDocuments, kHostIndexes, kSafeIndex } from './hostile_site.mjs';
import { formBody, kPayloads, twinText } from './payloads.mjs';

// The fields whose value the page shows, each with the characters it keeps
// and the page that shows it: each gets every payload in a request of its
// own.
export const kShownFields = new Map([
  ['msgcat', 1023], ['header', 1023], ['footer', 1023], ['stars1', 63], ['stars2', 63],
  ['stars3', 63], ['stars4', 63], ['stars5', 63], ['SelectIndex', 1023],
  ['new_free_text', 1023], ['free_text', 1023], ['query_word0', 1023], ['query_word1', 1023],
  ['query_word2', 1023], ['query_word3', 1023], ['OddStripes', 7], ['EvenStripes', 7]]);
const kEchoedWithWords = new Set(['free_text', 'query_word0', 'query_word1', 'query_word2',
  'query_word3']);

// The other fields the CGI reads take every payload together, in one request
// (a field without a name is the connector before the first query word).
export const kOtherFields = ['ShowForm', 'FormName', 'topic', 'Manual', '', 'connector0',
  'connector1', 'connector2', 'SPCHK', 'limit_number', 'rank', 'ling', 'excerpts',
  'excerpt_words', 'show_date', 'first_number'];
// With rows of excerpts and paging, the new-search form carries these as
// hidden fields: they take every payload together too.
const kCarriedFields = ['topic', 'Manual', 'excerpt_words', 'first_number'];

// Fields that add to a list: the hostile value joins the request's own.
const kListFields = new Set(['topic', 'Manual', 'SelectIndex']);

const common = (index) => [
  ['msgcat', 'en'], ['header', 'header.html'], ['footer', 'footer.html'],
  ...[1, 2, 3, 4, 5].map((n) => [`stars${n}`, `star${n}.gif`]),
  ['FormName', 'search'], ['SelectIndex', index], ['SPCHK', 'SPELL'], ['limit_number', '50'],
  ['ling', 'F'], ['OddStripes', '#eeeeee'], ['EvenStripes', '#dddddd'],
];

// The pages that show the fields: the new-search form with its echo; the
// echo of free text and query words with their spelling tables (ranked);
// query words alone (unranked rows).
const kBases = {
  'new search': (index) => [...common(index), ['ShowForm', 'Y'], ['new_free_text', kCommonWord],
    ['rank', 'Y']],
  'free text and words': (index) => [...common(index), ['free_text', kCommonWord], ['rank', 'Y'],
    ['query_word0', kCommonWord], ['connector0', 'and'], ['query_word1', kCommonWord],
    ['connector1', 'or'], ['query_word2', kCommonWord], ['connector2', 'not'],
    ['query_word3', 'zzznothing']],
  'words, unranked': (index) => [...common(index), ['query_word0', kCommonWord]],
  'new search with excerpts': (index) => [...common(index), ['ShowForm', 'Y'],
    ['new_free_text', kCommonWord], ['rank', 'Y'], ['excerpts', 'Y'], ['show_date', 'Y'],
    ['first_number', '1']],
};

function withField(fields, name, value) {
  if (kListFields.has(name) || !fields.some(([n]) => n === name)) return [...fields, [name, value]];
  return fields.map(([n, v]) => [n, n === name ? value : v]);
}

// The twin asks the same of SAFE with the twins of the texts.
function twinFields(fields) {
  return fields.map(([name, value]) => [name, kHostIndexes.includes(value) ? kSafeIndex
    : twinText(value, { keepQuotes: name === 'new_free_text' })]);
}

function request(what, fields, scriptName) {
  const twinScript = scriptName === undefined ? undefined : twinText(scriptName);
  return {
    ...what,
    hostile: { body: formBody(fields), scriptName },
    twin: { body: formBody(twinFields(fields)), scriptName: twinScript },
  };
}

export function allRequests() {
  const requests = [];
  kPayloads.forEach((payload, p) => {
    for (const field of kShownFields.keys()) {
      const base = kEchoedWithWords.has(field) ? 'free text and words' : 'new search';
      requests.push(request({ fields: [field], payload: p, base },
        withField(kBases[base]('HOST1'), field, payload.text)));
    }
    const base = 'free text and words';
    requests.push(request({ fields: kOtherFields, payload: p, base }, kOtherFields.reduce(
      (fields, field) => withField(fields, field, payload.text), kBases[base]('HOST1'))));
    const carrying = 'new search with excerpts';
    requests.push(request({ fields: kCarriedFields, payload: p, base: carrying }, kCarriedFields.reduce(
      (fields, field) => withField(fields, field, payload.text), kBases[carrying]('HOST1'))));
  });
  for (const index of kHostIndexes) {
    for (const base of Object.keys(kBases)) {
      requests.push(request({ index, base }, kBases[base](index)));
    }
  }
  for (const doc of kDocuments) {
    for (const keyword of doc.keywords ?? []) {
      requests.push(request({ topic: keyword, base: 'free text and words' },
        withField(kBases['free text and words']('HOST1'), 'topic', keyword)));
    }
  }
  requests.push(request({ scope: '<zbd1 zbattr=1>', base: 'free text and words' },
    withField(kBases['free text and words']('HOST1'), 'Manual', '<zbd1 zbattr=1>')));
  requests.push(request({ scriptName: true, base: 'new search' }, kBases['new search']('HOST1'),
    '/cgi-bin/zebsrch.exe"><zbs1 onerror=alert(1)>'));
  return requests;
}

export function describeRequest(r) {
  const parts = [r.base];
  if (r.fields) {
    const text = JSON.stringify(kPayloads[r.payload].text);
    parts.push(`${r.fields.map((f) => f || '""').join(', ')} = payload ${r.payload} ${text}`);
  }
  if (r.index) parts.push(`index ${r.index}`);
  if (r.topic) parts.push(`topic ${JSON.stringify(r.topic)}`);
  if (r.scope) parts.push(`scope ${JSON.stringify(r.scope)}`);
  if (r.scriptName) parts.push(`SCRIPT_NAME ${JSON.stringify(r.hostile.scriptName)}`);
  return parts.join(', ');
}

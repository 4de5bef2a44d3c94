// Hostile texts for the injection test, and their harmless twins.
//
// Texts are byte strings: one character per byte (codes 0 to 255), so NUL,
// control characters and invalid UTF-8 reach the CGI exactly as written
// (Buffer.from(text, 'latin1') gives the bytes).
//
// Every payload names what it could create with "zb": elements <zbx1>,
// attributes zbattr3=, entities that would decode to "<zbent". A parsed page
// with such a name, or with that decoded text, was injected into. Payloads
// with plain names (<b>, <a href=javascript:>, onerror=) are caught by the
// comparison with the twin's page and by the URL and on* checks.

// `id`: the marker that must reach the page where the field is shown (null
// when nothing of the value survives, as after a leading NUL).
export const kPayloads = [
  { id: 'zbx1', text: '<zbx1 zbattr1=1>x</zbx1>' },
  { id: 'zbx2', text: '"><zbx2 onerror=alert(2)>' },
  { id: 'zbx3', text: '" zbattr3="1" onclick="alert(3)" zbx3' },
  { id: 'zbx4', text: "' zbattr4='1' onmouseover='alert(4)' zbx4" },
  { id: 'zbx5', text: '\t<zbx5 zbattr5>' },
  { id: 'zbx6', text: 'javascript:alert("zbx6")' },
  { id: 'zbx7', text: ' \x01\x1f JaVaScRiPt:alert(7)//zbx7' },
  { id: 'zbx8', text: 'data:text/html,<zbx8>' },
  { id: 'zbx9', text: 'vbscript:msgbox(zbx9)' },
  { id: 'zbx10', text: 'java\tscript:alert(10)//zbx10' },
  { id: null, text: '\x00"><zbx11 onerror=alert(11)>' },
  { id: 'zbx12', text: 'zbx12\x00"><zbx12b>' },
  { id: 'zbx13', text: '\xff\xfe<zbx13 onerror=alert(13)>\xff' },
  // Overlong forms of < > " (never decoded to them by a browser).
  { id: 'zbx14', text: '\xc0\xbczbx14 zbattr14=\xc0\xa21\xc0\xa2\xc0\xbe \xe0\x80\xbczbx14b\xe0\x80\xbe' },
  { id: 'zbent15', text: '&lt;zbent15&gt; &quot; &#60;zbent15b&#62; &amp;' },
  { id: 'zbx16', text: '</textarea></title></STRONG></table><zbx16>' },
  { id: 'zbx17', text: '<!--zbx17' },
  { id: 'zbx18', text: '<script>zbx18=1</script><img src=x onerror=zbx18><svg onload=zbx18>' },
  { id: 'zbx19', text: '"><b>zbx19</b><a href=javascript:zbx19>' },
  // Short ones for the 7-character stripe colours.
  { id: 'zbx', text: '"><zbx>' },
  { id: 'zb', text: '" onzb=' },
  { id: 'zb', text: '<b>zb' },
];

// What a twin puts for each character that HTML gives a meaning: the twin
// of a text is built and laid out like it, so a page for the twin shows
// the page as it must be when the text is shown as text. The stand-ins
// part words as the originals do, so searches find the same documents.
const kTwinCharacters = { '<': '(', '>': ')', '&': '|', '"': '|', "'": '|' };

// keepQuotes: for the new-search text, where quotation marks are operators
// that decide how the page goes on.
export function twinText(text, { keepQuotes = false } = {}) {
  let out = '';
  for (const ch of text) out += keepQuotes && ch === '"' ? ch : (kTwinCharacters[ch] ?? ch);
  return out;
}

// The text the CGI keeps of a value: up to its first NUL.
export const keptText = (text) => text.split('\x00')[0];

// application/x-www-form-urlencoded of byte strings, every byte outside the
// unreserved ones percent-encoded (so "+" and "&" stay themselves).
export function formBody(pairs) {
  const encode = (text) => [...text].map((ch) => (/[A-Za-z0-9_.~-]/.test(ch) ? ch
    : `%${ch.charCodeAt(0).toString(16).toUpperCase().padStart(2, '0')}`)).join('');
  return pairs.map(([name, value]) => `${encode(name)}=${encode(value)}`).join('&');
}

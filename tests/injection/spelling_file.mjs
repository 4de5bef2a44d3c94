// The bytes of a spelling cross-reference file ZEBCSREF.DAT for any words,
// as zebadm would write it had its index such words (zebadm itself takes only
// words of letters from an index's vocabulary):
//   0   entry count N (32-bit little-endian), 4  zero,
//   8   N entries of 12 bytes: variant offset, key offset, zero,
//   then the zero-terminated strings, the first key at offset 0.
// Entries are sorted by their key's bytes; a group's entries are adjacent.

// groups: Map from key to its variants, byte strings. The search copies a
// group's variants into a list of 256 bytes and looks words up in a buffer
// of 63 characters: longer keys are left out and variants cut to fit.
export function spellingFile(groups) {
  const kVariantListBytes = 256;
  const kWordMaxBytes = 63;
  const keys = [...groups.keys()]
    .filter((key) => key.length <= kWordMaxBytes && !key.includes('\x00'))
    .sort((a, b) => Buffer.compare(Buffer.from(a, 'latin1'), Buffer.from(b, 'latin1')));
  let strings = '';
  const entries = [];
  for (const key of keys) {
    const keyOffset = strings.length;
    strings += `${key}\x00`;
    let listBytes = 1;  // the empty string that ends the list
    for (const variant of groups.get(key)) {
      listBytes += variant.length + 1;
      if (listBytes > kVariantListBytes) break;
      entries.push([strings.length, keyOffset]);
      strings += `${variant}\x00`;
    }
  }
  const file = Buffer.alloc(8 + 12 * entries.length + strings.length);
  file.writeInt32LE(entries.length, 0);
  entries.forEach(([variant, key], i) => {
    file.writeInt32LE(variant, 8 + 12 * i);
    file.writeInt32LE(key, 8 + 12 * i + 4);
  });
  file.write(strings, 8 + 12 * entries.length, 'latin1');
  return file;
}

// The in-place steps that turn one raw "application/x-www-form-urlencoded"
// entry into a name and a value. The form decoder applies them in this
// order: plus_to_space, unescape, split_at('='). So "%2B" yields a literal
// "+", and an encoded "=" ("%3D") inside a name splits the entry there.
//
// No character set is assumed and malformed escapes are not errors: every
// byte passes, and a bad "%" sequence decodes to whatever hex_pair_value
// makes of it.
#pragma once

namespace zeb {

// Every "+" becomes a space.
void plus_to_space(char* text);

// The byte two characters encode. A character of code 65 ("A") or more has
// the digit value (code & 223) - 55, any other the value code - 48; the byte
// is 16 * first + second, modulo 256. Both letter cases of the hexadecimal
// digits decode; other characters yield what the rule gives.
unsigned char hex_pair_value(char high, char low);

// Every "%" and the two characters after it become one byte. A "%" followed
// by one character only becomes that character's digit value times 16 and
// ends the string; a "%" at the very end is dropped.
void unescape(char* text);

// Returns a new malloc'd string with the characters before the first
// `separator` (the whole text when there is none) and moves what follows the
// separator, terminator included, to the front of `text`. Returns nullptr,
// with `text` unchanged, when memory runs out.
char* split_at(char* text, char separator);

}  // namespace zeb

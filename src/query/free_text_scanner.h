// The free-text operator scanner of the new-search text box. A user marks
// words in the text:
//   +word  +"a phrase"   must occur (required list)
//   -word  -"a phrase"   must not occur (excluded list)
//   "a phrase"           plain quotation marks, removed
// A sign is an operator only at the start of the text or after a blank (so
// "e-mail", "a+b", "a++" hold none); a quotation mark opens a phrase only
// there or after "+" or "-". Marks inside a phrase are not looked at.
//
// The text never changes length: operators and quotation marks become
// blanks. Required terms stay in the text (they are searched as free text
// too); excluded terms of two or more characters are blanked out of it.
// A term of one character (or an empty phrase) is not listed.
//
// Lists: each listed term is appended as its text and ";" ("big dog;cat;").
// A listed term takes no more bytes than it occupied in the text, so lists
// of kOperatorListSize bytes hold every term of a text of up to 1023
// characters.
#pragma once

namespace zeb {

constexpr int kScanOk = 0;
constexpr int kScanUnterminatedPhrase = 1;

// `text`: at most 1023 characters, changed in place on success and left as
// it was on failure. `required`, `excluded`: kOperatorListSize-byte buffers,
// empty on entry, appended to. On kScanUnterminatedPhrase the lists may hold
// the terms found before the fault.
int split_free_text(char* text, char* required, char* excluded);

}  // namespace zeb

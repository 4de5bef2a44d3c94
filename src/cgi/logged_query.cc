#include "cgi/logged_query.h"

namespace zeb {

namespace {

const char* connector_word(uint16_t code) {
  switch (code) {
    case kConnectorAnd:
      return "AND";
    case kConnectorOr:
      return "OR";
    case kConnectorNot:
      return "AND_NOT";
    default:
      return nullptr;
  }
}

// A word of the line's own, as it stands.
void put_word(LogField& field, const char* word) {
  while (*word != '\0') field.put(static_cast<unsigned char>(*word++));
}

// A text from the form, from its first non-blank: blanks collapsed, A-Z
// lowered.
void put_text(LogField& field, const char* text) {
  for (; *text == ' '; ++text) {
  }
  for (; *text != '\0'; ++text) {
    const unsigned char byte = static_cast<unsigned char>(*text);
    if (byte == ' ') {
      field.blank();
    } else {
      field.put(byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte);
    }
  }
}

// Blank-separated items; a prefixed one has no blank after its prefix.
void put_item(LogField& field, const char* prefix, const char* text) {
  field.blank();
  put_word(field, prefix);
  put_text(field, text);
}

}  // namespace

void write_logged_query(const SearchRequest& request, LogField& field) {
  if (request.new_free_text_flag) {
    put_item(field, "", request.free_text_echo);
  } else {
    if (request.free_text_flag) put_item(field, "", request.free_text);
    if (request.terms_flag) {
      for (int32_t i = 0; i < request.term_count; ++i) {
        if (const char* word = connector_word(request.connectors[i])) put_item(field, word, "");
        put_item(field, "", request.terms[i]);
      }
    }
  }
  for (int32_t i = 0; i < request.topic_count; ++i) put_item(field, "topic:", request.topics[i]);
  for (int32_t i = 0; i < request.scope_count; ++i) put_item(field, "scope:", request.scopes[i]);
}

void write_logged_indexes(const SearchRequest& request, LogField& field) {
  bool first = true;
  for (int32_t i = 0; i < request.index_count; ++i) {
    const SelectedIndex& slot = request.indexes[i];
    if (!slot.present()) continue;
    if (!first) field.put(',');
    for (const char* name = slot.name; *name != '\0'; ++name)
      field.put(static_cast<unsigned char>(*name), true);
    first = false;
  }
}

}  // namespace zeb

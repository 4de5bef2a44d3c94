#include "cgi/field_passes.h"

#include <cstring>
#include <span>

#include "request/fixed_copy.h"
#include "cgi/row_options.h"
#include "cgi/star_images.h"

namespace zeb {

namespace {

constexpr const char* kIndexLimit = "The maximum nuber of indices is reached.";
constexpr const char* kStarFields[kStarLevels] = {"stars1", "stars2", "stars3", "stars4",
                                                  "stars5"};

void upper_case_ascii(char* text) {
  for (; *text != '\0'; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

void select_index(SearchRequest& request, char* name, FILE* out) {
  if (request.index_count == kMaxListEntries) {
    fprintf(out, "\n<P><b>%s</b>\n", kIndexLimit);
    return;
  }
  upper_case_ascii(name);
  request.indexes[request.index_count++] = SelectedIndex{name, 0};
}

}  // namespace

void apply_page_options(const FormTable& table, SearchRequest& request) {
  for (const FormEntry& entry : table.entries) {
    if (strcmp(entry.name, "msgcat") == 0) {
      request.msgcat = entry.value;
    } else if (strcmp(entry.name, "header") == 0) {
      request.header_name = entry.value;
    } else if (strcmp(entry.name, "footer") == 0) {
      request.footer_name = entry.value;
    } else {
      for (int level = 1; level <= kStarLevels; ++level) {
        if (strcmp(entry.name, kStarFields[level - 1]) == 0) set_star_image(request, level, entry.value);
      }
    }
  }
}

QueryOutcome apply_query_options(FormTable& table, SearchRequest& request, FILE* out) {
  for (size_t i = 0; i < table.entries.size(); ++i) {
    FormEntry& entry = table.entries[i];
    const char* name = entry.name;
    if (strcmp(name, "new_free_text") == 0 && request.new_free_text_flag) {
      const std::span<const FormEntry> earlier(table.entries.data(), i);
      if (retake_new_search_text(request, earlier, entry.value, out) == QueryOutcome::kEndPage) {
        return QueryOutcome::kEndPage;
      }
    } else if (strcmp(name, "ShowForm") == 0) {
      if (entry.value[0] == 'Y' || entry.value[0] == 'y') request.show_form = true;
    } else if (strcmp(name, "FormName") == 0) {
      // The form's own name: nothing to do.
    } else if (strcmp(name, "SelectIndex") == 0) {
      select_index(request, entry.value, out);
    } else if (strcmp(name, "OddStripes") == 0) {
      copy_cut(request.odd_stripes, entry.value);
    } else if (strcmp(name, "EvenStripes") == 0) {
      copy_cut(request.even_stripes, entry.value);
    } else if (apply_row_option(request, name, entry.value)) {
      // A row or paging option of newer forms.
    } else if (apply_query_field(request, name, entry.value, out) == QueryOutcome::kEndPage) {
      return QueryOutcome::kEndPage;
    }
  }
  return QueryOutcome::kGoOn;
}

void check_stripes(SearchRequest& request) {
  request.stripes = request.odd_stripes[0] != '\0' && request.even_stripes[0] != '\0';
}

}  // namespace zeb

#include "results/new_search_form.h"

#include "request/html_escape.h"
#include "results/paging.h"

namespace zeb {

namespace {

// One hidden field of the line that follows the buttons.
void write_hidden(FILE* out, const char* name, const char* value) {
  fprintf(out, "<input type=\"hidden\" NAME=\"%s\" value=\"%s\">", name,
          html_escape(value).c_str());
}

}  // namespace

void write_new_search_form(const SearchRequest& request, FILE* out) {
  if (!request.show_form || !request.new_free_text_flag) return;

  fprintf(out, "\n<form action=\"%s\" method=\"post\">",
          html_escape(request.script_path).c_str());
  fprintf(out, "\n<input type=hidden name=\"limit_number\" value=\"%d\">",
          static_cast<int>(request.result_limit));
  fputs("\n<input type=hidden name=\"rank\" value=\"Y\">", out);
  for (int i = 0; i < request.index_count && i < kMaxListEntries; ++i) {
    if (!request.indexes[i].present()) continue;
    fprintf(out, "\n<input type=hidden name=\"SelectIndex\" value=\"%s\">",
            html_escape(request.indexes[i].name).c_str());
  }
  fprintf(out,
          "\n<textarea name=\"new_free_text\" COLS=50 ROWS=2 WRAP=\"VIRTUAL\">%s</textarea>",
          html_escape(request.free_text_echo).c_str());
  fputs("\n<input type=\"submit\" value=\"New Search\">", out);
  fputs("\n<input type=\"reset\" value=\"Clear\">", out);

  write_hidden(out, "header", request.header_name);
  write_hidden(out, "footer", request.footer_name);
  const char* const star_fields[] = {"stars1", "stars2", "stars3", "stars4", "stars5"};
  for (int level = 0; level < 5; ++level)
    write_hidden(out, star_fields[level], request.star_names[level]);
  write_hidden(out, "OddStripes", request.odd_stripes);
  write_hidden(out, "EvenStripes", request.even_stripes);
  fputs("<input type=\"hidden\" NAME=\"ShowForm\" value=\"Y\">", out);
  write_hidden(out, "msgcat", request.msgcat);
  if (request.first_number != 0) write_paging_fields(request, out);
  fputs("\n</form>", out);
}

}  // namespace zeb

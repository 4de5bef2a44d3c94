// reference_search: the least work any Xapian-backed search CGI must do for
// one query, to measure zebsrch against. It opens the index's database, runs
// the query, reads the data ("path;title") of the top documents and prints a
// minimal result page: per document an escaped link with the title, and the
// rank as a fraction. No form, no templates, no look-up table, no engine
// interface. Its found count is exact as far as a page can show it: up to
// COUNT for free text, whose limit reaches the engine, and up to the largest
// limit a page can have for the other kinds, whose limit does not.
//
//   reference_search [--plain] DATABASE KIND TEXT [COUNT [LOCATION]]
//
// KIND is free, words, mask or phrase (see reference_query.h); COUNT defaults
// to 50; LOCATION is the document location put in front of each path. With
// --plain it runs the plain search (reference_query.h: unprefixed words,
// Xapian's default BM25) instead of the engine's ranking.
#include <xapian.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "backend/document_data.h"
#include "backend/match_count.h"
#include "backend/ranking_weight.h"
#include "reference_query.h"

namespace {

int usage() {
  fprintf(stderr,
          "usage: reference_search [--plain] DATABASE free|words|mask|phrase TEXT [COUNT "
          "[LOCATION]]\n");
  return 2;
}

void put_escaped(FILE* out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': fputs("&amp;", out); break;
      case '<': fputs("&lt;", out); break;
      case '>': fputs("&gt;", out); break;
      case '"': fputs("&quot;", out); break;
      default: putc(c, out);
    }
  }
}

// `data` as the index stores it: the identifier "path;title", then the
// file's stamp (backend/document_data.h), which a page does not show.
void print_row(FILE* out, int percent, std::string_view location, std::string_view stored) {
  const std::string_view data = zeb::backend::identifier_of(stored);
  const size_t semicolon = data.find(';');
  const std::string_view path = data.substr(0, semicolon);
  const std::string_view title =
      semicolon == std::string_view::npos ? data : data.substr(semicolon + 1);
  fputs("<p><tr><td><td> <A HREF=\"file://", out);
  put_escaped(out, location);
  putc('/', out);
  put_escaped(out, path);
  fputs("\"><b>", out);
  put_escaped(out, title);
  fputs("</b></A>\n", out);
  // A result page shows how well each document matched.
  fprintf(out, "<br>(%4.4f)<br>\n", percent / 100.0);
}

}  // namespace

int main(int argc, char** argv) {
  auto ranking = zeb::bench::Ranking::kEngine;
  if (argc > 1 && std::string_view(argv[1]) == "--plain") {
    ranking = zeb::bench::Ranking::kPlain;
    --argc;
    ++argv;
  }
  if (argc < 4 || argc > 6) return usage();
  zeb::bench::QueryKind kind;
  if (!zeb::bench::parse_query_kind(argv[2], kind)) return usage();
  const int count = argc > 4 ? atoi(argv[4]) : 50;
  if (count < 0) return usage();
  const std::string_view location = argc > 5 ? argv[5] : "";

  try {
    Xapian::Database db(argv[1]);
    Xapian::Enquire enquire(db);
    if (ranking == zeb::bench::Ranking::kPlain) {
      enquire.set_weighting_scheme(zeb::bench::plain_weight());
    } else {
      enquire.set_weighting_scheme(zeb::backend::ranking_weight());
    }
    enquire.set_query(zeb::bench::build_query(db, kind, argv[3], ranking));
    const Xapian::MSet mset = enquire.get_mset(0, static_cast<Xapian::doccount>(count));
    const Xapian::doccount exact_up_to =
        kind == zeb::bench::QueryKind::kFree ? static_cast<Xapian::doccount>(count) : 65535;
    const Xapian::doccount found =
        zeb::backend::exact_match_count(db, enquire.get_query(), mset, exact_up_to);

    printf("Content-type: text/html\n\n\n<html><body>\n");
    printf("<p>%u documents found, %u shown\n", found, mset.size());
    printf("<table>\n");
    for (auto it = mset.begin(); it != mset.end(); ++it) {
      print_row(stdout, it.get_percent(), location, it.get_document().get_data());
    }
    printf("</table>\n</body></html>\n");
  } catch (const Xapian::Error& e) {
    fprintf(stderr, "reference_search: %s\n", e.get_description().c_str());
    return 1;
  }
  return 0;
}

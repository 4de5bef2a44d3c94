// relevance_run: sends every judged entry of a manual's book index to zebsrch
// as free text, the way a web server runs it for a posted form, and reports
// how well the result pages place the pages the index's editors named,
// beside the same figures for a stored earlier run.
//
//   relevance_run [--baseline FILE] [--save FILE] [--changes]
//                 BOOK_INDEX ZEBSRCH INDEX LINK_PREFIX
//
// ZEBINSTSRV and ZEBINST are passed on from the environment. LINK_PREFIX is
// what zebsrch puts in front of a document's path in its links. --baseline
// reads the ranks of an earlier run, --save writes this run's, --changes
// lists every entry whose rank changed. A stored run is one line per entry:
//   RANK<TAB>QUERY   (RANK 1 to 10; 0 when no relevant page is in the top ten)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "book_index.h"
#include "child_run.h"
#include "relevance_score.h"

namespace {

using zeb::bench::Judgement;

struct Options {
  std::string baseline;
  std::string save;
  bool changes = false;
  std::string book_index;
  std::string zebsrch;
  std::string index;
  std::string link_prefix;
};

int usage() {
  fprintf(stderr,
          "usage: relevance_run [--baseline FILE] [--save FILE] [--changes] "
          "BOOK_INDEX ZEBSRCH INDEX LINK_PREFIX\n");
  return 2;
}

bool parse_options(int argc, char** argv, Options& o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--changes") {
      o.changes = true;
    } else if ((arg == "--baseline" || arg == "--save") && i + 1 < argc) {
      (arg == "--baseline" ? o.baseline : o.save) = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 4) return false;
  o.book_index = positional[0];
  o.zebsrch = positional[1];
  o.index = positional[2];
  o.link_prefix = positional[3];
  return true;
}

bool read_file(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  out = bytes.str();
  return true;
}

std::string form_encoded(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// What the excerpts of the rows show, over all entries.
struct ExcerptFigures {
  size_t rows = 0, marked = 0;              // top-ten rows, those whose excerpt marks a word
  size_t with_fragment = 0, right_fragment = 0;  // first hits on a page the entry names
                                                 // with a fragment, those linking to it
};

// Posts the entry's words as free text (with excerpts, which change no
// rank) and returns the rank of its first relevant page; -1 when zebsrch
// could not be run or failed.
int rank_of(const Options& o, const Judgement& judgement, const std::string& work,
            ExcerptFigures& excerpts) {
  const std::string body = "SelectIndex=" + o.index + "&free_text=" + form_encoded(judgement.query) +
                           "&limit_number=" + std::to_string(zeb::bench::kJudgedDepth) +
                           "&excerpts=Y&header=header.html&footer=footer.html";
  zeb::bench::ChildSpec child;
  child.argv = {o.zebsrch};
  child.env = {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
               "CONTENT_LENGTH=" + std::to_string(body.size())};
  for (const char* name : {"ZEBINSTSRV", "ZEBINST"})
    if (const char* value = getenv(name)) child.env.push_back(std::string(name) + "=" + value);
  child.stdin_path = work + "/body";
  child.stdout_path = work + "/page";
  std::ofstream(child.stdin_path, std::ios::binary | std::ios::trunc) << body;
  zeb::bench::ChildRun run;
  std::string page;
  if (zeb::bench::run_child(child, run) != 0 || run.exit_status != 0 ||
      !read_file(child.stdout_path, page))
    return -1;
  const std::vector<zeb::bench::ListedRow> rows = zeb::bench::listed_rows(page, o.link_prefix);
  std::vector<std::string> listed;
  for (const zeb::bench::ListedRow& row : rows) listed.push_back(row.document);
  const size_t rank = zeb::bench::first_relevant_rank(listed, judgement.pages);
  for (size_t i = 0; i < rows.size() && i < zeb::bench::kJudgedDepth; ++i) {
    ++excerpts.rows;
    if (rows[i].marked) ++excerpts.marked;
  }
  if (rank != 0) {
    const auto& pages = judgement.pages;
    const size_t page_at =
        std::find(pages.begin(), pages.end(), listed[rank - 1]) - pages.begin();
    const std::string& wanted = judgement.fragments[page_at];
    if (!wanted.empty()) {
      ++excerpts.with_fragment;
      if (rows[rank - 1].fragment == wanted) ++excerpts.right_fragment;
    }
  }
  return static_cast<int>(rank);
}

double share(size_t part, size_t whole) {
  return whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

// The stored ranks by query; false when the file cannot be read.
bool read_baseline(const std::string& path, std::map<std::string, size_t>& ranks) {
  std::string text;
  if (!read_file(path, text)) return false;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    ranks[line.substr(tab + 1)] = strtoul(line.c_str(), nullptr, 10);
  }
  return true;
}

void print_figures(const char* label, const zeb::bench::RelevanceFigures& f) {
  printf("%-18s %9.3f %11.3f %8.3f   (%zu entries)\n", label, f.success_at_1, f.success_at_10,
         f.mrr_at_10, f.queries);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse_options(argc, argv, o)) return usage();
  std::string html;
  if (!read_file(o.book_index, html)) {
    fprintf(stderr, "relevance_run: cannot read %s\n", o.book_index.c_str());
    return 2;
  }
  const std::vector<Judgement> judgements = zeb::bench::read_book_index(html);
  std::map<std::string, size_t> previous;
  if (!o.baseline.empty() && !read_baseline(o.baseline, previous)) {
    fprintf(stderr, "relevance_run: cannot read %s\n", o.baseline.c_str());
    return 2;
  }
  char pattern[] = "/tmp/zeb-relevance-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 2;
  const std::string work = pattern;

  const auto start = std::chrono::steady_clock::now();
  std::vector<size_t> ranks, now_compared, before_compared;
  size_t higher = 0, lower = 0;
  ExcerptFigures excerpts;
  std::ostringstream saved;
  for (const Judgement& judgement : judgements) {
    const int rank = rank_of(o, judgement, work, excerpts);
    if (rank < 0) {
      fprintf(stderr, "relevance_run: zebsrch failed on \"%s\"\n", judgement.query.c_str());
      return 1;
    }
    const auto r = static_cast<size_t>(rank);
    ranks.push_back(r);
    saved << r << '\t' << judgement.query << '\n';
    const auto before = previous.find(judgement.query);
    if (before == previous.end()) continue;
    now_compared.push_back(r);
    before_compared.push_back(before->second);
    // A rank of 0 is worse than any other.
    const size_t now_key = r ? r : SIZE_MAX, before_key = before->second ? before->second : SIZE_MAX;
    if (now_key == before_key) continue;
    (now_key < before_key ? higher : lower) += 1;
    if (o.changes)
      printf("%-40s %2zu -> %2zu\n", judgement.query.c_str(), before->second, r);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  unlink((work + "/body").c_str());
  unlink((work + "/page").c_str());
  rmdir(work.c_str());

  printf("%zu judged entries of 1 to %zu words, %s; %.1f ms per search\n", judgements.size(),
         zeb::bench::kMaxJudgedWords, o.book_index.c_str(),
         judgements.empty() ? 0.0 : seconds * 1000 / static_cast<double>(judgements.size()));
  printf("%-18s %9s %11s %8s\n", "", "success@1", "success@10", "MRR@10");
  if (!before_compared.empty()) {
    print_figures("previous ranking", zeb::bench::summarize_ranks(before_compared));
    if (now_compared.size() != ranks.size())
      print_figures("this, same entries", zeb::bench::summarize_ranks(now_compared));
  }
  print_figures("this ranking", zeb::bench::summarize_ranks(ranks));
  if (!before_compared.empty())
    printf("entries ranked higher than before: %zu, lower: %zu\n", higher, lower);
  printf("top-ten rows whose excerpt marks a query word: %zu of %zu (%.1f %%)\n",
         excerpts.marked, excerpts.rows, share(excerpts.marked, excerpts.rows));
  printf("first hits on a page named with a fragment that link to it: %zu of %zu (%.1f %%)\n",
         excerpts.right_fragment, excerpts.with_fragment,
         share(excerpts.right_fragment, excerpts.with_fragment));
  if (!o.save.empty()) {
    std::ofstream out(o.save, std::ios::binary | std::ios::trunc);
    out << "# rank of the first relevant page (0: not in the top ten) <TAB> book index entry\n"
        << saved.str();
    if (!out) {
      fprintf(stderr, "relevance_run: cannot write %s\n", o.save.c_str());
      return 2;
    }
  }
  return 0;
}

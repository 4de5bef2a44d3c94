// grow_corpus SOURCE OUT PAGES: writes PAGES pages of a dictionary corpus
// grown with variants of its own text (corpus_growth.h) for
// bench/million-bench. Exit status 0, or 2 with a message on errors.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corpus_growth.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: grow_corpus SOURCE OUT PAGES\n");
    return 2;
  }
  char* end = nullptr;
  const unsigned long long pages = std::strtoull(argv[3], &end, 10);
  if (*argv[3] == '\0' || *end != '\0' || pages == 0 || pages > 100000000) {
    std::fprintf(stderr, "grow_corpus: PAGES must be a number from 1 to 100000000\n");
    return 2;
  }
  std::string error;
  const long written = zeb::bench::grow_dictionary_corpus(argv[1], argv[2], pages, &error);
  if (written < 0) {
    std::fprintf(stderr, "grow_corpus: %s\n", error.c_str());
    return 2;
  }
  std::printf("%ld pages in %s\n", written, argv[2]);
  return 0;
}

#include "corpus_growth.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "page_variants.h"

namespace zeb::bench {
namespace {

namespace fs = std::filesystem;

struct SourceFile {
  std::string folder;
  std::string bytes;
  bool present = false;
};

bool read_file(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool write_file(const std::string& path, const std::string& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

// The number of "<n>.html", or -1 for any other name.
long page_number(const std::string& name) {
  if (name.size() < 6 || name.compare(name.size() - 5, 5, ".html") != 0) return -1;
  long n = 0;
  for (size_t i = 0; i + 5 < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > 100000000) return -1;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

void fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
}

// Every source page by its number; empty when the tree is not 0 .. S-1.
std::vector<SourceFile> read_source(const std::string& dir, std::string* error) {
  std::vector<SourceFile> pages;
  std::error_code ec;
  for (const fs::directory_entry& folder : fs::directory_iterator(dir, ec)) {
    if (!folder.is_directory()) continue;
    for (const fs::directory_entry& file : fs::directory_iterator(folder.path(), ec)) {
      const long n = page_number(file.path().filename().string());
      if (n < 0) continue;
      if (static_cast<size_t>(n) >= pages.size()) pages.resize(static_cast<size_t>(n) + 1);
      SourceFile& page = pages[static_cast<size_t>(n)];
      page.folder = folder.path().filename().string();
      page.present = read_file(file.path(), &page.bytes);
      if (!page.present) {
        fail(error, "cannot read " + file.path().string());
        return {};
      }
    }
  }
  if (ec) {
    fail(error, "cannot read " + dir + ": " + ec.message());
    return {};
  }
  for (size_t n = 0; n < pages.size(); ++n)
    if (!pages[n].present) {
      fail(error, dir + " has no page " + std::to_string(n) + ".html");
      return {};
    }
  if (pages.empty()) fail(error, dir + " holds no pages");
  return pages;
}

}  // namespace

long grow_dictionary_corpus(const std::string& source_dir, const std::string& out_dir,
                            size_t pages, std::string* error) {
  const std::vector<SourceFile> source = read_source(source_dir, error);
  if (source.empty()) return -1;
  const size_t count = source.size();
  // A step near the golden section of the source keeps the partners of one
  // page's variants far apart from each other and from the page itself.
  const size_t step = count > 2 ? count * 618 / 1000 : 1;
  std::error_code ec;
  for (const SourceFile& page : source) {
    fs::create_directories(fs::path(out_dir) / page.folder, ec);
    if (ec) {
      fail(error, "cannot make " + out_dir + "/" + page.folder + ": " + ec.message());
      return -1;
    }
  }
  for (size_t k = 0; k < pages; ++k) {
    const size_t s = k % count;
    const size_t round = k / count;
    const std::string path = out_dir + "/" + source[s].folder + "/" + std::to_string(k) + ".html";
    std::string bytes;
    if (round == 0) {
      bytes = source[s].bytes;
    } else {
      size_t partner = (s + round * step) % count;
      if (partner == s) partner = (s + 1) % count;
      const std::optional<DictionaryPage> own = parse_dictionary_page(source[s].bytes);
      const std::optional<DictionaryPage> lent = parse_dictionary_page(source[partner].bytes);
      if (!own || !lent) {
        fail(error, "page " + std::to_string(own ? partner : s) +
                        ".html is not laid out as dictionary-corpus writes it");
        return -1;
      }
      bytes = write_dictionary_page(page_variant(*own, *lent, k));
    }
    if (!write_file(path, bytes)) {
      fail(error, "cannot write " + path);
      return -1;
    }
  }
  return static_cast<long>(pages);
}

}  // namespace zeb::bench

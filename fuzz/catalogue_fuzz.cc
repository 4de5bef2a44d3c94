// Fuzz target: the instance catalogue reader. Each input is a catalogue
// file; one that loads must be written back by the writer and load again
// as the same catalogue.
#include <string>

#include "backend/catalogue.h"
#include "fuzz_support.h"

namespace {

using zeb::backend::Catalogue;
using zeb::backend::CatalogueEntry;

std::string read_dir, write_dir;

bool same_entry(const CatalogueEntry& a, const CatalogueEntry& b) {
  return a.number == b.number && a.name == b.name && a.status == b.status &&
         a.data_dir == b.data_dir && a.shards == b.shards;
}

bool same(const Catalogue& a, const Catalogue& b) {
  if (a.instance_name != b.instance_name || a.shard_timeouts != b.shard_timeouts ||
      a.indexes.size() != b.indexes.size())
    return false;
  for (size_t i = 0; i < a.indexes.size(); ++i)
    if (!same_entry(a.indexes[i], b.indexes[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  read_dir = zeb::fuzz::scratch_dir().path() + "/read";
  write_dir = zeb::fuzz::scratch_dir().path() + "/write";
  std::filesystem::create_directory(read_dir);
  std::filesystem::create_directory(write_dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zeb::fuzz::write_file(zeb::backend::catalogue_path(read_dir), data, size);
  Catalogue loaded;
  std::string error;
  if (!zeb::backend::load_catalogue(read_dir, loaded, error)) {
    ZEB_FUZZ_CHECK(!error.empty());
    return 0;
  }
  for (const CatalogueEntry& entry : loaded.indexes) {
    ZEB_FUZZ_CHECK(entry.number > 0 && entry.number <= 65535);
    ZEB_FUZZ_CHECK(!entry.name.empty() && !entry.data_dir.empty());
    ZEB_FUZZ_CHECK(!zeb::backend::resolve_data_dir(read_dir, entry).empty());
  }
  ZEB_FUZZ_CHECK(zeb::backend::save_catalogue(write_dir, loaded, error));
  Catalogue again;
  ZEB_FUZZ_CHECK(zeb::backend::load_catalogue(write_dir, again, error));
  ZEB_FUZZ_CHECK(same(loaded, again));
  return 0;
}

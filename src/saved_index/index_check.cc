#include "saved_index/index_check.h"

#include <memory>

#include "common/number_text.h"
#include "guides/site_table_search.h"
#include "saved_index/index_reader.h"

namespace quorvane {
namespace {

// A section's name as a line begins: "its letters" reads "letters".
std::string Label(const std::string& name) {
  for (const char* lead : {"its ", "the "}) {
    if (name.rfind(lead, 0) == 0) return name.substr(std::char_traits<char>::length(lead));
  }
  return name;
}

std::string Count(uint64_t n, const char* one, const char* many) {
  return GroupedNumberText(static_cast<int64_t>(n)) + " " + (n == 1 ? one : many);
}

}  // namespace

Status CheckSavedIndex(const std::string& path, int threads, IndexCheckReport& report) {
  std::unique_ptr<SavedIndex> idx;
  Status st = SavedIndex::MapUnverified(path, idx);
  if (!st.ok()) return st;
  const IndexHead& h = idx->head();
  report.lines.push_back("head: version " + std::to_string(h.version) + ", " +
                         Count(h.letters, "letter", "letters") + " in " +
                         Count(h.sequences, "sequence", "sequences") + ", whole");
  report.lines.push_back("sequence table and names: whole");
  report.lines.push_back("block checksums: " + Count(h.blocks, "block", "blocks") + " of " +
                         std::to_string((uint64_t{1} << h.blockShift) >> 10) + " KiB, whole");
  BlockGuard& guard = idx->guard();
  Status first;
  for (size_t s = 0; s < guard.sections().size(); ++s) {
    const BodySection& sec = guard.sections()[s];
    std::string line = Label(sec.name) + ": " + Count(sec.blocks, "block", "blocks");
    if (guard.VerifySection(s, threads)) {
      line += ", whole";
    } else {
      const std::vector<uint64_t> bad = guard.Damaged(s);
      line += ", " + std::to_string(bad.size()) + " damaged:";
      for (size_t i = 0; i < bad.size() && i < 8; ++i) line += (i == 0 ? " block " : ", ") + std::to_string(bad[i]);
      if (bad.size() > 8) line += ", ...";
      if (first.ok()) first = guard.failure();
    }
    report.lines.push_back(line);
  }
  if (!first.ok()) return first;
  // Whole blocks: what they hold must still add up, and the genome file
  // must be the one the index was made from.
  st = idx->ReadTables(path);
  if (!st.ok()) return st;
  for (size_t i = 0; i < idx->pamTables().size(); ++i) {
    const SiteTableView view = idx->TableView(i);
    st = CheckSiteTable(view, path);
    if (!st.ok()) return st;
    const Pam& pam = view.shape.pam;
    report.lines.push_back("site table " + pam.letters + (pam.fivePrime ? " (5')" : " (3')") + ": " +
                           Count(view.sites + view.oddSites, "site", "sites") + ", guides up to " +
                           std::to_string(view.shape.maxGuide) + " letters, adds up");
  }
  const std::string& genome = idx->source().path;
  if (genome.empty()) {
    report.lines.push_back("genome file: none recorded (made from a stream)");
  } else if (SourceOf(genome).path.empty()) {
    report.lines.push_back("genome file: " + genome + " is gone; the index stands on its own");
  } else {
    report.lines.push_back("genome file: " + genome + ", unchanged");
  }
  return Status::OK();
}

}  // namespace quorvane

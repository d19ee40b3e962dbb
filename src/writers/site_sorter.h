// The sites of a guide search put in order with bounded memory: they are
// gathered up to a budget of bytes, each full budget sorted and written
// to a file of its own (a sorted run), and the runs merged as the sites
// are read back.
#ifndef QUORVANE_WRITERS_SITE_SORTER_H_
#define QUORVANE_WRITERS_SITE_SORTER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "env/env.h"
#include "guides/guide_search.h"

namespace quorvane {

// Bytes of sites held in memory before they go to a run, by default.
inline constexpr size_t kSortBudget = size_t{128} << 20;

class SiteSorter final : public GuideSiteSink {
 public:
  // Runs are the files runPrefix + "1", + "2", ... (written through env,
  // beside the results); each is removed once merged, and every one that
  // is left when the sorter goes. guides: the guides of the search, for
  // the counts per guide.
  SiteSorter(Env& env, std::string runPrefix, size_t budgetBytes, size_t guides);
  ~SiteSorter() override;
  SiteSorter(const SiteSorter&) = delete;
  SiteSorter& operator=(const SiteSorter&) = delete;

  // Takes a batch of sites; writes a run when the budget is full. Fails
  // with kCantOpen or kIoError ("can't write " + the run's file).
  Status Take(std::vector<GuideSite>& batch) override;

  // Ends the taking and readies the reading: merges runs until few enough
  // are left to be read side by side. Fails as Take.
  Status Finish();

  // The next site in the order of GuideSiteBefore; more is false past the
  // last. Fails with kIoError ("can't read " + a run's file).
  Status Next(GuideSite& site, bool& more);

  // Sites taken, in all and per guide.
  int64_t total() const { return total_; }
  const std::vector<int64_t>& perGuide() const { return perGuide_; }
  // Runs written so far, merged ones included.
  int runsWritten() const { return runsWritten_; }

  class RunReader;

 private:
  Status WriteRun(std::vector<GuideSite>& sites);
  Status MergeRuns(size_t first, size_t count);
  Status OpenReaders();

  Env& env_;
  std::string prefix_;
  size_t budget_;
  std::vector<GuideSite> buf_;
  std::vector<std::string> runs_;  // files written and not yet removed, in order
  int runsWritten_ = 0;
  int64_t total_ = 0;
  std::vector<int64_t> perGuide_;
  // Reading: straight from buf_ when no run was written, else a merge.
  size_t bufAt_ = 0;
  std::vector<std::unique_ptr<RunReader>> readers_;
  std::vector<size_t> heap_;  // readers by their next site, the first on top
  bool merging_ = false;
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_SITE_SORTER_H_

#include "run/guide_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>

#include "common/number_text.h"
#include "guides/guide_search.h"
#include "guides/site_table_search.h"
#include "common/file_stem.h"
#include "readers/genome_file.h"
#include "readers/annotation_file.h"
#include "readers/guide_file.h"
#include "guides/site_scores.h"
#include "writers/guide_output.h"
#include "writers/site_sorter.h"
#include "writers/output_target.h"
#include "writers/result_stage.h"
#include "saved_index/index_reader.h"
#include "writers/sam_header.h"

namespace quorvane {
namespace {

// Bytes gathered before they are handed to a file.
constexpr size_t kFlushBytes = 1 << 20;

// Writes text in pieces of about kFlushBytes; the first failure sticks.
class TextOut {
 public:
  TextOut(std::unique_ptr<WritableFile> file, std::string shown) : file_(std::move(file)), shown_(std::move(shown)) {}
  std::string& buf() { return buf_; }
  Status MaybeFlush() { return buf_.size() >= kFlushBytes ? Push() : Status::OK(); }
  Status Close() {
    Status st = Push();
    errno = 0;
    Status closed = file_->Close();
    if (!closed.ok() && errno == EPIPE) closed = Status::PipeClosed("");
    if (st.ok() && !closed.ok()) st = closed;
    return st;
  }

 private:
  Status Push() {
    errno = 0;
    Status st = file_->Append(buf_);
    buf_.clear();
    // Standard output whose reader went away (`| head`) ends the run as
    // a closed pipe, not as a failed write.
    if (!st.ok() && errno == EPIPE) return Status::PipeClosed("");
    if (!st.ok() && st.code() != Status::Code::kPipeClosed && st.message().empty()) {
      st = Status::IoError("can't write " + shown_);
    }
    return st;
  }

  std::unique_ptr<WritableFile> file_;
  std::string shown_;
  std::string buf_;
};

// A failed write of one of our files: the message names it.
Status WriteFailure(const Status& st, const std::string& shown) {
  if (st.ok() || st.code() == Status::Code::kPipeClosed) return st;
  return Status::IoError("can't write " + shown);
}

// Hands sites on to another sink with their guides' places in a larger
// list: guide i of the search is guide places[i] of the run.
class GuidePlaces final : public GuideSiteSink {
 public:
  GuidePlaces(GuideSiteSink& to, const std::vector<uint32_t>& places) : to_(to), places_(places) {}
  Status Take(std::vector<GuideSite>& batch) override {
    for (GuideSite& s : batch) s.guide = places_[s.guide];
    return to_.Take(batch);
  }

 private:
  GuideSiteSink& to_;
  const std::vector<uint32_t>& places_;
};

class GuideRun {
 public:
  GuideRun(const GuideOptions& o, RunObserver& obs)
      : o_(o), obs_(obs), env_(o.env != nullptr ? *o.env : *Env::Default()), paths_(o) {}

  RunSummary Run() {
    try {
      const Status st = Steps();
      if (!st.ok()) Fail(st);
    } catch (const std::bad_alloc&) {
      Fail(Status::NoMemory("no memory for the guide search"));
    }
    if (sam_) sam_->Discard();
    if (loaded_ && sum_.outcome != RunOutcome::kDone) obs_.OnEndSteps(false);
    return sum_;
  }

 private:
  void Fail(const Status& st) { FailRun(st, obs_, sum_); }

  WaitAbort StopAsked() {
    return [this] { return obs_.StopRequested(); };
  }

  Status Steps() {
    if (o_.DiRes.empty() && o_.samPath.empty()) return Status::BadInput("give -o RESULTS_DIR, --sam FILE or both");
    if (!o_.DiRes.empty() && !env_.DirExists(o_.DiRes)) return Status::CantOpen("can't open " + o_.DiRes);
    Status st = ReadGuides(env_, o_.PthGuides, guides_, StopAsked());
    if (!st.ok()) return st;
    // Bad lines of the annotation are refused before anything is written.
    if (!o_.PthAnnotation.empty()) {
      annotation_ = std::make_unique<Annotation>();
      st = ReadAnnotation(env_, o_.PthAnnotation, *annotation_, StopAsked());
      if (!st.ok()) return st;
    }
    st = OpenFiles();
    if (!st.ok()) return st;

    GuideSearchOptions so;
    so.mis = o_.mis;
    so.dnaBulge = o_.dnaBulge;
    so.rnaBulge = o_.rnaBulge;
    so.threads = o_.threads;
    so.stop = [this] { return obs_.StopRequested(); };
    // The genome, or the letters of a saved index, mapped as they lie; a
    // saved index with a site table of the PAM answers without a scan.
    Reference ref;
    std::unique_ptr<SavedIndex> saved;
    SiteTableView table;
    // The guides the table serves, and those the scan looks for: guides
    // longer than the table's are scanned for, and every guide when there
    // is no table of the PAM or bulges are allowed.
    std::vector<uint32_t> tabled, scanned;
    if (IsSavedIndexFile(env_, o_.PthGnm)) {
      // A guide run reads the letters and the site tables, never the seed
      // index: the file is mapped and only what is read gets verified.
      IndexOpenOptions io;
      io.threads = o_.threads;
      io.verify = IndexOpenOptions::Verify::kWhenTouched;
      io.lettersAtOpen = false;
      st = OpenSavedIndexForRun(o_.PthGnm, o_.linear, io, saved);
      if (st.ok()) ref = saved->MakeReference();
    } else {
      st = ReadGenome(env_, o_.PthGnm, GenomeOptions{-1, o_.linear, StopAsked()}, ref);
    }
    if (!st.ok()) return st;
    const bool haveTable = saved && saved->FindSiteTable(o_.pam, table) && TableAnswers(table, o_.pam, {}, so);
    for (uint32_t g = 0; g < guides_.size(); ++g) {
      const bool served = haveTable && TableServes(table.shape, static_cast<int>(guides_[g].letters.size()));
      (served ? tabled : scanned).push_back(g);
    }
    if (!tabled.empty()) {
      saved->PrepareTableRead(table);
      st = CheckSiteTable(table, o_.PthGnm);
    }
    if (st.ok() && !scanned.empty() && saved && !saved->guard().allVerified() &&
        !saved->guard().VerifySection(0, o_.threads)) {
      // The scan reads every letter: all of them verified first.
      st = saved->guard().failure();
    }
    if (!st.ok()) return st;
    loaded_ = true;
    if (scanned.empty()) {
      searchText_ = "site table of the saved index";
    } else if (tabled.empty()) {
      searchText_ = "genome scan";
    } else {
      searchText_ = "site table of the saved index for " + std::to_string(tabled.size()) + " guides, genome scan for " +
                    std::to_string(scanned.size()) + " longer than " + std::to_string(table.shape.maxGuide) +
                    " letters";
    }

    RunProgress p;
    p.text = "search";
    obs_.OnProgress(p);
    const auto start = std::chrono::steady_clock::now();
    GuideSearchCounts counts;
    // The sorted runs lie beside the results, and go with the sorter.
    SiteSorter sorter(env_, SortPrefix(), o_.sortBudget != 0 ? o_.sortBudget : kSortBudget, guides_.size());
    // Each search sees its guides as a list of its own; their sites go to
    // the sorter under their places in the whole list.
    for (const bool fromTable : {true, false}) {
      const std::vector<uint32_t>& which = fromTable ? tabled : scanned;
      if (which.empty() || !st.ok()) continue;
      std::vector<Guide> part;
      for (uint32_t g : which) part.push_back(guides_[g]);
      GuidePlaces sink(sorter, which);
      GuideSearchCounts c;
      st = fromTable ? SearchSiteTable(ref, table, part, so, sink, &c) : SearchGuides(ref, part, o_.pam, so, sink, &c);
      counts.pamSites += c.pamSites;
    }
    if (st.ok()) st = sorter.Finish();
    if (!st.ok()) return st;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::vector<int64_t> perMis, perBulged;
    st = WriteResults(ref, sorter, perMis, perBulged);
    if (!st.ok()) return st;
    sum_.report = Report(ref, sorter.total(), perMis, perBulged, counts);
    sum_.seconds = SecondsText(seconds);
    p.text = std::to_string(sorter.total());
    p.seconds = seconds;
    obs_.OnProgress(p);
    obs_.OnTime(sum_.seconds);
    // The SAM file takes its name once the others have theirs.
    if (stage_) {
      st = stage_->Commit();
      if (!st.ok()) return st;
    }
    if (sam_) {
      st = sam_->Commit();
      if (!st.ok()) return st;
      sam_.reset();
    }
    obs_.OnEndSteps(true);
    sum_.outcome = RunOutcome::kDone;
    return Status::OK();
  }

  // Where the sorted runs go: beside the results files, or the SAM file,
  // or, for standard output alone, in the temporary folder.
  std::string SortPrefix() const {
    std::string dir = o_.DiRes;
    if (dir.empty() && o_.samPath != kStdoutPath) {
      const size_t slash = o_.samPath.rfind('/');
      dir = slash == std::string::npos ? std::string(".") : o_.samPath.substr(0, slash);
      if (dir.empty()) dir = "/";
    }
    if (dir.empty()) {
      const char* tmp = std::getenv("TMPDIR");
      dir = tmp != nullptr && *tmp != 0 ? tmp : "/tmp";
    }
    return dir + "/.sort-" + paths_.name + "-" + std::to_string(getpid()) + "-";
  }

  // The result files, created empty under their temporary names.
  Status OpenFiles() {
    std::unique_ptr<WritableFile> f;
    if (!o_.DiRes.empty()) {
      stage_.emplace(env_, paths_.stem);
      stage_->Protect(o_.PthGnm);
      stage_->Protect(o_.PthGuides);
      Status st = stage_->Create(paths_.sites, f);
      if (!st.ok()) return st;
      sites_.emplace(std::move(f), paths_.sites);
      st = stage_->Create(paths_.summary, f);
      if (!st.ok()) return st;
      summary_.emplace(std::move(f), paths_.summary);
    }
    if (!o_.samPath.empty()) {
      if (o_.samPath != kStdoutPath &&
          (env_.SameFile(o_.samPath, o_.PthGnm) || env_.SameFile(o_.samPath, o_.PthGuides))) {
        return Status::BadInput("result file is an input file\n" + o_.samPath);
      }
      sam_.emplace();
      Status st = sam_->Prepare(env_, o_.samPath);
      if (!st.ok()) return st;
      if (sam_->toStdout()) {
        st = env_.NewStdoutFile(f);
        if (!st.ok()) return st;
      } else {
        st = env_.NewWritableFile(sam_->writePath(), f);
        if (!st.ok()) return Status::CantOpen("can't open " + o_.samPath);
      }
      samOut_.emplace(std::move(f), sam_->shownPath());
    }
    return Status::OK();
  }

  // Writes every site, in order, into the files asked for; perMis and
  // perBulged receive the sites per mismatch count and per bulged letters.
  Status WriteResults(const Reference& ref, SiteSorter& sorter, std::vector<int64_t>& perMis,
                      std::vector<int64_t>& perBulged) {
    const BulgeLimits lim{o_.mis, o_.dnaBulge, o_.rnaBulge};
    const GuideColumns cols{o_.dnaBulge + o_.rnaBulge > 0, o_.scores, annotation_ != nullptr};
    GuideSummary summary(guides_, o_.pam, o_.mis, o_.dnaBulge + o_.rnaBulge, o_.scores);
    GuideSamWriter sam(ref, guides_, o_.pam, lim, sorter.perGuide());
    std::vector<bool> scored;
    for (const Guide& g : guides_) scored.push_back(o_.scores && ScoresApply(g, o_.pam));
    perMis.assign(static_cast<size_t>(o_.mis) + 1, 0);
    perBulged.assign(static_cast<size_t>(o_.dnaBulge + o_.rnaBulge) + 1, 0);
    if (sites_) sites_->buf() = GuideSitesHeader(cols);
    if (samOut_) samOut_->buf() = SamHeaderText(ref, SamProgram{o_.ProcNm, QUORVANE_VERSION, o_.commandLine});
    GuideSite s;
    bool more = true;
    int64_t done = 0;
    while (true) {
      Status st = sorter.Next(s, more);
      if (!st.ok()) return st;
      if (!more) break;
      if ((++done & 0xffff) == 0 && obs_.StopRequested()) return Status::Interrupted("stopped");
      ++perMis[static_cast<size_t>(s.mis)];
      ++perBulged[static_cast<size_t>(s.dnaBulge + s.rnaBulge)];
      const Guide& g = guides_[s.guide];
      const SiteView v = ViewSite(ref, g, o_.pam, s, lim);
      SiteExtras x;
      if (scored[s.guide]) {
        x.cfd = CfdScore(v.guideAln, v.siteAln, v.pamLetters());
        if (s.dnaBulge == 0 && s.rnaBulge == 0) {
          x.mit = MitScore(g.letters, v.letters.substr(static_cast<size_t>(v.protoAt), 20), v.pamLetters());
        }
      }
      if (annotation_ != nullptr) {
        annotation_->Describe(ref.seq(s.seq).name, s.start, static_cast<int64_t>(v.letters.size()),
                              ref.seq(s.seq).length, x.genes, x.feature);
      }
      summary.Add(s, x.cfd, x.mit);
      if (sites_) {
        AppendGuideSiteRow(sites_->buf(), g.name, ref.seq(s.seq).name, s, v, cols, x);
        st = sites_->MaybeFlush();
        if (!st.ok()) return WriteFailure(st, paths_.sites);
      }
      if (samOut_) {
        sam.Add(samOut_->buf(), s, v);
        st = samOut_->MaybeFlush();
        if (!st.ok()) return WriteFailure(st, sam_->shownPath());
      }
    }
    if (sites_) {
      Status st = sites_->Close();
      if (!st.ok()) return WriteFailure(st, paths_.sites);
      summary_->buf() = summary.Text();
      st = summary_->Close();
      if (!st.ok()) return WriteFailure(st, paths_.summary);
    }
    if (samOut_) {
      sam.Finish(samOut_->buf());
      Status st = samOut_->Close();
      if (!st.ok()) return WriteFailure(st, sam_->shownPath());
    }
    return Status::OK();
  }

  std::string Report(const Reference& ref, int64_t sites, const std::vector<int64_t>& perMis,
                     const std::vector<int64_t>& perBulged, const GuideSearchCounts& c) {
    std::string r = "program = " + o_.ProcNm + "\nguides = " + std::to_string(guides_.size()) +
                    "\npam = " + o_.pam.letters + (o_.pam.fivePrime ? " (5')" : " (3')") +
                    "\nmis = " + std::to_string(o_.mis);
    if (o_.dnaBulge + o_.rnaBulge > 0) {
      r += "\ndna bulge = " + std::to_string(o_.dnaBulge) + "\nrna bulge = " + std::to_string(o_.rnaBulge);
    }
    r += "\nsequences = " + std::to_string(ref.count()) + "\ngenome letters = " + std::to_string(ref.total()) +
         "\npam search = " + searchText_ + "\npam sites = " + std::to_string(c.pamSites) +
         "\nsites = " + std::to_string(sites);
    for (int m = 0; m <= o_.mis; ++m) {
      r += "\nsites m" + std::to_string(m) + " = " + std::to_string(perMis[static_cast<size_t>(m)]);
    }
    for (size_t b = 1; b < perBulged.size(); ++b) {
      r += "\nsites b" + std::to_string(b) + " = " + std::to_string(perBulged[b]);
    }
    return r;
  }

  const GuideOptions& o_;
  RunObserver& obs_;
  Env& env_;
  GuidePaths paths_;
  RunSummary sum_;
  std::vector<Guide> guides_;
  std::optional<ResultStage> stage_;
  std::optional<TextOut> sites_, summary_, samOut_;
  std::optional<OutputTarget> sam_;
  std::unique_ptr<Annotation> annotation_;  // the genes of --annotate; null for none
  bool loaded_ = false;  // the genome was read: the observer hears of the end steps
  std::string searchText_;  // how the sites were found, for the report
};

}  // namespace

GuidePaths::GuidePaths(const GuideOptions& o) {
  const std::string guides = o.PthGuides == "-" ? std::string("stdin") : FileStem(o.PthGuides);
  name = guides + "_" + FileStem(o.PthGnm) + "_" + (o.pam.fivePrime ? "5" : "") + o.pam.letters + "_m" +
         std::to_string(o.mis);
  if (o.dnaBulge + o.rnaBulge > 0) name += "_d" + std::to_string(o.dnaBulge) + "_r" + std::to_string(o.rnaBulge);
  stem = o.DiRes + "/" + name;
  sites = stem + "GuideSites.tsv";
  summary = stem + "GuideSummary.tsv";
}

RunSummary RunGuides(const GuideOptions& options, RunObserver& obs) { return GuideRun(options, obs).Run(); }

}  // namespace quorvane

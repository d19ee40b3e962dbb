#include "run/guide_run.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>

#include "common/number_text.h"
#include "guides/guide_search.h"
#include "common/file_stem.h"
#include "readers/genome_file.h"
#include "readers/guide_file.h"
#include "writers/guide_output.h"
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
    st = OpenFiles();
    if (!st.ok()) return st;

    // The genome, or the letters of a saved index, mapped as they lie.
    Reference ref;
    if (IsSavedIndexFile(env_, o_.PthGnm)) {
      std::unique_ptr<SavedIndex> saved;
      IndexOpenOptions io;
      io.threads = o_.threads;
      st = OpenSavedIndexForRun(o_.PthGnm, o_.linear, io, saved);
      if (st.ok()) ref = saved->MakeReference();
    } else {
      st = ReadGenome(env_, o_.PthGnm, GenomeOptions{-1, o_.linear, StopAsked()}, ref);
    }
    if (!st.ok()) return st;
    loaded_ = true;

    RunProgress p;
    p.text = "search";
    obs_.OnProgress(p);
    const auto start = std::chrono::steady_clock::now();
    GuideSearchOptions so;
    so.mis = o_.mis;
    so.threads = o_.threads;
    so.stop = [this] { return obs_.StopRequested(); };
    std::vector<GuideSite> sites;
    GuideSearchCounts counts;
    st = SearchGuides(ref, guides_, o_.pam, so, sites, &counts);
    if (!st.ok()) return st;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    st = WriteResults(ref, sites);
    if (!st.ok()) return st;
    sum_.report = Report(ref, sites, counts);
    sum_.seconds = SecondsText(seconds);
    p.text = "done";
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

  Status WriteResults(const Reference& ref, const std::vector<GuideSite>& sites) {
    if (sites_) {
      TextOut& out = *sites_;
      out.buf() = GuideSitesHeader();
      for (const GuideSite& s : sites) {
        AppendGuideSiteRow(out.buf(), ref, guides_, o_.pam, s);
        Status st = out.MaybeFlush();
        if (!st.ok()) return WriteFailure(st, paths_.sites);
      }
      Status st = out.Close();
      if (!st.ok()) return WriteFailure(st, paths_.sites);
      summary_->buf() = GuideSummaryText(guides_, sites, o_.mis);
      st = summary_->Close();
      if (!st.ok()) return WriteFailure(st, paths_.summary);
    }
    if (samOut_) {
      TextOut& out = *samOut_;
      out.buf() = SamHeaderText(ref, SamProgram{o_.ProcNm, QUORVANE_VERSION, o_.commandLine});
      for (size_t i = 0; i < sites.size();) {
        size_t j = i;
        while (j < sites.size() && sites[j].guide == sites[i].guide) ++j;
        AppendGuideSamRecords(out.buf(), ref, guides_[sites[i].guide], o_.pam, sites.data() + i, j - i, o_.mis);
        Status st = out.MaybeFlush();
        if (!st.ok()) return WriteFailure(st, sam_->shownPath());
        i = j;
      }
      Status st = out.Close();
      if (!st.ok()) return WriteFailure(st, sam_->shownPath());
    }
    return Status::OK();
  }

  std::string Report(const Reference& ref, const std::vector<GuideSite>& sites, const GuideSearchCounts& c) {
    std::vector<int64_t> perMis(static_cast<size_t>(o_.mis) + 1);
    for (const GuideSite& s : sites) ++perMis[static_cast<size_t>(s.mis)];
    std::string r = "program = " + o_.ProcNm + "\nguides = " + std::to_string(guides_.size()) +
                    "\npam = " + o_.pam.letters + (o_.pam.fivePrime ? " (5')" : " (3')") +
                    "\nmis = " + std::to_string(o_.mis) + "\nsequences = " + std::to_string(ref.count()) +
                    "\ngenome letters = " + std::to_string(ref.total()) +
                    "\npam sites = " + std::to_string(c.pamSites) + "\nsites = " + std::to_string(sites.size());
    for (int m = 0; m <= o_.mis; ++m) {
      r += "\nsites m" + std::to_string(m) + " = " + std::to_string(perMis[static_cast<size_t>(m)]);
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
  bool loaded_ = false;  // the genome was read: the observer hears of the end steps
};

}  // namespace

GuidePaths::GuidePaths(const GuideOptions& o) {
  const std::string guides = o.PthGuides == "-" ? std::string("stdin") : FileStem(o.PthGuides);
  stem = o.DiRes + "/" + guides + "_" + FileStem(o.PthGnm) + "_" + (o.pam.fivePrime ? "5" : "") + o.pam.letters + "_m" +
         std::to_string(o.mis);
  sites = stem + "GuideSites.tsv";
  summary = stem + "GuideSummary.tsv";
}

RunSummary RunGuides(const GuideOptions& options, RunObserver& obs) { return GuideRun(options, obs).Run(); }

}  // namespace quorvane

#include "readers/mates_source.h"

#include "pairs/pair_rule.h"
#include "readers/input_file.h"

namespace quorvane {

MatesSource::MatesSource(std::unique_ptr<ReadSource> first, std::string path1, std::unique_ptr<ReadSource> second,
                         std::string path2)
    : first_(std::move(first)), second_(std::move(second)), path1_(std::move(path1)), path2_(std::move(path2)) {}

Status MatesSource::Next(ReadRecord& r, bool& more) {
  more = false;
  if (!failed_.ok()) return failed_;
  if (owesMate2_) {
    owesMate2_ = false;
    r = mate2_;
    more = true;
    return Status::OK();
  }
  bool more1 = false, more2 = false;
  Status st = first_->Next(r, more1);
  if (st.ok()) st = second_->Next(mate2_, more2);
  if (st.ok() && more1 != more2) {
    const std::string& shorter = more1 ? path2_ : path1_;
    const std::string& longer = more1 ? path1_ : path2_;
    st = Status::BadInput("mates files of different lengths: " + shorter + " ends after read " +
                          std::to_string(pairs_) + ", " + longer + " goes on");
  }
  if (st.ok() && more1) {
    ++pairs_;
    // A file without names (plain lines) has nothing to compare.
    if (!r.name.empty() && !mate2_.name.empty() && PairName(r.name) != PairName(mate2_.name)) {
      st = Status::BadInput("mates' names disagree at read " + std::to_string(pairs_) + ": " + std::string(r.name) +
                            " in " + path1_ + ", " + std::string(mate2_.name) + " in " + path2_);
    }
  }
  if (!st.ok()) {
    failed_ = st;
    return st;
  }
  more = more1;
  owesMate2_ = more1;
  return Status::OK();
}

Status OpenMatesSource(Env& env, const std::string& path1, const std::string& path2,
                       std::unique_ptr<ReadSource>& source, WaitAbort abort) {
  std::unique_ptr<ReadSource> first, second;
  Status st = OpenReadSource(env, path1, first, abort);
  if (st.ok()) st = OpenReadSource(env, path2, second, abort);
  if (!st.ok()) return st;
  source = std::make_unique<MatesSource>(std::move(first), path1, std::move(second), path2);
  return Status::OK();
}

}  // namespace quorvane

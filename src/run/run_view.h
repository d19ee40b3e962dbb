// Where a run shows its progress and end, and reads its set-up states. The
// window, the command line and the tests each provide one.
#ifndef QUORVANE_RUN_RUN_VIEW_H_
#define QUORVANE_RUN_RUN_VIEW_H_

#include <cstdint>
#include <string>

namespace quorvane {

// A snapshot of the read loop, given with every progress text.
struct RunProgress {
  int64_t linesRead = 0;  // lines delivered by the reads file so far
  int64_t accepted = 0;   // of them, reads of acceptable length
  int64_t bytesRead = 0;  // bytes of the reads file consumed so far
  int64_t bytesTotal = 0; // size of the reads file when the run began
  double seconds = 0;     // wall-clock time since the loop started
};

class RunView {
 public:
  virtual ~RunView() = default;

  // The set-up states; a run starts only when both are done.
  virtual bool SetStateOpen() const = 0;
  virtual bool AcceptStateOpen() const = 0;

  // The progress text: the accepted count every 1000 lines, "inpRdsNu"
  // after the last line. Shown at once.
  virtual void SetProgressText(const std::string& text, const RunProgress& progress) = 0;
  // The elapsed seconds of the read loop, once, after the report.
  virtual void SetTimeText(const std::string& text) = 0;
  // The caption of the "go" control: "done" at the end of a run.
  virtual void SetGoCaption(const std::string& caption) = 0;
  // Opens both set-up states; called once in a run's end steps.
  virtual void BtnCancelClick() = 0;
  // Opens the set state alone; called after the results of a run with
  // found reads are in place.
  virtual void OpenSetState() = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_RUN_VIEW_H_

// quorvane-map index: makes a saved index of a genome.
#ifndef QUORVANE_APP_INDEX_COMMAND_H_
#define QUORVANE_APP_INDEX_COMMAND_H_

namespace quorvane {

// Runs `quorvane-map index GENOME -o NAME` with argv[0] "index"; returns
// the exit status: 0 written, 1 failed, 2 a usage error, 128 + the signal
// when stopped.
int IndexMain(int argc, char** argv);

}  // namespace quorvane

#endif  // QUORVANE_APP_INDEX_COMMAND_H_

// Reading an annotation file (GTF, GFF3 or BED, gzipped or not).
#ifndef QUORVANE_READERS_ANNOTATION_FILE_H_
#define QUORVANE_READERS_ANNOTATION_FILE_H_

#include <string>

#include "common/status.h"
#include "env/env.h"
#include "readers/annotation.h"

namespace quorvane {

// Reads the annotation at path into ann. The format is told by the
// content: GTF (9 tab-separated fields, attributes as key "value"), GFF3
// (9 fields, attributes as key=value, or a "##gff-version 3" line) or
// BED (3 to 12 fields). Genes come from GTF lines by gene_id (named by
// gene_name), from GFF3 genes and the exons of their transcripts (by ID
// and Parent, named by Name), from BED lines by name, their blocks as
// exons and the parts outside the thick part as UTRs. Lines starting with
// "#", "track" or "browser", and blank lines, are passed over. Fails with
// kCantOpen ("can't open " + path), kIoError, or kBadInput "line N of
// PATH: ..." naming what is wrong with the first bad line.
Status ReadAnnotation(Env& env, const std::string& path, Annotation& ann, WaitAbort abort = {});

}  // namespace quorvane

#endif  // QUORVANE_READERS_ANNOTATION_FILE_H_

// The header of our SAM and BAM files.
#ifndef QUORVANE_WRITERS_SAM_HEADER_H_
#define QUORVANE_WRITERS_SAM_HEADER_H_

#include <string>

#include "engine/reference.h"

namespace quorvane {

// What the @PG line tells of the program that wrote the file.
struct SamProgram {
  std::string name;         // ID and PN
  std::string version;      // VN
  std::string commandLine;  // CL
};

// The header text, each line ending with a line break: "@HD VN:1.6
// SO:unsorted GO:query"; one "@SQ SN:name LN:length" per sequence of ref,
// in its order, with "TP:circular" on a circular one; "@PG ID PN VN CL"
// from pg (fields apart by tabs). A byte outside '!'..'~' (a blank, a
// tab) becomes '_' in SN, ID, PN and VN; a control byte becomes a space in
// CL, so that every line keeps its fields.
std::string SamHeaderText(const Reference& ref, const SamProgram& pg);

// The command line as one line of text: the words apart by spaces, each
// word that holds anything but letters, digits and "+,-./:=@_%" in single
// quotes as a POSIX shell reads it back.
std::string CommandLineText(int argc, const char* const* argv);

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_SAM_HEADER_H_

// `hopscale batch [FILE|-]`: the calculation of `calc` over many paths.
//
// Input: CSV (RFC 4180: quoted fields, doubled quotes, commas and line breaks inside quotes;
// CRLF or LF line ends). The header names columns among the `calc` option names without their
// dashes (tx-dish, ..., length, km, freq, ..., power, watts, name); a column left out takes the
// field's default text; km and watts hold 1 or 0 (empty counts as 0). A header naming an
// unknown or repeated column is a usage error. Lines that are entirely empty are skipped.
//
// Output on stdout: the columns name, every result in the record's order, error. Each row is
// calculated from a fresh state; a value the row did not compute is left empty; a failing row
// carries its error kind in `error`, its message goes to stderr, and the batch carries on.
// Rows are streamed: memory does not grow with their number. With --jobs N (default: the
// number of cores) N rows are calculated at once; output, messages and exit status are the
// same whatever N. Progress is shown on stderr when stderr is a terminal.
// Exit status: 0 every row calculated, 1 a row failed or a file could not be read or written,
// 2 usage error.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

#include "front_door.h"

namespace hopscale {

// The `batch` subcommand for the front door: reads FILE (or stdin for "-" or no argument),
// writes stdout and stderr.
cli::CommandDefinition batchCommand();

struct BatchOptions {
    bool progress = false;  // show a progress line on `err`
    bool crlf = false;      // end output lines with CR LF instead of LF
    // Size of the input buffer and of the output written at once; at least 16.
    std::size_t bufferBytes = std::size_t{1} << 20;
    // Rows calculated at once (at least 1); the output does not depend on it.
    std::size_t jobs = 1;
    // The data directory (--data-dir) whose equipment library radio and antenna columns name.
    std::optional<std::string> dataDir;
};

// The batch itself over open streams; returns the exit status.
int runBatch(std::FILE* in, std::FILE* out, std::FILE* err, const BatchOptions& options);

}  // namespace hopscale

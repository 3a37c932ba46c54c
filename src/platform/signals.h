// What the program does on the signals that end it: the temporary files
// that outputs are being written to are removed first (common/
// temporary_files.h), then the signal ends the program as it would have.
// A broken pipe (the reader of standard output went away, as in
// `orvtext - | head`) ends the program quietly at once, as other filters
// end, even when the parent asked for broken pipes to be ignored.
#pragma once

namespace orv {

// Installs the handlers for SIGINT, SIGTERM, SIGHUP and SIGPIPE.
void InstallSignalCleanup();

}  // namespace orv

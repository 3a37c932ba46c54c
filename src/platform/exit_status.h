// orvtext's exit statuses. The run decides which one applies; main returns
// it to the shell.
#pragma once

namespace orv {

// Every file of the batch converted, or only the usage text was asked for.
inline constexpr int kExitSuccess = 0;
// The run failed: an invalid directory, a failed output pass, or any other
// "Conversion failed".
inline constexpr int kExitRunFailed = 1;
// The command line named no input file.
inline constexpr int kExitNoInputFile = 2;
// The input specification matched no file ("No files found").
inline constexpr int kExitNoFilesFound = 3;

}  // namespace orv

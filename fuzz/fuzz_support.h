// What the fuzz targets share: one scratch run folder per process, laid out
// like the game's, with the tests' small pictures and font and SDL's dummy
// video driver up.
#ifndef VANTREL_FUZZ_SUPPORT_H
#define VANTREL_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {
// Makes the folder on the first call (images/ with the test pictures and
// font, levels/, save/, sounds/) and makes it the working directory. Called
// from the first input, not at start-up, so libFuzzer's own relative paths
// of the command line keep their meaning in the parent of -fork and -jobs.
void enter_run_dir();
// Writes the bytes to a file named relative to the run folder.
void write_input(const std::string& relative, const uint8_t* data, size_t size);
}

#endif

// setup-sim --matrix MEDIUM: the medium installed on every Windows the
// program meets (2000, XP, 7, 10; 32- and 64-bit), in the three languages,
// with the printer on USB, on LPT1 or not attached. Each cell is one
// setup-sim run of its own; its transcript and end state are kept, and a
// Markdown and an HTML table say what the user saw and what the system holds.
#pragma once
#include <string>

namespace simtool {

struct MatrixOptions {
  std::string self;      // this program, run once per cell
  std::string medium;
  std::string outDir;    // cells/NAME.ini, cells/NAME.txt, matrix.md, matrix.html
  std::string userFile;  // empty: the user presses Install and takes every box's default
};

// 0 when every cell ran (whatever it showed), 1 when one could not, 2 on a bad medium or folder.
int RunMatrix(const MatrixOptions& o);

}  // namespace simtool

// setup-sim --matrix MEDIUM: the medium installed on every Windows the
// program meets (2000, XP, 7, 10; 32- and 64-bit), in the three languages,
// with the printer on USB, on LPT1, on COM1 (for a model whose INF names the
// serial enumerator) or not attached. Each cell is one setup-sim run of its
// own; its transcript and end state are kept, and a Markdown and an HTML
// page give the verdict: a grid per model and language, each cell "pass",
// "will not print" (the queue is not on the printer's port), "no queue" or
// "failed", with the model's hint and guides as each language shows them.
#pragma once
#include <string>

namespace simtool {

struct MatrixOptions {
  std::string self;  // this program, run once per cell
  std::string medium;
  std::string outDir;    // cells/NAME.ini, cells/NAME.txt, matrix.md, matrix.html
  std::string userFile;  // empty: the user presses Install and takes every box's default
};

// 0 when every cell passes; 1 when one fails, has no queue or will not
// print; 2 on bad input (no medium, no model, a user script that does not
// parse, a folder that cannot be written).
int RunMatrix(const MatrixOptions& o);

}  // namespace simtool

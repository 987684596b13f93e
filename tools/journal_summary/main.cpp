// journal_summary: prints what a bridge sent to the stand-in renderer, from
// the journal file that RENDERER_STANDIN_JOURNAL named.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "journal_summary/journal_summary.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: journal_summary JOURNAL_FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "journal_summary: cannot open %s\n", argv[1]);
    return 1;
  }
  const auto summary = tarnwick::tools::SummariseJournal(in);
  std::cout << tarnwick::tools::FormatJournalSummary(summary);
  return 0;
}

// Quadrin: solves every puzzle of IN.TXT in the current folder into OUT.TXT.
#include <iostream>

#include "Sudoku.h"

int main() {
  return quadrin::RunBatch(".", std::cerr);
}

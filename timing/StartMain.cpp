// Start: stamps the current UTC time of day into Start.txt in the current folder.
#include <iostream>

#include "StartFile.h"

int main() {
  return timing::RunStart(".", timing::GetSystemTime, std::cerr);
}

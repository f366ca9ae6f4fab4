// korvane [OPTIONS] [INPUTS...]: the extraction records of pages; see --help.
#include <variant>

#include "app.h"

int main(int argc, char** argv) {
  const auto parsed = korvane::cli::ParseOptions(argc, argv);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  return korvane::cli::Run(std::get<korvane::cli::Options>(parsed));
}

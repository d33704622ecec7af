// kiv-cli gif FILE: shows how our parser sees a GIF, block by block, without
// decoding any pixels.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "skin/GifParser.h"

namespace {

int runGif(const kiv::cli::CliOptions& options) {
  if (options.args.size() != 1) {
    std::fprintf(stderr, "usage: kiv-cli gif FILE\n");
    return kiv::cli::kExitUsage;
  }
  std::ifstream in(options.args[0], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kiv-cli: cannot read %s\n", options.args[0].c_str());
    return kiv::cli::kExitFailed;
  }
  const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string text;
  const int isGif = kiv::GifParser::describe(data.data(), data.size(), text);
  std::fputs(text.c_str(), stdout);
  return isGif ? kiv::cli::kExitOk : kiv::cli::kExitFailed;
}

const kiv::cli::CliCommand gifCommand("gif", "gif FILE", runGif);

}  // namespace

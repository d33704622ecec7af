#include "cli/CliCommand.h"

#include <cstring>

namespace kiv::cli {
namespace {

std::vector<const CliCommand*>& registry() {
  static std::vector<const CliCommand*> commands;
  return commands;
}

}  // namespace

CliCommand::CliCommand(const char* name, const char* usage, CliHandler handler)
    : name_(name), usage_(usage), handler_(handler) {
  registry().push_back(this);
}

const std::vector<const CliCommand*>& CliCommand::all() {
  return registry();
}

const CliCommand* CliCommand::find(const std::string& name) {
  for (const CliCommand* c : registry())
    if (name == c->name()) return c;
  return nullptr;
}

}  // namespace kiv::cli

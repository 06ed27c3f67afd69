// vantrel: applies the QN Vantrel effect through the substitute host.
#include <CLI/CLI.hpp>

#include <iostream>

#include "InfoCommand.h"
#include "ModulePath.h"

int main(int argc, char** argv) {
  CLI::App app{"vantrel: the QN Vantrel echo effect, rendered on the GPU", "vantrel"};
  app.set_version_flag("--version", std::string("vantrel ") + VANTREL_VERSION);
  app.require_subcommand(1);

  std::string module;
  app.add_option("--module", module, "Effect module to load (default: $VANTREL_MODULE, else QNVantrel.so beside vantrel)");

  CLI::App* info = app.add_subcommand("info", "Show the effect's identity, about text and controls");

  CLI11_PARSE(app, argc, argv);

  try {
    if (info->parsed()) return vantrel::runInfo(vantrel::resolveModulePath(module), std::cout);
  } catch (const std::exception& e) {
    std::cerr << "vantrel: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

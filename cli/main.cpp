// vantrel: applies the QN Vantrel effect through the substitute host.
#include <CLI/CLI.hpp>

#include <iostream>

#include "InfoCommand.h"
#include "ModulePath.h"
#include "RenderCommand.h"

int main(int argc, char** argv) {
  CLI::App app{"vantrel: the QN Vantrel echo effect, rendered on the GPU", "vantrel"};
  app.set_version_flag("--version", std::string("vantrel ") + VANTREL_VERSION);
  app.require_subcommand(0, 1);

  std::string module;
  app.add_option("--module", module, "Effect module to load (default: $VANTREL_MODULE, else QNVantrel.so beside vantrel)");

  CLI::App* info = app.add_subcommand("info", "Show the effect's identity, about text and controls");

  vantrel::RenderRequest renderRequest;
  CLI::App* render = app.add_subcommand("render", "Apply the effect to a PNG picture and write the result as a PNG");
  render->add_option("input", renderRequest.input, "PNG picture to apply the effect to (default: a built-in 1280x720 test card)");
  render->add_option("-o,--output", renderRequest.output, "PNG file to write")->required();
  // One NAME=VALUE per --set, so that a following input name is not taken for a second.
  render->add_option("--set", renderRequest.assignments,
                     "Set a control: \"NAME=VALUE\", repeatable (vantrel info lists the controls)")
      ->allow_extra_args(false);

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    std::cerr << "vantrel: " << e.what() << " (see vantrel --help)\n";
    return 2;
  }

  try {
    if (info->parsed()) return vantrel::runInfo(vantrel::resolveModulePath(module), std::cout);
    if (render->parsed()) return vantrel::runRender(vantrel::resolveModulePath(module), renderRequest);
  } catch (const std::exception& e) {
    std::cerr << "vantrel: " << e.what() << "\n";
    return 1;
  }
  std::cerr << app.help();
  return 1;
}

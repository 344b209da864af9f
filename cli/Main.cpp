// tavikplan: the cutting task and its job plan from the command line.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "Commands.h"
#include "PlanError.h"

namespace {

const char* const Usage =
    "Usage: tavikplan COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  show FILE                 print the task: settings, sheets, pieces and jobs\n"
    "  compute IN [-o OUT]       compute the job plan of a task and save it\n"
    "  optimise IN -o OUT        compute a plan that needs fewer sheets and save it\n"
    "  print IN -o PLAN.pdf      draw the printed job plan of a task into a PDF\n"
    "\n"
    "  -h, --help                show this help\n"
    "  --version                 show the program's name and version\n"
    "\n"
    "Run 'tavikplan COMMAND --help' for the options of a command.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return UsageError("", "no command given");
  const std::string Command = argv[1];
  if (Command == "--help" || Command == "-h" || Command == "help") {
    std::fputs(Usage, stdout);
    return ExitOk;
  }
  if (Command == "--version") {
    std::printf("tavikplan (%s) %s\n", ProductName, ProductVersion);
    return ExitOk;
  }
  // A command that runs out of memory, or meets another failure it did not
  // foresee, ends with a message and status 1, never with an abort.
  try {
    TArgs Args(argv + 2, argv + argc);
    if (Command == "show") return RunShow(Args);
    if (Command == "compute") return RunCompute(Args);
    if (Command == "optimise") return RunOptimise(Args);
    if (Command == "print") return RunPrint(Args);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "tavikplan: %s\n", PlanMessages::OutOfMemory);
    return ExitError;
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "tavikplan: %s\n", Error.what());
    return ExitError;
  }
  return UsageError("", "unknown command '" + Command + "'");
}

// brisko-sim: runs the add-in in the simulated Outlook on a scenario file, or on the built-in demo.
#include <fstream>
#include <iostream>
#include <string>

#include "tools/brisko-sim/native_session.h"
#include "tools/brisko-sim/scenario.h"

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
        std::cerr << "usage: brisko-sim [scenario file | -]\n"
                     "Runs the scenario (one command a line) with the add-in in the simulated Outlook;\n"
                     "without a file it runs the built-in demo on the sample mailbox.\n";
        return argc > 2 ? 2 : 0;
    }
    brisko::tools::ScenarioRunner runner(std::cout, brisko::tools::MakeNativeSession());
    if (argc == 1) return runner.RunText(brisko::tools::kDemoScenario, "demo");
    const std::string path = argv[1];
    if (path == "-") return runner.Run(std::cin, "stdin");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "brisko-sim: cannot open " << path << "\n";
        return 2;
    }
    return runner.Run(in, path);
}

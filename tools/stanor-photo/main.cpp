#include "PhotoTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return stanor::tools::runPhotoTool(args, std::cout, std::cerr);
}

// quorvex-route: a route file's length, markers and chainages, for GIS people and scripts.
#include "tracking/RouteCommand.h"

#include <iostream>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    return quorvex::tracking::runRouteCommand(args, std::cout, std::cerr);
}

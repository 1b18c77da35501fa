#pragma once

#include "Servers.h"

#include <string>

// The command line of vantero-devservice.
namespace devservice {

struct Options {
    std::string dataDir;
    std::string mediaDir;     // default: <dataDir>/media
    std::string clientConfig; // settings file to write the client's "service" group into
    ServerSettings servers;
    long long tokenLifetime = 3600;
    int seedChannels = 0;
    bool prepareMediaOnly = false;
    bool verbose = false;
    bool exitWithParent = false; // end with the process that started it (tests)
    bool help = false;
};

// Fills options from the arguments; false with error set on a bad command
// line (the caller prints usage()).
bool parseOptions(int argc, char **argv, Options &options, std::string &error);
std::string usage();

} // namespace devservice

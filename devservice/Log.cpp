#include "Log.h"

#include "TextUtil.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace devservice {

namespace {

std::atomic<bool> verbose{false};
std::mutex outputMutex;

void writeLine(const char *level, const std::string &text) {
    const std::string stamp = formatUtc(std::time(nullptr));
    const std::lock_guard<std::mutex> lock(outputMutex);
    std::fprintf(stderr, "%s %s %s\n", stamp.c_str(), level, text.c_str());
    std::fflush(stderr);
}

} // namespace

void setVerboseLogging(bool on) {
    verbose = on;
}
bool verboseLogging() {
    return verbose;
}

void logDebug(const std::string &text) {
    if (verbose)
        writeLine("debug", text);
}

void logInfo(const std::string &text) {
    writeLine("info", text);
}
void logWarning(const std::string &text) {
    writeLine("warning", text);
}
void logError(const std::string &text) {
    writeLine("error", text);
}

void printConsole(const std::string &text) {
    const std::lock_guard<std::mutex> lock(outputMutex);
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

} // namespace devservice

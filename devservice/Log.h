#pragma once

#include <string>

// Diagnostics of the service: one line per event on standard error, with a
// UTC time stamp. Safe to call from any worker thread.
namespace devservice {

void setVerboseLogging(bool on);
bool verboseLogging();

void logDebug(const std::string &text); // only with --verbose
void logInfo(const std::string &text);
void logWarning(const std::string &text);
void logError(const std::string &text);

// A line for the person at the console (READY, credentials, SMS codes):
// standard output, flushed at once so that scripts waiting for it see it.
void printConsole(const std::string &text);

} // namespace devservice

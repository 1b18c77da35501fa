#pragma once

#include <QString>

class CheckUpdate;
class JsonRpc;
class QUrl;

// The steps of program start that tests can run one by one.
namespace Startup {

// "lang_ru" for a system locale named exactly "ru_RU", "lang_en" otherwise.
QString languageForLocale(const QString &localeName);

// Makes the first system proxy that applies to the service endpoint the
// application-wide proxy; leaves the proxy alone when there is none.
void setupProxy(const QUrl &apiUrl);

// Chooses the language (stored, else guessed from the locale without
// storing the guess), loads the application translator from the program's
// directory and installs it whether or not the load succeeded.
void installApplicationTranslator(const QString &localeName);

// Wires the start-up version lookup to the update checker and starts it.
// The main window appears whatever the lookup ends with: an answer, a
// failure, or a reply that is not JSON.
void startVersionCheck(JsonRpc &lookup, CheckUpdate &checker);

// The whole start-up: returns the event loop's exit code.
int run(int argc, char **argv);

} // namespace Startup

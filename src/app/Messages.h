#pragma once

#include <QString>

// The catalogue text for a message key such as "alert2", looked up in the
// empty context. A key that no installed catalogue holds comes back
// unchanged, so a missing catalogue shows keys rather than failing.
QString msg(const char *key);
// The same for a key chosen at run time (keys are ASCII).
QString msg(const QString &key);

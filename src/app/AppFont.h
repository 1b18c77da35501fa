#pragma once

#include <QString>

// Family of the title font shipped beside the executable. The file is added
// to the font database on the first call only; later calls return the cached
// family (empty when the file was missing or named no family).
QString applicationFontFamily(const QString &fileName = QStringLiteral("/Lobster 1.4.otf"));

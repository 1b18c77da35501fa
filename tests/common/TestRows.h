#pragma once

#include <QtTest>

// One row of a data table, its columns in the order they were added: a row
// reads as one call, however many columns it has.
template <typename... Columns> void addRow(const char *tag, const Columns &...columns) {
    (QTest::newRow(tag) << ... << columns);
}

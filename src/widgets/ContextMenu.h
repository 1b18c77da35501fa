#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

class QWidget;

// Small pop-up menus of plain actions. choose() pops up a QMenu with one
// action per text at a global position and returns the index of the action
// chosen, or -1 when the menu was dismissed.
//
// Tests can decide the choice in advance: after setNextChoice() the next
// choose() returns that index at once (-1 for a dismissed menu), without
// showing anything, and records the action texts it was given. One preset
// answers one call; without a preset the real menu pops up.
class ContextMenu {
public:
    static int choose(QWidget *parent, const QStringList &actions, const QPoint &globalPos);

    // For tests.
    static void setNextChoice(int index);
    static bool hasPresetChoice();
    static void clearPresetChoice();
    static int presetMenusShown(); // menus answered from a preset so far
    static QStringList lastActions();
};

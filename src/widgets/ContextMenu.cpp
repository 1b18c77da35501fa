#include "widgets/ContextMenu.h"

#include <QAction>
#include <QMenu>

#include <optional>

namespace {

struct Preset {
    std::optional<int> choice;
    int shown = 0;
    QStringList actions;
};

Preset &preset() {
    static Preset value;
    return value;
}

} // namespace

int ContextMenu::choose(QWidget *parent, const QStringList &actions, const QPoint &globalPos) {
    Preset &p = preset();
    if (p.choice) {
        const int choice = *p.choice;
        p.choice.reset();
        ++p.shown;
        p.actions = actions;
        return choice < actions.size() ? choice : -1;
    }
    QMenu menu(parent);
    for (const QString &text : actions)
        menu.addAction(text);
    QAction *chosen = menu.exec(globalPos);
    return chosen ? menu.actions().indexOf(chosen) : -1;
}

void ContextMenu::setNextChoice(int index) {
    preset().choice = index;
}

bool ContextMenu::hasPresetChoice() {
    return preset().choice.has_value();
}

void ContextMenu::clearPresetChoice() {
    preset() = Preset();
}

int ContextMenu::presetMenusShown() {
    return preset().shown;
}

QStringList ContextMenu::lastActions() {
    return preset().actions;
}

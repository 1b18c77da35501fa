#include "widgets/MessageBox.h"

#include <optional>

namespace {

struct Preset {
    std::optional<QMessageBox::StandardButton> answer;
    int asked = 0;
    QString title;
    QString text;
};

Preset &preset() {
    static Preset value;
    return value;
}

} // namespace

QMessageBox::StandardButton MessageBox::question(QWidget *parent, const QString &title,
                                                 const QString &text,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton) {
    Preset &p = preset();
    if (p.answer) {
        const QMessageBox::StandardButton answer = *p.answer;
        p.answer.reset();
        ++p.asked;
        p.title = title;
        p.text = text;
        return answer;
    }
    return QMessageBox::question(parent, title, text, buttons, defaultButton);
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer) {
    preset().answer = answer;
}

bool MessageBox::hasPresetAnswer() {
    return preset().answer.has_value();
}

void MessageBox::clearPresetAnswer() {
    preset() = Preset();
}

int MessageBox::presetQuestionsAsked() {
    return preset().asked;
}

QString MessageBox::lastTitle() {
    return preset().title;
}

QString MessageBox::lastText() {
    return preset().text;
}

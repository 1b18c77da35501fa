#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The program's yes/no questions. Each call shows the standard modal
// QMessageBox::question and returns the button the user pressed.
//
// Tests can decide the answer in advance: after setNextAnswer() the next
// question() returns that answer at once, without showing anything, and
// records what it would have asked (lastTitle()/lastText()). One preset
// answers one question; without a preset nothing here differs from a plain
// QMessageBox::question.
class MessageBox {
public:
    static QMessageBox::StandardButton
    question(QWidget *parent, const QString &title, const QString &text,
             QMessageBox::StandardButtons buttons,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // For tests.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    static bool hasPresetAnswer();
    static void clearPresetAnswer();
    static int presetQuestionsAsked(); // questions answered from a preset so far
    static QString lastTitle();
    static QString lastText();
};

#include "settings/ForgotParentPaswordWidget.h"

#include "ui_ForgotParentPaswordWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/SlidingStackedWidget.h"
#include "settings/DialogMainSettings.h"
#include "settings/ParentWidget.h"
#include "widgets/SharedOverlay.h"

#include <QPainter>
#include <QStyleOption>

ForgotParentPaswordWidget::ForgotParentPaswordWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ForgotParentPaswordWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("forgot"));
    ui->label_text->setText(QStringLiteral("%1 \"%2\"").arg(msg("alert21"), appState().userName));
    ui->lineEdit_1->setPlaceholderText(msg("password"));
    ui->lineEdit_1->setAttribute(Qt::WA_MacShowFocusRect, false);
}

ForgotParentPaswordWidget::~ForgotParentPaswordWidget() = default;

void ForgotParentPaswordWidget::alert(const char *messageKey) {
    SharedOverlay::showError(this, msg(messageKey));
    ui->lineEdit_1->setFocus();
}

void ForgotParentPaswordWidget::on_pushButton_2_clicked() {
    const QString typed = ui->lineEdit_1->text();
    if (typed.isEmpty()) {
        alert("alert1");
        return;
    }
    if (typed != appState().password) {
        alert("alert3");
        return;
    }
    if (DialogMainSettings *dialog = DialogMainSettings::of(this)) {
        dialog->parentPage()->setMode(ParentWidget::FirstMode, false);
        dialog->showParentPage();
    }
}

void ForgotParentPaswordWidget::on_pushButton_back_clicked() {
    DialogMainSettings *dialog = DialogMainSettings::of(this);
    if (!dialog)
        return;
    SlidingStackedWidget *stack = dialog->stack();
    stack->setVerticalMode(true);
    stack->setAnimation(QEasingCurve::OutQuart);
    stack->slideInIdx(DialogMainSettings::ParentPage);
}

void ForgotParentPaswordWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

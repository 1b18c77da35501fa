#include "account/CountryWidget.h"

#include "ui_CountryWidget.h"

#include "account/CountryTable.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SlidingStackedWidget.h"

#include <QJsonObject>
#include <QScrollBar>

namespace {

constexpr int rowHeight = 50;

// Set on the bar itself: the page's own background rule would otherwise win
// over a rule in the list's style sheet and leave a desktop scroll bar.
const char scrollBarStyle[] = "QScrollBar:vertical {\n"
                              "    background: rgb(245, 245, 245);\n"
                              "    width: 8px;\n"
                              "    margin: 0px;\n"
                              "}\n"
                              "QScrollBar::handle:vertical {\n"
                              "    background: rgb(190, 190, 190);\n"
                              "    border-radius: 4px;\n"
                              "    min-height: 40px;\n"
                              "}\n"
                              "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical {\n"
                              "    height: 0px;\n"
                              "}\n"
                              "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical {\n"
                              "    background: none;\n"
                              "}";

} // namespace

CountryWidget::CountryWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::CountryWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("selectcountry"));
    ui->listWidget->setAttribute(Qt::WA_MacShowFocusRect, false);
    ui->listWidget->verticalScrollBar()->setStyleSheet(QLatin1String(scrollBarStyle));
}

CountryWidget::~CountryWidget() = default;

void CountryWidget::fill() {
    ui->listWidget->clear();
    countries = CountryTable::load();
    for (const QJsonValue &record : qAsConst(countries)) {
        auto *item = new QListWidgetItem(record.toObject().value("name").toString());
        item->setSizeHint(QSize(ui->listWidget->width(), rowHeight));
        ui->listWidget->addItem(item);
    }
}

void CountryWidget::on_listWidget_itemClicked(QListWidgetItem *) {
    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= countries.size())
        return;
    const QJsonObject record = countries.at(row).toObject();
    if (m_mainWindow)
        m_mainWindow->setSignUpCountry(record.value("name").toString(),
                                       record.value("dial_code").toString());
    backToSignUp();
}

void CountryWidget::on_pushButton_back_clicked() {
    backToSignUp();
}

void CountryWidget::backToSignUp() {
    if (!m_mainWindow)
        return;
    m_mainWindow->stack()->setAnimation(QEasingCurve::OutQuart);
    m_mainWindow->stack()->slideInIdx(PageFlow::SignUpPage);
}

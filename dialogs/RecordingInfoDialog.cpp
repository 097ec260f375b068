#include "dialogs/RecordingInfoDialog.h"

#include <QFileInfo>
#include <QHeaderView>

#include "framework/QFramelessHelper.h"
#include "korvane/RawFileReport.h"
#include "ui_RecordingInfoDialog.h"

RecordingInfoDialog::RecordingInfoDialog(const QString& path, const korvane::RawFileInfo& info,
                                         QWidget* parent)
    : QFramelessDialog(parent, true, true, true), ui(new Ui::RecordingInfoDialog) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    framelessHelper()->setTitleBar(ui->widget_title_bar);
    ui->lb_file->setText(QFileInfo(path).fileName());

    const auto report = korvane::rawFileReport(info);
    QTableWidget* table = ui->tableWidget_report;
    table->setRowCount(int(report.size()));
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto& [key, value] = report[std::size_t(row)];
        table->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(key)));
        table->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(value)));
    }
    table->resizeColumnToContents(0);
    table->verticalHeader()->setMinimumSectionSize(0);
    table->verticalHeader()->setDefaultSectionSize(24);
}

RecordingInfoDialog::~RecordingInfoDialog() {
    delete ui;
}

void RecordingInfoDialog::on_pb_win_close_clicked() {
    close();
}

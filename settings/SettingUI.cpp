#include "settings/SettingUI.h"

#include <QVBoxLayout>
#include <QtDebug>

#include "korvane/DvsCamera.h"
#include "settings/SettingBaseWithSlider.h"
#include "settings/SettingDisplayItem.h"
#include "settings/SettingItemBox.h"
#include "ui_SettingUI.h"

SettingUI::SettingUI(QWidget* parent) : QWidget(parent), ui(new Ui::SettingUI) {
    ui->setupUi(this);

    contentWidget = new QWidget();
    contentLayout = new QVBoxLayout(contentWidget);
    ui->scroll_area_setting->setWidget(contentWidget);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addStretch(1);

    // No scroll bars: the column scrolls with the wheel, also over the bias sliders.
    ui->scroll_area_setting->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->scroll_area_setting->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->scroll_area_setting->setWidgetResizable(true);

    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    initDisplaySettingUI();
}

SettingUI::~SettingUI() {
    delete ui;
    biasesTool.reset();
    camera.reset();
}

void SettingUI::initDisplaySettingUI() {
    removeGroup(displayGroup);
    displayGroup = new SettingItemBox();
    displayGroup->setTitle("Display");
    auto* item = new SettingDisplayItem();
    displayGroup->addItem(item);
    displayGroup->setFold(true);
    connect(item, &SettingDisplayItem::signalCumulativeTimeChanged, this,
            &SettingUI::slotCumulativeTimeChanged);
    connect(item, &SettingDisplayItem::signalFpsChanged, this, &SettingUI::slotFpsChanged);
    insertGroup(displayGroup);
}

void SettingUI::addStretchIfNeeded() {
    const int count = contentLayout->count();
    if (count > 0 && contentLayout->itemAt(count - 1)->spacerItem() != nullptr) {
        return;
    }
    contentLayout->addStretch(1);
}

void SettingUI::setBiasesToolToInitUI(std::shared_ptr<korvane::DvsCamera> newCamera) {
    qDebug() << "setBiasesToolToInitUI";
    removeGroup(biasesGroup);
    if (!newCamera) {
        // Without rows nothing writes to the tool; holding on would keep a camera the window has
        // let go of streaming, and recording, in the background.
        biasesTool.reset();
        camera.reset();
        qDebug() << "camera device is null .";
        return;
    }
    camera = std::move(newCamera);
    biasesTool = camera->getTool(korvane::ToolType::Biases);
    // A camera without a bias tool is shown like one with no biases.
    const std::vector<korvane::BasicParameterInfo> params =
        biasesTool ? biasesTool->getAllParamInfo() : std::vector<korvane::BasicParameterInfo>();
    if (params.empty()) {
        qDebug() << "camera biases is null .";
        return;
    }
    biasesGroup = createBiasesGroup(params);
    insertGroup(biasesGroup);
}

// Rows start at the camera's values and are connected only then, so building them writes
// nothing to the camera.
SettingItemBox* SettingUI::createBiasesGroup(
    const std::vector<korvane::BasicParameterInfo>& params) {
    auto* group = new SettingItemBox();
    group->setTitle("Biases");
    for (const korvane::BasicParameterInfo& param : params) {
        if (param.type != korvane::ToolParameterType::Int) {
            continue;
        }
        korvane::IntParameterInfo info{};
        if (!biasesTool->getParamInfo(param.name, info)) {
            continue;
        }
        auto* row = new SettingBaseWithSlider(QString::fromStdString(param.name));
        row->setRange(info.min, info.max);
        row->setValue(sensorValue(param.name));
        connect(row, &SettingBaseWithSlider::signalItemValueChanged, this,
                &SettingUI::onSliderValueChanged);
        group->addItem(row);
    }
    group->setFold(true);
    return group;
}

// A value the camera refuses or changes is taken back into the row from the camera.
void SettingUI::onSliderValueChanged(std::string name, int value) {
    if (!biasesTool->setParam(name, value)) {
        qDebug().noquote()
            << QString("camera refused bias %1 = %2").arg(QString::fromStdString(name)).arg(value);
    }
    int actual = value;
    if (!biasesTool->getParam(name, actual) || actual == value) {
        return;
    }
    for (auto* row : biasesGroup->findChildren<SettingBaseWithSlider*>()) {
        if (row->name().toStdString() == name) {
            row->showValue(actual);
        }
    }
}

// 0 (clamped by the row) when the camera cannot tell.
int SettingUI::sensorValue(const std::string& name) const {
    int value = 0;
    biasesTool->getParam(name, value);
    return value;
}

void SettingUI::slotCumulativeTimeChanged(uint64_t time_us) {
    emit signalCumulativeTimeChanged(time_us);
}

void SettingUI::slotFpsChanged(uint32_t fps) {
    emit signalFpsChanged(fps);
}

void SettingUI::removeGroup(SettingItemBox*& group) {
    if (group == nullptr) {
        return;
    }
    contentLayout->removeWidget(group);
    delete group;
    group = nullptr;
    contentLayout->update();
}

// Just before the trailing stretch: "Display" first, then "Biases".
void SettingUI::insertGroup(SettingItemBox* group) {
    contentLayout->insertWidget(contentLayout->count() - 1, group);
    addStretchIfNeeded();
    repaint();
}

#include "wizard/advanced_settings_page.h"

#include "i18n/translate.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "analysis/analysis_settings.h"

namespace bv {

namespace {

QGroupBox* Group(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    return group;
}

QCheckBox* Box(QWidget* group, const QString& name, const QString& caption, int top, bool checked) {
    auto* box = new QCheckBox(caption, group);
    box->setObjectName(name);
    box->setGeometry(16, top, group->width() - 24, 16);
    box->setChecked(checked);
    return box;
}

// "Start" over "Frame", and "End" over "Frame", to the left of the frame edits.
void TwoLineLabel(QWidget* group, const QString& first, int left) {
    auto* top = new QLabel(first, group);
    top->setGeometry(left, 21, 40, 14);
    auto* bottom = new QLabel(Caption("Frame"), group);
    bottom->setGeometry(left, 35, 40, 14);
}

QLineEdit* FrameEdit(QWidget* group, const QString& name, int left) {
    auto* edit = new QLineEdit(group);
    edit->setObjectName(name);
    edit->setGeometry(left, 26, 49, 21);
    return edit;
}

} // namespace

AdvancedSettingsPage::AdvancedSettingsPage(QWidget* parent)
    : WizardPage(QStringLiteral("TabSheet4"), Caption("Advanced Settings"), QStringLiteral("Button12"),
                 QStringLiteral("Button13"), QStringLiteral("Button11"), parent) {
    framesGroup =
        Group(this, QStringLiteral("GroupBox3"), Caption("Frames to be analyzed"), QRect(96, 56, 281, 65));
    TwoLineLabel(framesGroup, Caption("Start"), 16);
    startFrame = FrameEdit(framesGroup, QStringLiteral("Edit3"), 56);
    TwoLineLabel(framesGroup, Caption("End"), 160);
    endFrame = FrameEdit(framesGroup, QStringLiteral("Edit4"), 200);

    ituGroup =
        Group(this, QStringLiteral("GroupBox4"), Caption("ITU-R Recommendations"), QRect(96, 136, 281, 73));
    pc601 = new QRadioButton(Caption("PC.601 (RGB [0..255] -> YUV [0..255])"), ituGroup);
    pc601->setObjectName(QStringLiteral("RadioButton1"));
    pc601->setGeometry(16, 24, 257, 17);
    pc601->setChecked(true);
    rec601 = new QRadioButton(Caption("REC.601 (RGB [0..255] -> YUV [16..235])"), ituGroup);
    rec601->setObjectName(QStringLiteral("RadioButton2"));
    rec601->setGeometry(16, 44, 257, 17);

    metricsGroup = Group(this, QStringLiteral("GroupBox5"), Caption("Metrics"), QRect(392, 56, 281, 73));
    metricPsnr =
        Box(metricsGroup, QStringLiteral("CheckBox8"), Caption("PSNR, MSE and Euclidean Distance"), 24, true);
    metricSsim = Box(metricsGroup, QStringLiteral("CheckBox2"), Caption("SSIM"), 44, true);

    // The third logfile below the other two; the group grows by its row.
    generalGroup = Group(this, QStringLiteral("GroupBox6"), Caption("General"), QRect(392, 144, 281, 153));
    standardLog = Box(generalGroup, QStringLiteral("CheckBox5"), Caption("Standard Logfile"), 24, false);
    extendedLog = Box(generalGroup, QStringLiteral("CheckBox3"), Caption("Extended Logfile"), 40, false);
    jsonLog = Box(generalGroup, QStringLiteral("CheckBox10"), Caption("JSON Logfile"), 56, false);
    preview = Box(generalGroup, QStringLiteral("CheckBox1"), Caption("Preview"), 72, false);
    lowPriority = Box(generalGroup, QStringLiteral("CheckBox9"), Caption("Low Process Priority"), 104, false);
    shutdown = Box(generalGroup, QStringLiteral("CheckBox4"), Caption("Shutdown Computer when finished"), 120,
                   false);

    offsetsGroup =
        Group(this, QStringLiteral("GroupBoxOffsets"), Caption("Frame Offsets"), QRect(96, 224, 281, 73));
    align = Box(offsetsGroup, QStringLiteral("CheckBoxAlign"), Caption("Align Source Files 2 automatically"), 24,
                false);
    auto* rangeLabel = new QLabel(Caption("Search range (frames):"), offsetsGroup);
    rangeLabel->setGeometry(16, 46, 176, 14);
    alignRange = new QSpinBox(offsetsGroup);
    alignRange->setObjectName(QStringLiteral("SpinEditAlignRange"));
    alignRange->setGeometry(200, 42, 65, 21);
    alignRange->setRange(1, kMaxAlignRange);
    alignRange->setValue(kDefaultAlignRange);
    alignRange->setEnabled(false);
    connect(align, &QCheckBox::toggled, alignRange, &QWidget::setEnabled);

    // Every click, not every change of state: only the user couples the two boxes.
    connect(shutdown, &QCheckBox::clicked, this, &AdvancedSettingsPage::ApplyShutdownOption);
}

void AdvancedSettingsPage::ResetFrameRange() {
    startFrame->setText(QStringLiteral("0"));
    endFrame->setText(QStringLiteral("-1"));
    startFrame->setEnabled(true);
    endFrame->setEnabled(true);
}

void AdvancedSettingsPage::ApplyShutdownOption() {
    if (shutdown->isChecked()) {
        standardLog->setChecked(true);
        standardLog->setEnabled(false);
    } else {
        standardLog->setEnabled(true);
        standardLog->setChecked(false);
    }
}

bool CheckedAndEnabled(const QWidget* page, const QCheckBox* box) {
    return box->isChecked() && box->isEnabledTo(page);
}

bool CheckedAndEnabled(const QWidget* page, const QRadioButton* button) {
    return button->isChecked() && button->isEnabledTo(page);
}

} // namespace bv

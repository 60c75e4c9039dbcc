// Page 3, "Advanced Settings": frame range, colour standard, metrics and the general options.
#pragma once

#include "wizard/wizard_page.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace bv {

class AdvancedSettingsPage : public WizardPage {
    Q_OBJECT
public:
    explicit AdvancedSettingsPage(QWidget* parent = nullptr);

    QGroupBox* framesGroup;  // "Frames to be analyzed"
    QLineEdit* startFrame;   // Edit3
    QLineEdit* endFrame;     // Edit4
    QGroupBox* ituGroup;     // "ITU-R Recommendations"
    QRadioButton* pc601;     // RadioButton1 "PC.601 (RGB [0..255] -> YUV [0..255])"
    QRadioButton* rec601;    // RadioButton2 "REC.601 (RGB [0..255] -> YUV [16..235])"
    QGroupBox* metricsGroup; // "Metrics"
    QCheckBox* metricPsnr;   // CheckBox8 "PSNR, MSE and Euclidean Distance"
    QCheckBox* metricSsim;   // CheckBox2 "SSIM"
    QGroupBox* generalGroup; // "General"
    QCheckBox* standardLog;  // CheckBox5 "Standard Logfile"
    QCheckBox* extendedLog;  // CheckBox3 "Extended Logfile"
    QCheckBox* jsonLog;      // CheckBox10 "JSON Logfile"
    QCheckBox* preview;      // CheckBox1 "Preview"
    QCheckBox* lowPriority;  // CheckBox9 "Low Process Priority"
    QCheckBox* shutdown;     // CheckBox4 "Shutdown Computer when finished"
    QGroupBox* offsetsGroup; // "Frame Offsets"
    QCheckBox* align;        // "Align Source Files 2 automatically"
    QSpinBox* alignRange;    // the offsets searched: -range..+range

    // After every source choice: from frame 0 to the last frame.
    void ResetFrameRange();
    // The shutdown option needs the standard logfile: checking it forces that box on and
    // locks it; unchecking unlocks and clears it.
    void ApplyShutdownOption();
};

// A box counts when it is checked and not switched off itself; the page being disabled
// during a run does not matter.
bool CheckedAndEnabled(const QWidget* page, const QCheckBox* box);
bool CheckedAndEnabled(const QWidget* page, const QRadioButton* button);

} // namespace bv

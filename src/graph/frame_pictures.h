// Pictures of single frames to look at after a run: the original, the encode and a map of the
// encode's local SSIM side by side under a caption line, saved as PNG. The frames are read
// again through the run's sources and templates.
#pragma once

#include "analysis/analysis_settings.h"
#include "analysis/graph_tables.h"

#include <QImage>
#include <string>
#include <vector>

namespace bv {

class ScriptEnvironment;

// The `count` analysed frames of Source File 2 number `index` (from 0) with the lowest Q in
// Y, lowest first, the earlier frame first on a tie. Frame numbers count from `startFrame`.
std::vector<int> WorstFrames(const GraphTables& tables, int index, int startFrame, int count);

// bv_<stamp>_<index + 1>of<count>_<kind>_<frame, 6 digits>.png; kind "worst" or "frame".
std::string FramePictureName(const std::string& stamp, int index, int count, const char* kind, int frame);

// One frame pair as the run measured it, and its picture.
struct FramePicture {
    QImage image;
    double q = 0;
    double psnr = 0;
    bool hasPsnr = false; // false for identical luma
    double lowestSsim = 1.0;
    int lowestX = 0;
    int lowestY = 0;
};

// Opens Source File 1 and Source File 2 number `index` of the settings and draws frame
// `frame`. Throws EAviSynthCException or std::runtime_error (clips that cannot be compared).
FramePicture DrawFramePicture(ScriptEnvironment& environment, const AnalysisSettings& settings, int index,
                              int frame);

// Which pictures of a run: the `worst` frames with the lowest Q of every Source File 2 whose
// analysis began, or, with `worst` 0, frame `frame` of each that analysed it; into `folder`
// (ending with "/"), or each file's storage folder when empty.
struct PictureChoice {
    int worst = 1;
    int frame = -1;
    std::string folder;
};
// All under one stamp taken now. A picture that cannot be made or written is an error naming
// it; the others are still saved.
struct SavedPictures {
    std::vector<std::string> written;
    std::vector<std::string> errors;
};
SavedPictures SaveRunPictures(ScriptEnvironment& environment, const AnalysisSettings& settings,
                              const GraphTables& tables, int filesBegun, const PictureChoice& choice);

// Writes the image as PNG, replacing an existing file; throws std::runtime_error naming it.
void WritePngFile(const std::string& path, const QImage& image);

} // namespace bv

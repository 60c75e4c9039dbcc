// The analysis run: the job behind "Analyze" and `brevanta-cli analyze`.
#pragma once

#include "analysis/analysis_settings.h"
#include "analysis/file_totals.h"
#include "analysis/graph_tables.h"
#include "analysis/run_hold.h"
#include "analysis/run_sinks.h"
#include "metrics/frame_results.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace bv {

struct AvsClip;
struct FramePair;
class ScriptEnvironment;

struct FileStartInfo {
    int index = 0; // position in SourceFiles2, from 0
    int count = 0; // number of Source Files 2
    std::string path;
};

// Both clips of a file are open; valid only during the callback.
struct ClipsOpenedInfo {
    int index = 0;
    const AvsClip* clip1 = nullptr;
    const AvsClip* clip2 = nullptr;
    int firstFrame = 0; // the frames the run will analyse; lastFrame < firstFrame when none
    int lastFrame = -1;
    FramePairing pairing; // the encode's offset, as given or found
};

// One analysed frame. Pointers are valid only during the callback.
struct FrameReport {
    int fileIndex = 0;
    int fileCount = 0;
    int frame = 0;                         // the original's frame number
    int encodedFrame = 0;                  // the encode's: frame + the file's offset
    const PsnrFrameResult* psnr = nullptr; // null when the metric is off
    const SsimFrameResult* ssim = nullptr; // null when the metric is off
    const FileTotals* totals = nullptr;    // running totals of this file
    const GraphTables* graph = nullptr;    // with this frame's Q stored (SSIM runs)
    const FramePair* pair = nullptr;       // the frames just analysed, for preview pictures
};

struct FileEndInfo {
    int index = 0;
    std::string path;
    const FileTotals* totals = nullptr;
    bool skipped = false; // nothing analysed (mismatched clips, start beyond the clips)
    std::string skipReason;
};


// How a run ended. An error outranks a stop that came with it.
enum class RunStatus {
    Refused,   // the settings were refused; `refusal` holds ValidateSettings' message
    Completed, // every file was taken through
    Stopped,   // "Stop" (or Ctrl-C) ended the run early
    Failed,    // an error ended the run; `error` holds its text
};

struct RunOutcome {
    RunStatus status = RunStatus::Completed;
    std::string refusal;
    std::string error;
    int filesBegun = 0;                     // Source Files 2 whose analysis began
    std::vector<std::string> overviewLines; // the overview text
    std::vector<std::string> resultsLines;  // the results text
    std::vector<std::string> writtenFiles;  // every file the run wrote, in order
    std::vector<std::string> messages;      // files left out along the way (the error is apart)
    std::vector<int> offsets;               // per Source File 2 begun: the offset its frames were paired by
    bool shutdownRequested = false;
    bool shutdownAccepted = false;
};

// Everything a display needs, called on the run's thread at the points of the run.
// OnRunStart comes only when the settings were accepted (with the frame range as parsed, -1
// for an open end); OnFrame comes after the frame's CSV line is written, so a stop requested
// there ends the file with that frame. OnFramesDone comes once no frame is left to analyse,
// with the texts complete, before the end steps (reports, graph pages, shutdown), each file of
// which is announced by OnWriting; OnRunEnd always comes last.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void OnRunStart(const AnalysisSettings& /*normalised*/) {}
    virtual void OnFileStart(const FileStartInfo&) {}
    virtual void OnClipsOpened(const ClipsOpenedInfo&) {}
    virtual void OnFrame(const FrameReport&) {}
    virtual void OnFileEnd(const FileEndInfo&) {}
    virtual void OnMessage(const std::string& /*text*/) {}
    virtual void OnFramesDone(const RunOutcome& /*sofar*/) {}
    virtual void OnWriting(const WritingInfo&) {}
    virtual void OnRunEnd(const RunOutcome&) {}
};

struct RunContext {
    ScriptEnvironment* environment = nullptr;
    GraphTables* graph = nullptr;               // rebuilt by runs with SSIM, kept otherwise
    std::atomic<bool>* stopRequested = nullptr; // read at the top of each file and frame
    RunHold* hold = nullptr; // may be null; waited at before each file, frame, the end steps and the shutdown
    RunObserver* observer = nullptr;            // may be null; called after the sinks
    GraphExporter exportGraphPages;             // may be empty: no graph pages
    std::vector<RunSink*> sinks;                // further outputs, after those of the settings
    std::function<bool()> shutdownSystem;       // empty: ask logind to power off
};

// Runs the job on the calling thread (see AnalysisRunThread for the usual way). It never
// changes the calling thread's priority: AnalysisRunThread puts its own thread at idle
// priority for a LowPriority run. Errors end the run cleanly and are reported in the outcome
// (and through OnMessage); nothing is thrown.
RunOutcome RunAnalysis(const AnalysisSettings& settings, RunContext& context);

} // namespace bv

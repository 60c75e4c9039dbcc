#include "analysis/json_results.h"

#include "analysis/analysis_run.h"
#include "analysis/report_texts.h"
#include "analysis/run_file_names.h"
#include "analysis/time_stamp.h"
#include "frame_source/avs_clip.h"
#include "i18n/translate.h"
#include "metrics/frame_metrics.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace bv {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kSchemaVersion = 1;

std::string FileError(const char* what, const std::string& path, int error) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(error);
}

// Paths and texts may hold bytes that are not UTF-8: they are written as U+FFFD rather than
// making the whole document unwritable.
std::string Dump(const Json& value, int indent = -1) {
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

Json Number(bool present, double value) {
    return present ? Json(value) : Json(nullptr);
}

Json ClipJson(const AvsClip& clip) {
    const std::string format = ColorSpaceName(clip);
    return Json{{"format", format.empty() ? Json(nullptr) : Json(format)},
                {"width", clip.width},
                {"height", clip.height},
                {"frame_count", clip.frameCount}};
}

struct FrameRecord {
    int frame = 0;
    PsnrFrameResult psnr;
    SsimFrameResult ssim;
};

struct EncodeRecord {
    Json original = nullptr;
    Json encode = nullptr;
    int firstFrame = 0;
    int lastFrame = -1; // as planned when the clips were opened
    int peak = 255;     // of the samples, for PSNR
    bool skipped = false;
    std::string reason;
    std::vector<FrameRecord> frames;
    FileTotals totals;
};

class JsonResultsSink : public RunSink {
public:
    JsonResultsSink(const AnalysisSettings& settings, std::string path, std::ostream* stream)
        : s_(settings), path_(std::move(path)), stream_(stream), encodes_(settings.SourceFiles2.size()) {}

    void ClipsOpened(const ClipsOpenedInfo& info) override {
        EncodeRecord& e = encodes_.at(info.index);
        e.original = ClipJson(*info.clip1);
        e.encode = ClipJson(*info.clip2);
        e.firstFrame = info.firstFrame;
        e.lastFrame = info.lastFrame;
        if (info.clip1->format != nullptr)
            e.peak = info.clip1->format->PeakValue();
    }
    void BeginFile(const SinkFile& file, SinkOutput& /*out*/) override { current_ = file.index; }
    void Frame(const FrameReport& r) override {
        FrameRecord record;
        record.frame = r.frame;
        if (r.psnr != nullptr)
            record.psnr = *r.psnr;
        if (r.ssim != nullptr)
            record.ssim = *r.ssim;
        encodes_.at(r.fileIndex).frames.push_back(record);
    }
    void EndFile(const FileTotals& totals, bool /*completed*/) override { encodes_.at(current_).totals = totals; }
    void FileEnded(const FileEndInfo& info) override {
        EncodeRecord& e = encodes_.at(info.index);
        e.skipped = info.skipped;
        e.reason = info.skipReason;
        if (info.totals != nullptr)
            e.totals = *info.totals;
    }

    void EndRun(const SinkRun& run, SinkOutput& out) override {
        std::string path = path_;
        try {
            if (path.empty()) {
                // Beside the other logs, under a stamp no other run has taken.
                const auto pathFor = [&run](const std::string& stamp) {
                    return run.storageFolder + JsonResultsFileName(stamp);
                };
                path = pathFor(ClaimStamp(DateTimeStamp(), [&](const std::string& candidate) {
                    return std::vector<std::string>{pathFor(candidate)};
                }));
            }
            if (path != kJsonStandardOutput)
                run.writing({path, 0, 0});
            std::ostringstream text;
            Write(text, run);
            if (path == kJsonStandardOutput) {
                std::ostream& target = stream_ != nullptr ? *stream_ : std::cout;
                target << text.str() << std::flush;
                if (!target)
                    throw std::runtime_error(FileError("Cannot write file", path, errno));
            } else {
                WriteFile(path, text.str());
            }
            out.written.push_back(path);
        } catch (const std::exception& e) {
            out.errors.push_back(e.what());
        }
    }

private:
    static void WriteFile(const std::string& path, const std::string& text) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
            throw std::runtime_error(FileError("Cannot create file", path, errno));
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        const int error = errno;
        if (std::fclose(file) != 0 || !written)
            throw std::runtime_error(FileError("Cannot write file", path, written ? errno : error));
    }

    Json JobJson() const {
        return Json{{"source_file_1", s_.SourceFile1},
                    {"source_files_2", s_.SourceFiles2},
                    {"template_1", s_.Template1},
                    {"template_2", s_.Template2},
                    {"start_frame", s_.StartFrame},
                    {"end_frame", s_.EndFrame},
                    {"metrics", Json{{"psnr", s_.MetricPsnr}, {"ssim", s_.MetricSsim}}},
                    {"itu", Json{{"mode", s_.ItuMode == 1 ? "pc601" : "rec601"}, {"caption", s_.ItuCaption}}}};
    }

    Json FrameJson(const FrameRecord& f, int peak) const {
        const bool p = s_.MetricPsnr, q = s_.MetricSsim;
        const PsnrFrameResult& m = f.psnr;
        const SsimFrameResult& w = f.ssim;
        const bool windows = q && w.windowCount > 0;
        Json window = nullptr;
        if (windows) {
            const int x = static_cast<int>(w.lowestX), y = static_cast<int>(w.lowestY);
            window = Json{{"x1", x}, {"y1", y}, {"x2", x + 7}, {"y2", y + 7}};
        }
        return Json{{"frame", f.frame},
                    {"psnr_y", Number(p && m.mseY > 0, PsnrFromMse(m.mseY, peak))},
                    {"mse_y", Number(p, m.mseY)},
                    {"mse_u", Number(p, m.mseU)},
                    {"mse_v", Number(p, m.mseV)},
                    {"mad_y", Number(p, m.edY)},
                    {"mad_u", Number(p, m.edU)},
                    {"mad_v", Number(p, m.edV)},
                    {"ed_yuv", Number(p, m.edYuv)},
                    {"q_y", Number(q, w.qY)},
                    {"weight_mean", Number(windows, w.weightSum / (windows ? w.windowCount : 1))},
                    {"weight_sum", Number(q, w.weightSum)},
                    {"window_count", q ? Json(static_cast<long long>(w.windowCount)) : Json(nullptr)},
                    {"ssim_y", Number(q, w.ssimY)},
                    {"lowest_local_ssim_y", Number(windows, w.lowestSsim)},
                    {"lowest_window", window}};
    }

    Json TotalsJson(const FileTotals& t, int peak) const {
        if (t.AnalysedCount == 0)
            return nullptr;
        const bool p = s_.MetricPsnr, q = s_.MetricSsim;
        const auto extreme = [q](double value, int frame) {
            return q ? Json{{"value", value}, {"frame", frame}} : Json(nullptr);
        };
        return Json{{"frames_analysed", t.AnalysedCount},
                    {"start_frame", s_.StartFrame},
                    {"end_frame", s_.StartFrame + t.AnalysedCount - 1},
                    {"start_time", t.StartTime},
                    {"end_time", t.EndTime},
                    {"psnr_y", Number(p && HasPsnrY(t), PsnrFromMse(AverageMse(t, 0), peak))},
                    {"mse_y", Number(p, AverageMse(t, 0))},
                    {"mse_u", Number(p, AverageMse(t, 1))},
                    {"mse_v", Number(p, AverageMse(t, 2))},
                    {"mad_y", Number(p, AverageEd(t, 0))},
                    {"mad_u", Number(p, AverageEd(t, 1))},
                    {"mad_v", Number(p, AverageEd(t, 2))},
                    {"ed_yuv", Number(p, AverageEdYuv(t))},
                    {"q_y", Number(q, QY(t))},
                    {"ssim_y", Number(q, SsimY(t))},
                    {"lowest_q_y", extreme(t.LowestQ, t.LowestQFrame)},
                    {"highest_q_y", extreme(t.HighestQ, t.HighestQFrame)}};
    }

    // What is known of an encode apart from its frames, and why it has no figures or not all.
    Json EncodeJson(size_t index, const SinkRun& run) const {
        const EncodeRecord& e = encodes_[index];
        const int analysed = static_cast<int>(e.frames.size());
        const size_t begun = static_cast<size_t>(run.filesBegun);
        const std::string stopped = Translate("The run was stopped.");
        const std::string error = Translate("Error:") + " " + run.error;
        // An error ends the run in the file under way: the last one begun.
        const bool failedHere = !run.error.empty() && index + 1 == begun;
        const bool complete =
            !failedHere && !e.skipped && analysed > 0 && e.frames.back().frame == e.lastFrame;
        std::string reason;
        if (index >= begun)
            reason = run.error.empty() ? stopped : error;
        else if (failedHere)
            reason = error;
        else if (e.skipped)
            reason = e.reason;
        else if (!complete && run.stopped)
            reason = stopped;
        else if (analysed == 0)
            reason = Translate("No frame analyzed.");
        return Json{{"index", index + 1},
                    {"path", s_.SourceFiles2[index]},
                    {"original", e.original},
                    {"encode", e.encode},
                    {"analysed", analysed > 0},
                    {"complete", complete},
                    {"reason", reason.empty() ? Json(nullptr) : Json(reason)},
                    {"first_frame", analysed > 0 ? Json(e.frames.front().frame) : Json(nullptr)},
                    {"last_frame", analysed > 0 ? Json(e.frames.back().frame) : Json(nullptr)}};
    }

    // Written piece by piece: a long run has millions of frame figures, one line per frame.
    void Write(std::ostream& out, const SinkRun& run) const {
        const std::string status = !run.error.empty() ? "failed" : run.stopped ? "stopped" : "completed";
        const Json head{{"format", "brevanta-results"},
                        {"format_version", kSchemaVersion},
                        {"program", Json{{"name", kProgramName}, {"version", kVersionText}}},
                        {"status", status},
                        {"error", run.error.empty() ? Json(nullptr) : Json(run.error)},
                        {"job", JobJson()}};
        out << "{\n";
        for (const auto& [key, value] : head.items())
            out << "  " << Dump(key) << ": " << Dump(value) << ",\n";
        out << "  \"encodes\": [";
        for (size_t i = 0; i < encodes_.size(); ++i) {
            const EncodeRecord& e = encodes_[i];
            const Json encode = EncodeJson(i, run);
            out << (i == 0 ? "\n" : ",\n") << "    {\n";
            for (const auto& [key, value] : encode.items())
                out << "      " << Dump(key) << ": " << Dump(value) << ",\n";
            out << "      \"frames\": [";
            for (size_t k = 0; k < e.frames.size(); ++k)
                out << (k == 0 ? "\n" : ",\n") << "        " << Dump(FrameJson(e.frames[k], e.peak));
            out << (e.frames.empty() ? "],\n" : "\n      ],\n");
            out << "      \"totals\": " << Dump(TotalsJson(e.totals, e.peak)) << "\n    }";
        }
        out << (encodes_.empty() ? "]\n" : "\n  ]\n") << "}\n";
    }

    AnalysisSettings s_;
    std::string path_;
    std::ostream* stream_;
    std::vector<EncodeRecord> encodes_;
    int current_ = 0;
};

} // namespace

std::string JsonResultsFileName(const std::string& stamp) {
    return "bv_" + stamp + "_results.json";
}

std::string CheckJsonResultsPath(const std::string& path) {
    if (path == kJsonStandardOutput)
        return "";
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return FileError("Cannot create file", path, EISDIR);
        // Opened without truncating: the file keeps its contents until the run writes it.
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        if (file == nullptr)
            return FileError("Cannot create file", path, errno);
        std::fclose(file);
        return "";
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return FileError("Cannot create file", path, errno);
    std::fclose(file);
    std::remove(path.c_str());
    return "";
}

std::unique_ptr<RunSink> MakeJsonResultsSink(const AnalysisSettings& settings, const std::string& path,
                                             std::ostream* stream) {
    return std::make_unique<JsonResultsSink>(settings, path, stream);
}

} // namespace bv

#include "cli/cli_app.h"

#include "cli/analyze_command.h"
#include "cli/frames_command.h"
#include "cli/info_command.h"
#include "cli/source_option.h"
#include "frame_source/avs_error.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

namespace bv {

namespace {
constexpr const char* kTemplateHelp =
    "AviSynth template; $FileName stands for SOURCE (default for a video: Templates/FFMS2.avs)";
constexpr const char* kQuietHelp = "Do not say which template opens a video";
} // namespace

int RunCli(int argc, char** argv, const GraphExporterFactory& makeGraphExporter,
           const std::function<WorstFramesSaver()>& makeWorstFramesSaver) {
    CLI::App app{"Brevanta: measures how faithfully encoded videos reproduce their original.",
                 "brevanta-cli"};
    app.require_subcommand(1);

    std::string infoSource, infoTemplate;
    CLI::App* info = app.add_subcommand("info", "Show a source's frame range, frame size and colour space");
    info->add_option("SOURCE", infoSource, "An AviSynth script (.avs) or a video opened through --template")
        ->required();
    info->add_option("--template", infoTemplate, kTemplateHelp);
    bool infoQuiet = false;
    info->add_flag("--quiet", infoQuiet, kQuietHelp);

    std::string framesSource, framesOut, framesTemplate;
    int first = 0, last = 0;
    CLI::App* frames = app.add_subcommand(
        "frames", "Write frames FIRST..LAST as raw bytes (the default plane: the whole image of YUY2 and "
                  "RGB, the luma of planar formats), rows without padding");
    frames
        ->add_option("SOURCE", framesSource, "An AviSynth script (.avs) or a video opened through --template")
        ->required();
    frames->add_option("FIRST", first, "First frame")->required();
    frames->add_option("LAST", last, "Last frame")->required();
    frames->add_option("OUT", framesOut, "Output file, - for standard output")->required();
    frames->add_option("--template", framesTemplate, kTemplateHelp);
    bool framesAllPlanes = false;
    frames->add_flag("--all-planes", framesAllPlanes,
                     "Every plane of planar formats (Y, U, V), as FFmpeg's rawvideo; samples of more than "
                     "8 bits as 2 bytes little-endian");
    bool framesQuiet = false;
    frames->add_flag("--quiet", framesQuiet, kQuietHelp);

    AnalyzeOptions analyzeOptions;
    CLI::App* analyze = AddAnalyzeCommand(app, analyzeOptions);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }

    try {
        if (*info)
            return RunInfoCommand(infoSource, DefaultTemplate(infoQuiet).For(infoTemplate, {infoSource}));
        if (*frames)
            return RunFramesCommand(framesSource, first, last, framesOut,
                                    DefaultTemplate(framesQuiet).For(framesTemplate, {framesSource}),
                                    framesAllPlanes);
        if (*analyze)
            return RunAnalyzeCommand(analyzeOptions, makeGraphExporter, makeWorstFramesSaver);
    } catch (const EAviSynthCException& e) {
        std::cerr << e.what() << '\n'; // AviSynth's own text, unchanged
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "brevanta-cli: " << e.what() << '\n';
        return 1;
    }
    return 0;
}

} // namespace bv

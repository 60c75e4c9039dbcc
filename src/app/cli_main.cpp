#include <iostream>

#include "cli/cli_app.h"
#include "graph/frame_pictures.h"
#include "graph/graph_export.h"
#include "graph/gui_application.h"
#include "i18n/translate.h"
#include "platform/memory_tuning.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
    bv::KeepFrameMemory(argv);
    // The command line cannot show a message box: the translation problem goes to standard error.
    if (const auto problem = bv::InitTranslation(bv::ProgramFolder()))
        std::cerr << problem->title << ": " << problem->text << '\n';
    const auto makeWorstFramesSaver = []() -> bv::WorstFramesSaver {
        bv::EnsureGuiApplication();
        return [](bv::ScriptEnvironment& environment, const bv::AnalysisSettings& settings,
                  const bv::GraphTables& tables, int filesBegun, int count) {
            bv::PictureChoice choice;
            choice.worst = count;
            return bv::SaveRunPictures(environment, settings, tables, filesBegun, choice).errors;
        };
    };
    return bv::RunCli(argc, argv, [](bool drawAhead) { return bv::MakeGraphExporter(drawAhead); },
                      makeWorstFramesSaver);
}

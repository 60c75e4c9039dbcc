#include "cli/cli_app.h"
#include "graph/graph_export.h"
#include "i18n/translate.h"
#include "platform/program_folder.h"

#include <iostream>

int main(int argc, char** argv) {
    // The command line cannot show a message box: the translation problem goes to standard error.
    if (const auto problem = bv::InitTranslation(bv::ProgramFolder()))
        std::cerr << problem->title << ": " << problem->text << '\n';
    // A run with the extended logfile and SSIM writes the graph pages, as the window's does.
    // Qt is brought up only then, so that no other command pays for it.
    return bv::RunCli(argc, argv,
                      [](const bv::GraphExportRequest& request) { return bv::ExportGraphPages(request); });
}

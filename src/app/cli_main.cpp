#include <iostream>

#include "cli/cli_app.h"
#include "graph/graph_export.h"
#include "i18n/translate.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
    // The command line cannot show a message box: the translation problem goes to standard error.
    if (const auto problem = bv::InitTranslation(bv::ProgramFolder()))
        std::cerr << problem->title << ": " << problem->text << '\n';
    return bv::RunCli(argc, argv, &bv::MakeGraphExporter);
}

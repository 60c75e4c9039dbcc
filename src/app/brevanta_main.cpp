// The desktop program. Until the window lands it tells which frame server it would use.
#include <exception>
#include <iostream>

#include "frame_source/avs_library.h"

int main() {
    try {
        std::cout << "Brevanta\nFrame source: " << bv::AvsLibrary::Load().Description() << "\n\n";
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    std::cout << "The window is not built yet. Use the command line:\n"
                 "  brevanta-cli info SOURCE [--template FILE]\n"
                 "  brevanta-cli frames SOURCE FIRST LAST OUT [--template FILE]\n";
    return 0;
}

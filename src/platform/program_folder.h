// The program folder and where the program's own files are found from it.
//
// Two layouts:
// - the build folder: everything beside the executables: Templates/, the built-in frame server,
//   locale/<code>/LC_MESSAGES/default.mo, and the generated scripts when the folder is writable;
// - installed under a prefix P, as Linux programs are: the executables in P/bin/, the frame
//   server in P/lib/brevanta/, the templates in P/share/brevanta/Templates/ and the catalogs in
//   P/share/locale/<code>/LC_MESSAGES/brevanta.mo (a name of our own: that folder is shared by
//   every program on the system, and "default.mo" would be anyone's). Generated scripts always
//   go to the user's cache folder then.
#pragma once

#include <string>

namespace bv {

// Folder of the executable, ending with "/". Read from /proc/self/exe once.
const std::string& ProgramFolder();

struct ProgramFiles {
    bool installed = false;
    std::string libraryFolder;   // holds the built-in frame server; ends with "/"
    std::string templatesFolder; // the "Templates" folder; no "/" at the end
    std::string localeFolder;    // holds <code>/LC_MESSAGES/<catalogName>; ends with "/"
    std::string catalogName;
};

// The files of a program whose executables are in programFolder (ending with "/"). The layout
// is the installed one when programFolder has no Templates/ beside it but ../share/brevanta/
// exists; paths of the installed layout are given without "..".
ProgramFiles ProgramFilesOf(const std::string& programFolder);

// ProgramFilesOf(ProgramFolder()), worked out once.
const ProgramFiles& ProgramFilesHere();

// Folder for files the program generates: the program folder when it is the build folder and
// writable, else $XDG_CACHE_HOME/brevanta/ (or ~/.cache/brevanta/), created on demand. Ends
// with "/".
std::string GeneratedFilesFolder();

} // namespace bv

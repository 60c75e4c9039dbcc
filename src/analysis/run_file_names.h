// Where a run writes and what it calls its files.
#pragma once

#include <string>

namespace bv {

// The folder the files of a Source File 2 go to, ending with "/": the storage path, or the
// folder of Source File 1 when it is empty. A relative storage path is taken relative to the
// folder of that Source File 2; the process's working directory is never changed for it.
std::string StorageFolderFor(const std::string& storagePath, const std::string& sourceFile1,
                             const std::string& sourceFile2);

// stamp + "_" + (index + 1) + "of" + count, e.g. 20071113_093005_1of3.
std::string BaseNameFor(const std::string& stamp, int index, int count);

std::string CsvLogFileName(const std::string& baseName); // bv_<base>_log.csv
std::string OverviewFileName(const std::string& stamp);  // bv_<stamp>_overview.txt
std::string ResultsFileName(const std::string& stamp);   // bv_<stamp>_results.txt

} // namespace bv

// Where a run writes and what it calls its files.
#pragma once

#include <functional>
#include <string>
#include <vector>

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

// The stamp one second after `stamp` (a DateTimeStamp), in local time.
std::string NextStamp(const std::string& stamp);

// Claims the names `pathsFor(stamp)` for one run: each is created empty and exclusively, so
// that no other run can take or replace it; the claimer then writes over its own files.
// When any of them exists already, the files made are removed again and the next stamp is
// tried. Returns the stamp whose paths were all claimed. Throws std::runtime_error naming a
// file that cannot be created for another reason.
std::string ClaimStamp(const std::string& stamp,
                       const std::function<std::vector<std::string>(const std::string&)>& pathsFor);

// Empty when every folder the run writes to exists and can be written; else the message
// that refuses the run, naming the folder.
struct AnalysisSettings;
std::string CheckStorageFolders(const AnalysisSettings& settings);

} // namespace bv

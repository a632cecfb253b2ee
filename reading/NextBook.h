#pragma once

#include <string>

// The order the next-book command steps through a folder in. No widgets; UI thread (it reads
// the plug-in registry and the file system).

// The books of `folder` are the archives the catalog lists (isCatalogArchive: *.zip and every
// archive kind the loaded plug-ins read) and the sub-folders holding at least one page (a file
// a decoder takes by its name). They are ordered by the catalog's name order (compareNames with
// `natural`), names equal there by their bytes, so that the order is total and a step never
// returns to where it came from.
//
// Returns the name of the first book after `from` (`forward`) or the last one before it, in
// that order, leaving out `skip` (the open book's file under the name it still has while a
// rename waits); empty when there is none or the folder cannot be listed. `from` need not
// exist: a pending rename's new name or a book that has gone both have their place.
std::string neighbourBookName(const std::string& folder, const std::string& from, bool forward,
                              bool natural, const std::string& skip = std::string());

// True when the folder `path` holds a file whose name a decoder takes: the one page a folder
// book needs. Sub-folders are not looked into.
bool folderHoldsPage(const std::string& path);

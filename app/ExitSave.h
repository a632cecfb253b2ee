#pragma once

#include <string>

struct CatalogModel;

// Saves what ending the program now, other than by Quit, would lose: `catalog` (the catalog
// window's, or null) when it is modified, and the open book's pending rename in `bookFolder`
// (ending in "/"), `bookFileName` → `newFileName`. Afterwards no rename is pending:
// `newFileName` equals `bookFileName`, which names the file as it now is. Draws nothing; a
// failure is traced (no box is shown while the program is shut down). UI thread.
void saveBeforeExit(CatalogModel* catalog, const std::string& bookFolder, std::string& bookFileName,
                    std::string& newFileName);

#include "ExitSave.h"

#include "catalog/CatalogFile.h"
#include "platform/Diagnostics.h"
#include "reading/RenameFile.h"

void saveBeforeExit(CatalogModel* catalog, const std::string& bookFolder, std::string& bookFileName,
                    std::string& newFileName)
{
    if (catalog && catalog->modified && saveCatalog(*catalog, nullptr))
        debugPrint("exit: catalog saved in %s\n", catalog->folderPath.c_str());
    if (bookFileName == newFileName)
        return;
    // Tried once: closing the book later must not try it again (nor report it twice).
    if (renameFile(bookFolder + bookFileName, bookFolder + newFileName)) {
        debugPrint("exit: renamed %s to %s\n", bookFileName.c_str(), newFileName.c_str());
        bookFileName = newFileName;
    } else {
        newFileName = bookFileName;
    }
}

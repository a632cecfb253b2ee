#include "RenameFile.h"

#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"

int renameFile(const std::string& oldPath, const std::string& newPath)
{
    if (oldPath == newPath)
        return 1;
    const int error = renameNoReplace(oldPath, newPath);
    if (error == 0)
        return 1;
    const std::string reason = errorText(error);
    messageBox(nullptr, "ファイル名変更失敗",
               "ファイル名の変更に失敗しました\n(ファイル名の変更はされません)\n(原因: " + reason +
                   ")",
               BoxIcon::Error);
    debugPrint("ERROR rename %s->%s %s\n", oldPath.c_str(), newPath.c_str(), reason.c_str());
    return 0;
}

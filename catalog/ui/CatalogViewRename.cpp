// The catalog window's in-place rename: the field over the selected cell, applying the new name
// to the archive file and its entry.
#include "CatalogView.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "CatalogPage.h"
#include "RenameField.h"
#include "catalog/CatalogFile.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"

namespace {

void removeFieldCb(void* view)
{
    auto* v = static_cast<CatalogView*>(view);
    CatalogView::Running running(v);
    v->removeRenameField();
}

void beginRenameCb(void* view)
{
    auto* v = static_cast<CatalogView*>(view);
    CatalogView::Running running(v);
    if (v->model.selectedIndex >= 0)
        v->beginRename(v->model.selectedIndex);
}

} // namespace

void removeRenameTimers(CatalogView* view)
{
    Fl::remove_timeout(removeFieldCb, view);
    Fl::remove_timeout(beginRenameCb, view);
}

void CatalogView::beginRenameLater()
{
    Fl::add_timeout(0.0, beginRenameCb, this);
}

void CatalogView::beginRename(int position)
{
    if (!shown() || position < 0 || position >= static_cast<int>(model.entries.size()))
        return;
    host.removePageListTip();
    scrollEntryIntoView(position);
    Fl::remove_timeout(removeFieldCb, this);
    RenameField::discard(renameField);
    renameField = nullptr;
    renameEnding = false;
    renameLineCount = 1;
    const CellOrigin origin =
        cellOrigin(position, columns(), scrollArea()->xposition(), scrollArea()->yposition());
    const GridRect r = renameFieldRect(origin);
    auto* field = new RenameField(r.x, r.y, r.w, r.h, this);
    add(field);
    renameField = field;
    field->value(entryName(*model.entries[position]).c_str());
    field->position(field->size(), 0); // the whole name selected
    field->show();
    field->take_focus();
    fitRenameEdit();
    invalidateCell(position, false);
}

void CatalogView::fitRenameEdit()
{
    RenameField* field = renameField;
    const int selected = model.selectedIndex;
    if (!field || selected < 0 || selected >= static_cast<int>(model.entries.size()))
        return;
    fl_font(field->textfont(), field->textsize());
    const int wrapWidth = field->w() - Fl::box_dw(field->box()) - 2;
    const int lines =
        wrappedLineCount(field->value(), wrapWidth, [](const char* bytes, int length) {
            return static_cast<int>(fl_width(bytes, length));
        });
    const CellOrigin origin =
        cellOrigin(selected, columns(), scrollArea()->xposition(), scrollArea()->yposition());
    GridRect r;
    if (!fitRenameField(origin, lines, renameLineCount, h(), r))
        return;
    field->resize(r.x, r.y, r.w, r.h);
    redraw();
    renameLineCount = lines;
}

void CatalogView::applyRename()
{
    RenameField* field = renameField;
    const int selected = model.selectedIndex;
    debugPrint("selectedItem=%d\n", selected);
    if (!field || selected < 0 || selected >= static_cast<int>(model.entries.size())) {
        cancelRename();
        return;
    }
    // Held: the boxes below pump events, which may close the folder meanwhile.
    const std::shared_ptr<CatalogEntry> entry = model.entries[selected];
    const std::string newName = field->value();
    const std::string oldName = entryName(*entry);
    const std::string folder = model.folderPath;
    const std::string oldPath = joinPath(folder, oldName);
    const std::string newPath = joinPath(folder, newName);
    const std::string bookPath = host.openBookPath();
    if (!bookPath.empty() && sameFile(bookPath, oldPath)) {
        messageBox(this, "ERROR", "現在開いているのでファイル名の変更はできません",
                   BoxIcon::Warning);
    } else if (newName != oldName && !acceptableBookName(newName)) {
        messageBox(this, "エラー", "このファイル名は使えません", BoxIcon::Error);
    } else if (host.renameFile(oldPath, newPath) && newName != oldName) {
        const int position = findEntry(model.entries, entry.get());
        if (position >= 0 && model.folderPath == folder) {
            setEntryName(*entry, newName);
            model.modified = true;
            invalidateCell(position, true);
        }
    }
    cancelRename();
}

void CatalogView::entryRenamed(const std::string& oldPath, const std::string& newPath)
{
    const std::string folder = folderOf(oldPath);
    if (model.folderPath.empty() || folder != folderOf(newPath) ||
        !sameFile(folder, model.folderPath))
        return;
    const std::string oldName = lastComponent(oldPath), newName = lastComponent(newPath);
    for (size_t i = 0; i < model.entries.size(); ++i) {
        CatalogEntry& entry = *model.entries[i];
        if (entryName(entry) != oldName)
            continue;
        setEntryName(entry, newName);
        model.modified = true;
        invalidateCell(static_cast<int>(i), true);
        return;
    }
}

void CatalogView::cancelRename()
{
    if (renameField)
        Fl::add_timeout(0.0, removeFieldCb, this);
}

void CatalogView::removeRenameField()
{
    Fl::remove_timeout(removeFieldCb, this);
    RenameField* field = renameField;
    renameField = nullptr;
    if (!field)
        return;
    const int X = field->x(), Y = field->y(), W = field->w(), H = field->h();
    RenameField::discard(field);
    // What the field covered shows again.
    damage(FL_DAMAGE_ALL, X, Y, W, H);
    if (model.selectedIndex >= 0)
        invalidateCell(model.selectedIndex, false);
}

bool CatalogView::endRenameWithoutApplying()
{
    if (!renameOpen())
        return false;
    renameEnding = true;
    cancelRename();
    return true;
}

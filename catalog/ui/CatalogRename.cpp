// The catalog window's in-place rename: the field over the selected cell, applying the new name
// to the archive file and its entry.
#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <cstdint>

#include "CatalogPage.h"
#include "CatalogView.h"
#include "RenameField.h"
#include "catalog/CatalogFile.h"
#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "platform/FileOps.h"

namespace {

unsigned traceId(const void* p)
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

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

void fieldChangedCb(Fl_Widget*, void* view)
{
    static_cast<CatalogView*>(view)->fitRenameEdit();
}

} // namespace

void removeRenameTimers(CatalogView* view)
{
    Fl::remove_timeout(removeFieldCb, view);
    Fl::remove_timeout(beginRenameCb, view);
}

RenameField::RenameField(int x, int y, int w, int h, CatalogView* view)
    : Fl_Multiline_Input(x, y, w, h), view_(view)
{
    box(FL_BORDER_BOX);
    textfont(FL_HELVETICA);
    textsize(12);
    wrap(1);
    when(FL_WHEN_CHANGED);
    callback(fieldChangedCb, view);
}

void RenameField::discard(RenameField* field)
{
    if (!field)
        return;
    if (field->depth_ > 0) {
        field->discarded_ = true;
        field->hide();
        return;
    }
    delete field;
}

int RenameField::handle(int event)
{
    CatalogView::Running running(view_);
    struct Depth {
        RenameField* f;
        explicit Depth(RenameField* field) : f(field) { ++f->depth_; }
        ~Depth()
        {
            if (--f->depth_ == 0 && f->discarded_)
                delete f;
        }
    } depth(this);

    switch (event) {
    case FL_KEYBOARD:
        switch (Fl::event_key()) {
        case FL_Enter:
        case FL_KP_Enter:
            if (!view_->renameEnding) {
                view_->renameEnding = true;
                debugPrint("VK_RETURN  now\n");
                view_->applyRename();
            }
            return 1;
        case FL_Escape:
            if (!view_->renameEnding) {
                view_->renameEnding = true;
                debugPrint("VK_ESCAPE\n");
                view_->cancelRename();
            }
            return 1;
        case FL_Tab:
            onTab((Fl::event_state() & FL_SHIFT) != 0);
            return 1;
        default:
            break;
        }
        break;
    case FL_UNFOCUS:
        if (!view_->renameEnding) {
            view_->renameEnding = true;
            debugPrint("WM_KILLFOCUS %x %x %x\n", traceId(this), traceId(Fl::focus()), 0u);
            view_->cancelRename();
        }
        break;
    case FL_SHOW:
        view_->fitRenameEdit();
        break;
    default:
        break;
    }
    return Fl_Multiline_Input::handle(event);
}

void RenameField::onTab(bool backwards)
{
    if (view_->renameEnding)
        return;
    view_->renameEnding = true;
    debugPrint("VK_TAB (shift=%x)\n", backwards ? 1u : 0u);
    view_->applyRename();
    const int target = nextRenameTarget(view_->model.selectedIndex,
                                        static_cast<int>(view_->model.entries.size()), backwards);
    if (target >= 0) {
        view_->selectEntry(target);
        Fl::add_timeout(0.0, beginRenameCb, view_);
    }
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

#include "RenameField.h"

#include <FL/Fl.H>

#include <cstdint>

#include "CatalogView.h"
#include "catalog/CatalogWindowRules.h"
#include "platform/Diagnostics.h"

namespace {

unsigned traceId(const void* p)
{
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p));
}

void fieldChangedCb(Fl_Widget*, void* view)
{
    static_cast<CatalogView*>(view)->fitRenameEdit();
}

} // namespace

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
        view_->beginRenameLater();
    }
}

#include "Mekuri.h"

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdio>

#include "BookSteps.h"
#include "CatalogWindow.h"
#include "Commands.h"
#include "FullScreen.h"
#include "LastingCommands.h"
#include "MainMenu.h"
#include "Opening.h"
#include "ZoomIcons.h"
#include "persist/XdgFolders.h"
#include "platform/Diagnostics.h"
#include "print/PrintJob.h"
#include "reading/ScrollRule.h"
#include "views/DropTarget.h"
#include "views/MekuriScroll.h"
#include "views/MihirakiPages.h"
#include "views/PageList.h"

Mekuri* mainWindow = nullptr;

namespace {

// The window system's close button hides the window; Escape must not (the toolkit's default
// window callback treats Escape as a close).
void windowCallback(Fl_Widget* widget, void*)
{
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape)
        return;
    widget->hide();
}

// The zoom field lies on the menu bar, over the blanks that open the zoom submenu's title.
// Menu bar items are laid out from x 6, each as wide as its label plus 16 pixels.
int zoomFieldX(Fl_Menu_Bar* bar)
{
    int x = bar->x() + 6;
    for (const Fl_Menu_Item* item = mainMenu; item->text && item != &mainMenu[MENU_ZOOM];
         item = item->next())
        x += item->measure(nullptr, bar) + 16;
    return x + 3;
}

// As wide as the blanks of that title allow, at most 40 pixels.
int zoomFieldWidth(Fl_Menu_Bar* bar)
{
    fl_font(bar->textfont(), bar->textsize());
    return std::min(40, static_cast<int>(fl_width("      ")) - 2);
}

} // namespace

Mekuri::Mekuri(int width, int height, const StartOptions& options)
    : Fl_Window(width, height, "Mekuri"), lasting(settingsFile()),
      memory(positionsFile(), recentFile()), cacheManager(this)
{
    mainWindow = this;
    if (options.hasPath)
        pendingStartupPath = startupPath = options.path;
    lasting.load();
    const ViewerOptions start = startingOptions(lasting.saved(), options);
    setStartOptions(start.binding, start.spreadShift);
    setBoxOwner(this);
    zoomSteps = new float[14]();
    callback(windowCallback);

    zoomIcons();
    prepareMainMenu(this);
    applyLastingOptions(this, start);

    const int W = w(), H = h();
    menuBar = new Fl_Menu_Bar(0, 0, W, 20);
    menuBar->menu(mainMenu);
    zoomField = new Fl_Output(zoomFieldX(menuBar), 2, zoomFieldWidth(menuBar), 16);
    zoomField->value("100");
    zoomField->textsize(12);
    zoomField->deactivate();
    pageList = new PageList(0, 22, 75, H - 20, this);
    pageList->callback(jump_cb);
    pageList->visible_focus(0);
    scrollArea = new MekuriCustom::Fl_Scroll(75, 20, W - 75, H - 20);
    scrollArea->box(FL_DOWN_FRAME);
    scrollArea->scrollbar.visible_focus(0);
    scrollArea->hscrollbar.visible_focus(0);
    int interiorX, interiorY, interiorW, interiorH;
    scrollArea->interior(interiorX, interiorY, interiorW, interiorH);
    pages = new MihirakiPages(interiorX, interiorY, 1280, 1024, this);
    scrollArea->end();
    end();

    startWorker(worker, cacheManager);
}

Mekuri::~Mekuri()
{
    debugPrint("Mekuri destructor begin\n");
    delete loupeWindow;
    loupeWindow = nullptr;
    delete propertyWindow;
    propertyWindow = nullptr;
    delete printDialog;
    printDialog = nullptr;
    deleteCatalogWindow(this);
    if (bookOpen)
        apply(closeBook(cacheManager, showNow()));
    stopWorker(worker);
    delete[] zoomSteps;
    zoomSteps = nullptr;
    debugPrint("Mekuri destructor end\n");
}

CacheObject* Mekuri::prepareEntry(int tag, int page, float filterParam1, float filterParam2,
                                  float scale)
{
    return cacheManager.prepareEntry(tag, page, filterParam1, filterParam2, scale);
}

void Mekuri::releaseEntry(CacheObject* object)
{
    cacheManager.release(object);
}

ImageOperatorWrapper* Mekuri::currentBook()
{
    return bookOpen ? book.get() : nullptr;
}

void Mekuri::applyLiveZoom(float zoom)
{
    apply(endLiveZoom(zoom));
}

void Mekuri::leftArrow()
{
    leftArrow_cb(nullptr, nullptr);
}

void Mekuri::rightArrow()
{
    rightArrow_cb(nullptr, nullptr);
}

void Mekuri::prefetch(int page)
{
    prefetch_cb(reinterpret_cast<void*>(static_cast<intptr_t>(page)));
}

int Mekuri::areaW() const
{
    return scrollArea->w();
}

int Mekuri::areaH() const
{
    return scrollArea->h();
}

ChangeSink Mekuri::showNow()
{
    return [this](const ReadingChange& change) { apply(change); };
}

void Mekuri::apply(const ReadingChange& c)
{
    if (c.title) {
        if (book)
            copy_label(title().c_str());
        else if (shown())
            label("Mekuri");
    }
    if (c.newBook)
        pages->cancelFlag = 0;
    if (c.list) {
        pageList->clear();
        if (bookOpen) {
            for (const std::string& line : listLines())
                pageList->add(line.c_str());
            pageList->select(currentLine());
        }
    }
    if (c.listLine > 0) {
        pageList->select(c.listLine);
        pageList->redraw();
    }
    if (c.zoomField)
        zoomField->value(zoomText().c_str());
    if (c.arrows) {
        setArrowLabels(binding);
        menuBar->redraw();
    }
    if (c.spreadUnitMark) {
        if (spreadShift == 1)
            mainMenu[MENU_SPREAD_UNIT].set();
        else
            mainMenu[MENU_SPREAD_UNIT].clear();
    }
    if (c.scrollToOrigin)
        scrollArea->position(0, 0);
    if (c.spread)
        pages->redraw();
    if (c.scrollArea)
        scrollArea->redraw();
    if (c.window)
        redraw();
    if (c.prefetch != ReadingChange::kNoPrefetch)
        schedulePrefetch(c.prefetch);
}

void Mekuri::draw()
{
    Fl_Window::draw();
    // The command-line book opens once the window is on screen.
    if (!pendingStartupPath.empty()) {
        pendingStartupPath.clear();
        Fl::add_timeout(0.0, startupOpenCb, this);
    }
}

void Mekuri::startupOpenCb(void*)
{
    startupOpen();
}

int Mekuri::keyTable()
{
    switch (Fl::event_key()) {
    case FL_Down:
    case FL_Page_Down:
    case FL_Enter:
    case 'n':
    case ' ':
        forward_page_cb(JUMP_TO_START);
        return 1;
    case FL_Up:
    case FL_Page_Up:
    case FL_BackSpace:
    case 'p':
    case 'b':
        back_page_cb(JUMP_NONE);
        return 1;
    case FL_Left:
        leftArrow_cb(this, nullptr);
        return 1;
    case FL_Right:
        rightArrow_cb(this, nullptr);
        return 1;
    default:
        return 0;
    }
}

int Mekuri::ownKeys()
{
    const int key = Fl::event_key();
    // Before the table's Page Down / Page Up, which then act only without Ctrl.
    if ((key == FL_Page_Down || key == FL_Page_Up) && Fl::event_state(FL_CTRL)) {
        stepBook(key == FL_Page_Down);
        return 1;
    }
    switch (key) {
    case FL_Home:
    case FL_End:
        apply(showEndSpread(key == FL_End));
        return 1;
    case FL_F + 11:
        setFullScreen(!fullScreen_);
        return 1;
    case FL_Escape:
        if (!fullScreen_)
            return 0;
        setFullScreen(false);
        return 1;
    default:
        return 0;
    }
}

int Mekuri::handle(int event)
{
    switch (event) {
    case FL_SHORTCUT:
        // A key reaches the window as a shortcut only when no widget has the keyboard focus,
        // as after a message box closed without a window manager to give it back: the key
        // table still applies, and the spread view takes the focus again.
        if (Fl::focus() == nullptr && (ownKeys() || keyTable())) {
            pages->take_focus();
            return 1;
        }
        // A hidden menu bar is offered no shortcut: in full screen the window offers them.
        if (fullScreen_ && menuBar->test_shortcut())
            return 1;
        return Fl_Window::handle(event);
    case FL_KEYBOARD:
        return ownKeys() || keyTable();
    case FL_HIDE:
        pageList->removepopupNow();
        Fl_Window::handle(event);
        // Hidden, not iconified (quit, the close button): the program is ending, so the catalog
        // window goes with the main window and a print job is cancelled.
        if (!shown()) {
            cancelRunningPrintJob();
            deleteCatalogWindow(this);
        }
        return 0;
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_LEAVE:
    case FL_DND_RELEASE:
        return answerDropEvent(this, event); // the dropped files arrive as FL_PASTE
    case FL_PASTE:
        return dropText(Fl::event_text());
    default:
        return Fl_Window::handle(event);
    }
}

void Mekuri::resize(int X, int Y, int W, int H)
{
    const int oldW = w(), oldH = h();
    Fl_Window::resize(X, Y, W, H);
    if (W == oldW && H == oldH)
        return;
    layoutChildren(W, H);
    // The first size change after entering or leaving full screen refits, at whatever size a
    // window manager granted (it may keep a panel); ordinary resizes never do.
    if (refitW_ != 0)
        refitForFullScreen();
}

void Mekuri::layoutChildren(int W, int H)
{
    if (fullScreen_) {
        menuBar->hide();
        zoomField->hide();
        pageList->removepopupNow();
        pageList->hide();
        scrollArea->resize(0, 0, W, H);
    } else {
        menuBar->show();
        zoomField->show();
        pageList->show();
        menuBar->resize(0, 0, W, 20);
        pageList->resize(0, 22, 75, H - 20);
        scrollArea->resize(75, 20, W - 75, H - 20);
    }
    const ScrollNeeds needs =
        needScrollbars(pages->w(), pages->h(), scrollArea->w(), scrollArea->h());
    int x = scrollArea->xposition(), y = scrollArea->yposition();
    clampScroll(needs, x, y);
    scrollArea->position(x, y);
    Fl::add_timeout(0.0, redrawScrollAreaCb, this);
}

void Mekuri::setFullScreen(bool on)
{
    if (on == fullScreen_ || !shown())
        return;
    debugPrint("fullscreen %d\n", on ? 1 : 0);
    int X = normalX_, Y = normalY_, W = normalW_, H = normalH_;
    if (on) {
        normalX_ = x();
        normalY_ = y();
        normalW_ = w();
        normalH_ = h();
        screenAreaOf(this, X, Y, W, H);
    }
    fullScreen_ = on;
    refitW_ = refitH_ = 0;
    if (lastFitMode != kNoFit) {
        refitW_ = W;
        refitH_ = H;
    }
    layoutChildren(w(), h());
    redraw();
    if (windowManagerKeepsFullScreen()) {
        // The manager sets the size and, on the way back, the former geometry.
        askWindowManagerFullScreen(this, on);
    } else {
        resize(X, Y, W, H);
        if (on)
            raiseWindow(this);
    }
    // Already of that size: no resize comes to wait for, yet the scroll area changed.
    if (w() == W && h() == H)
        refitForFullScreen();
}

void Mekuri::refitForFullScreen()
{
    if (refitW_ == 0)
        return;
    refitW_ = refitH_ = 0;
    if (lastFitMode != kNoFit)
        apply(fit(lastFitMode, cacheManager, areaW(), areaH(), showNow()));
}

void Mekuri::redrawScrollAreaCb(void* window)
{
    static_cast<Mekuri*>(window)->scrollArea->redraw();
}

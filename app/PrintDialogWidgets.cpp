#include "app/PrintDialogWidgets.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Multiline_Output.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Window.H>

#include <FL/fl_draw.H>

#include "app/PreviewBox.h"

PrintDialogWidgets printDialogWidgets;

namespace {

constexpr int kTextSize = 12;

// The orientation radios are 35 pixels wide and the pictograms start 25 pixels in: the
// toolkit's radio, which leaves 16 pixels before its text, would put the text under them.
// This one draws a slightly smaller circle at its left edge and its text right after it.
class CompactRadio : public Fl_Round_Button {
  public:
    using Fl_Round_Button::Fl_Round_Button;

    void draw() override
    {
        const int d = 11;
        const int dy = (h() - d) / 2;
        draw_box(FL_ROUND_DOWN_BOX, x(), y() + dy, d, d, FL_BACKGROUND2_COLOR);
        if (value()) {
            const Fl_Color dot = selection_color();
            fl_color(active_r() ? dot : fl_inactive(dot));
            fl_pie(x() + 3, y() + dy + 3, d - 6, d - 6, 0.0, 360.0);
        }
        draw_label(x() + d + 1, y(), w() - d - 1, h());
        if (Fl::focus() == this)
            draw_focus();
    }
};

// An engraved frame with its title above its top-left corner.
void frame(int x, int y, int w, int h, const char* title)
{
    auto* box = new Fl_Box(FL_ENGRAVED_FRAME, x, y, w, h, title);
    box->labelsize(kTextSize);
    box->align(FL_ALIGN_TOP_LEFT);
}

void label(int x, int y, int w, int h, const char* text)
{
    auto* box = new Fl_Box(x, y, w, h, text);
    box->labelsize(kTextSize);
    box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
}

template <typename Button = Fl_Button>
Button* button(int x, int y, int w, int h, const char* text, Fl_Callback* cb, Mekuri* window)
{
    auto* b = new Button(x, y, w, h, text);
    b->labelsize(kTextSize);
    b->callback(cb, window);
    return b;
}

template <typename Radio = Fl_Round_Button>
Fl_Round_Button* radio(int x, int y, int w, int h, const char* text, Fl_Callback* cb,
                       Mekuri* window)
{
    auto* b = button<Radio>(x, y, w, h, text, cb, window);
    b->type(FL_RADIO_BUTTON);
    return b;
}

Fl_Choice* choice(int x, int y, int w, int h, const char* text,
                  std::initializer_list<const char*> items)
{
    auto* c = new Fl_Choice(x, y, w, h, text);
    c->labelsize(kTextSize);
    c->textsize(kTextSize);
    for (const char* item : items)
        addChoiceItem(*c, item);
    if (items.size() > 0)
        c->value(0);
    return c;
}

// The orientation pictograms: a white sheet with a shadow and a bold A in its top-left corner.
void pictogram(int x, int y, int w, int h)
{
    auto* box = new Fl_Box(FL_SHADOW_BOX, x, y, w, h, "A");
    box->color(FL_WHITE);
    box->labelfont(FL_HELVETICA_BOLD);
    box->labelsize(16);
    box->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
}

void buildPrinterPart(PrintDialogWidgets& W, Mekuri* window, const PrintDialogCallbacks& cb)
{
    frame(20, 20, 580, 40, "プリンタ");
    W.printer = choice(75, 30, 270, 20, "名前: ", {});
    W.printer->callback(cb.printer, window);
    W.properties = button<Fl_Button>(370, 30, 105, 20, "プロパティ", cb.properties, window);
}

void buildRangePart(PrintDialogWidgets& W, Mekuri* window, const PrintDialogCallbacks& cb)
{
    frame(20, 78, 330, 102, "印刷範囲");
    auto* radios = new Fl_Group(35, 83, 265, 65); // the three radios exclude one another
    W.range[0] = radio(35, 83, 265, 25, "すべて", cb.range, window);
    W.range[1] = radio(35, 103, 265, 25, "現在の見開きページ", cb.range, window);
    W.range[2] = radio(35, 123, 100, 25, "ページ指定", cb.range, window);
    radios->end();
    W.pageSpec = new Fl_Input(135, 124, 195, 20);
    W.pageSpec->textsize(kTextSize);
    W.pageSpec->when(FL_WHEN_CHANGED);
    W.pageSpec->callback(cb.preview, window);
    W.sheetFilter = choice(79, 150, 195, 20,
                           "印刷: ", {"範囲内のすべてのページ", "奇数枚目のみ", "偶数枚目のみ"});
    W.sheetFilter->callback(cb.preview, window);
}

void buildLayoutPart(PrintDialogWidgets& W, Mekuri* window, const PrintDialogCallbacks& cb)
{
    frame(20, 200, 330, 105, "レイアウト");
    auto* radios = new Fl_Group(37, 204, 145, 67);
    W.layout[0] = radio(37, 204, 145, 25, "1ページずつ", cb.layout, window);
    W.layout[1] = radio(37, 225, 145, 25, "横に2ページずつ並べる", cb.layout, window);
    W.layout[2] = radio(37, 246, 145, 25, "縦に2ページずつ並べる", cb.layout, window);
    radios->end();
    W.firstPageAlone = button<Fl_Check_Button>(
        65, 259, 245, 30, "最初のページは1ページだけ印刷する", cb.preview, window);
    W.booklet = button<Fl_Check_Button>(66, 278, 245, 30, "小冊子の印刷", cb.preview, window);
}

void buildBinarisationPart(PrintDialogWidgets& W, Mekuri* window, const PrintDialogCallbacks& cb)
{
    frame(20, 330, 331, 135, "2値化方法");
    W.binarisation = new Fl_Group(28, 288, 337, 182);
    label(49, 340, 95, 20, "2値化方法:");
    W.dither = choice(136, 340, 204, 20, nullptr,
                      {"プリンタモノクロ化を任せる(標準)", "Floid-Steinberg 誤差拡散法",
                       "Jarvice-Judice-Ninke 誤差拡散法", "Stucki ディザ法", "Bayer ディザ法",
                       "単純2値化"});
    W.dither->callback(cb.dither, window);
    W.nupGroup = new Fl_Group(28, 350, 337, 120);
    label(56, 365, 75, 20, "N-up印刷※:");
    W.nup =
        choice(135, 366, 75, 20, nullptr, {"1up印刷", "2up印刷", "4up印刷", "6up印刷", "8up印刷"});
    W.nup->callback(cb.preview, window);
    auto* note = new Fl_Box(56, 380, 295, 34,
                            "※プリンタのプロパティの中でN-up印刷を指定した場合は、 "
                            "モアレ回避のためここで同じように指定した方がよい。");
    note->labelsize(10);
    // Set at the bottom of its box: the top of the box lies under the N-up choice.
    note->align(FL_ALIGN_BOTTOM_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    W.exclude = button<Fl_Check_Button>(
        32, 413, 318, 31, "カラーページは2値化対象外とする(プリンタに委ねる)", cb.preview, window);
    W.nupGroup->end();
    W.binarisation->end();
    W.binarise = button<Fl_Check_Button>(
        33, 438, 287, 29, "カラープリンタであっても2値化して印刷する", cb.binarise, window);
}

void buildOrientationPart(PrintDialogWidgets& W, Mekuri* window, const PrintDialogCallbacks& cb)
{
    frame(370, 78, 230, 77, "用紙の向き");
    auto* radios = new Fl_Group(409, 104, 125, 25);
    W.portrait = radio<CompactRadio>(409, 104, 35, 25, "縦", cb.portrait, window);
    W.landscape = radio<CompactRadio>(499, 104, 35, 25, "横", cb.landscape, window);
    radios->end();
    pictogram(434, 95, 30, 40);
    pictogram(524, 104, 40, 25);
}

} // namespace

void addChoiceItem(Fl_Choice& choice, const std::string& text)
{
    const int index = choice.add("x");
    choice.replace(index, text.c_str());
}

Fl_Window* buildPrintDialog(Mekuri* window, const PrintDialogCallbacks& cb)
{
    PrintDialogWidgets& W = printDialogWidgets;
    W = PrintDialogWidgets();
    auto* dialog = new Fl_Window(611, 504, "印刷");
    W.window = dialog;
    buildPrinterPart(W, window, cb);
    buildRangePart(W, window, cb);
    buildLayoutPart(W, window, cb);
    buildBinarisationPart(W, window, cb);
    buildOrientationPart(W, window, cb);
    frame(370, 175, 230, 290, "プレビュー");
    W.preview = new PreviewBox(384, 190, 200, 200, window);
    W.info = new Fl_Multiline_Output(385, 405, 200, 35);
    W.info->textsize(kTextSize);
    W.cancel = button<Fl_Button>(465, 473, 95, 20, "キャンセル", cb.cancel, window);
    W.ok = button<Fl_Return_Button>(345, 473, 95, 20, "ＯＫ", cb.ok, window);
    dialog->end();
    dialog->callback(cb.cancel, window);
    return dialog;
}

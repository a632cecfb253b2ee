#pragma once

#include <FL/Fl_Widget.H>

#include <string>

class Fl_Button;
class Fl_Check_Button;
class Fl_Choice;
class Fl_Group;
class Fl_Input;
class Fl_Multiline_Output;
class Fl_Round_Button;
class Fl_Window;
class Mekuri;
class PreviewBox;

// The widgets of the print dialog "印刷", reached through this one process-wide record while
// the dialog exists (all null otherwise). They belong to `window`. UI thread only.
struct PrintDialogWidgets {
    Fl_Window* window = nullptr;
    Fl_Choice* printer = nullptr;
    Fl_Button* properties = nullptr;
    Fl_Round_Button* range[3] = {}; // すべて, 現在の見開きページ, ページ指定
    Fl_Input* pageSpec = nullptr;
    Fl_Choice* sheetFilter = nullptr;
    Fl_Round_Button* layout[3] = {}; // 1ページずつ, 横に2ページずつ, 縦に2ページずつ
    Fl_Check_Button* firstPageAlone = nullptr;
    Fl_Check_Button* booklet = nullptr;
    Fl_Group* binarisation = nullptr; // the method, and the N-up group
    Fl_Choice* dither = nullptr;
    Fl_Group* nupGroup = nullptr; // the N-up choice, its note, the colour-page box
    Fl_Choice* nup = nullptr;
    Fl_Check_Button* exclude = nullptr; // カラーページは2値化対象外とする
    Fl_Check_Button* binarise = nullptr; // カラープリンタであっても2値化して印刷する
    Fl_Round_Button* portrait = nullptr;
    Fl_Round_Button* landscape = nullptr;
    PreviewBox* preview = nullptr;
    Fl_Multiline_Output* info = nullptr;
    Fl_Button* cancel = nullptr;
    Fl_Button* ok = nullptr;
};
extern PrintDialogWidgets printDialogWidgets;

// The handlers the widgets call, each with the main window as user data.
struct PrintDialogCallbacks {
    Fl_Callback* printer;    // the printer choice
    Fl_Callback* properties; // "プロパティ"
    Fl_Callback* range;      // the three range radios
    Fl_Callback* preview;    // widgets that only change the preview
    Fl_Callback* layout;     // the three layout radios
    Fl_Callback* dither;     // the binarisation method
    Fl_Callback* binarise;   // カラープリンタであっても2値化して印刷する
    Fl_Callback* portrait;
    Fl_Callback* landscape;
    Fl_Callback* ok;
    Fl_Callback* cancel; // also the window's close button and Escape
};

// Builds the 611 × 504 dialog window, not shown, with every widget at its place and the fixed
// items of its choices, and fills printDialogWidgets. The caller owns the window.
Fl_Window* buildPrintDialog(Mekuri* window, const PrintDialogCallbacks& callbacks);

// Adds a choice item whose text is exactly `text` (no menu-path or shortcut characters).
void addChoiceItem(Fl_Choice& choice, const std::string& text);

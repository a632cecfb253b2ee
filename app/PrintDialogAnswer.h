#pragma once

#include <optional>
#include <string>

#include "print/PrintSettings.h"

class PrinterPropertiesEdit;

// The print dialogs' choices written as the text of a dialog-seam answer, so that a script can
// drive the "印刷" and "印刷設定" dialogs the way a user drives their widgets. The text is a
// list of key=value items separated by ';' (blanks around items are not allowed; a value
// cannot hold ';'). Pure functions; any thread.
//
// "印刷" keys (each optional; what is not named keeps the widget as the dialog loaded it):
//   printer=NAME      the printer choice (then acts as choosing it)
//   properties        press "プロパティ" (its own answer, title "印刷設定", follows)
//   range=0|1|2       すべて / 現在の見開きページ / ページ指定
//   pages=TEXT        the page list field, such as 1-3,8
//   filter=0|1|2      the sheet filter choice
//   layout=0|1|2      1ページずつ / 横に2ページずつ並べる / 縦に2ページずつ並べる
//   first=0|1         最初のページは1ページだけ印刷する
//   booklet=0|1       小冊子の印刷
//   dither=0..5       the binarisation method
//   nup=0..4          the N-up choice
//   exclude=0|1       カラーページは2値化対象外とする
//   binarise=0|1      カラープリンタであっても2値化して印刷する
//   orient=1|2        縦 / 横
// They are applied in that order whatever their order in the text. Button 0 is "ＯＫ", 1
// "キャンセル". Example: "range=2;pages=1-3;layout=1;booklet=1;dither=1;binarise=1;orient=2".
//
// "印刷設定" keys: media=INDEX|NAME (the first paper of that PWG name), color=1|2,
// sides=INDEX|KEYWORD, resolution=INDEX|XxY (dots per inch), orient=1|2. Button 0 is "OK".

struct PrintDialogChoices {
    std::optional<std::string> printer;
    bool properties = false;
    std::optional<int> range;
    std::optional<std::string> pages;
    std::optional<int> filter;
    std::optional<int> layout;
    std::optional<bool> firstPageAlone;
    std::optional<bool> booklet;
    std::optional<int> dither;
    std::optional<int> nup;
    std::optional<bool> excludeColourPages;
    std::optional<bool> binariseOnColourPrinter;
    std::optional<int> orientation;
};

// Reads a "印刷" answer. False with `error` naming the first bad item (unknown key, missing
// or out-of-range value); `choices` is then incomplete and must not be used.
bool parsePrintDialogChoices(const std::string& text, PrintDialogChoices& choices,
                             std::string& error);

// The text naming every choice of `settings` (printer first, no "properties"): what the
// dialog shows when it opens. Parsing it gives the same settings back.
std::string encodePrintDialogChoices(const PrintSettings& settings);

struct PrinterPropertiesChoices {
    std::optional<std::string> media;
    std::optional<int> color;
    std::optional<std::string> sides;
    std::optional<std::string> resolution;
    std::optional<int> orientation;
};

// Reads a "印刷設定" answer; false with `error` as above.
bool parsePrinterPropertiesChoices(const std::string& text, PrinterPropertiesChoices& choices,
                                   std::string& error);

// Makes the choices in the dialog's working copy. False with `error` for a value the printer
// does not offer; the copy may then hold the choices made before it.
bool applyPrinterPropertiesChoices(PrinterPropertiesEdit& edit,
                                   const PrinterPropertiesChoices& choices, std::string& error);

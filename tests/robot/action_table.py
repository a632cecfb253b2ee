"""The robot's action table: name, weight, action. Weights favour what readers do most, turning
pages. To add an action, write its function (actions.py for the main window, catalog_actions.py
for the catalog window) and add its row here; the runner, replay and shrink need nothing else.
"""
from actions import (turn_key, turn_click, turn_wheel, turn_menu_arrow, list_click, list_drag,
                     spread_drag, zoom_percent, zoom_typed, zoom_fit, zoom_fit_bar, zoom_wheel,
                     quality, binding, spread_unit, redraw, loupe, properties, about, rename,
                     open_dialog, close, restart, drop, print_book)
from book_actions import next_book, ends, natural_order, full_screen
from catalog_actions import (catalog_open, cat_select, cat_open, cat_rename, cat_sort,
                             cat_search, cat_popup, cat_wheel, cat_choose, cat_close)

ACTIONS = [
    ("turn_key", 24, turn_key),
    ("turn_click", 8, turn_click),
    ("turn_wheel", 6, turn_wheel),
    ("turn_menu_arrow", 2, turn_menu_arrow),
    ("list_click", 4, list_click),
    ("list_drag", 1, list_drag),
    ("spread_drag", 2, spread_drag),
    ("zoom_percent", 2, zoom_percent),
    ("zoom_typed", 2, zoom_typed),
    ("zoom_fit", 2, zoom_fit),
    ("zoom_fit_bar", 1, zoom_fit_bar),
    ("zoom_wheel", 2, zoom_wheel),
    ("quality", 1, quality),
    ("binding", 1, binding),
    ("spread_unit", 1, spread_unit),
    ("redraw", 0.5, redraw),
    ("loupe", 2, loupe),
    ("properties", 1, properties),
    ("about", 0.5, about),
    ("rename", 2, rename),
    ("open_dialog", 4, open_dialog),
    ("close", 1.5, close),
    ("restart", 0.8, restart),
    ("drop", 1, drop),
    ("print", 1.5, print_book),
    ("next_book", 2, next_book),
    ("ends", 1.5, ends),
    ("full_screen", 1, full_screen),
    ("natural_order", 0.7, natural_order),
    ("catalog_open", 2, catalog_open),
    ("cat_select", 3, cat_select),
    ("cat_open", 2, cat_open),
    ("cat_rename", 1.5, cat_rename),
    ("cat_sort", 1, cat_sort),
    ("cat_search", 1.5, cat_search),
    ("cat_popup", 1.5, cat_popup),
    ("cat_wheel", 1, cat_wheel),
    ("cat_choose", 0.7, cat_choose),
    ("cat_close", 1, cat_close),
]

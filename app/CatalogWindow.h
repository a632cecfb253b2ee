#pragma once

#include <string>

class CatalogView;
class Mekuri;

// The main window's catalog window: creating it, handing it folders, deleting it. UI thread.

// Creates and shows the catalog window, and stores it as the window's catalogView.
CatalogView* openCatalogWindow(Mekuri* window);

// Deletes the window's catalog window, if any (saving a modified catalog), and forgets it. The
// window object itself may outlive the call while its own code is still running below an event
// pump; the main window no longer refers to it either way.
void deleteCatalogWindow(Mekuri* window);

// Opens `folder` (no trailing "/") in the catalog window, creating the window when there is
// none, and redraws its grid.
void openCatalogFolder(const std::string& folder);

#pragma once

// The first step of every command that would replace the open book or start another print job
// (open, close, drops, the catalog window's open, print): while a print job exists (from ＯＫ
// until it has ended; printJobRunning() in print/PrintJob.h) it shows the warning box titled
// "印刷" with "印刷中は操作できません" over the main window and returns true, and the command
// does nothing more. Returns false, showing nothing, when no job exists. UI thread only.
bool refusedWhilePrinting();

#pragma once

// A probe that lets the GUI tests wait for the program instead of sleeping. Installed only
// when the environment variable MEKURI_IDLE_PROBE is set: a client message
// "_MEKURI_IDLE_PING" sent to any window of the program, carrying a number, is answered once
// every event that came before it has been handled and what they changed has been painted,
// by setting the root window's property "_MEKURI_IDLE" to that number (tests/gui/xping.c
// sends it and waits for the answer). Timers that are not due yet are not waited for.
// Call once, after the display is open. UI thread.
void installIdleProbe();

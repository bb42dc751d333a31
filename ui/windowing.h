// The window system's side of the transfer loops.
#pragma once

// Runs every pending window event and returns; never waits for one.
void PumpWindowMessages();
